#include "TestNoteBackups.h"

#include "store/NoteBackups.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

void TestNoteBackups::rotation_data()
{
    QTest::addColumn<QList<int>>("daysAgo");
    QTest::addColumn<int>("megabytesEach");
    QTest::addColumn<QList<int>>("kept");
    QList<int> daily;
    for (int day = 0; day < 40; ++day)
        daily << day;
    QTest::newRow("every day for 40 days: 7 days, then one a week for 4 weeks")
        << daily << 1 << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 14, 21};
    QTest::newRow("gaps: the 7 newest and the newest of a week")
        << QList<int>{60, 33, 32, 31, 30, 12, 11, 10, 0} << 1
        << QList<int>{0, 10, 11, 12, 30, 31, 32};
    QTest::newRow("a few old ones are all kept")
        << QList<int>{90, 45, 20} << 1 << QList<int>{20, 45, 90};
    QTest::newRow("over 100 MB: the oldest go first")
        << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9} << 30 << QList<int>{0, 1, 2};
}

void TestNoteBackups::rotation()
{
    QFETCH(QList<int>, daysAgo);
    QFETCH(int, megabytesEach);
    QFETCH(QList<int>, kept);
    const QDate today(2026, 12, 9);
    QList<NoteBackups::Backup> backups;
    for (const int day : daysAgo)
        backups << NoteBackups::Backup{today.addDays(-day), qint64(megabytesEach) << 20};
    const QList<QDate> removed = NoteBackups::toRemove(backups, today);
    QList<int> left;
    for (const int day : daysAgo) {
        if (!removed.contains(today.addDays(-day)))
            left << day;
    }
    std::sort(left.begin(), left.end());
    QCOMPARE(left, kept);
}

void TestNoteBackups::backupIsWrittenOnceADayWhenNotesChanged()
{
    QTemporaryDir notes;
    QTemporaryDir root;
    const auto write = [&](const QString &name, const QByteArray &bytes) {
        QFile file(notes.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    };
    write(QStringLiteral("PinvelleQuill1.pv"), "milk\r\n");
    write(QStringLiteral("Shopping.PV"), QByteArray(70000, 'x'));
    write(QStringLiteral("not a note.txt"), "other");
    const NoteBackups backups(notes.path(), root.filePath(QStringLiteral("backups")));
    const QDateTime now(QDate(2026, 12, 9), QTime(10, 0));

    QVERIFY(backups.run(now).written);
    const QDir day(backups.folder() + QStringLiteral("/2026-12-09"));
    QCOMPARE(day.entryList(QDir::Files, QDir::Name),
             QStringList({"PinvelleQuill1.pv", "Shopping.PV"}));
    QFile copy(day.filePath(QStringLiteral("PinvelleQuill1.pv")));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), QByteArray("milk\r\n"));
    QCOMPARE(QFileInfo(day.filePath(QStringLiteral("Shopping.PV"))).size(), 70000);

    // Once a day, and only when a note changed since.
    QVERIFY(!backups.run(now.addSecs(3600)).written);
    QVERIFY(!backups.run(now.addDays(1)).written);
    write(QStringLiteral("PinvelleQuill2.pv"), "eggs\r\n");
    const NoteBackups::Result next = backups.run(now.addDays(2));
    QVERIFY(next.written && next.error.isEmpty());
    QCOMPARE(QDir(backups.folder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name),
             QStringList({"2026-12-09", "2026-12-11"}));
}
