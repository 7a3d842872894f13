#include "TestReminderPanel.h"

#include "Child.h"

#include "PanelFixture.h"
#include "notes/NoteWindow.h"
#include "platform/Twips.h"
#include "reminders/ReminderPanel.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

const QString kOne = QStringLiteral("PinvelleQuill1.pv");
const QString kTwo = QStringLiteral("PinvelleQuill2.pv");
const QColor kWhite(255, 255, 255);
const QColor kBlue(0, 0, 255);

QStringList shown(const ReminderPanel *panel)
{
    return {child<QLineEdit>(panel, "Text4")->text(), child<QLineEdit>(panel, "Text5")->text(),
            child<QLineEdit>(panel, "Text8")->text(), child<QLineEdit>(panel, "Text9")->text(),
            child<QComboBox>(panel, "Combo1")->currentText()};
}

QStringList items(const QComboBox *combo)
{
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

// A shown note with its panel opened from the note's menu.
ReminderPanel *openPanel(PanelFixture &f, const QString &key, NoteWindow **noteOut = nullptr)
{
    NoteWindow *note = f.open(key);
    note->show();
    child<QAction>(note->menu(), "Reminder")->trigger();
    if (noteOut)
        *noteOut = note;
    return PanelFixture::panelOf(note);
}

} // namespace

void TestReminderPanel::controlsAsDesigned()
{
    PanelFixture f;
    f.writeNote(kOne, QStringLiteral("milk"));
    f.setReminder(kOne, QStringLiteral("3/7/2026 2:05 PM"));
    NoteWindow *note = f.open(kOne);
    ReminderPanel *panel = PanelFixture::panelOf(note);
    QVERIFY(panel);
    QCOMPARE(panel->objectName(), QStringLiteral("Frame1"));
    QCOMPARE(panel->caption(), QStringLiteral("Frame1"));
    QCOMPARE(panel->parentWidget(), note);
    QCOMPARE(panel->geometry(), Twips::rect(120, 360, 3135, 1455));
    QVERIFY(!panel->isVisibleTo(note));
    QCOMPARE(panel->backColor(), kWhite);

    QCOMPARE(child<QLabel>(panel, "Label1")->objectName(), QStringLiteral("Label1"));
    QCOMPARE(child<QLabel>(panel, "Label1")->text(),
             QStringLiteral("MM / DD / YYYY    TIME     AM/PM"));
    QCOMPARE(child<QLabel>(panel, "Label1")->geometry(), Twips::rect(240, 120, 2895, 255));
    const struct {
        QLineEdit *field;
        const char *name;
        QRect place;
    } fields[] = {{child<QLineEdit>(panel, "Text4"), "Text4", Twips::rect(240, 310, 375, 285)},
                  {child<QLineEdit>(panel, "Text5"), "Text5", Twips::rect(600, 310, 375, 285)},
                  {child<QLineEdit>(panel, "Text8"), "Text8", Twips::rect(960, 310, 495, 285)},
                  {child<QLineEdit>(panel, "Text9"), "Text9", Twips::rect(1560, 310, 595, 285)}};
    for (const auto &field : fields) {
        QCOMPARE(field.field->objectName(), QString::fromLatin1(field.name));
        QCOMPARE(field.field->geometry(), field.place);
        QCOMPARE(field.field->text(), QString());
    }
    QCOMPARE(child<QComboBox>(panel, "Combo1")->objectName(), QStringLiteral("Combo1"));
    QVERIFY(child<QComboBox>(panel, "Combo1")->isEditable());
    QCOMPARE(child<QComboBox>(panel, "Combo1")->currentText(), QStringLiteral("AM"));
    QCOMPARE(child<QComboBox>(panel, "Combo1")->count(), 0);
    QCOMPARE(child<QComboBox>(panel, "Combo1")->pos(), Twips::point(2280, 310));
    QCOMPARE(child<QComboBox>(panel, "Combo1")->width(), Twips::toPixels(615));

    QCOMPARE(child<QPushButton>(panel, "Command4")->objectName(), QStringLiteral("Command4"));
    QCOMPARE(child<QPushButton>(panel, "Command4")->geometry(), Twips::rect(120, 720, 1335, 255));
    // A new window says "Set Reminder" even though its note has a reminder stored.
    QCOMPARE(child<QPushButton>(panel, "Command4")->text(), QStringLiteral("Set Reminder"));
    QCOMPARE(child<QPushButton>(panel, "Command5")->objectName(), QStringLiteral("Command5"));
    QCOMPARE(child<QPushButton>(panel, "Command5")->text(), QStringLiteral("Cancel"));
    QCOMPARE(child<QPushButton>(panel, "Command5")->geometry(), Twips::rect(1560, 720, 1335, 255));
    QCOMPARE(child<QTimer>(panel, "Timer1")->objectName(), QStringLiteral("Timer1"));
    QCOMPARE(child<QTimer>(panel, "Timer1")->interval(), 1000);
    QVERIFY(!child<QTimer>(panel, "Timer1")->isActive());
}

