#include "ReminderScanner.h"

#include "Clock.h"
#include "ReminderPanel.h"
#include "ReminderText.h"
#include "notes/NoteForm.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"

#include <QTextEdit>
#include <QTimer>

ReminderScanner::ReminderScanner(SettingsStore &settings, const Clock &clock, Hooks hooks,
                                 QObject *parent)
    : QObject(parent), m_settings(settings), m_clock(&clock), m_hooks(std::move(hooks)),
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
    m_notes = m_hooks.noteFiles ? m_hooks.noteFiles() : QStringList();
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
    if (m_hooks.bringToFront && m_hooks.bringToFront(fileName))
        return;
    NoteForm *note = m_hooks.openNote ? m_hooks.openNote(fileName) : nullptr;
    if (!note)
        return;
    if (auto *panel = qobject_cast<ReminderPanel *>(note->reminderPanel()))
        panel->showDue(m_settings.read(section, fileName, QString()));
    note->show();
    m_settings.save(section, fileName, QString());
    emit reminderFired(fileName, ReminderText::firstWords(note->Text1->toPlainText()));
}
