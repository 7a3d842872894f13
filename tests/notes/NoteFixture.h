#pragma once

#include "FakeNoteOptions.h"
#include "notes/NoteWindow.h"
#include "settings/SettingsStore.h"
#include "store/NotesFolder.h"

#include <QPointer>
#include <QTemporaryDir>
#include <memory>

class QMessageBox;

// A notes folder, a private settings store and options for one test, and the note windows
// opened on them; everything goes when the fixture does.
class NoteFixture final {
public:
    NoteFixture();
    ~NoteFixture();

    enum class Kind { Thin, Full };

    // A window of the given kind, loaded with key (a note number or a file name).
    NoteWindow *open(const QString &key, Kind kind = Kind::Thin);

    QString path(const QString &fileName) const { return folder.filePath(fileName); }
    // Puts text on disk as the note file fileName (CR LF line ends, as written).
    void writeNote(const QString &fileName, const QString &text) const;
    // Waits for the notes' writes to reach the disk and their outcomes to reach the windows.
    static void finishWrites();
    // What the file holds once the writes handed over so far are done.
    QByteArray bytesOf(const QString &fileName) const;
    bool exists(const QString &fileName) const;

    // The message box a window has open, by object name, or null.
    static QMessageBox *box(QWidget *parent, const QString &name);

    QTemporaryDir dir;
    QTemporaryDir settingsDir;
    NotesFolder folder;
    std::unique_ptr<SettingsStore> settings;
    FakeNoteOptions options;

private:
    QList<QPointer<NoteWindow>> m_windows;
};
