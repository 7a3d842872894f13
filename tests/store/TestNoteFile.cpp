#include "TestNoteFile.h"

#include "TestEnvironment.h"
#include "Unprivileged.h"
#include "store/NoteFile.h"
#include "store/NoteTrash.h"
#include "store/NoteWriter.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTest>
#include <QThread>

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

void TestNoteFile::init()
{
    QVERIFY(m_dir.isValid());
    QDir dir(m_dir.path());
    for (const QString &entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        dir.remove(entry);
}

QString TestNoteFile::path(const QString &name) const
{
    return m_dir.filePath(name);
}

void TestNoteFile::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << QStringLiteral("abc");
    QTest::newRow("lines") << QStringLiteral("first\r\nsecond\r\nthird");
    QTest::newRow("ends with a line break") << QStringLiteral("shopping\r\n");
    QTest::newRow("surrounding spaces kept") << QStringLiteral("  indented  ");
    QTest::newRow("accents and symbols") << QStringLiteral("café – 5 € ✓");
    QTest::newRow("beyond the basic plane") << QStringLiteral("note 😀 𝄞");
    QTest::newRow("only a line break") << QStringLiteral("\r\n");
}

void TestNoteFile::roundTrip()
{
    QFETCH(QString, text);
    QVERIFY(WriteNoteFile(text, path()).ok());
    QCOMPARE(ReadNoteFile(path()), text);
}

void TestNoteFile::fileHoldsTextAndOneLineEnd()
{
    QVERIFY(WriteNoteFile(QStringLiteral("abc"), path()).ok());
    QCOMPARE(bytesOf(path()), QByteArray("abc\r\n"));
    QVERIFY(WriteNoteFile(QStringLiteral("é"), path()).ok());
    QCOMPARE(bytesOf(path()), QByteArray("\xc3\xa9\r\n"));
}

void TestNoteFile::readTrimsOnlyOneLineEnd_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("no final line end") << QByteArray("written elsewhere") << "written elsewhere";
    QTest::newRow("two line ends") << QByteArray("a\r\n\r\n") << "a\r\n";
    QTest::newRow("bare LF kept") << QByteArray("a\n") << "a\n";
    QTest::newRow("bare CR kept") << QByteArray("a\r") << "a\r";
    QTest::newRow("only a line end") << QByteArray("\r\n") << "";
    QTest::newRow("empty file") << QByteArray() << "";
}

void TestNoteFile::readTrimsOnlyOneLineEnd()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    writeBytes(path(), bytes);
    QCOMPARE(ReadNoteFile(path()), text);
}

void TestNoteFile::removedNotesGoToTheTrash_data()
{
    QTest::addColumn<QString>("blank");
    QTest::addColumn<bool>("trashWorks");
    QTest::newRow("emptied, desktop trash") << QString() << true;
    QTest::newRow("only spaces, desktop trash") << QStringLiteral("   ") << true;
    QTest::newRow("emptied, no trash") << QString() << false;
}

