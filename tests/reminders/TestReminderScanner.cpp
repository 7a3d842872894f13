#include "TestReminderScanner.h"

#include "TestEnvironment.h"
#include "notes/NoteWindow.h"
#include "reminders/ReminderPanel.h"
#include "reminders/ReminderScanner.h"
#include "settings/OptionsPanel.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"
#include "shell/MainWindow.h"
#include "shell/NoteOpener.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

namespace {

const QString kOne = QStringLiteral("PinvelleQuill1.pv");
const QString kTwo = QStringLiteral("PinvelleQuill2.pv");
const QString kThree = QStringLiteral("PinvelleQuill3.pv");

QList<NoteWindow *> windowsTitled(MainWindow &menu, const QString &title)
{
    QList<NoteWindow *> found;
    for (QWidget *window : menu.noteOpener().registry().windows()) {
        auto *note = qobject_cast<NoteWindow *>(window);
        if (note && note->windowTitle() == title)
            found << note;
    }
    return found;
}

ReminderPanel *panelOf(NoteWindow *note)
{
    return qobject_cast<ReminderPanel *>(note->reminderPanel());
}

QStringList shown(const ReminderPanel *panel)
{
    return {child<QLineEdit>(panel, "Text4")->text(), child<QLineEdit>(panel, "Text5")->text(),
            child<QLineEdit>(panel, "Text8")->text(), child<QLineEdit>(panel, "Text9")->text(),
            child<QComboBox>(panel, "Combo1")->currentText()};
}

} // namespace

TestReminderScanner::TestReminderScanner() = default;
TestReminderScanner::~TestReminderScanner() = default;

void TestReminderScanner::init()
{
    TestEnvironment::instance()->clearSettings();
    m_notes = std::make_unique<QTemporaryDir>();
    m_store = std::make_unique<SettingsStore>();
    m_store->save(Keys::DoNotAskStartup, QStringLiteral("1"));
    m_clock.time = QDateTime(QDate(2026, 3, 7), QTime(14, 5, 30));
}

void TestReminderScanner::cleanup()
{
    m_menu.reset();
    m_store.reset();
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMessageBox *>(widget))
            widget->close();
    }
}

MainWindow &TestReminderScanner::startMenu()
{
    m_menu = std::make_unique<MainWindow>(*m_store, NotesFolder(m_notes->path()));
    m_menu->setClock(m_clock);
    m_menu->start();
    return *m_menu;
}

void TestReminderScanner::tick(MainWindow &menu)
{
    QSignalSpy finished(&menu.reminderScanner(), &ReminderScanner::scanFinished);
    QVERIFY(QMetaObject::invokeMethod(child<QTimer>(&menu, "Timer4"), "timeout"));
    QVERIFY(finished.count() == 1 || finished.wait());
    QVERIFY(!menu.reminderScanner().isScanning());
}

void TestReminderScanner::writeNote(const QString &name, const QByteArray &text)
{
    QFile file(m_notes->filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text + "\r\n");
}

QString TestReminderScanner::reminder(const QString &fileName) const
{
    return m_store->read(QString::fromLatin1(Keys::NoteReminderSection), fileName,
                         QStringLiteral("<missing>"));
}

void TestReminderScanner::setReminder(const QString &fileName, const QString &value)
{
    m_store->save(QString::fromLatin1(Keys::NoteReminderSection), fileName, value);
}

void TestReminderScanner::timerRunsEveryMinute()
{
    MainWindow &menu = startMenu();
    QCOMPARE(child<QTimer>(&menu, "Timer4")->interval(), 59999);
    QVERIFY(child<QTimer>(&menu, "Timer4")->isActive());
    // An empty folder: the scan ends at once.
    tick(menu);
    QVERIFY(menu.noteOpener().registry().windows().isEmpty());
}

