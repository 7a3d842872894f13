#include "TestNoteBackups.h"

#include "store/NoteBackups.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <numeric>

void TestNoteBackups::rotation_data()
{
    // Backups as days before today, the size of each, and the days left after thinning.
    QTest::addColumn<QList<int>>("days");
    QTest::addColumn<int>("megabytes");
    QTest::addColumn<QList<int>>("kept");
    QList<int> daily(40);
    std::iota(daily.begin(), daily.end(), 0);
    QTest::newRow("40 days: 7 days, then the newest of each week for 4 weeks")
        << daily << 1 << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 14, 21};
    QTest::newRow("gaps") << QList<int>{60, 33, 32, 31, 30, 12, 11, 10, 0} << 1
                          << QList<int>{0, 10, 11, 12, 30, 31, 32};
    QTest::newRow("a few old ones") << QList<int>{90, 45, 20} << 1 << QList<int>{20, 45, 90};
    QTest::newRow("100 MB at most, the oldest going first") << daily << 30 << QList<int>{0, 1, 2};
}

void TestNoteBackups::rotation()
{
    QFETCH(QList<int>, days);
    QFETCH(int, megabytes);
    QFETCH(QList<int>, kept);
    const QDate today(2026, 12, 9);
    QList<NoteBackups::Backup> backups;
    for (const int day : days)
        backups << NoteBackups::Backup{today.addDays(-day), qint64(megabytes) << 20};
    const QList<QDate> removed = NoteBackups::toRemove(backups, today);
    QList<int> left;
    for (const int day : days)
        left << day;
    left.removeIf([&](int day) { return removed.contains(today.addDays(-day)); });
    std::sort(left.begin(), left.end());
    QCOMPARE(left, kept);
}

void TestNoteBackups::backupIsWrittenOnceADayWhenNotesChanged()
{
    QTemporaryDir notes;
    QTemporaryDir root;
    const auto write = [&](const char *name, const QByteArray &bytes) {
        QFile file(notes.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    };
    write("PinvelleQuill1.pv", "milk\r\n");
    write("Shopping.PV", QByteArray(70000, 'x'));
    write("other.txt", "not a note");
    const NoteBackups backups(notes.path(), root.filePath(QStringLiteral("backups")));
    const QDateTime now(QDate(2026, 12, 9), QTime(10, 0));

    QVERIFY(backups.run(now).written);
    const QDir day(backups.folder() + QStringLiteral("/2026-12-09"));
    QCOMPARE(day.entryList(QDir::Files, QDir::Name),
             QStringList({"PinvelleQuill1.pv", "Shopping.PV"}));
    QFile copy(day.filePath(QStringLiteral("PinvelleQuill1.pv")));
    QVERIFY(copy.open(QIODevice::ReadOnly) && copy.readAll() == "milk\r\n");

    // Once a day, and only when a note changed since.
    QVERIFY(!backups.run(now.addSecs(3600)).written && !backups.run(now.addDays(1)).written);
    write("PinvelleQuill2.pv", "eggs\r\n");
    QVERIFY(backups.run(now.addDays(2)).written);
    QCOMPARE(QDir(backups.folder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name),
             QStringList({"2026-12-09", "2026-12-11"}));
}