void TestNoteFile::removedNotesGoToTheTrash()
{
    QFETCH(QString, blank);
    QFETCH(bool, trashWorks);
    const QString data = TestEnvironment::instance()->dataHome();
    QDir(data + QStringLiteral("/Trash")).removeRecursively();
    QDir(NoteTrash::forThisUser().deletedFolder()).removeRecursively();
    // A file where the trash belongs leaves the desktop without one.
    if (!trashWorks)
        writeBytes(data + QStringLiteral("/Trash"), "not a folder");
    const auto cleanup = qScopeGuard([&] { QFile::remove(data + QStringLiteral("/Trash")); });

    // A name the trash's record must percent-encode.
    const QString note = path(QStringLiteral("Grüße 1.pv"));
    QVERIFY(WriteNoteFile(blank, note).ok());
    QVERIFY(WriteNoteFile(QStringLiteral("old text"), note).ok());
    const NoteWriteResult removed = WriteNoteFile(blank, note);
    QVERIFY(removed.ok());
    QVERIFY(!QFile::exists(note));
    QCOMPARE(bytesOf(removed.trashedTo), QByteArray("old text\r\n"));

    // Another note written over this one: the old text goes too, but not twice the same.
    QVERIFY(WriteNoteFile(QStringLiteral("first"), note).ok());
    const NoteWriteResult replaced = WriteNoteFile(QStringLiteral("second"), note, OldNote::Trash);
    QVERIFY(replaced.ok());
    QCOMPARE(bytesOf(note), QByteArray("second\r\n"));
    QCOMPARE(bytesOf(replaced.trashedTo), QByteArray("first\r\n"));
    QVERIFY(WriteNoteFile(QStringLiteral("second"), note, OldNote::Trash).trashedTo.isEmpty());

    // In the desktop's trash, with its record of where the file was; else in Deleted.
    const QString where = trashWorks ? data + QStringLiteral("/Trash/files")
                                     : NoteTrash::forThisUser().deletedFolder();
    QCOMPARE(QFileInfo(removed.trashedTo).path(), where);
    QCOMPARE(QFileInfo(replaced.trashedTo).path(), where);
    if (!trashWorks)
        return;
    // The second of the same name takes the next free one.
    QCOMPARE(QFileInfo(removed.trashedTo).fileName(), QStringLiteral("Grüße 1.pv"));
    QCOMPARE(QFileInfo(replaced.trashedTo).fileName(), QStringLiteral("Grüße 1.pv.2"));
    for (const QString &name : {QStringLiteral("Grüße 1.pv"), QStringLiteral("Grüße 1.pv.2")}) {
        const QByteArray record =
            bytesOf(data + QStringLiteral("/Trash/info/") + name + QStringLiteral(".trashinfo"));
        const QByteArray head = "[Trash Info]\nPath=" + QFile::encodeName(m_dir.path()) +
                                "/Gr%C3%BC%C3%9Fe%201.pv\nDeletionDate=";
        QVERIFY2(record.startsWith(head) && record.endsWith('\n'), record.constData());
        const QDateTime deleted = QDateTime::fromString(
            QString::fromLatin1(record.mid(head.size()).trimmed()), Qt::ISODate);
        QVERIFY(qAbs(deleted.secsTo(QDateTime::currentDateTime())) < 60); // local time
    }
}

void TestNoteFile::missingFileReadsEmpty()
{
    QCOMPARE(ReadNoteFile(path(QStringLiteral("PinvelleQuill99.pv"))), QString());
    QCOMPARE(ReadNoteFile(m_dir.filePath(QStringLiteral("no/such/folder/x.pv"))), QString());
}

void TestNoteFile::legacySingleByteFileReadsAsWindows1252()
{
    // "café – 5 €" in Windows-1252: é = E9, en dash = 96, euro = 80.
    writeBytes(path(), QByteArray("caf\xe9 \x96 5 \x80\r\n"));
    QCOMPARE(ReadNoteFile(path()), QStringLiteral("café – 5 €"));
    // Rewriting it stores UTF-8, and reads back the same text.
    QVERIFY(WriteNoteFile(ReadNoteFile(path()), path()).ok());
    QCOMPARE(bytesOf(path()), QStringLiteral("café – 5 €\r\n").toUtf8());
}

void TestNoteFile::binaryAndHugeFilesReadWithoutHarm()
{
    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(static_cast<char>(i % 256));
    writeBytes(path(), binary);
    QCOMPARE(ReadNoteFile(path()).size(), binary.size());

    const QByteArray huge(50 * 1024 * 1024, 'x');
    writeBytes(path(), huge);
    QCOMPARE(ReadNoteFile(path()).size(), huge.size());
}

void TestNoteFile::replacingKeepsNoTrailOfTheOldText()
{
    QVERIFY(WriteNoteFile(QStringLiteral("a much longer first text"), path()).ok());
    QVERIFY(WriteNoteFile(QStringLiteral("short"), path()).ok());
    QCOMPARE(bytesOf(path()), QByteArray("short\r\n"));
    // No temporary files are left beside the note.
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("PinvelleQuill1.pv")});
}

