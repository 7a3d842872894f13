#include "ReminderScanner.h"

#include "Clock.h"
#include "ReminderNotes.h"
#include "ReminderText.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"

#include <QTimer>

ReminderScanner::ReminderScanner(SettingsStore &settings, const Clock &clock, ReminderNotes &notes,
                                 QObject *parent)
    : QObject(parent), m_settings(settings), m_clock(&clock), m_notesAround(notes),
      m_stepTimer(new QTimer(this))
{
    m_stepTimer->setSingleShot(true);
    m_stepTimer->setInterval(0);
    connect(m_stepTimer, &QTimer::timeout, this, &ReminderScanner::step);
}

ReminderScanner::~ReminderScanner() = default;

void ReminderScanner::setClock(const Clock &clock)
{
    m_clock = &clock;
}

bool ReminderScanner::isScanning() const
{
    return m_scanning;
}

void ReminderScanner::scan()
{
    if (m_scanning)
        return;
    m_notes = m_notesAround.reminderNoteFiles();
    m_next = 0;
    m_scanning = true;
    m_stepTimer->start();
}

void ReminderScanner::step()
{
    if (m_next < m_notes.size()) {
        // Taken before anything runs, so whatever the note's opening sets off cannot
        // make the scan skip or repeat a note.
        const QString fileName = m_notes.at(m_next++);
        look(fileName);
    }
    if (m_next < m_notes.size()) {
        m_stepTimer->start();
        return;
    }
    m_scanning = false;
    m_notes.clear();
    emit scanFinished();
}

void ReminderScanner::look(const QString &fileName)
{
    const QString section = QString::fromLatin1(Keys::NoteReminderSection);
    const QString value = m_settings.read(section, fileName, QString());
    if (value.isEmpty() || !ReminderText::isDue(value, m_clock->now()))
        return;
    if (m_notesAround.bringNoteToFront(fileName))
        return;
    const std::optional<QString> text = m_notesAround.openNoteForReminder(fileName, value);
    if (!text)
        return;
    m_settings.save(section, fileName, QString());
    emit reminderFired(fileName, ReminderText::firstWords(*text));
}
