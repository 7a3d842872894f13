#include "TestReminderText.h"

#include "reminders/ReminderText.h"

#include <QTest>

using ReminderText::Fields;

namespace {

QDateTime at(int year, int month, int day, int hour, int minute, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

} // namespace

void TestReminderText::splitFillsWhatItCan_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("fields");

    QTest::newRow("as set") << "3/7/2026 2:05 PM" << QStringList{"3", "7", "2026", "2:05", "PM"};
    QTest::newRow("no reminder") << "" << QStringList{"", "", "", "", ""};
    QTest::newRow("month and day only") << "3/7" << QStringList{"3", "7", "", "", ""};
    QTest::newRow("no slash at all") << "tomorrow" << QStringList{"tomorrow", "", "", "", ""};
    QTest::newRow("year without time") << "3/7/2026" << QStringList{"3", "7", "2026", "", ""};
    QTest::newRow("no mark") << "3/7/2026 2:05" << QStringList{"3", "7", "2026", "2:05", ""};
    QTest::newRow("set with empty fields") << "// " << QStringList{"", "", "", "", ""};
    QTest::newRow("nonsense kept as typed")
        << "13/45/2026 99:99 XM" << QStringList{"13", "45", "2026", "99:99", "XM"};
    QTest::newRow("extra slash drops the rest")
        << "1/2/3/2026 1:00 AM" << QStringList{"1", "2", "3", "", ""};
    QTest::newRow("two blanks leave the time empty")
        << "3/7/2026  2:05 PM" << QStringList{"3", "7", "2026", "", "2:05"};
}

void TestReminderText::splitFillsWhatItCan()
{
    QFETCH(QString, value);
    QFETCH(QStringList, fields);
    const Fields got = ReminderText::split(value);
    QCOMPARE((QStringList{got.month, got.day, got.year, got.time, got.mark}), fields);
}

void TestReminderText::joinKeepsFieldsVerbatim()
{
    QCOMPARE(ReminderText::join({"3", "7", "2026", "2:05", "PM"}),
             QStringLiteral("3/7/2026 2:05 PM"));
    QCOMPARE(ReminderText::join({}), QStringLiteral("//  "));
    const Fields odd{" 03", "x y", "", "99:99", "pm "};
    QCOMPARE(ReminderText::join(odd), QStringLiteral(" 03/x y/ 99:99 pm "));
    const Fields typed{"12", "31", "2026", "11:59", "PM"};
    QCOMPARE(ReminderText::split(ReminderText::join(typed)), typed);
}

void TestReminderText::fieldsOfAMoment_data()
{
    QTest::addColumn<QDateTime>("when");
    QTest::addColumn<QString>("stored");

    QTest::newRow("14:07") << at(2026, 3, 7, 14, 7, 42) << "3/7/2026 2:07 PM";
    QTest::newRow("12:30") << at(2026, 3, 7, 12, 30) << "3/7/2026 12:30 PM";
    QTest::newRow("9:05") << at(2026, 3, 7, 9, 5) << "3/7/2026 9:05 AM";
    QTest::newRow("0:40") << at(2026, 3, 7, 0, 40) << "3/7/2026 0:40 AM";
    QTest::newRow("midnight") << at(2026, 1, 1, 0, 0) << "1/1/2026 0:00 AM";
    QTest::newRow("11:59 AM") << at(2026, 11, 30, 11, 59) << "11/30/2026 11:59 AM";
    QTest::newRow("23:59") << at(2026, 12, 31, 23, 59) << "12/31/2026 11:59 PM";
    QTest::newRow("13:00") << at(2026, 10, 9, 13, 0) << "10/9/2026 1:00 PM";
}

void TestReminderText::fieldsOfAMoment()
{
    QFETCH(QDateTime, when);
    QFETCH(QString, stored);
    QCOMPARE(ReminderText::join(ReminderText::fromDateTime(when)), stored);
}

void TestReminderText::everyMinuteOfADayReadsBack()
{
    // Whatever the panel fills in must be read as the very same minute, or a reminder
    // set with the pre-filled values would fire at the wrong time or never.
    const QDate day(2026, 3, 7);
    for (int minute = 0; minute < 24 * 60; ++minute) {
        const QDateTime when(day, QTime(minute / 60, minute % 60));
        const QString stored = ReminderText::join(ReminderText::fromDateTime(when));
        const std::optional<QDateTime> read = ReminderText::toDateTime(stored);
        QVERIFY2(read.has_value(), qPrintable(stored));
        QCOMPARE(*read, when);
    }
}

