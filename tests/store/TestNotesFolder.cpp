#include "TestNotesFolder.h"

#include "Unprivileged.h"
#include "store/NotesFolder.h"

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

void TestNotesFolder::programFolderNotUsedWhenInstalledOrBuilt()
{
    QTemporaryDir root;
    const QString program = root.filePath(QStringLiteral("bin"));
    QVERIFY(QDir(root.path()).mkpath(QStringLiteral("bin")));
    QCOMPARE(NotesFolder::programFolderForNotes(program), program);
    for (const char *beside : {"bin/CMakeCache.txt", "share/applications/pinvelle.desktop"}) {
        QVERIFY(QDir(root.path()).mkpath(QFileInfo(root.filePath(beside)).path()));
        QVERIFY(QFile(root.filePath(beside)).open(QIODevice::WriteOnly));
        QCOMPARE(NotesFolder::programFolderForNotes(program), QString());
        QVERIFY(QFile::remove(root.filePath(beside)));
    }
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
