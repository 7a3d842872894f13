#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

class Clock;
class NoteForm;
class QTimer;
class SettingsStore;

// Looks through the notes for reminders that have fallen due. An open note is brought to
// the front and keeps its reminder until its window clears or changes it; a closed note is
// opened with its reminder panel showing the reminder and flashing, and the reminder is
// cleared. One note is looked at per turn of the event loop, so the program stays
// responsive, and the scan works from its own list, which nothing else moves.
class ReminderScanner final : public QObject {
    Q_OBJECT
public:
    // What the scanner asks of the program around it.
    struct Hooks {
        // The file names of every note in the notes folder.
        std::function<QStringList()> noteFiles;
        // Brings the open note window titled fileName to the front; false when none is.
        std::function<bool(const QString &fileName)> bringToFront;
        // Opens the note in a new window of the current border kind and shows it.
        std::function<NoteForm *(const QString &fileName)> openNote;
    };

    ReminderScanner(SettingsStore &settings, const Clock &clock, Hooks hooks,
                    QObject *parent = nullptr);
    ~ReminderScanner() override;

    void setClock(const Clock &clock);

    // Starts a scan of every note; a scan still under way carries on instead.
    void scan();
    bool isScanning() const;

signals:
    // A closed note was opened for its reminder.
    void reminderFired(const QString &fileName, const QString &firstWords);
    // The scan has looked at every note.
    void scanFinished();

private:
    void step();
    void look(const QString &fileName);

    SettingsStore &m_settings;
    const Clock *m_clock;
    Hooks m_hooks;
    QStringList m_notes;
    int m_next = 0;
    bool m_scanning = false;
    QTimer *m_stepTimer;
};
