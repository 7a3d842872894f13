#pragma once

#include "store/NoteFileWatch.h"

#include <QObject>
#include <QString>
#include <optional>

class NoteSaver;
class NoteWriter;
struct NoteWriteResult;

// Keeps an open note in step with its file when something else writes it: another program,
// a pull, a file-sync tool. A newer text is taken when the window holds nothing unsaved;
// otherwise the window keeps the user's text and the file's is kept beside the note, so
// neither is lost. The note's own writes are known by their text, not by their timing.
class NoteFileFollower final : public QObject {
    Q_OBJECT
public:
    NoteFileFollower(NoteSaver &saver, NoteWriter &writer, QObject *parent = nullptr);

    // Watches the saver's path from now on (after opening, after Save As).
    void follow();
    // Looks at the file now.
    void check();
    // The note's own write ended: the file as it left it needs no second look.
    void wrote(const NoteWriteResult &result);

signals:
    // The window is to show this text, which is what the file holds.
    void textTaken(const QString &bodyText);
    // Something the user should know, for the note's bar: until it is clicked, or until the
    // next write when that makes it untrue.
    void told(const QString &message, bool untilClicked);

private:
    QString noteName() const;

    NoteSaver &m_saver;
    NoteWriter &m_writer;
    NoteFileWatch m_watch;
    std::optional<FileStamp> m_known; // the file as last written or read here
    bool m_goneTold = false;
    bool m_checkPending = false;
};
