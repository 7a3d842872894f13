#pragma once

#include "shell/ShellRequest.h"

#include <QString>

class QCoreApplication;

// What the command line asks for: the folder and site to use, and whether to start the
// program, hand a command to the one running, or list the notes.
class CommandLine final {
public:
    enum class Action { Start, NewNote, Show, Open, Sync, List };

    // Reads the arguments; for --help, --version and mistakes prints and exits as
    // QCommandLineParser does. The text "-" for a new note is read from standard input.
    void process(const QCoreApplication &app);

    Action action() const { return m_action; }
    QString notesDir() const { return m_notesDir; }
    QString site() const { return m_site; }
    QByteArray platform() const { return m_platform; }
    // The request for a running program; a plain start asks it to show itself.
    ShellRequest request() const;

private:
    Action m_action = Action::Start;
    QString m_argument;
    QString m_notesDir;
    QString m_site;
    QByteArray m_platform;
};
