#pragma once

#include "store/NoteFile.h"
#include "store/NoteWriter.h"

#include <QString>
#include <optional>

// The rules of saving a note while it is typed: the text is trimmed of spaces, written only
// when it differs from the last saved text (or a save is forced), and only while automatic
// saving is on unless forced. Keeps the previous text for the one-step undo, and what the
// file is known to hold, so edits that were never written can be told apart.
class NoteSaver final {
public:
    struct Outcome {
        bool changed = false;   // the trimmed text differed, or the save was forced
        bool attempted = false; // the file was written or removed, or that was tried
        NoteWriteResult write;  // meaningful only when attempted
    };

    // Leading and trailing spaces removed; tabs and line breaks stay.
    static QString trimSpaces(const QString &text);
    // The edit box uses LF; files hold CR LF as typed on the original system.
    static QString toFileText(const QString &bodyText);
    static QString toBodyText(const QString &fileText);

    const QString &path() const { return m_path; }
    // A new path: what the file there holds is not known until it is read or written.
    void setPath(const QString &path);
    // The note was read from the path: body text is what the file holds, and is taken as
    // saved, so opening a note never writes it.
    void loaded(const QString &bodyText);

    void forceNextSave() { m_force = true; }
    // The next write takes the place of another note's file, whose text goes to the trash.
    void trashOldFileAtNextWrite() { m_trashOld = true; }
    bool forced() const { return m_force; }

    // One run of the save routine over the body's text, writing on this thread.
    Outcome run(const QString &bodyText, bool autoSave);

    // The same run, leaving the write to a writer: what to write, if anything. Its outcome
    // is handed back through written().
    struct Plan {
        bool changed = false;
        std::optional<NoteWriteRequest> request;
    };
    Plan plan(const QString &bodyText, bool autoSave);
    // A write planned here has ended; outcomes for a path the note has since left only
    // count for that path's old file.
    void written(const NoteWriteRequest &request, const NoteWriteResult &result);

    const QString &lastSaved() const { return m_lastSaved; }
    // The saved text before the last change; Ctrl+Z puts it back.
    const QString &previous() const { return m_previous; }

    // True when the last saved text is not what the file holds (automatic saving was off,
    // or a write failed).
    bool hasUnsavedEdits() const;

    // The last write failed; the next run tries again even with unchanged text.
    bool writeFailed() const { return m_writeFailed; }

    // What a text found in the note's file, written there by someone else, means here.
    enum class FileChange {
        None,     // the file holds what the note knows it holds, or what it shows
        Take,     // nothing is unsaved: the window shows the file's text (taken())
        KeepBoth, // the window holds unsaved edits: the file's text is kept beside it
    };
    FileChange assess(const QString &fileBodyText) const;
    // The window shows the file's text now, which is saved as it stands.
    void taken(const QString &fileBodyText);
    // What the file holds is known again (its text is the window's, or is safe elsewhere).
    void fileHolds(const QString &fileBodyText) { m_onDisk = trimSpaces(fileBodyText); }

private:
    NoteWriteRequest request(const QString &trimmed);

    QString m_path;
    QString m_lastSaved;
    QString m_previous;
    bool m_force = false;
    bool m_trashOld = false;
    bool m_writeFailed = false;
    std::optional<QString> m_onDisk; // trimmed body text the file holds, when known
};
