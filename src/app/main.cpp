#include "platform/ProductInfo.h"
#include "platform/SingleInstance.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"
#include "shell/FormMenu.h"
#include "store/NotesFolder.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pinvelle"));
    QApplication::setOrganizationName(QStringLiteral("Pinvelle"));
    QApplication::setApplicationVersion(QStringLiteral(PINVELLE_VERSION));
    // The program lives on in the tray with no window shown; it ends by Exit, or when
    // the main window was closed and the last note goes.
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QApplication::translate("main", "Pinvelle: write notes and post them on your screen."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption notesDir(
        QStringLiteral("notes-dir"),
        QApplication::translate("main", "Keep the note files in <dir>."), QStringLiteral("dir"));
    const QCommandLineOption site(
        QStringLiteral("site"),
        QApplication::translate("main", "Base address of the notes web site."),
        QStringLiteral("url"));
    parser.addOption(notesDir);
    parser.addOption(site);
    parser.process(app);

    // An installed program or a build tree never keeps notes in its own folder, even
    // where it could write there.
    const NotesFolder::Choice folder =
        NotesFolder::choose(parser.value(notesDir),
                            NotesFolder::programFolderForNotes(QApplication::applicationDirPath()),
                            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));

    SingleInstance instance(QDir(folder.path).canonicalPath());
    if (instance.start() == SingleInstance::Role::Secondary)
        return 0;

    SettingsStore settings;
    QString siteAddress = parser.value(site);
    if (siteAddress.isEmpty())
        siteAddress = settings.read(Keys::SyncSite);
    if (siteAddress.isEmpty())
        siteAddress = QString::fromLatin1(ProductInfo::kDefaultSite);

    FormMenu menu(settings, NotesFolder(folder.path));
    menu.setSiteAddress(siteAddress);
    if (!folder.passedOver.isEmpty())
        menu.setPassedOverFolder(folder.passedOver);
    QObject::connect(&instance, &SingleInstance::showRequested, &menu, &FormMenu::showAndActivate);
    menu.Form_Load();
    return QApplication::exec();
}
