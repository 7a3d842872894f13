#include "TestNoteCatalogue.h"

#include "shell/NoteCatalogue.h"

#include <QDir>
#include <QFile>
#include <QTest>

void TestNoteCatalogue::init()
{
    QDir dir(m_dir.path());
    for (const QString &name : dir.entryList(QDir::Files))
        dir.remove(name);
}

void TestNoteCatalogue::writeNote(const QString &name, const QByteArray &bytes)
{
    QFile file(m_dir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

void TestNoteCatalogue::emptyFolderHasNoEntries()
{
    NoteCatalogue catalogue(m_dir.path());
    catalogue.refresh();
    QCOMPARE(catalogue.size(), 0);
    NoteCatalogue missing(m_dir.filePath(QStringLiteral("gone")));
    missing.refresh();
    QCOMPARE(missing.size(), 0);
}

void TestNoteCatalogue::listsNoteFilesInTextOrder()
{
    writeNote(QStringLiteral("PinvelleQuill2.pv"), "two\r\n");
    writeNote(QStringLiteral("PinvelleQuill10.pv"), "ten\r\n");
    writeNote(QStringLiteral("PinvelleQuill1.pv"), "one\r\n");
    writeNote(QStringLiteral("Shouting.PV"), "loud\r\n");
    writeNote(QStringLiteral("mixed.Pv"), "mixed\r\n");
    writeNote(QStringLiteral("empty.pv"), "");
    writeNote(QStringLiteral("notes.txt"), "not a note\r\n");
    writeNote(QStringLiteral("archive.pvx"), "not a note\r\n");
    writeNote(QStringLiteral("pv"), "not a note\r\n");
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder.pv")));

    NoteCatalogue catalogue(m_dir.path());
    catalogue.refresh();
    QCOMPARE(catalogue.entries(), QStringList({
                                      QStringLiteral("empty.pv - "),
                                      QStringLiteral("mixed.Pv - mixed"),
                                      QStringLiteral("PinvelleQuill1.pv - one"),
                                      QStringLiteral("PinvelleQuill10.pv - ten"),
                                      QStringLiteral("PinvelleQuill2.pv - two"),
                                      QStringLiteral("Shouting.PV - loud"),
                                  }));
    QDir(m_dir.path()).rmdir(QStringLiteral("folder.pv"));
}

void TestNoteCatalogue::previews_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("entry");
    QTest::newRow("short") << QByteArray("milk\r\n") << "n.pv - milk";
    QTest::newRow("exactly twenty")
        << QByteArray("12345678901234567890\r\n") << "n.pv - 12345678901234567890";
    QTest::newRow("longer") << QByteArray("12345678901234567890XYZ\r\n")
                            << "n.pv - 12345678901234567890";
    // A line break counts as its two characters and is shown as one mark.
    QTest::newRow("line breaks") << QByteArray("ab\r\ncd\r\nefghijklmnopqrstu\r\n")
                                 << QStringLiteral("n.pv - ab\u21B5cd\u21B5efghijklmnop");
    QTest::newRow("bare line feed") << QByteArray("a\nb") << QStringLiteral("n.pv - a\u21B5b");
    QTest::newRow("tab") << QByteArray("a\tb") << "n.pv - a b";
    QTest::newRow("emoji not split")
        << QByteArray("1234567890123456789\xF0\x9F\x98\x80") << "n.pv - 1234567890123456789";
}

void TestNoteCatalogue::previews()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, entry);
    writeNote(QStringLiteral("n.pv"), bytes);
    NoteCatalogue catalogue(m_dir.path());
    catalogue.refresh();
    QCOMPARE(catalogue.entries(), QStringList{entry});
    QVERIFY(!catalogue.entry(0).contains(QLatin1Char('\n')));
}

