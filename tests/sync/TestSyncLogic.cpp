#include "TestSyncLogic.h"

#include "sync/NoteTable.h"
#include "sync/PulledName.h"
#include "sync/SyncSchedule.h"
#include "sync/SyncSite.h"
#include "web/ParsedHtml.h"

#include <QSignalSpy>
#include <QTest>

void TestSyncLogic::requestAddresses()
{
    const SyncSite site(QStringLiteral("http://notes.example:8080/tools"));
    const QString date = QStringLiteral("08/12/2026 07:16 PM");
    const QUrl push = site.pushRequest(true, date);
    QCOMPARE(push.toString(QUrl::FullyEncoded),
             QStringLiteral("http://notes.example:8080/tools/noteimport.aspx?overwrite=1&"
                            "08%2F12%2F2026%2007%3A16%20PM"));
    QCOMPARE(site.pushRequest(false, date).query(QUrl::FullyDecoded),
             QStringLiteral("overwrite=0&") + date);
    // Characters that would otherwise start a new key or end the query stay inside the date.
    const QUrl pull = site.pullRequest(QStringLiteral("8.12.2026 7:16 & #1=2"));
    QCOMPARE(pull.toString(QUrl::FullyEncoded),
             QStringLiteral("http://notes.example:8080/tools/noteimport.aspx?"
                            "8.12.2026%207%3A16%20%26%20%231%3D2"));
    QVERIFY(pull.fragment().isNull());
    QCOMPARE(site.accountPage().toString(),
             QStringLiteral("http://notes.example:8080/tools/account.asp"));
    QCOMPARE(SyncSite(QStringLiteral("https://notes.example/"))
                 .pullRequest(QStringLiteral("x"))
                 .toString(),
             QStringLiteral("https://notes.example/noteimport.aspx?x"));
    QVERIFY(!SyncSite::dateText(QDateTime::currentDateTime()).isEmpty());
}

void TestSyncLogic::siteName_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("inClear"); // the password would cross the network readable
    QTest::newRow("host") << "https://notes.pinvelle.example/"
                          << "notes.pinvelle.example" << false;
    QTest::newRow("no slash") << "https://notes.example"
                              << "notes.example" << false;
    QTest::newRow("port") << "http://127.0.0.1:8123/"
                          << "127.0.0.1:8123" << false;
    QTest::newRow("path") << "http://example.org/notes/"
                          << "example.org/notes" << true;
    QTest::newRow("user info dropped") << "http://ann:pw@example.org/"
                                       << "example.org" << true;
    QTest::newRow("local name") << "HTTP://LocalHost:8080"
                                << "localhost:8080" << false;
    QTest::newRow("IPv6 loopback") << "http://[::1]:8080/"
                                   << "[::1]:8080" << false;
    QTest::newRow("no scheme") << "192.168.1.20"
                               << "192.168.1.20" << true;
}

void TestSyncLogic::siteName()
{
    QFETCH(QString, base);
    QFETCH(QString, name);
    QFETCH(bool, inClear);
    QCOMPARE(SyncSite(base).name(), name);
    QCOMPARE(SyncSite(base).sendsPasswordInClear(), inClear);
}

namespace {
QString nameCell(const QString &value)
{
    return QStringLiteral("<TD noWrap width=\"25%\">Note Name:") + value + QStringLiteral("</TD>");
}
QString dataCell(const QString &value)
{
    return QStringLiteral("<TD noWrap width=\"25%\">Note Data:") + value + QStringLiteral("</TD>");
}
QString table(const QString &cells)
{
    return QStringLiteral("<BODY><P>x</P><TABLE id=Table2><TBODY>") + cells +
           QStringLiteral("</TBODY></TABLE><P>after</P></BODY>");
}
} // namespace

void TestSyncLogic::noteTable_data()
{
    QTest::addColumn<QString>("markup");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("unnamed");

    QTest::newRow("no table") << "<BODY><TABLE id=Table3><TD noWrap width=\"25%\">Note "
                                 "Name:a</TD></TABLE></BODY>"
                              << QStringList() << QStringList() << 0;
    QTest::newRow("two notes and a footer")
        << table(nameCell("a.pv") + dataCell("first") + nameCell("b") + dataCell("second") +
                 "<TD noWrap width=\"25%\">&nbsp;</TD>")
        << QStringList{"a.pv", "b"} << QStringList{"first", "second"} << 0;
    QTest::newRow("ends with a data cell") << table(nameCell("a") + dataCell("last one"))
                                           << QStringList{"a"} << QStringList{"last one"} << 0;
    QTest::newRow("data before any name")
        << table(dataCell("orphan") + nameCell("a") + dataCell("kept")) << QStringList{"a"}
        << QStringList{"kept"} << 1;
    QTest::newRow("name carries over") << table(nameCell("a") + dataCell("one") + dataCell("two"))
                                       << QStringList{"a", "a"} << QStringList{"one", "two"} << 0;
    QTest::newRow("value as a browser shows it")
        << table(nameCell(" spaced ") + dataCell("a &amp; b &lt;B&gt; <B>bold</B>"))
        << QStringList{" spaced "} << QStringList{"a & b <B> bold"} << 0;
    QTest::newRow("no cell end")
        << "<TABLE id=Table2><TD noWrap width=\"25%\">Note Name:a</TD><TD noWrap "
           "width=\"25%\">Note Data:rest of it"
        << QStringList{"a"} << QStringList{"rest of it"} << 0;
    QTest::newRow("head needs exact case")
        << table(nameCell("a") + "<TD noWrap width=\"25%\">note data:x</TD>" + dataCell("y"))
        << QStringList{"a"} << QStringList{"y"} << 0;
    QTest::newRow("nested table read through")
        << table(nameCell("a") + dataCell("<TABLE><TR><TD>in</TD></TR></TABLE>") + nameCell("b") +
                 dataCell("kept"))
        << QStringList{"a", "b"} << QStringList{"in", "kept"} << 0;
}

