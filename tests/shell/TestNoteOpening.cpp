#include "TestNoteOpening.h"

#include "TestEnvironment.h"
#include "notes/NoteWindow.h"
#include "platform/Twips.h"
#include "settings/OptionsPanel.h"
#include "settings/SettingsStore.h"
#include "shell/MainWindow.h"
#include "shell/NoteOpener.h"
#include "shell/TrayIcon.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextEdit>

namespace {

QList<NoteWindow *> visibleNotes()
{
    QList<NoteWindow *> notes;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *note = qobject_cast<NoteWindow *>(widget);
        if (note && note->isVisible())
            notes << note;
    }
    return notes;
}

QStringList titles(const QList<NoteWindow *> &notes)
{
    QStringList list;
    for (const NoteWindow *note : notes)
        list << note->windowTitle();
    list.sort();
    return list;
}

} // namespace

TestNoteOpening::TestNoteOpening() = default;
TestNoteOpening::~TestNoteOpening() = default;

void TestNoteOpening::init()
{
    TestEnvironment::instance()->clearSettings();
    m_notes = std::make_unique<QTemporaryDir>();
    m_store = std::make_unique<SettingsStore>();
    m_store->save(Keys::DoNotAskStartup, QStringLiteral("1"));
}

void TestNoteOpening::cleanup()
{
    m_menu.reset();
    m_store.reset();
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox *>(widget))
            widget->close();
    }
}

MainWindow &TestNoteOpening::startMenu()
{
    m_menu = std::make_unique<MainWindow>(*m_store, NotesFolder(m_notes->path()));
    m_menu->start();
    return *m_menu;
}

void TestNoteOpening::writeNote(const QString &name, const QByteArray &text)
{
    QFile file(m_notes->filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text + "\r\n");
}

void TestNoteOpening::newNoteInEmptyFolder()
{
    MainWindow &menu = startMenu();
    QTest::mouseClick(child<QPushButton>(&menu, "Command5"), Qt::LeftButton);
    NoteWindow *note = menu.noteOpener().current();
    QVERIFY(note);
    QCOMPARE(note->windowTitle(), QStringLiteral("PinvelleQuill1.pv"));
    QVERIFY(note->isVisible());
    QVERIFY(note->border() == NoteBorder::Thin);
    QCOMPARE(child<QTextEdit>(note, "Text1")->toPlainText(), QString());
}

void TestNoteOpening::newNoteWalksPastNotesWithText()
{
    for (int i = 1; i <= 3; ++i)
        writeNote(QStringLiteral("PinvelleQuill%1.pv").arg(i), "note " + QByteArray::number(i));
    const QString placeKey = QStringLiteral("PinvelleQuill2.pv");
    const QString placeSection = QString::fromLatin1(Keys::NotePositionSection);
    m_store->save(placeSection, placeKey, QStringLiteral("1500-1500"));

    MainWindow &menu = startMenu();
    menu.newNote();
    QCOMPARE(menu.noteOpener().current()->windowTitle(), QStringLiteral("PinvelleQuill4.pv"));
    menu.newNote();
    QCOMPARE(menu.noteOpener().current()->windowTitle(), QStringLiteral("PinvelleQuill5.pv"));

    // The windows made for taken numbers were closed, never shown.
    QTRY_COMPARE(menu.noteOpener().registry().windows().size(), 2);
    QCOMPARE(titles(visibleNotes()), QStringList({QStringLiteral("PinvelleQuill4.pv"),
                                                  QStringLiteral("PinvelleQuill5.pv")}));
    QCOMPARE(m_store->read(placeSection, placeKey, QString()), QStringLiteral("1500-1500"));
    for (int i = 1; i <= 3; ++i)
        QVERIFY(QFile::exists(m_notes->filePath(QStringLiteral("PinvelleQuill%1.pv").arg(i))));
}

