#include "TestDiskFaults.h"

#include "Child.h"

#include "NoteFixture.h"
#include "Unprivileged.h"
#include "notes/NoteSaver.h"
#include "store/NoteFile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTextEdit>

#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstring>

namespace {

const QString kNote = QStringLiteral("PinvelleQuill3.pv");

void typeInto(NoteWindow *note, const QString &text)
{
    child<QTextEdit>(note, "Text1")->moveCursor(QTextCursor::End);
    QTest::keyClicks(child<QTextEdit>(note, "Text1"), text);
}

// A small tmpfs over a folder for as long as it lives.
class SmallDisk final {
public:
    explicit SmallDisk(const QString &path) : m_path(path.toLocal8Bit())
    {
        if (::mount("tmpfs", m_path.constData(), "tmpfs", 0, "size=64k,mode=0755") == 0)
            m_mounted = true;
        else
            m_error = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~SmallDisk()
    {
        if (m_mounted)
            ::umount2(m_path.constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk &) = delete;
    SmallDisk &operator=(const SmallDisk &) = delete;

    bool mounted() const { return m_mounted; }
    const QString &error() const { return m_error; }

private:
    QByteArray m_path;
    bool m_mounted = false;
    QString m_error;
};

// Writes into path until the disk refuses another byte; returns how much went in.
qint64 fill(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return -1;
    const QByteArray block(4096, 'x');
    qint64 total = 0;
    while (file.write(block) == block.size())
        total += block.size();
    // The last partial block, byte by byte, so not one byte is left free.
    while (file.write("x", 1) == 1)
        ++total;
    return total;
}

NoteWindow *openFocused(NoteFixture &f)
{
    NoteWindow *note = f.open(QStringLiteral("3"));
    QApplication::setActiveWindow(note);
    if (!QTest::qWaitForWindowActive(note))
        return nullptr;
    child<QTextEdit>(note, "Text1")->setFocus();
    return note;
}

} // namespace

void TestDiskFaults::fullDiskKeepsTheNoteAndWritesItWhenSpaceReturns()
{
    NoteFixture f;
    SmallDisk disk(f.dir.path());
    if (!disk.mounted())
        QSKIP(qPrintable(QStringLiteral("cannot mount a small tmpfs here (%1); the full-disk "
                                        "case is not checked")
                             .arg(disk.error())));
    f.writeNote(kNote, QStringLiteral("milk"));
    NoteWindow *note = openFocused(f);
    QVERIFY(note);
    const QString filler = f.dir.filePath(QStringLiteral("filler"));
    QVERIFY(fill(filler) > 0);

    QCOMPARE(f.bytesOf(kNote), QByteArray("milk\r\n"));
    typeInto(note, QStringLiteral("s"));
    QCOMPARE(f.bytesOf(kNote), QByteArray("milk\r\n"));
    QVERIFY(child<QLabel>(note, "WarningBar")->isVisible());
    QVERIFY(note->hasUnsavedEdits());
    // Told once: closed, the message stays away while the disk stays full.
    QTest::mouseClick(child<QLabel>(note, "WarningBar"), Qt::LeftButton);
    typeInto(note, QStringLiteral("y"));
    QTest::qWait(1500); // the retries of a second run while the disk is still full
    QVERIFY(!child<QLabel>(note, "WarningBar")->isVisible());
    QCOMPARE(f.bytesOf(kNote), QByteArray("milk\r\n"));
    // Failed writes leave no half-written files behind to eat the space freed later.
    QCOMPARE(QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
             QStringList({QStringLiteral("PinvelleQuill3.pv"), QStringLiteral("filler")}));

    QVERIFY(QFile::remove(filler));
    QTRY_COMPARE_WITH_TIMEOUT(f.bytesOf(kNote), QByteArray("milksy\r\n"), 5000);
    QVERIFY(!note->hasUnsavedEdits());
    QVERIFY(note->lastWriteError().isEmpty());
}

void TestDiskFaults::writeThatCannotStoreAByteFailsAndKeepsTheFile()
{
    // A file size limit of nothing stands in for a full disk where no tmpfs can be mounted.
    QTemporaryDir dir;
    const QString path = dir.filePath(kNote);
    QVERIFY(WriteNoteFile(QStringLiteral("milk"), path).ok());
    rlimit old{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit none = old;
    none.rlim_cur = 0;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &none), 0);
    const NoteWriteResult result = WriteNoteFile(QStringLiteral("milk and eggs"), path);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!result.ok());
    QVERIFY(!result.message().isEmpty());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("milk\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList(kNote));
}

void TestDiskFaults::deletedFolderIsWrittenOnceItIsBack()
{
    NoteFixture f;
    f.writeNote(kNote, QStringLiteral("milk"));
    NoteWindow *note = openFocused(f);
    QVERIFY(note);
    QVERIFY(QDir(f.dir.path()).removeRecursively());

    typeInto(note, QStringLiteral("s"));
    NoteFixture::finishWrites(); // the write fails on the writer's thread
    QVERIFY(child<QLabel>(note, "WarningBar")->isVisible());
    QVERIFY(!QFileInfo::exists(f.dir.path()));
    QCOMPARE(child<QTextEdit>(note, "Text1")->toPlainText(), QStringLiteral("milks"));

    QVERIFY(QDir().mkpath(f.dir.path()));
    QTRY_COMPARE_WITH_TIMEOUT(f.bytesOf(kNote), QByteArray("milks\r\n"), 5000);
    QVERIFY(!child<QLabel>(note, "WarningBar")->isVisible());
}

void TestDiskFaults::readOnlyFolderIsWrittenOnceWritable()
{
    NoteFixture f;
    f.writeNote(kNote, QStringLiteral("milk"));
    NoteWindow *note = openFocused(f);
    QVERIFY(note);
    const auto writable = QFile::permissions(f.dir.path());
    QVERIFY(QFile::setPermissions(f.dir.path(), QFile::ReadOwner | QFile::ExeOwner |
                                                    QFile::ReadOther | QFile::ExeOther));
    {
        Unprivileged asUser;
        typeInto(note, QStringLiteral("s"));
        QCOMPARE(f.bytesOf(kNote), QByteArray("milk\r\n"));
        QVERIFY(child<QLabel>(note, "WarningBar")->isVisible());
    }
    QVERIFY(QFile::setPermissions(f.dir.path(), writable));
    QTRY_COMPARE_WITH_TIMEOUT(f.bytesOf(kNote), QByteArray("milks\r\n"), 5000);
    QVERIFY(!child<QLabel>(note, "WarningBar")->isVisible());
}

void TestDiskFaults::failedWriteIsTriedAgainWithTheSameText()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(kNote);
    QVERIFY(QDir().mkdir(path)); // a folder where the file belongs
    NoteSaver saver;
    saver.setPath(path);
    saver.loaded(QStringLiteral("milk"));
    saver.run(QStringLiteral("milk"), true);
    NoteSaver::Outcome outcome = saver.run(QStringLiteral("milks"), true);
    QVERIFY(outcome.attempted && !outcome.write.ok());
    QVERIFY(saver.writeFailed());

    // Unchanged text: tried again, and the undo text stays what it was.
    outcome = saver.run(QStringLiteral("milks"), true);
    QVERIFY(outcome.attempted && !outcome.write.ok());
    QVERIFY(!outcome.changed);
    QCOMPARE(saver.previous(), QStringLiteral("milk"));
    // With saving off nothing is written, failed or not.
    QVERIFY(!saver.run(QStringLiteral("milks"), false).attempted);

    QVERIFY(QDir().rmdir(path));
    outcome = saver.run(QStringLiteral("milks"), true);
    QVERIFY(outcome.attempted && outcome.write.ok());
    QVERIFY(!saver.writeFailed());
    QVERIFY(!saver.hasUnsavedEdits());
    QCOMPARE(saver.previous(), QStringLiteral("milk"));
    // Once written, an unchanged text is left alone again.
    QVERIFY(!saver.run(QStringLiteral("milks"), true).attempted);
}