void TestNoteFile::failedWriteKeepsOldNote()
{
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadOther | QFile::ExeOther);
    const QString note = dir.filePath(QStringLiteral("PinvelleQuill1.pv"));
    QVERIFY(WriteNoteFile(QStringLiteral("old text"), note).ok());
    QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner |
                                                  QFile::ReadOther | QFile::ExeOther));

    NoteWriteResult changed;
    NoteWriteResult blanked;
    {
        Unprivileged asUser;
        changed = WriteNoteFile(QStringLiteral("new text"), note);
        blanked = WriteNoteFile(QString(), note);
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QVERIFY(!changed.ok());
    QVERIFY(changed.message().contains(QStringLiteral("PinvelleQuill1.pv")));
    QVERIFY(!blanked.ok());
    QCOMPARE(ReadNoteFile(note), QStringLiteral("old text"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("PinvelleQuill1.pv")});
}

void TestNoteFile::folderInPlaceOfNoteIsReported()
{
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("PinvelleQuill1.pv")));
    const NoteWriteResult result = WriteNoteFile(QStringLiteral("text"), path());
    QVERIFY(!result.ok());
    QVERIFY(!WriteNoteFile(QString(), path()).ok());
    QCOMPARE(ReadNoteFile(path()), QString());
    QVERIFY(QFileInfo(path()).isDir());
    QDir(m_dir.path()).rmdir(QStringLiteral("PinvelleQuill1.pv"));
}

void TestNoteFile::unreadableFileReadsEmpty()
{
    QVERIFY(WriteNoteFile(QStringLiteral("secret"), path()).ok());
    QFile::setPermissions(path(), QFile::WriteOwner);
    QString text;
    {
        Unprivileged asUser;
        text = ReadNoteFile(path());
    }
    QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(text, QString());
}

void TestNoteFile::busyWindowHearsOnlyTheNewestOfManyWrites()
{
    // The window handles no events while it takes a burst of keys; each outcome waiting for
    // it used to hold its whole text, tens of megabytes for a long note typed fast.
    NoteWriter writer;
    QStringList heard;
    connect(&writer, &NoteWriter::written, this,
            [&heard](const NoteWriteRequest &request) { heard << request.text; });
    for (int i = 1; i <= 50; ++i) {
        writer.submit({QString(i, QLatin1Char('y')), path()});
        while (writer.busy())
            QThread::msleep(1);
    }
    QTRY_COMPARE(heard, QStringList{QString(50, QLatin1Char('y'))});
    QCOMPARE(bytesOf(path()), QByteArray(50, 'y') + "\r\n");
}

void TestNoteFile::textWrittenElsewhereIsKeptAside_data()
{
    QTest::addColumn<QByteArray>("found"); // null: no file
    QTest::addColumn<bool>("keptAside");
    QTest::newRow("what the writer expects") << QByteArray("old\r\nline\r\n") << false;
    QTest::newRow("other line ends and spaces") << QByteArray("  old\nline") << false;
    QTest::newRow("another text") << QByteArray("newer\r\n") << true;
    QTest::newRow("missing") << QByteArray() << false;
    QTest::newRow("blank") << QByteArray("  \r\n") << false;
}

void TestNoteFile::textWrittenElsewhereIsKeptAside()
{
    QFETCH(QByteArray, found);
    QFETCH(bool, keptAside);
    if (!found.isNull())
        writeBytes(path(QStringLiteral("Note.pv")), found);
    const NoteWriteResult result =
        WriteNoteFile(QStringLiteral("mine"), path(QStringLiteral("Note.pv")), OldNote::Overwrite,
                      {}, QStringLiteral("old\r\nline"));
    QVERIFY(result.ok());
    QCOMPARE(bytesOf(path(QStringLiteral("Note.pv"))), QByteArray("mine\r\n"));
    QCOMPARE(!result.keptAside.isEmpty(), keptAside);
    const QStringList beside = QDir(m_dir.path()).entryList({QStringLiteral("Note (changed*")});
    QCOMPARE(beside.size(), keptAside ? 1 : 0);
    if (keptAside)
        QCOMPARE(bytesOf(result.keptAside), found);
}