void TestReminderScanner::currentMinuteFiresAtTheNextTick()
{
    writeNote(kOne, "milk and bread\r\nand eggs");
    setReminder(kOne, QStringLiteral("3/7/2026 2:06 PM"));
    MainWindow &menu = startMenu();
    QSignalSpy fired(&menu.reminderScanner(), &ReminderScanner::reminderFired);

    m_clock.time = QDateTime(QDate(2026, 3, 7), QTime(14, 5, 59));
    tick(menu);
    QVERIFY(windowsTitled(menu, kOne).isEmpty());
    QCOMPARE(reminder(kOne), QStringLiteral("3/7/2026 2:06 PM"));

    m_clock.time = QDateTime(QDate(2026, 3, 7), QTime(14, 6, 0));
    tick(menu);
    QCOMPARE(windowsTitled(menu, kOne).size(), 1);
    QCOMPARE(reminder(kOne), QString());
    QCOMPARE(fired.size(), 1);
    QCOMPARE(fired.at(0).at(0).toString(), kOne);
    QCOMPARE(fired.at(0).at(1).toString(), QStringLiteral("milk and bread and eggs"));

    // Handled: the next tick leaves it alone.
    tick(menu);
    QCOMPARE(windowsTitled(menu, kOne).size(), 1);
    QCOMPARE(fired.size(), 1);
}

void TestReminderScanner::prefilledReminderFiresAtTheNextTick()
{
    writeNote(kOne, "milk");
    MainWindow &menu = startMenu();
    NoteWindow *note = menu.noteOpener().openFile(kOne);
    child<QAction>(note->menu(), "Reminder")->trigger();
    ReminderPanel *panel = panelOf(note);
    QVERIFY(panel && panel->isVisible());
    QCOMPARE(shown(panel), QStringList({"3", "7", "2026", "2:05", "PM"}));
    QTest::mouseClick(child<QPushButton>(panel, "Command4"), Qt::LeftButton);
    QCOMPARE(reminder(kOne), QStringLiteral("3/7/2026 2:05 PM"));
    note->close();
    QTRY_VERIFY(windowsTitled(menu, kOne).isEmpty());

    m_clock.time = m_clock.time.addSecs(20); // still the same minute
    tick(menu);
    const QList<NoteWindow *> opened = windowsTitled(menu, kOne);
    QCOMPARE(opened.size(), 1);
    QVERIFY(opened.first()->isVisible());
    QCOMPARE(reminder(kOne), QString());
}

void TestReminderScanner::pastReminderFiresBeforeTheListIsShown()
{
    writeNote(kOne, "old");
    setReminder(kOne, QStringLiteral("1/1/2020 9:00 AM"));
    MainWindow &menu = startMenu();
    QVERIFY(!child<QListWidget>(&menu, "List1")->isVisibleTo(&menu));
    QCOMPARE(child<QListWidget>(&menu, "List1")->count(), 0);
    tick(menu);
    QCOMPARE(windowsTitled(menu, kOne).size(), 1);
    QCOMPARE(reminder(kOne), QString());
}

void TestReminderScanner::openNoteIsOnlyRaised()
{
    writeNote(kOne, "milk");
    setReminder(kOne, QStringLiteral("3/7/2026 2:00 PM"));
    MainWindow &menu = startMenu();
    QSignalSpy fired(&menu.reminderScanner(), &ReminderScanner::reminderFired);
    NoteWindow *note = menu.noteOpener().openFile(kOne);
    note->hide(); // hidden from its own menu, still open

    tick(menu);
    QCOMPARE(windowsTitled(menu, kOne), QList<NoteWindow *>({note}));
    QVERIFY(note->isVisible());
    QVERIFY(!panelOf(note)->isVisibleTo(note));
    QCOMPARE(reminder(kOne), QStringLiteral("3/7/2026 2:00 PM"));
    QCOMPARE(fired.size(), 0);

    // It stays due, and the note comes forward again at every tick.
    note->hide();
    tick(menu);
    QVERIFY(note->isVisible());
    QCOMPARE(menu.noteOpener().registry().windows().size(), 1);
    QCOMPARE(reminder(kOne), QStringLiteral("3/7/2026 2:00 PM"));
}