void TestReminderPanel::menuOpensThePanelPrefilled_data()
{
    QTest::addColumn<QTime>("time");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("14:07") << QTime(14, 7, 31) << QStringList{"3", "7", "2026", "2:07", "PM"};
    QTest::newRow("12:30") << QTime(12, 30) << QStringList{"3", "7", "2026", "12:30", "PM"};
    QTest::newRow("9:05") << QTime(9, 5) << QStringList{"3", "7", "2026", "9:05", "AM"};
    QTest::newRow("0:40") << QTime(0, 40) << QStringList{"3", "7", "2026", "0:40", "AM"};
}

void TestReminderPanel::menuOpensThePanelPrefilled()
{
    QFETCH(QTime, time);
    QFETCH(QStringList, fields);
    PanelFixture f;
    f.writeNote(kOne, QStringLiteral("milk"));
    f.clock.time = QDateTime(QDate(2026, 3, 7), time);
    NoteWindow *note = nullptr;
    ReminderPanel *panel = openPanel(f, kOne, &note);
    QVERIFY(panel->isVisible());
    QCOMPARE(shown(panel), fields);
    QCOMPARE(items(child<QComboBox>(panel, "Combo1")), QStringList({"AM", "PM"}));
    QCOMPARE(child<QPushButton>(panel, "Command4")->text(), QStringLiteral("Set Reminder"));
    // Opening stores nothing.
    QCOMPARE(f.reminder(kOne), QStringLiteral("<missing>"));
    // The panel sits above the note's text, where clicks reach it.
    QWidget *hit = note->childAt(panel->geometry().center());
    QVERIFY(hit == panel || panel->isAncestorOf(hit));
}

void TestReminderPanel::setStoresTheFieldsVerbatim()
{
    PanelFixture f;
    f.writeNote(kOne, QStringLiteral("milk"));
    ReminderPanel *panel = openPanel(f, kOne);
    QTest::mouseClick(child<QPushButton>(panel, "Command4"), Qt::LeftButton);
    QCOMPARE(f.reminder(kOne), QStringLiteral("3/7/2026 2:07 PM"));
    QCOMPARE(child<QPushButton>(panel, "Command4")->text(), QStringLiteral("Cancel Reminder"));
    QVERIFY(!panel->isVisible());

    // Nothing is checked, trimmed or added.
    f.writeNote(kTwo, QStringLiteral("bread"));
    ReminderPanel *other = openPanel(f, kTwo);
    child<QLineEdit>(other, "Text4")->setText(QStringLiteral(" 13"));
    child<QLineEdit>(other, "Text5")->setText(QStringLiteral("x y"));
    child<QLineEdit>(other, "Text8")->clear();
    child<QLineEdit>(other, "Text9")->setText(QStringLiteral("99:99 "));
    child<QComboBox>(other, "Combo1")->setEditText(QStringLiteral("XM"));
    QTest::mouseClick(child<QPushButton>(other, "Command4"), Qt::LeftButton);
    QCOMPARE(f.reminder(kTwo), QStringLiteral(" 13/x y/ 99:99  XM"));
}

void TestReminderPanel::openingShowsTheStoredReminder()
{
    PanelFixture f;
    f.writeNote(kOne, QStringLiteral("milk"));
    f.setReminder(kOne, QStringLiteral("12/25/2026 9:30 AM"));
    ReminderPanel *panel = openPanel(f, kOne);
    QVERIFY(panel->isVisible());
    QCOMPARE(shown(panel), QStringList({"12", "25", "2026", "9:30", "AM"}));
    QCOMPARE(child<QPushButton>(panel, "Command4")->text(), QStringLiteral("Cancel Reminder"));
    // No pre-fill, so the list of marks was never filled either.
    QCOMPARE(child<QComboBox>(panel, "Combo1")->count(), 0);
}

void TestReminderPanel::cancelReminderKeepsTheMark()
{
    PanelFixture f;
    f.writeNote(kOne, QStringLiteral("milk"));
    f.setReminder(kOne, QStringLiteral("12/25/2026 9:30 PM"));
    f.clock.time = QDateTime(QDate(2026, 4, 1), QTime(8, 15));
    ReminderPanel *panel = openPanel(f, kOne);
    QTest::mouseClick(child<QPushButton>(panel, "Command4"), Qt::LeftButton);
    QCOMPARE(shown(panel), QStringList({"", "", "", "", "PM"}));
    QCOMPARE(child<QPushButton>(panel, "Command4")->text(), QStringLiteral("Set Reminder"));
    QCOMPARE(f.reminder(kOne), QString());
    QVERIFY(!panel->isVisible());

    // Reopened, the panel offers the current minute again.
    panel->parentWidget()->findChild<QAction *>(QStringLiteral("Reminder"))->trigger();
    QVERIFY(panel->isVisible());
    QCOMPARE(shown(panel), QStringList({"4", "1", "2026", "8:15", "AM"}));
    QCOMPARE(child<QPushButton>(panel, "Command4")->text(), QStringLiteral("Set Reminder"));
}