void TestReminderText::readingAsADate_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QDateTime>("expected"); // invalid: not a date

    QTest::newRow("as set") << "3/7/2026 2:05 PM" << at(2026, 3, 7, 14, 5);
    QTest::newRow("12:05 AM is after midnight") << "3/7/2026 12:05 AM" << at(2026, 3, 7, 0, 5);
    QTest::newRow("12:05 PM is after noon") << "3/7/2026 12:05 PM" << at(2026, 3, 7, 12, 5);
    QTest::newRow("lower-case mark") << "3/7/2026 2:05 pm" << at(2026, 3, 7, 14, 5);
    QTest::newRow("leading zeros") << "03/07/2026 02:05 PM" << at(2026, 3, 7, 14, 5);
    QTest::newRow("extra blanks") << " 3/7/2026   2:05  PM " << at(2026, 3, 7, 14, 5);
    QTest::newRow("seconds") << "3/7/2026 2:05:30 PM" << at(2026, 3, 7, 14, 5, 30);
    QTest::newRow("24-hour clock") << "3/7/2026 14:05" << at(2026, 3, 7, 14, 5);
    QTest::newRow("set with empty time") << "3/7/2026  " << at(2026, 3, 7, 0, 0);
    QTest::newRow("hand-edited nonsense") << "13/45/2026 99:99 XM" << QDateTime();
    QTest::newRow("empty") << "" << QDateTime();
    QTest::newRow("month and day only") << "3/7" << QDateTime();
    QTest::newRow("no such day") << "2/30/2026 1:00 AM" << QDateTime();
    QTest::newRow("13 o'clock with a mark") << "3/7/2026 13:05 PM" << QDateTime();
    QTest::newRow("bad mark") << "3/7/2026 2:05 XM" << QDateTime();
    QTest::newRow("empty fields") << "//  " << QDateTime();
    QTest::newRow("letters") << "a/b/c d e" << QDateTime();
}

void TestReminderText::readingAsADate()
{
    QFETCH(QString, value);
    QFETCH(QDateTime, expected);
    const std::optional<QDateTime> read = ReminderText::toDateTime(value);
    if (!expected.isValid()) {
        QVERIFY2(!read.has_value(), qPrintable(read ? read->toString() : QString()));
        return;
    }
    QVERIFY(read.has_value());
    QCOMPARE(*read, expected);
}

void TestReminderText::minuteBoundaries_data()
{
    QTest::addColumn<QDateTime>("reminder");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<qint64>("minutes");

    QTest::newRow("same minute, later second")
        << at(2026, 3, 7, 14, 5) << at(2026, 3, 7, 14, 5, 59) << qint64(0);
    QTest::newRow("one second across a boundary")
        << at(2026, 3, 7, 14, 5, 59) << at(2026, 3, 7, 14, 6, 0) << qint64(1);
    QTest::newRow("next minute still ahead")
        << at(2026, 3, 7, 14, 6) << at(2026, 3, 7, 14, 5, 59) << qint64(-1);
    QTest::newRow("across midnight") << at(2026, 3, 7, 23, 59) << at(2026, 3, 8, 0, 1) << qint64(2);
    QTest::newRow("a year ago") << at(2025, 3, 7, 14, 5) << at(2026, 3, 7, 14, 5)
                                << qint64(365 * 24 * 60);
    QTest::newRow("a day ahead") << at(2026, 3, 8, 14, 5) << at(2026, 3, 7, 14, 5)
                                 << qint64(-24 * 60);
}

void TestReminderText::minuteBoundaries()
{
    QFETCH(QDateTime, reminder);
    QFETCH(QDateTime, now);
    QFETCH(qint64, minutes);
    QCOMPARE(ReminderText::minutesFrom(reminder, now), minutes);
}

void TestReminderText::dueFromTheStartOfItsMinute()
{
    const QString value = QStringLiteral("3/7/2026 2:05 PM");
    QVERIFY(!ReminderText::isDue(value, at(2026, 3, 7, 14, 4, 59)));
    QVERIFY(ReminderText::isDue(value, at(2026, 3, 7, 14, 5, 0)));
    QVERIFY(ReminderText::isDue(value, at(2027, 1, 1, 0, 0)));
    QVERIFY(!ReminderText::isDue(QStringLiteral("13/45/2026 99:99 XM"), at(2030, 1, 1, 0, 0)));
    QVERIFY(!ReminderText::isDue(QString(), at(2030, 1, 1, 0, 0)));
}

void TestReminderText::firstWordsOnOneLine()
{
    QCOMPARE(ReminderText::firstWords(QStringLiteral("Call\r\nthe  dentist\t")),
             QStringLiteral("Call the dentist"));
    QCOMPARE(ReminderText::firstWords(QString()), QString());
    const QString longText = QStringLiteral("one two three four five six seven eight nine ten");
    const QString cut = ReminderText::firstWords(longText, 20);
    QCOMPARE(cut, QStringLiteral("one two three four") + QChar(0x2026));
    // A single long word is cut at the limit.
    QCOMPARE(ReminderText::firstWords(QString(30, QLatin1Char('x')), 10),
             QString(10, QLatin1Char('x')) + QChar(0x2026));
}
