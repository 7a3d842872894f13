#include "TestNoteSaver.h"

#include "notes/NoteSaver.h"

#include <QFile>
#include <QTest>

void TestNoteSaver::trimsOnlySpaces_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("trimmed");
    QTest::newRow("spaces") << "  milk  "
                            << "milk";
    QTest::newRow("inner spaces stay") << " a  b "
                                       << "a  b";
    QTest::newRow("tabs stay") << "\tmilk\t"
                               << "\tmilk\t";
    QTest::newRow("line breaks stay") << "\nmilk\n "
                                      << "\nmilk\n";
    QTest::newRow("only spaces") << "    "
                                 << "";
    QTest::newRow("no-break space stays")
        << QStringLiteral("\u00a0milk") << QStringLiteral("\u00a0milk");
    QTest::newRow("empty") << ""
                           << "";
}

void TestNoteSaver::trimsOnlySpaces()
{
    QFETCH(QString, text);
    QFETCH(QString, trimmed);
    QCOMPARE(NoteSaver::trimSpaces(text), trimmed);
}

void TestNoteSaver::forcedRunWritesUnchangedTextWithSavingOff()
{
    const QString path = m_dir.filePath(QStringLiteral("forced.pv"));
    NoteSaver saver;
    saver.setPath(path);
    saver.loaded(QString());
    QCOMPARE(saver.run(QStringLiteral("milk"), false).attempted, false);
    QVERIFY(!QFile::exists(path));
    saver.forceNextSave();
    const NoteSaver::Outcome outcome = saver.run(QStringLiteral("milk"), false);
    QVERIFY(outcome.changed);
    QVERIFY(outcome.attempted && outcome.write.ok());
    QVERIFY(QFile::exists(path));
    // The flag lasts one run only, and an unchanged text leaves the previous one alone.
    QVERIFY(!saver.forced());
    QCOMPARE(saver.previous(), QStringLiteral("milk"));
    QVERIFY(!saver.run(QStringLiteral("milk"), true).changed);
    QCOMPARE(saver.previous(), QStringLiteral("milk"));
}

void TestNoteSaver::noPathWritesNothing()
{
    NoteSaver saver;
    saver.forceNextSave();
    const NoteSaver::Outcome outcome = saver.run(QStringLiteral("milk"), true);
    QVERIFY(outcome.changed);
    QVERIFY(!outcome.attempted);
    QVERIFY(!saver.hasUnsavedEdits());
}

void TestNoteSaver::unsavedEdits()
{
    const QString path = m_dir.filePath(QStringLiteral("edits.pv"));
    NoteSaver saver;
    saver.setPath(path);
    saver.loaded(QStringLiteral(" milk "));
    saver.run(QStringLiteral(" milk "), false);
    QVERIFY(!saver.hasUnsavedEdits());
    saver.run(QStringLiteral("milk and eggs"), false);
    QVERIFY(saver.hasUnsavedEdits());
    // Typing back what the file holds leaves nothing to save.
    saver.run(QStringLiteral("milk"), false);
    QVERIFY(!saver.hasUnsavedEdits());
    saver.run(QStringLiteral("bread"), true);
    QVERIFY(!saver.hasUnsavedEdits());

    // A path never read: only text is worth saving there.
    saver.setPath(m_dir.filePath(QStringLiteral("other.pv")));
    QVERIFY(saver.hasUnsavedEdits());
    NoteSaver blank;
    blank.setPath(m_dir.filePath(QStringLiteral("blank.pv")));
    blank.run(QString(), false);
    QVERIFY(!blank.hasUnsavedEdits());
}