void TestSyncLogic::noteTable()
{
    QFETCH(QString, markup);
    QFETCH(QStringList, names);
    QFETCH(QStringList, texts);
    QFETCH(int, unnamed);
    const ParsedHtml page(markup.toUtf8());
    const NoteTable table{HtmlElement(page.document())};
    QStringList foundNames;
    QStringList foundTexts;
    for (const PulledNote &note : table.notes()) {
        foundNames << note.name;
        foundTexts << note.text;
    }
    QCOMPARE(foundNames, names);
    QCOMPARE(foundTexts, texts);
    QCOMPARE(table.unnamedCells(), unnamed);
}

void TestSyncLogic::pulledName_data()
{
    QTest::addColumn<QString>("pageName");
    QTest::addColumn<QString>("fileName"); // empty: refused

    QTest::newRow("with extension") << "PinvelleQuill4.pv"
                                    << "PinvelleQuill4.pv";
    QTest::newRow("capital extension") << "Shopping.PV"
                                       << "Shopping.PV";
    QTest::newRow("mixed extension") << "x.Pv"
                                     << "x.Pv";
    QTest::newRow("without extension") << "Shopping"
                                       << "Shopping.pv";
    QTest::newRow("other extension") << "list.txt"
                                     << "list.txt.pv";
    QTest::newRow("unicode") << QStringLiteral("Einkäufe – 週")
                             << QStringLiteral("Einkäufe – 週.pv");
    QTest::newRow("parent") << "../x"
                            << "";
    QTest::newRow("dot dot alone") << ".."
                                   << "";
    QTest::newRow("dot dot with extension") << "...pv"
                                            << "";
    QTest::newRow("absolute") << "/etc/passwd"
                              << "";
    QTest::newRow("backslash") << "..\\..\\boot.ini"
                               << "";
    QTest::newRow("drive") << "C:notes"
                           << "";
    QTest::newRow("tab") << "a\tb"
                         << "";
    QTest::newRow("newline") << "a\nb.pv"
                             << "";
    QTest::newRow("escape") << QStringLiteral("a\x1b[31mb") << "";
    QTest::newRow("delete") << QStringLiteral("a\x7f") << "";
    QTest::newRow("C1 control") << QStringLiteral("a\u0085b") << "";
    QTest::newRow("lost character") << QStringLiteral("esc\uFFFD[2J") << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("extension alone") << ".pv"
                                     << "";
    QTest::newRow("blanks") << "   "
                            << "";
    QTest::newRow("wildcard") << "a*b"
                              << "";
    QTest::newRow("300 characters") << QString(300, QLatin1Char('n')) << "";
    QTest::newRow("252 characters")
        << QString(252, QLatin1Char('n')) << QString(252, QLatin1Char('n')) + ".pv";
    // Bytes count, not characters: 100 three-byte characters are 300 bytes.
    QTest::newRow("long in bytes") << QString(100, QChar(0x9031)) << "";
}

void TestSyncLogic::pulledName()
{
    QFETCH(QString, pageName);
    QFETCH(QString, fileName);
    const std::optional<QString> result = PulledName::fileName(pageName);
    QCOMPARE(result.value_or(QString()), fileName);
}

void TestSyncLogic::shownName()
{
    QCOMPARE(PulledName::shown(QStringLiteral("a\tb\x1b")), QStringLiteral("a?b?"));
    const QString shown = PulledName::shown(QString(300, QLatin1Char('n')));
    QVERIFY(shown.size() <= 60);
    QVERIFY(shown.endsWith(QLatin1String("...")));
}

void TestSyncLogic::scheduleBacksOff()
{
    SyncSchedule schedule;
    QSignalSpy due(&schedule, &SyncSchedule::roundDue);
    schedule.setPeriod(20);
    schedule.setEnabled(true);
    QVERIFY(due.wait(1000)); // at once when switched on
    // Failures double the wait, a success brings the period back; no round while one runs.
    for (const auto &[failed, wait] : {std::pair{true, 40}, {true, 80}, {false, 20}}) {
        schedule.roundFinished(failed);
        QCOMPARE(schedule.waitMs(), wait);
    }
    QVERIFY(due.wait(1000));
    QCOMPARE(due.size(), 2);
    schedule.setEnabled(false);
    schedule.roundFinished(true);
    QVERIFY(!due.wait(100));
}
