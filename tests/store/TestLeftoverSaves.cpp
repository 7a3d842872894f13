#include "TestLeftoverSaves.h"

#include "TestEnvironment.h"
#include "store/LeftoverSaves.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

void TestLeftoverSaves::settled_data()
{
    QTest::addColumn<QString>("note");         // the note's name; the leftover's adds suffix
    QTest::addColumn<QString>("suffix");       // a save's ".XXXXXX", or a name no save makes
    QTest::addColumn<QByteArray>("noteBytes"); // null: no note file
    QTest::addColumn<int>("noteAge");
    QTest::addColumn<QByteArray>("leftoverBytes");
    QTest::addColumn<int>("leftoverAge");
    QTest::addColumn<QByteArray>("noteAfter"); // null: no note file
    QTest::addColumn<QByteArray>("trashed");   // null: the trash stays empty
    QTest::addColumn<bool>("leftoverStays");
    const QByteArray none;
    QTest::newRow("newer becomes the note")
        << "a.pv"
        << ".aB3xYz" << QByteArray("old\r\n") << 300 << QByteArray("new\r\n") << 120
        << QByteArray("new\r\n") << QByteArray("old\r\n") << false;
    QTest::newRow("older goes to the trash")
        << "a.pv"
        << ".aB3xYz" << QByteArray("new\r\n") << 120 << QByteArray("old\r\n") << 300
        << QByteArray("new\r\n") << QByteArray("old\r\n") << false;
    QTest::newRow("note missing, hidden, any case")
        << ".b.PV"
        << ".Q1w2E3" << none << 0 << QByteArray("lost\r\n") << 61 << QByteArray("lost\r\n") << none
        << false;
    QTest::newRow("blank goes to the trash") << "c.pv"
                                             << ".Zz9Zz9" << none << 0 << QByteArray("  \r\n")
                                             << 120 << none << QByteArray("  \r\n") << false;
    QTest::newRow("same bytes: the leftover goes")
        << "d.pv"
        << ".aB3xYz" << QByteArray("same\r\n") << 300 << QByteArray("same\r\n") << 120
        << QByteArray("same\r\n") << QByteArray("same\r\n") << false;
    QTest::newRow("a save under way is left alone")
        << "e.pv"
        << ".aB3xYz" << QByteArray("old\r\n") << 300 << QByteArray("new\r\n") << 10
        << QByteArray("old\r\n") << none << true;
    QTest::newRow("not a save's name")
        << "f.pv"
        << ".abc12" << none << 0 << QByteArray("other\r\n") << 120 << none << none << true;
}

void TestLeftoverSaves::settled()
{
    QFETCH(QString, note);
    QFETCH(QString, suffix);
    QFETCH(QByteArray, noteBytes);
    QFETCH(int, noteAge);
    QFETCH(QByteArray, leftoverBytes);
    QFETCH(int, leftoverAge);
    QFETCH(QByteArray, noteAfter);
    QFETCH(QByteArray, trashed);
    QFETCH(bool, leftoverStays);
    TestEnvironment::instance()->clearTrash();
    QTemporaryDir folder;
    const QDateTime now = QDateTime::currentDateTime();
    const auto write = [&](const QString &name, const QByteArray &bytes, int age) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() &&
                file.flush());
        QVERIFY(file.setFileTime(now.addSecs(-age), QFileDevice::FileModificationTime));
    };
    if (!noteBytes.isNull())
        write(note, noteBytes, noteAge);
    write(note + suffix, leftoverBytes, leftoverAge);

    LeftoverSaves(folder.path(), NoteTrash::forThisUser()).settle(now);
    QFile after(folder.filePath(note));
    QCOMPARE(after.open(QIODevice::ReadOnly) ? after.readAll() : QByteArray(), noteAfter);
    if (noteAfter == noteBytes && !noteBytes.isNull()) // the note's own file, not a copy
        QCOMPARE(QFileInfo(after).lastModified().secsTo(now), noteAge);
    QCOMPARE(TestEnvironment::instance()->trashed(),
             trashed.isNull() ? QList<QByteArray>() : QList<QByteArray>{trashed});
    QCOMPARE(QFile::exists(folder.filePath(note + suffix)), leftoverStays);
}
