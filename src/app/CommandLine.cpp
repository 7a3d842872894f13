#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("main", text);
}

[[noreturn]] void fail(const QString &message)
{
    std::fprintf(stderr, "%s\n", qPrintable(message));
    std::exit(1);
}

QString readStandardInput()
{
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        return {};
    QString text = QString::fromLocal8Bit(in.readAll());
    // The line end a shell's echo or a file adds is not part of the note.
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(text.endsWith(QStringLiteral("\r\n")) ? 2 : 1);
    return text;
}

} // namespace

void CommandLine::process(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(tr("Pinvelle: write notes and post them on your screen."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption notesDir(QStringLiteral("notes-dir"),
                                      tr("Keep the note files in <dir>."), QStringLiteral("dir"));
    const QCommandLineOption site(QStringLiteral("site"), tr("Base address of the notes web site."),
                                  QStringLiteral("url"));
    const QCommandLineOption newNote(
        QStringLiteral("new-note"),
        tr("Make a note holding [text] (standard input for -), save it and print its file name."));
    const QCommandLineOption show(QStringLiteral("show"),
                                  tr("Bring the main window to the front."));
    const QCommandLineOption open(QStringLiteral("open"),
                                  tr("Open the note <name>, or bring it to the front."),
                                  QStringLiteral("name"));
    const QCommandLineOption sync(
        QStringLiteral("sync"),
        tr("Sync the notes with the notes web site now (asks for the account the first time)."));
    const QCommandLineOption list(QStringLiteral("list"),
                                  tr("Print each note's file name, a tab and its first line."));
    const QCommandLineOption platform(
        QStringLiteral("platform"),
        tr("Qt window-system plugin to use, e.g. wayland (default: xcb when XWayland is there)."),
        QStringLiteral("name"));
    parser.addOptions({notesDir, site, newNote, show, open, sync, list, platform});
    parser.addPositionalArgument(QStringLiteral("text"),
                                 tr("The new note's text, with --new-note."),
                                 QStringLiteral("[text]"));
    parser.process(app);

    int commands = 0;
    for (const auto &[option, action] :
         {std::pair{&newNote, Action::NewNote}, std::pair{&show, Action::Show},
          std::pair{&open, Action::Open}, std::pair{&sync, Action::Sync},
          std::pair{&list, Action::List}}) {
        if (parser.isSet(*option)) {
            m_action = action;
            ++commands;
        }
    }
    const QStringList words = parser.positionalArguments();
    if (commands > 1)
        fail(tr("Give one of --new-note, --show, --open, --sync and --list."));
    if (!words.isEmpty() && m_action != Action::NewNote)
        fail(tr("Unexpected argument: %1").arg(words.first()));

    m_notesDir = parser.value(notesDir);
    m_site = parser.value(site);
    m_platform = parser.value(platform).toLocal8Bit();
    if (m_action == Action::Open)
        m_argument = parser.value(open);
    else if (words == QStringList{QStringLiteral("-")})
        m_argument = readStandardInput();
    else
        m_argument = words.join(QLatin1Char(' '));
}

ShellRequest CommandLine::request() const
{
    switch (m_action) {
    case Action::NewNote:
        return {ShellRequest::Kind::NewNote, m_argument};
    case Action::Open:
        return {ShellRequest::Kind::Open, m_argument};
    case Action::Sync:
        return {ShellRequest::Kind::Sync, {}};
    case Action::Start:
    case Action::Show:
    case Action::List:
        break;
    }
    return {ShellRequest::Kind::Show, {}};
}
