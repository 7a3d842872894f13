#include "CommandLine.h"
#include "platform/ProductInfo.h"
#include "platform/SingleInstance.h"
#include "platform/WindowSystem.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"
#include "shell/MainWindow.h"
#include "shell/NoteListing.h"
#include "shell/ShellCommands.h"
#include "store/NotesFolder.h"

#include <QApplication>
#include <QDir>
#include <QStandardPaths>

#include <cstdio>

namespace {

// A command can make a note and wait for its write, so it gets longer than a bare show.
constexpr int kCommandReplyTimeoutMs = 10000;

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("Pinvelle"));
    QCoreApplication::setOrganizationName(QStringLiteral("Pinvelle"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PINVELLE_VERSION));
}

NotesFolder::Choice chooseNotesFolder(const QString &requested)
{
    // An installed program or a build tree never keeps notes in its own folder, even
    // where it could write there.
    return NotesFolder::choose(
        requested, NotesFolder::programFolderForNotes(QCoreApplication::applicationDirPath()),
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

// Prints a command's answer; a plain start says nothing and always succeeds.
int report(const CommandLine &command, const ShellReply &reply)
{
    if (command.action() == CommandLine::Action::Start)
        return 0;
    if (!reply.message.isEmpty())
        std::fprintf(reply.ok ? stdout : stderr, "%s\n", qPrintable(reply.message));
    std::fflush(stdout);
    return reply.ok ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    // The command line is read, and a running program asked, before any window system is
    // loaded, so that this much works in a terminal without a display.
    CommandLine command;
    NotesFolder::Choice folder;
    QString key;
    {
        QCoreApplication terminal(argc, argv);
        nameApplication();
        command.process(terminal);
        folder = chooseNotesFolder(command.notesDir());
        key = QDir(folder.path).canonicalPath();
        if (command.action() == CommandLine::Action::List) {
            for (const QString &line : NoteListing::lines(folder.path))
                std::printf("%s\n", qPrintable(line));
            return 0;
        }
        if (command.action() == CommandLine::Action::Open) {
            const QString why =
                ShellCommands::whyNotANote(NotesFolder(folder.path), command.request().argument);
            if (!why.isEmpty())
                return report(command, {false, why});
        }
        if (const auto answer =
                SingleInstance(key).ask(command.request().encode(), kCommandReplyTimeoutMs))
            return report(command, ShellReply::decode(*answer));
    }

    const std::unique_ptr<QApplication> app = WindowSystem::open(argv[0], command.platform());
    nameApplication();
    // The program lives on in the tray with no window shown; it ends by Exit, or when
    // the main window was closed and the last note goes.
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance(key);
    if (instance.start(command.request().encode(), kCommandReplyTimeoutMs) ==
        SingleInstance::Role::Secondary)
        return report(command, ShellReply::decode(instance.reply()));

    SettingsStore settings;
    QString siteAddress = command.site();
    if (siteAddress.isEmpty())
        siteAddress = settings.read(Keys::SyncSite);
    if (siteAddress.isEmpty())
        siteAddress = QString::fromLatin1(ProductInfo::kDefaultSite);

    MainWindow menu(settings, NotesFolder(folder.path));
    menu.setSiteAddress(siteAddress);
    if (!folder.passedOver.isEmpty())
        menu.setPassedOverFolder(folder.passedOver);
    ShellCommands commands(menu);
    instance.setRequestHandler([&commands](const QByteArray &line) {
        const std::optional<ShellRequest> request = ShellRequest::decode(line);
        return (request ? commands.run(*request)
                        : ShellReply{false,
                                     QStringLiteral("This Pinvelle does not know that command.")})
            .encode();
    });
    menu.start();
    if (command.action() != CommandLine::Action::Start) {
        const int status = report(command, commands.run(command.request()));
        if (status != 0)
            return status;
    }
    return QApplication::exec();
}
