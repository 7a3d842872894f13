#include "NoteFileWatch.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <QTimer>
#include <tuple>
#include <utility>

FileStamp FileStamp::of(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {{false, 0, 0, 0}};
    return {{true, info.size(), info.lastModified().toMSecsSinceEpoch(),
             info.metadataChangeTime().toMSecsSinceEpoch()}};
}

namespace {

class WatchHub final : public QObject {
public:
    WatchHub() : QObject(QCoreApplication::instance())
    {
        m_settle.setSingleShot(true);
        m_settle.setInterval(30);
        connect(&m_watcher, &QFileSystemWatcher::fileChanged, this,
                [this](const QString &path) { pend(path); });
        connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this,
                [this](const QString &folder) {
                    // A folder's change names no file: the files of its notes are looked at.
                    const QStringList paths = m_folders.value(folder);
                    for (const QString &path : paths) {
                        if (FileStamp::of(path) != m_stamps.value(path))
                            pend(path);
                    }
                });
        connect(&m_settle, &QTimer::timeout, this, &WatchHub::report);
    }

    void add(const QString &path, NoteFileWatch *watch)
    {
        m_watches.insert(path, watch);
        m_stamps.insert(path, FileStamp::of(path));
        arm(path);
        const QString folder = QFileInfo(path).absolutePath();
        QStringList &paths = m_folders[folder];
        if (paths.isEmpty())
            m_watcher.addPath(folder);
        paths.append(path);
    }

    void remove(const QString &path, NoteFileWatch *watch)
    {
        m_watches.remove(path, watch);
        if (!m_watches.contains(path)) {
            m_stamps.remove(path);
            if (m_armed.remove(path))
                m_watcher.removePath(path);
        }
        const QString folder = QFileInfo(path).absolutePath();
        const auto paths = m_folders.find(folder);
        if (paths == m_folders.end())
            return;
        paths->removeOne(path);
        if (paths->isEmpty()) {
            m_folders.erase(paths);
            m_watcher.removePath(folder);
        }
    }

private:
    // A replaced file is a new file, and a watch follows the old one until the last program
    // holding it open lets go: after every change the watch is made afresh on the name.
    void arm(const QString &path)
    {
        if (m_armed.remove(path))
            m_watcher.removePath(path);
        if (QFileInfo::exists(path) && m_watcher.addPath(path))
            m_armed.insert(path);
    }

    void pend(const QString &path)
    {
        m_pending.insert(path);
        m_settle.start();
    }

    void report()
    {
        const QSet<QString> pending = std::exchange(m_pending, {});
        for (const QString &path : pending) {
            if (!m_watches.contains(path))
                continue;
            m_stamps.insert(path, FileStamp::of(path));
            arm(path);
            // A window told first may close another one of the same file.
            const QList<NoteFileWatch *> found = m_watches.values(path);
            const QList<QPointer<NoteFileWatch>> watches(found.cbegin(), found.cend());
            for (const QPointer<NoteFileWatch> &watch : watches) {
                if (watch)
                    emit watch->changed();
            }
        }
    }

    QFileSystemWatcher m_watcher;
    QMultiHash<QString, NoteFileWatch *> m_watches;
    QHash<QString, FileStamp> m_stamps;
    QHash<QString, QStringList> m_folders; // the watched files of each watched folder
    QSet<QString> m_pending;
    QSet<QString> m_armed; // files the system watcher was last seen to watch
    QTimer m_settle;
};

// One for the program, made on first use on the windows' thread and gone with the program.
WatchHub *hub(bool make)
{
    static QPointer<WatchHub> shared;
    if (!shared && make && QCoreApplication::instance())
        shared = new WatchHub;
    return shared;
}

} // namespace

NoteFileWatch::NoteFileWatch(QObject *parent) : QObject(parent) {}

NoteFileWatch::~NoteFileWatch()
{
    setPath(QString());
}

void NoteFileWatch::setPath(const QString &path)
{
    const QString clean = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    if (clean == m_path)
        return;
    if (WatchHub *shared = hub(false); shared && !m_path.isEmpty())
        shared->remove(m_path, this);
    m_path = clean;
    if (WatchHub *shared = hub(true); shared && !m_path.isEmpty())
        shared->add(m_path, this);
}