void TestNoteOpening::saveAsOntoAnOpenNoteBringsItForward()
{
    writeNote(QStringLiteral("PinvelleQuill1.pv"), "one");
    writeNote(QStringLiteral("PinvelleQuill2.pv"), "two");
    MainWindow &menu = startMenu();
    NoteWindow *first = menu.noteOpener().openFile(QStringLiteral("PinvelleQuill1.pv"));
    NoteWindow *second = menu.noteOpener().openFile(QStringLiteral("PinvelleQuill2.pv"));
    second->hide();
    child<QAction>(first->menu(), "SaveAS")->trigger();
    child<QLineEdit>(first, "Text3")->setText(QStringLiteral("PinvelleQuill2"));
    QTest::mouseClick(child<QPushButton>(first, "Command1"), Qt::LeftButton);
    // No question and no write: the window holding that note comes forward instead.
    QVERIFY(second->isVisible());
    QCOMPARE(first->windowTitle(), QStringLiteral("PinvelleQuill1.pv"));
    QFile file(m_notes->filePath(QStringLiteral("PinvelleQuill2.pv")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("two\r\n"));
    QVERIFY(!first->findChild<QMessageBox *>());
}

void TestNoteOpening::newNoteStopsAtTheLastNumber()
{
    MainWindow &menu = startMenu();
    menu.noteOpener().setLastNumberTried(NoteOpener::kLastNoteNumber - 1);
    QVERIFY(menu.noteOpener().newNote());
    QCOMPARE(menu.noteOpener().current()->windowTitle(), QStringLiteral("PinvelleQuill32767.pv"));
    QVERIFY(!menu.noteOpener().newNote());
    QTRY_VERIFY(!QApplication::topLevelWidgets().isEmpty());
    bool told = false;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        told = told || (box && box->isVisible() && box->text().contains(QStringLiteral("32767")));
    }
    QVERIFY(told);
    QCOMPARE(visibleNotes().size(), 1);
    QVERIFY(!menu.noteOpener().options().creatingNotes());
}

void TestNoteOpening::openNoteIsRaisedNotOpenedTwice()
{
    writeNote(QStringLiteral("PinvelleQuill1.pv"), "hello");
    MainWindow &menu = startMenu();
    NoteWindow *first = menu.noteOpener().openEntry(QStringLiteral("PinvelleQuill1.pv - hello"));
    QVERIFY(first);
    QCOMPARE(child<QTextEdit>(first, "Text1")->toPlainText(), QStringLiteral("hello"));
    first->hide(); // a hidden note counts as open too
    NoteWindow *again = menu.noteOpener().openEntry(QStringLiteral("PinvelleQuill1.pv - hello"));
    QCOMPARE(again, first);
    QVERIFY(first->isVisible());
    QCOMPARE(menu.noteOpener().registry().windows().size(), 1);
}

void TestNoteOpening::listClickOpensInCurrentBorder()
{
    writeNote(QStringLiteral("PinvelleQuill1.pv"), "one");
    writeNote(QStringLiteral("PinvelleQuill2.pv"), "two");
    MainWindow &menu = startMenu();
    QTest::mouseClick(child<QPushButton>(&menu, "Command8"), Qt::LeftButton);
    QCOMPARE(child<QListWidget>(&menu, "List1")->count(), 2);
    child<QRadioButton>(child<OptionsPanel>(&menu, "Frame2"), "Option1")->setChecked(true);

    QListWidgetItem *item = child<QListWidget>(&menu, "List1")->item(1);
    QTest::mouseClick(child<QListWidget>(&menu, "List1")->viewport(), Qt::LeftButton, {},
                      child<QListWidget>(&menu, "List1")->visualItemRect(item).center());
    NoteWindow *note = menu.noteOpener().current();
    QVERIFY(note);
    QVERIFY(note->border() == NoteBorder::Full);
    QCOMPARE(note->windowTitle(), QStringLiteral("PinvelleQuill2.pv"));
    QCOMPARE(child<QTextEdit>(note, "Text1")->toPlainText(), QStringLiteral("two"));
}

