#include "TestSyncWindow.h"

#include "Child.h"

#include "SyncFixture.h"
#include "platform/Twips.h"
#include "settings/SettingsStore.h"
#include "shell/MainWindow.h"
#include "store/NotesFolder.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

void TestSyncWindow::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("twips");

    QTest::newRow("Label8") << "Label8"
                            << "* Note: Do not add anything personal/important to the web site. "
                               "Even though it has password web sites can be hacked.* "
                            << QRect(240, 120, 6615, 735);
    QTest::newRow("Label1") << "Label1"
                            << "Email Address " << QRect(120, 720, 3135, 495);
    QTest::newRow("Label4") << "Label4"
                            << "You need to have an Account on SITE (Online Tools).     "
                            << QRect(3600, 720, 3015, 495);
    QTest::newRow("Text1") << "Text1"
                           << "" << QRect(120, 960, 3135, 285);
    QTest::newRow("Label5") << "Label5"
                            << "Please Click here to create an Account  Online"
                            << QRect(3600, 1200, 3615, 495);
    QTest::newRow("Label2") << "Label2"
                            << "Password" << QRect(120, 1440, 3255, 495);
    QTest::newRow("List1") << "List1"
                           << "" << QRect(3480, 1440, 3615, 3360);
    QTest::newRow("Text2") << "Text2"
                           << "" << QRect(120, 1680, 3135, 285);
    QTest::newRow("Command1") << "Command1"
                              << "Push Data to Website" << QRect(120, 2160, 3135, 495);
    QTest::newRow("Check1") << "Check1"
                            << "Overwrite Notes on the Internet" << QRect(360, 2760, 2535, 195);
    QTest::newRow("Command2") << "Command2"
                              << "Pull Data from Website" << QRect(120, 3840, 3135, 615);
    QTest::newRow("Check2") << "Check2"
                            << "Overwrite Notes the Local Notes" << QRect(360, 4560, 2775, 255);
    QTest::newRow("Command5") << "Command5"
                              << "Select All the Notes" << QRect(3600, 4920, 3255, 255);
    QTest::newRow("Command4") << "Command4"
                              << "Close" << QRect(240, 5040, 3015, 495);
    QTest::newRow("Command8") << "Command8"
                              << "Un Select All Notes" << QRect(3600, 5280, 3255, 255);
    QTest::newRow("Label10") << "Label10"
                             << "Notes that are loaded to the internet can be viewed on SITE "
                                "under Online Tools"
                             << QRect(360, 5640, 6495, 615);
}

void TestSyncWindow::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, twips);
    SyncFixture fixture;
    SyncWindow window(fixture.folder(), fixture.site().baseAddress());
    text.replace(QLatin1String("SITE"), window.site().name());

    auto *widget = window.findChild<QWidget *>(name);
    QVERIFY(widget);
    const QRect expected = Twips::rect(twips.x(), twips.y(), twips.width(), twips.height());
    if (qobject_cast<QCheckBox *>(widget)) {
        // A check box may be widened so its caption shows whole, never into the list.
        QCOMPARE(widget->geometry().topLeft(), expected.topLeft());
        QCOMPARE(widget->height(), expected.height());
        QVERIFY(widget->width() >= expected.width());
        QVERIFY(widget->geometry().right() < child<QListWidget>(&window, "List1")->x());
    } else {
        QCOMPARE(widget->geometry(), expected);
    }
    if (auto *label = qobject_cast<QLabel *>(widget))
        QCOMPARE(label->text(), text);
    else if (auto *button = qobject_cast<QAbstractButton *>(widget))
        QCOMPARE(button->text(), text);
    else if (auto *line = qobject_cast<QLineEdit *>(widget); line)
        QCOMPARE(line->text(), text);
}