void TestReminderScanner::closedNoteOpensFlashingAndCleared()
{
    writeNote(kOne, "milk");
    writeNote(kTwo, "bread");
    setReminder(kOne, QStringLiteral("3/6/2026 11:30 PM"));
    setReminder(kTwo, QStringLiteral("3/8/2026 8:00 AM"));
    MainWindow &menu = startMenu();
    child<QRadioButton>(child<OptionsPanel>(&menu, "Frame2"), "Option1")
        ->click(); // full border from now on

    tick(menu);
    const QList<NoteWindow *> opened = windowsTitled(menu, kOne);
    QCOMPARE(opened.size(), 1);
    NoteWindow *note = opened.first();
    QVERIFY(note->border() == NoteBorder::Full);
    QVERIFY(note->isVisible());
    QTRY_COMPARE(QApplication::activeWindow(), note);
    QCOMPARE(child<QTextEdit>(note, "Text1")->toPlainText(), QStringLiteral("milk"));
    ReminderPanel *panel = panelOf(note);
    QVERIFY(panel->isVisible());
    QVERIFY(child<QTimer>(panel, "Timer1")->isActive());
    QCOMPARE(shown(panel), QStringList({"3", "6", "2026", "11:30", "PM"}));
    QCOMPARE(child<QPushButton>(panel, "Command4")->text(), QStringLiteral("Set Reminder"));
    QCOMPARE(reminder(kOne), QString());
    // The other note's reminder lies ahead.
    QVERIFY(windowsTitled(menu, kTwo).isEmpty());
    QCOMPARE(reminder(kTwo), QStringLiteral("3/8/2026 8:00 AM"));

    // Setting it again from the panel stores the same past time: due again, and with the
    // note open it is brought forward and kept.
    QTest::mouseClick(child<QPushButton>(panel, "Command4"), Qt::LeftButton);
    QCOMPARE(reminder(kOne), QStringLiteral("3/6/2026 11:30 PM"));
    tick(menu);
    QCOMPARE(windowsTitled(menu, kOne).size(), 1);
    QCOMPARE(reminder(kOne), QStringLiteral("3/6/2026 11:30 PM"));
}

void TestReminderScanner::extensionMatchedWithoutRegardToCase()
{
    writeNote(QStringLiteral("Upper.PV"), "upper");
    writeNote(QStringLiteral("Mixed.Pv"), "mixed");
    writeNote(QStringLiteral("list.txt"), "not a note");
    for (const char *name : {"Upper.PV", "Mixed.Pv", "list.txt"})
        setReminder(QString::fromLatin1(name), QStringLiteral("3/7/2026 2:05 PM"));
    MainWindow &menu = startMenu();
    tick(menu);
    QCOMPARE(windowsTitled(menu, QStringLiteral("Upper.PV")).size(), 1);
    QCOMPARE(windowsTitled(menu, QStringLiteral("Mixed.Pv")).size(), 1);
    QCOMPARE(reminder(QStringLiteral("Upper.PV")), QString());
    QVERIFY(windowsTitled(menu, QStringLiteral("list.txt")).isEmpty());
    QCOMPARE(reminder(QStringLiteral("list.txt")), QStringLiteral("3/7/2026 2:05 PM"));
}

void TestReminderScanner::unreadableValuesAreSkipped()
{
    const QStringList values{"13/45/2026 99:99 XM", "3/7", "", "//  ", "3/7/2026 2:05 PM"};
    for (int i = 0; i < values.size(); ++i) {
        const QString name = QStringLiteral("PinvelleQuill%1.pv").arg(i + 1);
        writeNote(name, "note " + QByteArray::number(i + 1));
        setReminder(name, values.at(i));
    }
    MainWindow &menu = startMenu();
    tick(menu);
    // Only the last one could be read; the scan went past the others to reach it.
    QCOMPARE(menu.noteOpener().registry().windows().size(), 1);
    QCOMPARE(windowsTitled(menu, QStringLiteral("PinvelleQuill5.pv")).size(), 1);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(reminder(QStringLiteral("PinvelleQuill%1.pv").arg(i + 1)), values.at(i));
    QCOMPARE(reminder(QStringLiteral("PinvelleQuill5.pv")), QString());
}

