#pragma once

#include "PanelNoteOptions.h"
#include "notes/NoteWindow.h"
#include "platform/WindowRegistry.h"
#include "reminders/SystemClock.h"
#include "store/NotesFolder.h"

#include <QObject>
#include <QPointer>

class OptionsPanel;
class SettingsStore;

// Creates note windows and hands them the note to load: a new note under the next free
// number, a note chosen by its catalogue entry, or a note by file name. An open note is
// brought to the front rather than opened twice. The windows belong to the desktop;
// those still open when this goes are closed with it.
class NoteOpener final : public QObject {
    Q_OBJECT
public:
    // The highest note number New Note can give.
    static constexpr int kLastNoteNumber = 32767;

    NoteOpener(const OptionsPanel &panel, SettingsStore &settings, NotesFolder folder,
               QObject *parent = nullptr);
    ~NoteOpener() override;

    // Opens an empty note under the first number past the last one tried whose note holds
    // no text. Null, after telling the user, when the numbers have run out.
    NoteWindow *newNote();
    // Brings the note named in a catalogue entry to the front, or opens it.
    NoteWindow *openEntry(const QString &entry);
    // Opens the note in a new window of the current border kind, without looking for an
    // open one first, as start-up does.
    NoteWindow *openFile(const QString &fileName);

    // The note window this created last.
    NoteWindow *current() const { return m_current; }
    WindowRegistry &registry() { return m_registry; }
    const NoteOptions &options() const { return m_options; }
    int lastNumberTried() const { return m_counter; }
    // Makes the next New Note start after number; the counter is not stored, so this is
    // only for carrying on from a known point.
    void setLastNumberTried(int number) { m_counter = number; }
    // The clock the reminder panels of windows made from now on read.
    void setClock(const Clock &clock) { m_clock = &clock; }

signals:
    // A note window wrote its file with text, or removed it (blank text).
    void noteWritten(const QString &path, const QString &text);
    // A note's old file went to the trash out of the user's sight; message says where.
    void noteTrashed(const QString &message);

private:
    NoteWindow *createWindow();

    const OptionsPanel &m_panel;
    SettingsStore &m_settings;
    NotesFolder m_folder;
    PanelNoteOptions m_options;
    WindowRegistry m_registry;
    QPointer<NoteWindow> m_current;
    int m_counter = 0;
    SystemClock m_systemClock;
    const Clock *m_clock = &m_systemClock;
};
