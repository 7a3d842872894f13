#include "ShellCommands.h"

#include "MainWindow.h"
#include "NoteCatalogue.h"
#include "NoteOpener.h"
#include "notes/NoteWindow.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextEdit>

ShellReply ShellCommands::run(const ShellRequest &request)
{
    switch (request.kind) {
    case ShellRequest::Kind::NewNote:
        return newNote(request.argument);
    case ShellRequest::Kind::Open:
        return open(request.argument);
    case ShellRequest::Kind::Sync:
        return m_menu.syncNow();
    case ShellRequest::Kind::Show:
        break;
    }
    m_menu.showAndActivate();
    return {};
}

QString ShellCommands::whyNotANote(const NotesFolder &folder, const QString &name)
{
    const bool plainName = !name.isEmpty() && !name.contains(QLatin1Char('/')) &&
                           !name.contains(QLatin1Char('\\')) && NoteCatalogue::isNoteFile(name);
    if (plainName && QFileInfo(folder.filePath(name)).isFile())
        return {};
    return QCoreApplication::translate("ShellCommands", "There is no note %1 in %2.")
        .arg(name, folder.path());
}

ShellReply ShellCommands::newNote(const QString &text)
{
    NoteWindow *note = m_menu.noteOpener().newNote();
    if (!note)
        return {false, QCoreApplication::translate("ShellCommands", "No new note could be made.")};
    note->setText(text);
    note->raise();
    note->activateWindow();
    // An empty note has no file to write; any other text is on disk before the answer.
    if (!text.trimmed().isEmpty() && !note->saveNow())
        return {false, note->lastWriteError()};
    return {true, QFileInfo(note->filePath()).fileName()};
}

ShellReply ShellCommands::open(const QString &name)
{
    const QString why = whyNotANote(m_menu.notesFolder(), name);
    if (!why.isEmpty())
        return {false, why};
    NoteOpener &opener = m_menu.noteOpener();
    if (opener.registry().activate(name) == WindowRegistry::Activation::NoSuchWindow) {
        NoteWindow *note = opener.openFile(name);
        note->raise();
        note->activateWindow();
    }
    return {};
}
