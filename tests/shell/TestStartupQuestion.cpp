#include "TestStartupQuestion.h"

#include "TestEnvironment.h"
#include "platform/Twips.h"
#include "settings/SettingsStore.h"
#include "shell/MainWindow.h"
#include "shell/StartupQuestion.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

namespace {

QString installedLauncher()
{
    return TestEnvironment::instance()->dataHome() +
           QStringLiteral("/applications/pinvelle.desktop");
}

QString autostartCopy()
{
    return TestEnvironment::instance()->configHome() +
           QStringLiteral("/autostart/pinvelle.desktop");
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void TestStartupQuestion::init()
{
    TestEnvironment::instance()->clearSettings();
    // Only this test's folders count as installed applications.
    qputenv("XDG_DATA_DIRS", QFile::encodeName(m_system.path()));
    QFile::remove(installedLauncher());
    QDir(TestEnvironment::instance()->configHome() + QStringLiteral("/autostart"))
        .removeRecursively();
}

void TestStartupQuestion::cleanup()
{
    qunsetenv("XDG_DATA_DIRS");
}

void TestStartupQuestion::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("Shape1") << "Shape1"
                            << "" << QRect(120, 120, 6255, 2175);
    QTest::newRow("Shape2") << "Shape2"
                            << "" << QRect(240, 240, 6015, 1935);
    QTest::newRow("Label1") << "Label1"
                            << "Would you like to have Pinvelle  2.1 run at Startup?"
                            << QRect(600, 360, 5535, 735);
    QTest::newRow("Command1") << "Command1"
                              << "&Yes" << QRect(2040, 1200, 1215, 495);
    QTest::newRow("Command2") << "Command2"
                              << "&No" << QRect(3480, 1200, 1215, 495);
    QTest::newRow("Check1") << "Check1"
                            << "Do not ask this Qestion Again" << QRect(2040, 1800, 2655, 255);
}

void TestStartupQuestion::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, twips);
    SettingsStore store;
    StartupQuestion form(store, Autostart({}, {}));
    auto *control = form.findChild<QWidget *>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
    if (auto *label = qobject_cast<QLabel *>(control))
        QCOMPARE(label->text(), text);
    else if (auto *button = qobject_cast<QAbstractButton *>(control))
        QCOMPARE(button->text(), text);
    else
        QVERIFY(qobject_cast<QFrame *>(control));
}

