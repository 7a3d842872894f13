#include "PanelFixture.h"
#include "notes/NoteWindow.h"

#include "reminders/ReminderPanel.h"
#include "settings/SettingKeys.h"

#include <QFile>

PanelFixture::PanelFixture()
    : folder(dir.path()), settings(std::make_unique<SettingsStore>(
                              settingsDir.filePath(QStringLiteral("Pinvelle.ini"))))
{
    clock.time = QDateTime(QDate(2026, 3, 7), QTime(14, 7));
}

PanelFixture::~PanelFixture()
{
    for (const QPointer<NoteWindow> &window : m_windows)
        delete window.data();
}

NoteWindow *PanelFixture::open(const QString &key)
{
    auto *note = new NoteWindow(NoteBorder::Thin, m_options, *settings, folder);
    auto *panel = new ReminderPanel(*settings, clock);
    note->setReminderPanel(panel);
    QObject::connect(note, &NoteWindow::reminderRequested, panel, &ReminderPanel::showStored);
    m_windows.append(note);
    note->load(key);
    return note;
}

ReminderPanel *PanelFixture::panelOf(NoteWindow *note)
{
    return qobject_cast<ReminderPanel *>(note->reminderPanel());
}

void PanelFixture::writeNote(const QString &fileName, const QString &text) const
{
    QFile file(folder.filePath(fileName));
    if (file.open(QIODevice::WriteOnly))
        file.write(text.toUtf8() + "\r\n");
}

QString PanelFixture::reminder(const QString &fileName) const
{
    return settings->read(QString::fromLatin1(Keys::NoteReminderSection), fileName,
                          QStringLiteral("<missing>"));
}

void PanelFixture::setReminder(const QString &fileName, const QString &value)
{
    settings->save(QString::fromLatin1(Keys::NoteReminderSection), fileName, value);
}