void TestReminderPanel::typedFieldsLastForTheWindow()
{
    PanelFixture f;
    f.writeNote(kOne, QStringLiteral("milk"));
    NoteWindow *note = nullptr;
    ReminderPanel *panel = openPanel(f, kOne, &note);
    child<QLineEdit>(panel, "Text4")->setText(QStringLiteral("5"));
    child<QLineEdit>(panel, "Text9")->setText(QStringLiteral("6:45"));
    QTest::mouseClick(child<QPushButton>(panel, "Command5"), Qt::LeftButton);
    QVERIFY(!panel->isVisible());
    QCOMPARE(f.reminder(kOne), QStringLiteral("<missing>"));

    f.clock.time = f.clock.time.addDays(3);
    child<QAction>(note->menu(), "Reminder")->trigger();
    QCOMPARE(shown(panel), QStringList({"5", "7", "2026", "6:45", "PM"}));

    // A new window for the same note starts empty again.
    note->close();
    ReminderPanel *again = openPanel(f, kOne);
    QCOMPARE(shown(again), QStringList({"3", "10", "2026", "2:07", "PM"}));
}

void TestReminderPanel::cancelStopsTheFlashing()
{
    PanelFixture f;
    f.writeNote(kOne, QStringLiteral("milk"));
    NoteWindow *note = f.open(kOne);
    ReminderPanel *panel = PanelFixture::panelOf(note);
    panel->showDue(QStringLiteral("3/7/2026 2:05 PM"));
    QVERIFY(child<QTimer>(panel, "Timer1")->isActive());
    panel->flash();
    QCOMPARE(panel->backColor(), kBlue);
    panel->flash();
    QCOMPARE(panel->backColor(), kWhite);
    panel->flash();
    QCOMPARE(panel->backColor(), kBlue);

    f.setReminder(kOne, QStringLiteral("1/1/2027 1:00 AM"));
    QTest::mouseClick(child<QPushButton>(panel, "Command5"), Qt::LeftButton);
    QCOMPARE(panel->backColor(), kWhite);
    QVERIFY(!child<QTimer>(panel, "Timer1")->isActive());
    QVERIFY(!panel->isVisibleTo(note));
    QCOMPARE(f.reminder(kOne), QStringLiteral("1/1/2027 1:00 AM"));

    // Escape in a field is the same Cancel.
    panel->showDue(QStringLiteral("3/7/2026 2:05 PM"));
    QTest::keyClick(child<QLineEdit>(panel, "Text9"), Qt::Key_Escape);
    QVERIFY(!child<QTimer>(panel, "Timer1")->isActive());
    QVERIFY(!panel->isVisibleTo(note));
}

void TestReminderPanel::flashesEverySecond()
{
    PanelFixture f;
    f.writeNote(kOne, QStringLiteral("milk"));
    NoteWindow *note = f.open(kOne);
    ReminderPanel *panel = PanelFixture::panelOf(note);
    panel->showDue(QStringLiteral("3/7/2026 2:05 PM"));
    QTRY_COMPARE(panel->backColor(), kBlue);
    QTRY_COMPARE(panel->backColor(), kWhite);
}

void TestReminderPanel::setOrCancelLeavesTheFlashing()
{
    PanelFixture f;
    f.writeNote(kOne, QStringLiteral("milk"));
    NoteWindow *note = f.open(kOne);
    ReminderPanel *panel = PanelFixture::panelOf(note);
    panel->showDue(QStringLiteral("3/7/2026 2:05 PM"));
    // Set Reminder on a note the scanner just opened stores the same, past, reminder.
    QCOMPARE(child<QPushButton>(panel, "Command4")->text(), QStringLiteral("Set Reminder"));
    QTest::mouseClick(child<QPushButton>(panel, "Command4"), Qt::LeftButton);
    QCOMPARE(f.reminder(kOne), QStringLiteral("3/7/2026 2:05 PM"));
    QVERIFY(!panel->isVisibleTo(note));
    QVERIFY(child<QTimer>(panel, "Timer1")->isActive());

    child<QAction>(note->menu(), "Reminder")->trigger();
    QVERIFY(panel->isVisibleTo(note));
    QTest::mouseClick(child<QPushButton>(panel, "Command4"), Qt::LeftButton);
    QCOMPARE(f.reminder(kOne), QString());
    QVERIFY(child<QTimer>(panel, "Timer1")->isActive());
}

