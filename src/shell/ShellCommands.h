#pragma once

#include "ShellRequest.h"

class MainWindow;
class NotesFolder;

// Carries out what another start asked of the running program: bring the main window to
// the front, make a note holding a text, or open a note by its file name.
class ShellCommands final {
public:
    explicit ShellCommands(MainWindow &menu) : m_menu(menu) {}

    ShellReply run(const ShellRequest &request);

    // Why name is not a note that can be opened from folder; empty when it is one. Only
    // a plain file name counts, so a name can never reach outside the folder.
    static QString whyNotANote(const NotesFolder &folder, const QString &name);

private:
    ShellReply newNote(const QString &text);
    ShellReply open(const QString &name);

    MainWindow &m_menu;
};
