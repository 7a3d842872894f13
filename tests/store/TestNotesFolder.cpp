#include "TestNotesFolder.h"

#include "Unprivileged.h"
#include "store/NotesFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

void TestNotesFolder::fileNames_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("name");
    QTest::newRow("first") << 1 << "PinvelleQuill1.pv";
    QTest::newRow("no leading zeros") << 7 << "PinvelleQuill7.pv";
    QTest::newRow("largest") << 32767 << "PinvelleQuill32767.pv";
}

void TestNotesFolder::fileNames()
{
    QFETCH(int, number);
    QFETCH(QString, name);
    QCOMPARE(NotesFolder::fileName(number), name);
    QCOMPARE(NotesFolder(QStringLiteral("/notes")).filePath(name),
             QStringLiteral("/notes/") + name);
}

void TestNotesFolder::chosenFolderIsCreated()
{
    QTemporaryDir root;
    const QString wanted = root.filePath(QStringLiteral("deep/notes"));
    const NotesFolder::Choice choice = NotesFolder::choose(
        wanted, root.filePath(QStringLiteral("program")), root.filePath(QStringLiteral("data")));
    QCOMPARE(choice.path, wanted);
    QVERIFY(choice.passedOver.isEmpty());
    QVERIFY(QFileInfo(wanted).isDir());
    // The probe that proves the folder writable leaves nothing behind.
    QCOMPARE(QDir(wanted).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

void TestNotesFolder::programFolderUsedWhenNoneNamed()
{
    QTemporaryDir root;
    const NotesFolder::Choice choice =
        NotesFolder::choose(QString(), root.path(), root.filePath(QStringLiteral("data")));
    QCOMPARE(choice.path, QDir::cleanPath(root.path()));
    QVERIFY(!QFileInfo::exists(root.filePath(QStringLiteral("data"))));
}

void TestNotesFolder::installedProgramUsesDataFolder()
{
    QTemporaryDir root;
    const QString data = root.filePath(QStringLiteral("data"));
    const NotesFolder::Choice choice = NotesFolder::choose(QString(), QString(), data);
    QCOMPARE(choice.path, data);
    QVERIFY(choice.passedOver.isEmpty());
    QVERIFY(QFileInfo(data).isDir());
}

void TestNotesFolder::programFolderOnlyWhenNotInstalledOrBuilt_data()
{
    QTest::addColumn<QString>("beside");
    QTest::addColumn<bool>("used");
    QTest::newRow("unpacked copy") << QString() << true;
    QTest::newRow("build tree") << QStringLiteral("bin/CMakeCache.txt") << false;
    QTest::newRow("installed") << QStringLiteral("share/applications/pinvelle.desktop") << false;
}

void TestNotesFolder::programFolderOnlyWhenNotInstalledOrBuilt()
{
    QFETCH(QString, beside);
    QFETCH(bool, used);
    QTemporaryDir root;
    const QString program = root.filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(program));
    if (!beside.isEmpty()) {
        QVERIFY(QDir().mkpath(QFileInfo(root.filePath(beside)).absolutePath()));
        QFile marker(root.filePath(beside));
        QVERIFY(marker.open(QIODevice::WriteOnly));
    }
    QCOMPARE(NotesFolder::programFolderForNotes(program), used ? program : QString());
}

void TestNotesFolder::litterOfInterruptedSavesIsRemoved()
{
    QTemporaryDir root;
    const NotesFolder folder(root.path());
    const QDateTime now = QDateTime::currentDateTime();
    const auto make = [&](const char *name, int ageSeconds) {
        QFile file(folder.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.setFileTime(now.addSecs(-ageSeconds), QFileDevice::FileModificationTime));
    };
    make("PinvelleQuill1.pv.aB3xYz", 120);
    make("shopping.PV.Q1w2E3", 61);
    make("PinvelleQuill2.pv.Zz9Zz9", 10); // a save that may still be under way
    make("PinvelleQuill3.pv", 120);
    make("notes.txt.aB3xYz", 120);
    make("PinvelleQuill4.pv.abc", 120);
    QCOMPARE(folder.removeLitter(now), 2);
    QCOMPARE(QDir(root.path()).entryList(QDir::Files, QDir::Name),
             QStringList({"PinvelleQuill2.pv.Zz9Zz9", "PinvelleQuill3.pv", "PinvelleQuill4.pv.abc",
                          "notes.txt.aB3xYz"}));
}

void TestNotesFolder::unwritableFolderFallsBack()
{
    QTemporaryDir root;
    const QString program = root.filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkpath(program));
    QFile::setPermissions(root.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                           QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
    QFile::setPermissions(program,
                          QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    const QString data = root.filePath(QStringLiteral("data"));

    NotesFolder::Choice fromProgram;
    NotesFolder::Choice fromNamed;
    {
        Unprivileged asUser;
        fromProgram = NotesFolder::choose(QString(), program, data);
        fromNamed = NotesFolder::choose(program + QStringLiteral("/sub"), program, data);
    }
    QCOMPARE(fromProgram.path, data);
    QCOMPARE(fromProgram.passedOver, program);
    QCOMPARE(fromNamed.path, data);
    QCOMPARE(fromNamed.passedOver, program + QStringLiteral("/sub"));
    QVERIFY(QFileInfo(data).isDir());
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestNotesFolder::trailingSeparatorDropped()
{
    QCOMPARE(NotesFolder(QStringLiteral("/a/b/")).path(), QStringLiteral("/a/b"));
    QCOMPARE(NotesFolder(QStringLiteral("/")).path(), QStringLiteral("/"));
}