void TestStartupQuestion::borderlessAndCentred()
{
    SettingsStore store;
    StartupQuestion form(store, Autostart({}, {}));
    QVERIFY(form.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(form.isWindow());
    QCOMPARE(form.size(), Twips::size(6510, 2430));
    QCOMPARE(child<QLabel>(&form, "Label1")->font().pointSizeF(), 13.5);
    QVERIFY(!child<QCheckBox>(&form, "Check1")->isChecked());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QVERIFY(std::abs(form.geometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(std::abs(form.geometry().center().y() - screen.center().y()) <= 1);
}

void TestStartupQuestion::whenToAsk_data()
{
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("asks");
    QTest::newRow("nothing stored") << false << "" << true;
    QTest::newRow("0") << true << "0" << true;
    QTest::newRow("zero written otherwise") << true << " 0.0 " << true;
    QTest::newRow("1") << true << "1" << false;
    QTest::newRow("any other number") << true << "2" << false;
    QTest::newRow("negative") << true << "-1" << false;
    // Text that is no number counts as the default "0" rather than stopping start-up.
    QTest::newRow("empty") << true << "" << true;
    QTest::newRow("words") << true << "never" << true;
}

void TestStartupQuestion::whenToAsk()
{
    QFETCH(bool, stored);
    QFETCH(QString, value);
    SettingsStore store;
    if (stored)
        store.save(Keys::DoNotAskStartup, value);
    QTEST(StartupQuestion::shouldAsk(store), "asks");

    MainWindow menu(store, NotesFolder(m_notes.path()));
    menu.start();
    QFETCH(bool, asks);
    QCOMPARE(menu.startupQuestion() != nullptr, asks);
    QCOMPARE(menu.isVisible(), !asks);
}

void TestStartupQuestion::firstStartWaitsForTheAnswer()
{
    SettingsStore store;
    MainWindow menu(store, NotesFolder(m_notes.path()));
    menu.start();
    QPointer<StartupQuestion> question = menu.startupQuestion();
    QVERIFY(question);
    QVERIFY(question->isVisible());
    QVERIFY(!menu.isVisible());
    // Asking stores nothing.
    QVERIFY(!store.contains(Keys::DoNotAskStartup.section, Keys::DoNotAskStartup.key));

    QTest::mouseClick(child<QPushButton>(question, "Command2"), Qt::LeftButton);
    QVERIFY(menu.isVisible());
    QTRY_VERIFY(!question);
}

void TestStartupQuestion::yesStoresOneAndPlacesTheLauncher_data()
{
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<bool>("existingCopy");
    QTest::newRow("box clear") << false << false;
    QTest::newRow("box ticked") << true << false;
    QTest::newRow("older copy replaced") << false << true;
}

void TestStartupQuestion::yesStoresOneAndPlacesTheLauncher()
{
    QFETCH(bool, ticked);
    QFETCH(bool, existingCopy);
    const QByteArray launcher = "[Desktop Entry]\nType=Application\nName=Pinvelle\nExec=pinvelle\n";
    QVERIFY(writeFile(installedLauncher(), launcher));
    if (existingCopy)
        QVERIFY(writeFile(autostartCopy(), "[Desktop Entry]\nExec=/old/place/pinvelle --old\n"));

    SettingsStore store;
    MainWindow menu(store, NotesFolder(m_notes.path()));
    menu.start();
    StartupQuestion *question = menu.startupQuestion();
    QVERIFY(question);
    child<QCheckBox>(question, "Check1")->setChecked(ticked);
    QTest::mouseClick(child<QPushButton>(question, "Command1"), Qt::LeftButton);

    QCOMPARE(readFile(autostartCopy()), launcher);
    QCOMPARE(store.read(Keys::DoNotAskStartup), QStringLiteral("1"));
    QVERIFY(child<QCheckBox>(question, "Check1")->isChecked());
    QVERIFY(!question->isVisible());
    QVERIFY(menu.isVisible());

    // Never asked again.
    MainWindow next(store, NotesFolder(m_notes.path()));
    next.start();
    QVERIFY(!next.startupQuestion());
    QVERIFY(next.isVisible());
}

void TestStartupQuestion::yesWithoutLauncherChangesNothing()
{
    SettingsStore store;
    MainWindow menu(store, NotesFolder(m_notes.path()));
    menu.start();
    QVERIFY(menu.startupQuestion());
    QTest::mouseClick(child<QPushButton>(menu.startupQuestion(), "Command1"), Qt::LeftButton);

    QVERIFY(!QFileInfo::exists(QFileInfo(autostartCopy()).absolutePath()));
    // The answer still stands, without a word to the user.
    QCOMPARE(store.read(Keys::DoNotAskStartup), QStringLiteral("1"));
    QVERIFY(menu.isVisible());
    for (QWidget *window : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<QMessageBox *>(window) || !window->isVisible());
}

void TestStartupQuestion::noStoresTheBox_data()
{
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("stored");
    QTest::newRow("box clear: ask again") << false << "0";
    QTest::newRow("box ticked: stop asking") << true << "1";
}

void TestStartupQuestion::noStoresTheBox()
{
    QFETCH(bool, ticked);
    QVERIFY(writeFile(installedLauncher(), "[Desktop Entry]\n"));
    SettingsStore store;
    MainWindow menu(store, NotesFolder(m_notes.path()));
    menu.start();
    StartupQuestion *question = menu.startupQuestion();
    QVERIFY(question);
    child<QCheckBox>(question, "Check1")->setChecked(ticked);
    QTest::mouseClick(child<QPushButton>(question, "Command2"), Qt::LeftButton);

    QTEST(store.read(Keys::DoNotAskStartup), "stored");
    QVERIFY(!question->isVisible());
    QVERIFY(menu.isVisible());
    QVERIFY(!QFileInfo::exists(autostartCopy()));

    MainWindow next(store, NotesFolder(m_notes.path()));
    next.start();
    QCOMPARE(next.startupQuestion() != nullptr, !ticked);
    QCOMPARE(next.isVisible(), ticked);
}

void TestStartupQuestion::closingWithoutAnswer()
{
    SettingsStore store;
    MainWindow menu(store, NotesFolder(m_notes.path()));
    menu.start();
    QPointer<StartupQuestion> question = menu.startupQuestion();
    QVERIFY(question);
    question->close();
    QVERIFY(menu.isVisible());
    QVERIFY(!store.contains(Keys::DoNotAskStartup.section, Keys::DoNotAskStartup.key));
    QTRY_VERIFY(!question);
}
