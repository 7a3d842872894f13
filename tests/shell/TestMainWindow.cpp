#include "TestMainWindow.h"

#include "TestEnvironment.h"
#include "notes/NoteWindow.h"
#include "platform/SingleInstance.h"
#include "platform/Twips.h"
#include "settings/OptionsPanel.h"
#include "settings/SettingsStore.h"
#include "shell/MainWindow.h"
#include "shell/NoteOpener.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QUuid>

namespace {

// Twips come back from whole pixels, so allow one pixel's worth of rounding.
bool nearTwips(int actual, int expected)
{
    return std::abs(actual - expected) <= Twips::fromPixels(1);
}

} // namespace

void TestMainWindow::init()
{
    TestEnvironment::instance()->clearSettings();
    // The run-at-startup question has been answered; its own tests cover the first start.
    SettingsStore().save(Keys::DoNotAskStartup, QStringLiteral("1"));
}

void TestMainWindow::titleAndFirstStart()
{
    SettingsStore store;
    MainWindow menu(store, NotesFolder(m_notes.path()));
    menu.start();
    QVERIFY(menu.windowTitle().startsWith(QStringLiteral("Pinvelle 2.1 - ")));
    QVERIFY(menu.windowTitle().size() > QStringLiteral("Pinvelle 2.1 - ").size());
    QVERIFY(menu.isVisible());
    QVERIFY(!menu.isMinimized());
    QVERIFY(!child<OptionsPanel>(&menu, "Frame2")->isVisible());
    QVERIFY2(nearTwips(menu.widthTwips(), 5595), qPrintable(QString::number(menu.widthTwips())));
    QVERIFY2(nearTwips(menu.heightTwips(), 6007), qPrintable(QString::number(menu.heightTwips())));
    // At the narrow width the list lies beyond the right edge.
    QVERIFY(child<QListWidget>(&menu, "List1")->x() >= menu.width());
    QCOMPARE(child<OptionsPanel>(&menu, "Frame2")->fontSizeText(), QStringLiteral("8"));
    QVERIFY(child<OptionsPanel>(&menu, "Frame2")->findChild<QLineEdit *>(QStringLiteral("Text3")));
    QVERIFY(child<QTimer>(&menu, "Timer4")->isActive());
    QCOMPARE(child<QTimer>(&menu, "Timer4")->interval(), 59999);
}

void TestMainWindow::buttons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("twips");
    QTest::newRow("Command1") << "Command1"
                              << "&Minimize" << QRect(240, 3120, 2415, 375);
    QTest::newRow("Command4") << "Command4"
                              << "&Help" << QRect(2760, 3120, 2415, 375);
    QTest::newRow("Command5") << "Command5"
                              << "New Note" << QRect(240, 3600, 2415, 375);
    QTest::newRow("Command8") << "Command8"
                              << "Get Note" << QRect(2760, 3600, 2415, 375);
    QTest::newRow("Command9") << "Command9"
                              << "Options" << QRect(240, 4080, 2415, 375);
    QTest::newRow("Command10") << "Command10"
                               << "Suggestions" << QRect(2760, 4080, 2415, 375);
    QTest::newRow("Command3") << "Command3"
                              << "Abou&t" << QRect(240, 4560, 2415, 375);
    QTest::newRow("Command2") << "Command2"
                              << "E&xit" << QRect(2760, 4560, 2415, 375);
    QTest::newRow("Command14") << "Command14"
                               << "Syncronise with the Internet" << QRect(240, 5040, 4935, 375);
}

void TestMainWindow::buttons()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QRect, twips);
    SettingsStore store;
    MainWindow menu(store, NotesFolder(m_notes.path()));
    auto *button = menu.findChild<QPushButton *>(name);
    QVERIFY(button);
    QCOMPARE(button->text(), caption);
    QCOMPARE(button->geometry(), Twips::rect(twips.x(), twips.y(), twips.width(), twips.height()));
}

void TestMainWindow::optionsToggleTheHeight()
{
    SettingsStore store;
    MainWindow menu(store, NotesFolder(m_notes.path()));
    menu.start();
    QTest::mouseClick(child<QPushButton>(&menu, "Command9"), Qt::LeftButton);
    QVERIFY(child<OptionsPanel>(&menu, "Frame2")->isVisible());
    QVERIFY(nearTwips(menu.heightTwips(), 7940));
    // The whole panel fits inside the window.
    QVERIFY(child<OptionsPanel>(&menu, "Frame2")->geometry().bottom() < menu.height());
    QTest::mouseClick(child<QPushButton>(&menu, "Command9"), Qt::LeftButton);
    QVERIFY(!child<OptionsPanel>(&menu, "Frame2")->isVisible());
    QVERIFY(nearTwips(menu.heightTwips(), 5925));
    QVERIFY(nearTwips(menu.widthTwips(), 5595));
}

void TestMainWindow::listFollowsTheWindow()
{
    SettingsStore store;
    MainWindow menu(store, NotesFolder(m_notes.path()));
    menu.start();
    menu.setSizeTwips(8055, 7940);
    QVERIFY(nearTwips(Twips::fromPixels(child<QListWidget>(&menu, "List1")->width()), 8055 - 5720));
    QVERIFY(child<QListWidget>(&menu, "List1")->geometry().bottom() < menu.height());
    const int wide = child<QListWidget>(&menu, "List1")->width();
    const int tall = child<QListWidget>(&menu, "List1")->height();

    // Narrower than the list's margin: the width stays, the height still follows.
    menu.setSizeTwips(5000, 6007);
    QCOMPARE(child<QListWidget>(&menu, "List1")->width(), wide);
    QVERIFY(child<QListWidget>(&menu, "List1")->height() < tall);
    QVERIFY(child<QListWidget>(&menu, "List1")->height() > 0);
}