void TestNoteCatalogue::fileNameOfEntry_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("numbered") << "PinvelleQuill12.pv - Hello"
                              << "PinvelleQuill12.pv";
    QTest::newRow("empty preview") << "a.pv - "
                                   << "a.pv";
    QTest::newRow("preview naming a file") << "x.pv - see y.pv - z"
                                           << "x.pv";
    QTest::newRow("capital extension") << "Other.PV - upper"
                                       << "Other.PV";
    QTest::newRow("no mark") << "something"
                             << "so";
}

void TestNoteCatalogue::fileNameOfEntry()
{
    QFETCH(QString, entry);
    QFETCH(QString, fileName);
    QCOMPARE(NoteCatalogue::fileNameOfEntry(entry), fileName);
}

void TestNoteCatalogue::refreshReadsOnlyWhatChanged()
{
    for (int i = 1; i <= 25; ++i)
        writeNote(QStringLiteral("PinvelleQuill%1.pv").arg(i), QByteArray::number(i) + "\r\n");
    NoteCatalogue catalogue(m_dir.path());
    catalogue.refresh();
    QCOMPARE(catalogue.size(), 25);
    QCOMPARE(catalogue.filesRead(), 25);

    catalogue.refresh();
    QCOMPARE(catalogue.filesRead(), 0);
    QCOMPARE(catalogue.size(), 25);

    // Same size, new content: the modification time gives it away.
    const QString path = m_dir.filePath(QStringLiteral("PinvelleQuill7.pv"));
    writeNote(QStringLiteral("PinvelleQuill7.pv"), "X\r\n");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(5),
                             QFileDevice::FileModificationTime));
    file.close();
    QFile::remove(m_dir.filePath(QStringLiteral("PinvelleQuill8.pv")));
    writeNote(QStringLiteral("PinvelleQuill99.pv"), "new\r\n");
    catalogue.refresh();
    QCOMPARE(catalogue.filesRead(), 2);
    QCOMPARE(catalogue.size(), 25);
    QVERIFY(catalogue.entries().contains(QStringLiteral("PinvelleQuill7.pv - X")));
    QVERIFY(catalogue.entries().contains(QStringLiteral("PinvelleQuill99.pv - new")));
    QVERIFY(!catalogue.entries().contains(QStringLiteral("PinvelleQuill8.pv - 8")));
}

void TestNoteCatalogue::writeUpdatesItsOwnEntry()
{
    writeNote(QStringLiteral("b.pv"), "bee\r\n");
    writeNote(QStringLiteral("d.pv"), "dee\r\n");
    NoteCatalogue catalogue(m_dir.path());
    catalogue.refresh();
    using Kind = NoteCatalogue::Change::Kind;

    writeNote(QStringLiteral("d.pv"), "changed\r\n");
    NoteCatalogue::Change change = catalogue.noteChanged(QStringLiteral("d.pv"));
    QCOMPARE(change.kind, Kind::Updated);
    QCOMPARE(change.row, 1);
    QCOMPARE(catalogue.filesRead(), 1);
    QCOMPARE(catalogue.entry(1), QStringLiteral("d.pv - changed"));

    writeNote(QStringLiteral("c.pv"), "sea\r\n");
    change = catalogue.noteChanged(QStringLiteral("c.pv"));
    QCOMPARE(change.kind, Kind::Inserted);
    QCOMPARE(change.row, 1);

    QFile::remove(m_dir.filePath(QStringLiteral("b.pv")));
    change = catalogue.noteChanged(QStringLiteral("b.pv"));
    QCOMPARE(change.kind, Kind::Removed);
    QCOMPARE(change.row, 0);
    QCOMPARE(catalogue.entries(),
             QStringList({QStringLiteral("c.pv - sea"), QStringLiteral("d.pv - changed")}));

    QCOMPARE(catalogue.noteChanged(QStringLiteral("b.pv")).kind, Kind::None);
    QCOMPARE(catalogue.noteChanged(QStringLiteral("notes.txt")).kind, Kind::None);
}