void TestReminderPanel::dueReminderShowsItsValue()
{
    PanelFixture f;
    f.writeNote(kOne, QStringLiteral("milk"));
    NoteWindow *note = f.open(kOne);
    ReminderPanel *panel = PanelFixture::panelOf(note);
    panel->showDue(QStringLiteral("11/30/2025 10:15 PM"));
    QVERIFY(panel->isVisibleTo(note));
    QCOMPARE(shown(panel), QStringList({"11", "30", "2025", "10:15", "PM"}));
    QCOMPARE(child<QPushButton>(panel, "Command4")->text(), QStringLiteral("Set Reminder"));
    // An empty value fills nothing but still shows the panel flashing.
    NoteWindow *other = f.open(kOne);
    ReminderPanel *empty = PanelFixture::panelOf(other);
    empty->showDue(QString());
    QCOMPARE(shown(empty), QStringList({"", "", "", "", "AM"}));
    QVERIFY(child<QTimer>(empty, "Timer1")->isActive());
}

void TestReminderPanel::handEditedValuesNeverFail_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("caption");

    QTest::newRow("nonsense") << "13/45/2026 99:99 XM"
                              << QStringList{"13", "45", "2026", "99:99", "XM"}
                              << "Cancel Reminder";
    QTest::newRow("month and day")
        << "3/7" << QStringList{"3", "7", "", "", ""} << "Cancel Reminder";
    QTest::newRow("empty means none")
        << "" << QStringList{"3", "7", "2026", "2:07", "PM"} << "Set Reminder";
    // No month: the fields are pre-filled over what was read.
    QTest::newRow("slashes only") << "//" << QStringList{"3", "7", "2026", "2:07", "PM"}
                                  << "Cancel Reminder";
    QTest::newRow("too many parts")
        << "1/2/3/4 5 6" << QStringList{"1", "2", "3", "", ""} << "Cancel Reminder";
}

void TestReminderPanel::handEditedValuesNeverFail()
{
    QFETCH(QString, value);
    QFETCH(QStringList, fields);
    QFETCH(QString, caption);
    PanelFixture f;
    f.writeNote(kOne, QStringLiteral("milk"));
    f.setReminder(kOne, value);
    ReminderPanel *panel = openPanel(f, kOne);
    QVERIFY(panel->isVisible());
    QCOMPARE(shown(panel), fields);
    QCOMPARE(child<QPushButton>(panel, "Command4")->text(), caption);
}

void TestReminderPanel::notesKeepSeparateReminders()
{
    PanelFixture f;
    f.writeNote(kOne, QStringLiteral("milk"));
    f.writeNote(kTwo, QStringLiteral("bread"));
    NoteWindow *one = nullptr;
    ReminderPanel *first = openPanel(f, kOne, &one);
    QTest::mouseClick(child<QPushButton>(first, "Command4"), Qt::LeftButton);
    f.clock.time = QDateTime(QDate(2026, 5, 1), QTime(18, 0));
    ReminderPanel *second = openPanel(f, kTwo);
    QTest::mouseClick(child<QPushButton>(second, "Command4"), Qt::LeftButton);
    QCOMPARE(f.reminder(kOne), QStringLiteral("3/7/2026 2:07 PM"));
    QCOMPARE(f.reminder(kTwo), QStringLiteral("5/1/2026 6:00 PM"));

    // The reminder follows the file name: after Save As the same window stores under the
    // new name and leaves the old entry alone.
    child<QAction>(one->menu(), "SaveAS")->trigger();
    child<QLineEdit>(one, "Text3")->setText(QStringLiteral("Shopping.pv"));
    QTest::mouseClick(child<QPushButton>(one, "Command1"), Qt::LeftButton);
    QCOMPARE(one->windowTitle(), QStringLiteral("Shopping.pv"));
    child<QAction>(one->menu(), "Reminder")->trigger();
    // The caption is the window's own state and still offers to cancel.
    QCOMPARE(child<QPushButton>(first, "Command4")->text(), QStringLiteral("Cancel Reminder"));
    QTest::mouseClick(child<QPushButton>(first, "Command4"), Qt::LeftButton);
    QCOMPARE(f.reminder(QStringLiteral("Shopping.pv")), QString());
    QCOMPARE(f.reminder(kOne), QStringLiteral("3/7/2026 2:07 PM"));
    child<QAction>(one->menu(), "Reminder")->trigger();
    QTest::mouseClick(child<QPushButton>(first, "Command4"), Qt::LeftButton);
    QCOMPARE(f.reminder(QStringLiteral("Shopping.pv")), QStringLiteral("5/1/2026 6:00 PM"));
    QCOMPARE(f.reminder(kOne), QStringLiteral("3/7/2026 2:07 PM"));
    QCOMPARE(f.reminder(kTwo), QStringLiteral("5/1/2026 6:00 PM"));
}
