#include "NoteOpener.h"

#include "NoteCatalogue.h"
#include "notes/NoteWindow.h"
#include "platform/Notice.h"
#include "reminders/ReminderPanel.h"
#include "settings/OptionsPanel.h"

#include <QTextEdit>

NoteOpener::NoteOpener(const OptionsPanel &panel, SettingsStore &settings, NotesFolder folder,
                       QObject *parent)
    : QObject(parent), m_panel(panel), m_settings(settings), m_folder(std::move(folder)),
      m_options(panel)
{}

NoteOpener::~NoteOpener()
{
    // The windows read the options and the settings held here and by the owner.
    for (QWidget *window : m_registry.windows())
        delete window;
}

NoteWindow *NoteOpener::createWindow()
{
    NoteWindow *window = nullptr;
    if (m_panel.fullBorder())
        window = new NoteWindow(NoteBorder::Full, m_options, m_settings, m_folder);
    else
        window = new NoteWindow(NoteBorder::Thin, m_options, m_settings, m_folder);
    connect(window, &NoteWindow::noteWritten, this, &NoteOpener::noteWritten);
    connect(window, &NoteWindow::noteTrashed, this, &NoteOpener::noteTrashed);
    window->setOpenNoteFinder([this, window = QPointer<NoteWindow>(window)](const QString &name) {
        QWidget *other = m_registry.find(name);
        return other && other != window &&
               m_registry.activate(name) == WindowRegistry::Activation::Activated;
    });
    // Most notes are never reminded of: the panel is made when first wanted.
    window->setReminderPanelMaker([this, window, clock = m_clock]() -> QWidget * {
        auto *panel = new ReminderPanel(m_settings, *clock);
        connect(window, &NoteWindow::reminderRequested, panel, &ReminderPanel::showStored);
        return panel;
    });
    m_registry.add(window);
    m_current = window;
    return window;
}

NoteWindow *NoteOpener::newNote()
{
    m_options.setCreatingNotes(true);
    NoteWindow *window = nullptr;
    while (!window) {
        if (m_counter >= kLastNoteNumber) {
            m_options.setCreatingNotes(false);
            Notice::show(nullptr, tr("No more new notes can be made: every note number up to "
                                     "%1 has been tried since Pinvelle started.")
                                      .arg(kLastNoteNumber));
            return nullptr;
        }
        ++m_counter;
        NoteWindow *candidate = createWindow();
        candidate->load(QString::number(m_counter));
        if (candidate->text().isEmpty())
            window = candidate;
        else
            candidate->close(); // that number is taken; the window is not kept
    }
    window->showFocused();
    m_options.setCreatingNotes(false);
    return window;
}

NoteWindow *NoteOpener::openEntry(const QString &entry)
{
    const QString fileName = NoteCatalogue::fileNameOfEntry(entry);
    if (m_registry.activate(fileName) == WindowRegistry::Activation::Activated)
        return qobject_cast<NoteWindow *>(m_registry.find(fileName));
    return openFile(fileName);
}

NoteWindow *NoteOpener::openFile(const QString &fileName)
{
    NoteWindow *window = createWindow();
    window->load(fileName);
    window->show();
    return window;
}
