#include "TestParsedHtml.h"

#include "web/ParsedHtml.h"

#include <QTest>

void TestParsedHtml::nesting_data()
{
    QTest::addColumn<QByteArray>("html");
    QTest::addColumn<bool>("tooDeep");
    const int limit = 100;
    auto times = [](const char *piece, int n) { return QByteArray(piece).repeated(n); };

    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("closed elements") << times("<div><span>x</span></div>", 1000) << false;
    QTest::newRow("exactly at the limit") << times("<div>", limit) << false;
    QTest::newRow("one past the limit") << times("<div>", limit + 1) << true;
    QTest::newRow("upper-case tags") << times("<DIV>", limit + 1) << true;
    QTest::newRow("unclosed paragraphs, items and cells")
        << "<table>" + times("<tr><td>a<td>b", 500) + "</table><ul>" + times("<li>x<p>y", 500) +
               "<select>" + times("<option>o", 500) + "</select>"
        << false;
    QTest::newRow("void elements") << times("<br><img src=a><input name=b><hr/>", 500) << false;
    QTest::newRow("tags inside comments") << "<!--" + times("<div>", 500) + "-->" << false;
    QTest::newRow("tags inside a script")
        << "<script>var s = '" + times("<div>", 500) + "';</script><p>after" << false;
    QTest::newRow("self-closed graphics")
        << "<svg>" + times("<path d='M0 0'/>", 500) + "</svg>" << false;
    QTest::newRow("self-closing slash on an HTML element still opens it")
        << times("<div/>", limit + 1) << true;
    QTest::newRow("unclosed formatting") << times("<b>", limit + 1) << true;
}

void TestParsedHtml::nesting()
{
    QFETCH(QByteArray, html);
    QFETCH(bool, tooDeep);
    QCOMPARE(ParsedHtml::nestsDeeperThan(html, 100), tooDeep);
}
