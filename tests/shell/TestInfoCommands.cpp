#include "TestInfoCommands.h"

#include "TestEnvironment.h"
#include "platform/ProductInfo.h"
#include "settings/SettingsStore.h"
#include "shell/InfoCommands.h"
#include "shell/MainWindow.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace {

QList<QMessageBox *> visibleBoxes()
{
    QList<QMessageBox *> boxes;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(window); box && box->isVisible())
            boxes.append(box);
    return boxes;
}

} // namespace

void TestInfoCommands::init()
{
    TestEnvironment::instance()->clearSettings();
}

void TestInfoCommands::cleanup()
{
    for (QMessageBox *box : visibleBoxes())
        box->close();
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
}

void TestInfoCommands::aboutText()
{
    const QString folder = m_notes.filePath(QStringLiteral("my notes"));
    const QStringList lines = InfoCommands::aboutText(folder).split(QLatin1Char('\n'));
    const int credits = int(std::size(ProductInfo::kCreditLines));
    QCOMPARE(lines.size(), 2 + credits + 2);
    QCOMPARE(lines.at(0), QStringLiteral("Pinvelle 2.1"));
    QCOMPARE(lines.at(1), QString());
    // Who wrote it, how to reach them and where their web site is.
    QVERIFY(credits >= 3);
    for (int i = 0; i < credits; ++i) {
        QVERIFY(!lines.at(2 + i).trimmed().isEmpty());
        QCOMPARE(lines.at(2 + i), QString::fromLatin1(ProductInfo::kCreditLines[i]));
    }
    const QString credit = lines.mid(2, credits).join(QLatin1Char(' '));
    QVERIFY(credit.contains(QLatin1Char('@')));
    QVERIFY(credit.contains(QUrl(QString::fromLatin1(ProductInfo::kMakerWebSite)).host()));
    // Then, after an empty line, the notes folder in use.
    QCOMPARE(lines.at(2 + credits), QString());
    QVERIFY(lines.last().endsWith(QDir::toNativeSeparators(folder)));
}

void TestInfoCommands::helpAddress()
{
    const QUrl help = InfoCommands::helpAddress();
    QVERIFY(help.isValid());
    QVERIFY(help.scheme() == QLatin1String("https") || help.scheme() == QLatin1String("http"));
    QVERIFY(!help.host().isEmpty());
    QCOMPARE(help.path(), QStringLiteral("/pinvellequill.htm"));
    QCOMPARE(help.query(), QStringLiteral("help"));
    QCOMPARE(help.toString(),
             QString::fromLatin1(ProductInfo::kMakerWebSite) + "/pinvellequill.htm?help");
}

void TestInfoCommands::suggestionsText()
{
    const QString text = InfoCommands::suggestionsText();
    const QString prefix = QStringLiteral("Please email Suggestions to ");
    QVERIFY(text.startsWith(prefix));
    const QString address = text.mid(prefix.size());
    QCOMPARE(address, QString::fromLatin1(ProductInfo::kSuggestionsAddress));
    QVERIFY(address.indexOf(QLatin1Char('@')) > 0);
}

void TestInfoCommands::aboutAndSuggestionsBoxes_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("about");
    QTest::newRow("Abou&t") << "Command3" << true;
    QTest::newRow("Suggestions") << "Command10" << false;
}

void TestInfoCommands::aboutAndSuggestionsBoxes()
{
    QFETCH(QString, button);
    QFETCH(bool, about);
    SettingsStore store;
    MainWindow menu(store, NotesFolder(m_notes.path()));
    int opened = 0;
    menu.infoCommands().setUrlOpener([&opened](const QUrl &) { return ++opened, true; });
    menu.show();
    const QFileInfo settingsFile(TestEnvironment::instance()->settingsFile());
    const bool settingsExisted = settingsFile.exists();

    // The click returns at once with the box still open.
    QTest::mouseClick(menu.findChild<QPushButton *>(button), Qt::LeftButton);
    QTRY_COMPARE(visibleBoxes().size(), 1);
    QMessageBox *box = visibleBoxes().first();
    QCOMPARE(box->windowTitle(), QStringLiteral("Pinvelle"));
    QCOMPARE(box->text(),
             about ? InfoCommands::aboutText(m_notes.path()) : InfoCommands::suggestionsText());
    QCOMPARE(box->buttons().size(), 1);
    QCOMPARE(box->standardButton(box->buttons().first()), QMessageBox::Ok);
    QCOMPARE(opened, 0);
    QCOMPARE(QFileInfo::exists(settingsFile.filePath()), settingsExisted);

    QTest::mouseClick(box->buttons().first(), Qt::LeftButton);
    QTRY_VERIFY(visibleBoxes().isEmpty());
}

void TestInfoCommands::helpOpensTheBrowser()
{
    SettingsStore store;
    MainWindow menu(store, NotesFolder(m_notes.path()));
    QList<QUrl> opened;
    // A browser that cannot be started: nothing is said about it.
    menu.infoCommands().setUrlOpener([&opened](const QUrl &url) {
        opened.append(url);
        return false;
    });
    menu.show();
    QTest::mouseClick(child<QPushButton>(&menu, "Command4"), Qt::LeftButton);
    QCOMPARE(opened, QList<QUrl>{InfoCommands::helpAddress()});
    QTest::qWait(0);
    QVERIFY(visibleBoxes().isEmpty());
}

void TestInfoCommands::helpGoesThroughTheDesktop()
{
    // Without a replacement the address goes to the desktop's handler for its scheme.
    UrlCatcher browser;
    QDesktopServices::setUrlHandler(InfoCommands::helpAddress().scheme(), &browser, "open");
    InfoCommands().openHelp();
    QCOMPARE(browser.opened, QList<QUrl>{InfoCommands::helpAddress()});
}
