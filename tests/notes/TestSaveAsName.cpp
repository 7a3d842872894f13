#include "TestSaveAsName.h"

#include "notes/SaveAsName.h"

#include <QTest>

void TestSaveAsName::names_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("note name") << "PinvelleQuill3.pv" << true;
    QTest::newRow("own name") << "shopping.pv" << true;
    QTest::newRow("without extension") << "shopping" << true;
    QTest::newRow("inner blanks and accents") << "to do – café.pv" << true;
    QTest::newRow("leading blank") << " shopping.pv" << true;
    QTest::newRow("device-like but longer") << "console.pv" << true;
    QTest::newRow("255 bytes") << QString(252, QLatin1Char('a')) + ".pv" << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("blanks") << "   " << false;
    QTest::newRow("slash") << "notes/a.pv" << false;
    QTest::newRow("backslash") << "notes\\a.pv" << false;
    QTest::newRow("dot") << "." << false;
    QTest::newRow("dot dot") << ".." << false;
    QTest::newRow("colon") << "C:a.pv" << false;
    QTest::newRow("star") << "*.pv" << false;
    QTest::newRow("quote") << "\"a\".pv" << false;
    QTest::newRow("line break") << "a\nb.pv" << false;
    QTest::newRow("tab") << "a\tb.pv" << false;
    QTest::newRow("trailing blank") << "a.pv " << false;
    QTest::newRow("trailing dot") << "a.pv." << false;
    QTest::newRow("device") << "CON" << false;
    QTest::newRow("device with extension") << "nul.pv" << false;
    QTest::newRow("256 bytes") << QString(253, QLatin1Char('a')) + ".pv" << false;
    QTest::newRow("long in bytes") << QString(130, QChar(0x00e9)) + ".pv" << false;
}

void TestSaveAsName::names()
{
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    const QString problem = SaveAsName::problem(name);
    QVERIFY2(problem.isEmpty() == accepted, qPrintable(problem));
}