void TestNoteOpening::startupOpensAllInStoredBorder()
{
    writeNote(QStringLiteral("PinvelleQuill1.pv"), "one");
    writeNote(QStringLiteral("Other.PV"), "other");
    writeNote(QStringLiteral("ignored.txt"), "no");
    m_store->save(Keys::OpenAllNotes, QStringLiteral("1"));
    m_store->save(Keys::BorderThin, QStringLiteral("False"));
    m_store->save(Keys::BorderFull, QStringLiteral("True"));
    m_store->save(Keys::NoteColour, QStringLiteral("light blue"));
    startMenu();
    const QList<NoteWindow *> notes = visibleNotes();
    QCOMPARE(titles(notes),
             QStringList({QStringLiteral("Other.PV"), QStringLiteral("PinvelleQuill1.pv")}));
    for (NoteWindow *note : notes) {
        QVERIFY(note->border() == NoteBorder::Full);
        QCOMPARE(child<QTextEdit>(note, "Text1")->palette().color(QPalette::Base),
                 QColor(0, 255, 255));
    }
}

void TestNoteOpening::getNoteShowsAndHidesTheList()
{
    MainWindow &menu = startMenu();
    QVERIFY(!child<QListWidget>(&menu, "List1")->isVisibleTo(&menu));
    QTest::mouseClick(child<QPushButton>(&menu, "Command8"), Qt::LeftButton);
    QCOMPARE(child<QPushButton>(&menu, "Command8")->text(), QStringLiteral("Hide Note"));
    QVERIFY(child<QListWidget>(&menu, "List1")->isVisible());
    QVERIFY(std::abs(menu.widthTwips() - 8055) <= Twips::fromPixels(1));
    QVERIFY(child<QListWidget>(&menu, "List1")->geometry().right() < menu.width());
    QTest::mouseClick(child<QPushButton>(&menu, "Command8"), Qt::LeftButton);
    QCOMPARE(child<QPushButton>(&menu, "Command8")->text(), QStringLiteral("Get Note"));
    QVERIFY(std::abs(menu.widthTwips() - 5595) <= Twips::fromPixels(1));
}

void TestNoteOpening::trayMenuHoldsTwentyNotes()
{
    {
        MainWindow &menu = startMenu();
        menu.refreshCatalogue();
        const QList<QAction *> actions = menu.trayIcon().menu()->actions();
        QCOMPARE(actions.at(0)->text(), QStringLiteral("New Note"));
        QCOMPARE(actions.at(1)->text(), QStringLiteral("Show Pinvelle"));
        QVERIFY(actions.at(2)->isSeparator());
        QCOMPARE(actions.last()->text(), QStringLiteral("Open Backups Folder"));
        for (int i = 0; i < TrayIcon::kNoteItems; ++i)
            QVERIFY(!menu.trayIcon().noteItem(i)->isVisible());
        QVERIFY(!menu.trayIcon().moreNotesItem()->isVisible());
    }
    for (int i = 1; i <= 25; ++i)
        writeNote(QStringLiteral("PinvelleQuill%1.pv").arg(i), "n" + QByteArray::number(i));
    writeNote(QStringLiteral("A&B.pv"), "amp");
    MainWindow &menu = startMenu();
    menu.refreshCatalogue();
    QCOMPARE(child<QListWidget>(&menu, "List1")->count(), 26);
    for (int i = 0; i < TrayIcon::kNoteItems; ++i) {
        QAction *item = menu.trayIcon().noteItem(i);
        QVERIFY(item->isVisible());
        QCOMPARE(item->objectName(), QStringLiteral("MenuNote%1").arg(i + 1));
        QCOMPARE(item->data().toString(), child<QListWidget>(&menu, "List1")->item(i)->text());
    }
    // Ampersands in a caption are shown, not turned into shortcuts.
    QCOMPARE(menu.trayIcon().noteItem(0)->text(), QStringLiteral("A&&B.pv - amp"));

    // The other six are in the main window's list.
    QCOMPARE(menu.trayIcon().moreNotesItem()->text(), QStringLiteral("More Notes..."));
    QVERIFY(menu.trayIcon().moreNotesItem()->isVisible());
    menu.hide();
    menu.trayIcon().moreNotesItem()->trigger();
    QVERIFY(menu.isVisible());
    QCOMPARE(child<QPushButton>(&menu, "Command8")->text(), QStringLiteral("Hide Note"));
    QVERIFY(child<QListWidget>(&menu, "List1")->isVisible());
}

