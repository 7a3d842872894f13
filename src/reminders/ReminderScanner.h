#pragma once

#include <QObject>
#include <QStringList>

class Clock;
class ReminderNotes;
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
    ReminderScanner(SettingsStore &settings, const Clock &clock, ReminderNotes &notes,
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
    ReminderNotes &m_notesAround;
    QStringList m_notes;
    int m_next = 0;
    bool m_scanning = false;
    QTimer *m_stepTimer;
};