void TestSyncWindow::looks()
{
    SyncFixture fixture;
    SyncWindow &window = fixture.window();
    QVERIFY(window.isVisible());
    QCOMPARE(window.windowTitle(), QStringLiteral("Synchronize with the Internet - ") +
                                       window.site().name() + QStringLiteral("/onlinetools.asp"));
    QVERIFY(window.windowTitle().contains(QLatin1String("127.0.0.1:")));
    QCOMPARE(window.size(), Twips::size(7215, 7605));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QCOMPARE(window.palette().color(QPalette::Window), QColor(0, 0, 0x80));
    QCOMPARE(child<QLabel>(&window, "Label8")->palette().color(QPalette::WindowText),
             QColor(Qt::red));
    QVERIFY(child<QLabel>(&window, "Label8")->font().bold());
    QCOMPARE(child<QLabel>(&window, "Label8")->font().pointSizeF(), 9.75);
    QVERIFY(child<QLabel>(&window, "Label10")->font().bold());
    QCOMPARE(child<QLabel>(&window, "Label10")->font().pointSizeF(), 12.0);
    QCOMPARE(child<QLabel>(&window, "Label5")->palette().color(QPalette::WindowText),
             QColor(Qt::red));
    QCOMPARE(child<QCheckBox>(&window, "Check1")->palette().color(QPalette::WindowText),
             QColor(Qt::white));
    QCOMPARE(child<QLineEdit>(&window, "Text2")->echoMode(), QLineEdit::Password);
    QCOMPARE(child<QListWidget>(&window, "List1")->selectionMode(),
             QAbstractItemView::MultiSelection);

    // Keyboard order.
    const QList<QWidget *> order{
        child<QListWidget>(&window, "List1"),    child<QLineEdit>(&window, "Text1"),
        child<QLineEdit>(&window, "Text2"),      child<QPushButton>(&window, "Command1"),
        child<QPushButton>(&window, "Command2"), child<QCheckBox>(&window, "Check1"),
        child<QCheckBox>(&window, "Check2"),     child<QPushButton>(&window, "Command4"),
        child<QPushButton>(&window, "Command5"), child<QPushButton>(&window, "Command8")};
    for (int i = 0; i + 1 < order.size(); ++i) {
        QWidget *next = order.at(i)->nextInFocusChain();
        while (next->parentWidget() != &window || !(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        QCOMPARE(next, order.at(i + 1));
    }
}

void TestSyncWindow::list()
{
    SyncFixture fixture;
    fixture.writeFile("PinvelleQuill2.pv", "short\r\n");
    fixture.writeFile("PinvelleQuill1.pv", "line one\r\nline two is long enough\r\n");
    fixture.writeFile("SHOUT.PV", "capitals\r\n");
    fixture.writeFile("readme.txt", "not a note\r\n");
    fixture.writeFile("empty.pv", "");
    fixture.writeFile("utf8.pv", QStringLiteral("Grüße, 週末\r\n").toUtf8());
    SyncWindow &window = fixture.window();

    QStringList entries;
    QStringList names;
    for (int row = 0; row < child<QListWidget>(&window, "List1")->count(); ++row) {
        entries << child<QListWidget>(&window, "List1")->item(row)->text();
        names << child<QListWidget>(&window, "List1")->item(row)->data(Qt::UserRole).toString();
    }
    QCOMPARE(names, (QStringList{"empty.pv", "PinvelleQuill1.pv", "PinvelleQuill2.pv", "SHOUT.PV",
                                 "utf8.pv"}));
    QCOMPARE(entries, (QStringList{"empty.pv - ", "PinvelleQuill1.pv - line one\nline two i",
                                   "PinvelleQuill2.pv - short", "SHOUT.PV - capitals",
                                   QStringLiteral("utf8.pv - Grüße, 週末")}));
}

void TestSyncWindow::emptyFolder()
{
    SyncFixture fixture;
    fixture.writeFile("notes.txt", "x");
    SyncWindow &window = fixture.window();
    QCOMPARE(child<QListWidget>(&window, "List1")->count(), 0);
    child<QPushButton>(&window, "Command5")->click();
    child<QPushButton>(&window, "Command8")->click();
    QCOMPARE(child<QListWidget>(&window, "List1")->selectedItems().size(), 0);
}

void TestSyncWindow::selectAll()
{
    SyncFixture fixture;
    for (int i = 1; i <= 4; ++i)
        fixture.writeFile(NotesFolder::fileName(i), "n\r\n");
    SyncWindow &window = fixture.window();
    child<QPushButton>(&window, "Command5")->click();
    QCOMPARE(child<QListWidget>(&window, "List1")->selectedItems().size(), 4);
    child<QPushButton>(&window, "Command8")->click();
    QCOMPARE(child<QListWidget>(&window, "List1")->selectedItems().size(), 0);
    // Clicking entries picks several.
    QTest::mouseClick(child<QListWidget>(&window, "List1")->viewport(), Qt::LeftButton, {},
                      child<QListWidget>(&window, "List1")
                          ->visualItemRect(child<QListWidget>(&window, "List1")->item(0))
                          .center());
    QTest::mouseClick(child<QListWidget>(&window, "List1")->viewport(), Qt::LeftButton, {},
                      child<QListWidget>(&window, "List1")
                          ->visualItemRect(child<QListWidget>(&window, "List1")->item(2))
                          .center());
    QCOMPARE(child<QListWidget>(&window, "List1")->selectedItems().size(), 2);
}

void TestSyncWindow::openAgain()
{
    SyncFixture fixture;
    fixture.writeFile("a.pv", "a\r\n");
    SyncWindow &window = fixture.window();
    QSignalSpy refreshes(&window, &SyncWindow::catalogueRefreshWanted);
    child<QPushButton>(&window, "Command5")->click();
    fixture.writeFile("b.pv", "b\r\n");
    fixture.window(); // the same window, opened again at once (same second)
    QCOMPARE(&fixture.window(), &window);
    QCOMPARE(child<QListWidget>(&window, "List1")->count(), 2);
    QCOMPARE(child<QListWidget>(&window, "List1")->selectedItems().size(), 0);
    QVERIFY(refreshes.size() >= 1);
}

void TestSyncWindow::accountLink()
{
    SyncFixture fixture;
    SyncWindow &window = fixture.window();
    QList<QUrl> opened;
    window.setUrlOpener([&opened](const QUrl &url) {
        opened << url;
        return false; // no browser: nothing is reported
    });
    QTest::mouseClick(child<QLabel>(&window, "Label5"), Qt::LeftButton);
    QCOMPARE(opened.size(), 1);
    QCOMPARE(opened.at(0), QUrl(fixture.site().baseAddress() + "account.asp"));
    // The window itself loads nothing.
    QCOMPARE(fixture.site().server().requests().size(), 0);
    QVERIFY(window.isVisible());
}

void TestSyncWindow::linkUnderline()
{
    SyncFixture fixture;
    SyncWindow &window = fixture.window();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!child<QLabel>(&window, "Label5")->font().underline());
    QTest::mouseMove(child<QLabel>(&window, "Label5"), QPoint(5, 5));
    QTRY_VERIFY(child<QLabel>(&window, "Label5")->font().underline());
    QTest::mouseMove(child<QLabel>(&window, "Label4"), QPoint(5, 5));
    QTRY_VERIFY(!child<QLabel>(&window, "Label5")->font().underline());
    QTest::mouseMove(child<QLabel>(&window, "Label5"), QPoint(6, 6));
    QTRY_VERIFY(child<QLabel>(&window, "Label5")->font().underline());
    QTest::mouseMove(child<QListWidget>(&window, "List1")->viewport(), QPoint(5, 5));
    QTRY_VERIFY(!child<QLabel>(&window, "Label5")->font().underline());
    QTest::mouseMove(child<QLabel>(&window, "Label5"), QPoint(5, 5));
    QTRY_VERIFY(child<QLabel>(&window, "Label5")->font().underline());
    QTest::mouseMove(&window, window.rect().bottomRight() - QPoint(5, 5));
    QTRY_VERIFY(!child<QLabel>(&window, "Label5")->font().underline());
}

void TestSyncWindow::closeForgetsAccount()
{
    SyncFixture fixture;
    SyncWindow &window = fixture.window();
    QPointer<SyncWindow> watched(&window);
    child<QPushButton>(&window, "Command4")->click();
    QTRY_VERIFY(!watched);
    SyncWindow &again = fixture.window();
    QCOMPARE(child<QLineEdit>(&again, "Text1")->text(),
             SyncFixture::kEmail); // filled in by the fixture
    child<QLineEdit>(&again, "Text1")->clear();
    child<QPushButton>(&again, "Command4")->click();
    QTRY_VERIFY(!fixture.windowIfOpen());
}

void TestSyncWindow::mainWindowCommand()
{
    SyncFixture fixture;
    fixture.writeFile("PinvelleQuill1.pv", "hello\r\n");
    fixture.site().addNote(SyncFixture::kEmail, "pulled.pv", "from the site");
    SettingsStore settings;
    MainWindow menu(settings, NotesFolder(fixture.folder()));
    menu.setSiteAddress(fixture.site().baseAddress());
    QVERIFY(!menu.syncWindow());
    child<QPushButton>(&menu, "Command14")->click();
    QPointer<SyncWindow> window = menu.syncWindow();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(child<QListWidget>(window, "List1")->count(), 1);
    QCOMPARE(window->site().name(), QUrl(fixture.site().baseAddress()).authority());
    child<QPushButton>(window, "Command5")->click();
    child<QPushButton>(&menu, "Command14")->click();
    QCOMPARE(menu.syncWindow(), window.data());
    QCOMPARE(child<QListWidget>(window, "List1")->selectedItems().size(), 0);
    // The catalogue was read: the main window's list shows the note.
    QVERIFY(child<QListWidget>(&menu, "List1")->isVisibleTo(&menu));
    QCOMPARE(child<QListWidget>(&menu, "List1")->count(), 1);

    // A pull brings the main window's list up to date.
    child<QLineEdit>(window, "Text1")->setText(SyncFixture::kEmail);
    child<QLineEdit>(window, "Text2")->setText(SyncFixture::kPassword);
    child<QPushButton>(window, "Command2")->click();
    QTRY_VERIFY_WITH_TIMEOUT(child<QPushButton>(window, "Command2")->isEnabled(), 20000);
    QCOMPARE(child<QListWidget>(&menu, "List1")->count(), 2);
    QCOMPARE(child<QListWidget>(window, "List1")->count(), 2);
    // The e-mail address is remembered once typed; the password is not.
    QTest::keyClick(child<QLineEdit>(window, "Text1"), Qt::Key_Return);
    QCOMPARE(settings.read(Keys::SyncEmail), SyncFixture::kEmail);

    // Another site typed in is used and kept; plain http to another machine is warned of.
    QCOMPARE(child<QLineEdit>(window, "TextSite")->text(), fixture.site().baseAddress());
    child<QLineEdit>(window, "TextSite")->setText(" notes.example.org/tools ");
    QTest::keyClick(child<QLineEdit>(window, "TextSite"), Qt::Key_Return);
    QCOMPARE(window->site().name(), QStringLiteral("notes.example.org/tools"));
    QVERIFY(window->windowTitle().contains(QLatin1String("notes.example.org/tools/onlinetools")));
    QCOMPARE(settings.read(Keys::SyncSite), QStringLiteral("notes.example.org/tools"));
    QCOMPARE(menu.siteAddress(), settings.read(Keys::SyncSite));
    QVERIFY(window->statusText().contains(QLatin1String("unencrypted")));

    window->close();
    QTRY_VERIFY(!window);
    child<QPushButton>(&menu, "Command14")->click();
    QVERIFY(menu.syncWindow());
    QCOMPARE(child<QLineEdit>(menu.syncWindow(), "Text1")->text(), SyncFixture::kEmail);
    QCOMPARE(child<QLineEdit>(menu.syncWindow(), "Text2")->text(), QString());
    QCOMPARE(child<QLineEdit>(menu.syncWindow(), "TextSite")->text(), menu.siteAddress());
}

void TestSyncWindow::syncControls()
{
    SyncFixture fixture;
    SyncWindow &window = fixture.window();
    auto *automatic = child<QCheckBox>(&window, "SyncAutomatically");
    auto *whyNot = child<QLabel>(&window, "LabelSyncWhyNot");
    QSignalSpy requested(&window, &SyncWindow::syncRequested);
    child<QLineEdit>(&window, "Text2")->clear();
    child<QPushButton>(&window, "SyncNow")->click();
    window.setAccountRemembered(true); // now the password may stay empty
    child<QPushButton>(&window, "SyncNow")->click();
    QCOMPARE(requested.size(), 1);

    // Only the user's clicks are news for the owner.
    QSignalSpy changed(&window, &SyncWindow::automaticSyncChanged);
    window.setAutomaticSync(true);
    automatic->click();
    QCOMPARE(changed.size(), 1);
    QVERIFY(!changed.first().first().toBool());
    window.setAutomaticSync(true);
    window.setAutomaticSyncAvailable(false, QStringLiteral("No keyring answers."));
    QVERIFY(!automatic->isEnabled() && !automatic->isChecked());
    QCOMPARE(whyNot->text(), QStringLiteral("No keyring answers."));
}