void TestNoteOpening::trayNoteItemsOpenTheirNote()
{
    for (int i = 1; i <= 15; ++i)
        writeNote(QStringLiteral("PinvelleQuill%1.pv").arg(i), "n" + QByteArray::number(i));
    MainWindow &menu = startMenu();
    menu.refreshCatalogue();
    QAction *item = menu.trayIcon().noteItem(14);
    item->trigger();
    NoteWindow *note = menu.noteOpener().current();
    QVERIFY(note);
    QCOMPARE(note->windowTitle() + QStringLiteral(" - ") +
                 child<QTextEdit>(note, "Text1")->toPlainText(),
             item->data().toString());

    menu.trayIcon().menu()->actions().at(0)->trigger(); // New Note
    QCOMPARE(menu.noteOpener().current()->windowTitle(), QStringLiteral("PinvelleQuill16.pv"));
}

void TestNoteOpening::typingUpdatesTheListedEntry()
{
    writeNote(QStringLiteral("PinvelleQuill1.pv"), "one");
    MainWindow &menu = startMenu();
    menu.toggleNoteList();
    menu.newNote();
    NoteWindow *note = menu.noteOpener().current();
    QCOMPARE(note->windowTitle(), QStringLiteral("PinvelleQuill2.pv"));
    QTest::keyClicks(child<QTextEdit>(note, "Text1"), QStringLiteral("fresh"));
    QTRY_COMPARE(child<QListWidget>(&menu, "List1")->count(), 2);
    QTRY_COMPARE(child<QListWidget>(&menu, "List1")->item(1)->text(),
                 QStringLiteral("PinvelleQuill2.pv - fresh"));
    QCOMPARE(menu.trayIcon().noteItem(1)->data().toString(),
             QStringLiteral("PinvelleQuill2.pv - fresh"));

    child<QTextEdit>(note, "Text1")->selectAll();
    QTest::keyClick(child<QTextEdit>(note, "Text1"), Qt::Key_Delete);
    QTRY_COMPARE(child<QListWidget>(&menu, "List1")->count(), 1);
    QVERIFY(!menu.trayIcon().noteItem(1)->isVisible());
}

void TestNoteOpening::minimizeAndBackKeepsThePlace()
{
    MainWindow &menu = startMenu();
    menu.move(menu.pos() + QPoint(37, 23));
    const QPoint place = menu.pos();
    QTest::mouseClick(child<QPushButton>(&menu, "Command1"), Qt::LeftButton);
    menu.showAndActivate(); // what a click on the tray icon asks for
    QVERIFY(menu.isVisible() && !menu.isMinimized());
    QCOMPARE(menu.pos(), place);
}

void TestNoteOpening::minimizeWithoutTrayUsesTaskBar()
{
    MainWindow &menu = startMenu();
    if (menu.trayIcon().available())
        QSKIP("this desktop has a tray; the end-to-end test covers it");
    QTest::mouseClick(child<QPushButton>(&menu, "Command1"), Qt::LeftButton);
    QVERIFY(menu.isMinimized());
    QVERIFY(child<QListWidget>(&menu, "List1")->isVisibleTo(&menu));
}