void TestReminderScanner::scanKeepsItsPlace()
{
    for (const QString &name : {kTwo, kThree, QStringLiteral("PinvelleQuill4.pv")}) {
        writeNote(name, name.toLatin1());
        setReminder(name, QStringLiteral("3/7/2026 1:00 PM"));
    }
    MainWindow &menu = startMenu();
    menu.toggleNoteList(); // the list shows, so every write refreshes its entry
    QCOMPARE(child<QListWidget>(&menu, "List1")->count(), 3);

    // While the scan is under way a note is written that lists before the others, the
    // list is refreshed and another scan is asked for.
    bool meddled = false;
    connect(&menu.reminderScanner(), &ReminderScanner::reminderFired, this, [&] {
        if (meddled)
            return;
        meddled = true;
        NoteWindow *fresh = menu.noteOpener().openFile(kOne);
        child<QTextEdit>(fresh, "Text1")->setPlainText(QStringLiteral("written mid-scan"));
        setReminder(kOne, QStringLiteral("3/7/2026 1:00 PM"));
        menu.refreshCatalogue();
        fresh->close();
        menu.reminderScanner().scan();
    });
    tick(menu);
    QVERIFY(meddled);
    QCOMPARE(child<QListWidget>(&menu, "List1")->count(), 4);
    for (const QString &name : {kTwo, kThree, QStringLiteral("PinvelleQuill4.pv")}) {
        QCOMPARE(windowsTitled(menu, name).size(), 1);
        QCOMPARE(reminder(name), QString());
    }
    // The note written mid-scan waits for the next tick.
    QTRY_VERIFY(windowsTitled(menu, kOne).isEmpty());
    QCOMPARE(reminder(kOne), QStringLiteral("3/7/2026 1:00 PM"));
    tick(menu);
    QCOMPARE(windowsTitled(menu, kOne).size(), 1);
    QCOMPARE(reminder(kOne), QString());
}

void TestReminderScanner::reminderSurvivesARestart()
{
    writeNote(kOne, "dentist");
    writeNote(kTwo, "plumber");
    {
        MainWindow &menu = startMenu();
        NoteWindow *one = menu.noteOpener().openFile(kOne);
        child<QAction>(one->menu(), "Reminder")->trigger();
        ReminderPanel *panel = panelOf(one);
        child<QLineEdit>(panel, "Text9")->setText(QStringLiteral("3:15"));
        QTest::mouseClick(child<QPushButton>(panel, "Command4"), Qt::LeftButton);
        NoteWindow *two = menu.noteOpener().openFile(kTwo);
        child<QAction>(two->menu(), "Reminder")->trigger();
        child<QLineEdit>(panelOf(two), "Text4")->setText(QStringLiteral("4"));
        QTest::mouseClick(child<QPushButton>(panelOf(two), "Command4"), Qt::LeftButton);
    }
    QCOMPARE(reminder(kOne), QStringLiteral("3/7/2026 3:15 PM"));
    QCOMPARE(reminder(kTwo), QStringLiteral("4/7/2026 2:05 PM"));

    // The program ends and starts again with a store read afresh; the list is never shown.
    m_menu.reset();
    m_store = std::make_unique<SettingsStore>();
    m_clock.time = QDateTime(QDate(2026, 3, 8), QTime(9, 0));
    MainWindow &menu = startMenu();
    QVERIFY(menu.noteOpener().registry().windows().isEmpty());
    QVERIFY(!child<QListWidget>(&menu, "List1")->isVisibleTo(&menu));
    tick(menu);
    QCOMPARE(windowsTitled(menu, kOne).size(), 1);
    QVERIFY(windowsTitled(menu, kTwo).isEmpty());
    QCOMPARE(reminder(kOne), QString());
    QCOMPARE(reminder(kTwo), QStringLiteral("4/7/2026 2:05 PM"));
    QCOMPARE(shown(panelOf(windowsTitled(menu, kOne).first())),
             QStringList({"3", "7", "2026", "3:15", "PM"}));
}
