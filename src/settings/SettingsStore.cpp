#include "SettingsStore.h"

#include "SettingValues.h"
#include "platform/DirectorySync.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QStringList>
#include <QThread>
#include <QTimer>

namespace {

QString entryName(const QString &section, const QString &key)
{
    return section + QLatin1Char('/') + key;
}

// Hand-edited entries may hold values the ini reader turns into other types.
QString asText(const QVariant &value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    if (value.canConvert<QString>())
        return value.toString();
    return {};
}

// A program killed between creating the store's lock file and writing its owner into it
// leaves the file empty, and QSettings waits until it is 30 s old before taking it for
// stale: every save of every Pinvelle stalls that long. An owner writes itself in at once,
// so a lock still empty after a second has none.
void removeOwnerlessLock(const QString &storePath)
{
    const QString lockPath = storePath + QStringLiteral(".lock");
    constexpr qint64 kOwnerWritesWithinMs = 1000;
    qint64 pid = 0;
    QString host;
    QString app;
    for (;;) {
        const QFileInfo lock(lockPath);
        if (!lock.exists() || QLockFile(lockPath).getLockInfo(&pid, &host, &app))
            return;
        const qint64 age = lock.lastModified().msecsTo(QDateTime::currentDateTime());
        if (age >= kOwnerWritesWithinMs || age < 0) {
            QFile::remove(lockPath);
            return;
        }
        QThread::msleep(static_cast<unsigned long>(kOwnerWritesWithinMs - age));
    }
}

// Saves come in bursts (a font size typed, a note's border dragged): one folder flush follows
// each burst instead of one per save.
constexpr int kFolderSyncDelayMs = 1000;

void syncFolderOf(const QString &storePath)
{
    SyncDirectory(QFileInfo(storePath).absolutePath());
}

std::unique_ptr<QTimer> folderSyncTimer(const QString &storePath)
{
    auto timer = std::make_unique<QTimer>();
    timer->setSingleShot(true);
    timer->setInterval(kFolderSyncDelayMs);
    QObject::connect(timer.get(), &QTimer::timeout, timer.get(),
                     [storePath] { syncFolderOf(storePath); });
    return timer;
}

} // namespace

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("Pinvelle"),
                                             QStringLiteral("Pinvelle"))),
      m_folderSync(folderSyncTimer(m_settings->fileName()))
{}

SettingsStore::SettingsStore(const QString &iniPath)
    : m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat)),
      m_folderSync(folderSyncTimer(m_settings->fileName()))
{}

SettingsStore::~SettingsStore()
{
    if (m_folderSync->isActive())
        syncFolderOf(m_settings->fileName());
}

void SettingsStore::written()
{
    // QSettings replaces its file by a rename, which only the folder's flush makes last.
    if (!QCoreApplication::instance())
        syncFolderOf(m_settings->fileName()); // no event loop to run the timer
    else if (!m_folderSync->isActive())
        m_folderSync->start();
}

QString SettingsStore::read(const QString &section, const QString &key,
                            const QString &defaultValue) const
{
    const QVariant value = m_settings->value(entryName(section, key));
    if (!value.isValid())
        return defaultValue;
    return asText(value);
}

QString SettingsStore::read(const SettingKey &setting) const
{
    return read(QString::fromLatin1(setting.section), QString::fromLatin1(setting.key),
                QString::fromLatin1(setting.defaultValue));
}

bool SettingsStore::contains(const QString &section, const QString &key) const
{
    return m_settings->contains(entryName(section, key));
}

bool SettingsStore::save(const QString &section, const QString &key, const QString &value)
{
    const QString name = entryName(section, key);
    // Saving what the store already holds leaves the file alone. With nothing pending, sync()
    // only reads in what another Pinvelle may have written meanwhile.
    m_settings->sync();
    const QVariant stored = m_settings->value(name);
    if (stored.typeId() == QMetaType::QString && stored.toString() == value &&
        m_settings->status() == QSettings::NoError)
        return true;
    m_settings->setValue(name, value);
    removeOwnerlessLock(m_settings->fileName());
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        return false;
    written();
    return true;
}

bool SettingsStore::save(const SettingKey &setting, const QString &value)
{
    return save(QString::fromLatin1(setting.section), QString::fromLatin1(setting.key), value);
}

int SettingsStore::readTick(const SettingKey &setting) const
{
    if (const auto value = SettingValues::tick(read(setting)))
        return *value;
    return SettingValues::tick(QString::fromLatin1(setting.defaultValue)).value_or(0);
}

bool SettingsStore::readFlag(const SettingKey &setting) const
{
    if (const auto value = SettingValues::flag(read(setting)))
        return *value;
    return SettingValues::flag(QString::fromLatin1(setting.defaultValue)).value_or(false);
}

QString SettingsStore::location() const
{
    return m_settings->fileName();
}