void TestMainWindow::searchFindsWordsDeepInNotes()
{
    const auto write = [this](const char *name, const QByteArray &text) {
        QFile file(QDir(m_notes.path()).filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    };
    write("deep.pv", QByteArray("shopping list\r\n").repeated(40) + "Cr\xC3\xA8"
                                                                    "me br\xC3\xBBl\xC3\xA9"
                                                                    "e\r\n");
    write("other.pv", "cream, but no dessert\r\n");
    SettingsStore store;
    MainWindow menu(store, NotesFolder(m_notes.path()));
    menu.start();
    QApplication::setActiveWindow(&menu);
    QVERIFY(QTest::qWaitForWindowActive(&menu));
    auto *field = child<QLineEdit>(&menu, "SearchField");
    auto *list = child<QListWidget>(&menu, "List1");
    QTest::keyClick(&menu, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(list->isVisible());
    QVERIFY(field->hasFocus());
    // Every word, in the file name or the text, without regard to case or accents.
    QTest::keyClicks(field, QStringLiteral("CREME Brulee deep"));
    QCOMPARE(list->count(), 2);
    QVERIFY(!list->item(0)->text().contains(QStringLiteral("Cr\u00E8me")));
    QVERIFY(!list->isRowHidden(0));
    QVERIFY(list->isRowHidden(1));
    QTest::keyClick(field, Qt::Key_Down);
    QVERIFY(list->hasFocus());
    QTest::keyClick(list, Qt::Key_Return);
    QTRY_VERIFY(menu.noteOpener().registry().find(QStringLiteral("deep.pv")));
    QTest::keyClick(field, Qt::Key_Escape);
    QVERIFY(field->text().isEmpty() && !list->isRowHidden(1));

    // A note written since the list was filled is found by its new words.
    menu.noteOpener().openFile(QStringLiteral("other.pv"))->setText(QStringLiteral("zebra"));
    QTest::keyClicks(field, QStringLiteral("zebra"));
    QTRY_VERIFY(!list->isRowHidden(1) && list->isRowHidden(0));
    field->setText(QStringLiteral("BR\u00DBL\u00C9E cr\u00E8me"));
    QVERIFY(!list->isRowHidden(0) && list->isRowHidden(1));
}

void TestMainWindow::runMinimizedKeepsWindowDown()
{
    SettingsStore store;
    store.save(Keys::RunMinimized, QStringLiteral("1"));
    MainWindow menu(store, NotesFolder(m_notes.path()));
    menu.start();
    QVERIFY(child<QCheckBox>(child<OptionsPanel>(&menu, "Frame2"), "Check4")->isChecked());
    QVERIFY(menu.isMinimized());
    QCOMPARE(store.read(Keys::RunMinimized), QStringLiteral("1"));
    // The options were still read and the colour list filled.
    QCOMPARE(child<QComboBox>(child<OptionsPanel>(&menu, "Frame2"), "Combo1")->count(), 9);
}

void TestMainWindow::notesFolderIsShown()
{
    SettingsStore store;
    MainWindow menu(store, NotesFolder(m_notes.path()));
    QVERIFY(child<QLabel>(&menu, "LabelNotesFolder")->text().contains(m_notes.path()));
    menu.setPassedOverFolder(QStringLiteral("/read/only"));
    QVERIFY(
        child<QLabel>(&menu, "LabelNotesFolder")->text().contains(QStringLiteral("/read/only")));
    QVERIFY(child<QLabel>(&menu, "LabelNotesFolder")->text().contains(m_notes.path()));
}

void TestMainWindow::secondStartShowsTheFirst()
{
    const QString key = QUuid::createUuid().toString();
    SingleInstance first(key);
    QCOMPARE(first.start(), SingleInstance::Role::Primary);
    QSignalSpy shown(&first, &SingleInstance::showRequested);

    SingleInstance second(key);
    QCOMPARE(second.start(), SingleInstance::Role::Secondary);
    QVERIFY(shown.count() == 1 || shown.wait(5000));

    SingleInstance other(QUuid::createUuid().toString());
    QCOMPARE(other.start(), SingleInstance::Role::Primary);
}

void TestMainWindow::lockLeftByAKilledStartIsTakenOver()
{
    const QString key = QUuid::createUuid().toString();
    SingleInstance probe(key);
    QFile lock(probe.lockPath());
    QVERIFY(lock.open(QIODevice::WriteOnly)); // empty: its writer died before filling it
    lock.close();

    SingleInstance instance(key);
    QCOMPARE(instance.start(), SingleInstance::Role::Primary);
    SingleInstance second(key);
    QCOMPARE(second.start(), SingleInstance::Role::Secondary);
}

void TestMainWindow::exitRightAfterTypingKeepsTheLastText()
{
    SettingsStore store;
    MainWindow menu(store, NotesFolder(m_notes.path()));
    menu.start();
    NoteWindow *note = menu.noteOpener().newNote();
    QVERIFY(note);
    // A burst: most keystrokes arrive while the one before is still being written.
    const QString typed = QStringLiteral("milk, eggs, bread and a little butter for Sunday");
    QTest::keyClicks(child<QTextEdit>(note, "Text1"), typed);
    const QString path = note->filePath();
    QTest::mouseClick(child<QPushButton>(&menu, "Command2"), Qt::LeftButton);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), typed.toUtf8() + "\r\n");
}
