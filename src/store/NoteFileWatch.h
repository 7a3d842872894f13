#pragma once

#include <QObject>
#include <QString>
#include <tuple>

// What a look at a file without reading it tells: enough to see a replacement or a write.
struct FileStamp {
    std::tuple<bool, qint64, qint64, qint64> value; // exists, size, modified, changed
    static FileStamp of(const QString &path);
    bool operator==(const FileStamp &other) const = default;
};

// Says when one note's file may have changed on disk: written in place, replaced by a rename
// (which gives the name a new file), removed or made again. Every watch shares one system
// watcher, on the files and on their folders, so a thousand open notes cost one. Reports
// come a moment after the change, several changes in a row as one; the owner reads the
// file to see what, if anything, is new.
class NoteFileWatch final : public QObject {
    Q_OBJECT
public:
    explicit NoteFileWatch(QObject *parent = nullptr);
    ~NoteFileWatch() override;

    // Empty: watch nothing.
    void setPath(const QString &path);
    const QString &path() const { return m_path; }

signals:
    void changed();

private:
    QString m_path;
};
