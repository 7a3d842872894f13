#include "TestLegacyMarkup.h"

#include "web/LegacyMarkup.h"

#include <QTest>

void TestLegacyMarkup::body_data()
{
    QTest::addColumn<QByteArray>("html");
    QTest::addColumn<QString>("expected");

    QTest::newRow("quoted, unquoted and single-quoted values")
        << QByteArray("<span id=\"Label1\" class=big title='two words'>x</span>")
        << QStringLiteral("<BODY><SPAN id=Label1 class=big title=\"two words\">x</SPAN></BODY>");
    QTest::newRow("value needing quotes")
        << QByteArray("<div width=25% align=\"left\" onclick=\"go('a')\">x</div>")
        << QStringLiteral("<BODY><DIV width=\"25%\" align=left onclick=\"go('a')\">x</DIV></BODY>");
    QTest::newRow("nowrap in every spelling")
        << QByteArray("<table><tr><td nowrap width=\"25%\">a</td><td NOWRAP=\"nowrap\">b</td>"
                      "<td nowrap=''>c</td></tr></table>")
        << QStringLiteral("<BODY><TABLE><TBODY><TR><TD noWrap width=\"25%\">a</TD>"
                          "<TD noWrap>b</TD><TD noWrap>c</TD></TR></TBODY></TABLE></BODY>");
    QTest::newRow("upper-case source")
        << QByteArray("<TABLE ID=\"Table2\" CellPadding=\"2\"><TR><TD>a</TD></TR></TABLE>")
        << QStringLiteral("<BODY><TABLE id=Table2 cellPadding=2><TBODY><TR><TD>a</TD></TR>"
                          "</TBODY></TABLE></BODY>");
    QTest::newRow("text entities")
        << QByteArray("<p>a &lt; b &amp; c &gt; d &quot;q&quot; &#39;s&#39; &eacute;&#233; "
                      "&nbsp;x &copy</p>")
        << QStringLiteral("<BODY><P>a &lt; b &amp; c &gt; d \"q\" 's' \u00e9\u00e9 &nbsp;x "
                          "\u00a9</P></BODY>");
    QTest::newRow("bare ampersand and angle in text")
        << QByteArray("<p>fish & chips > peas</p>")
        << QStringLiteral("<BODY><P>fish &amp; chips &gt; peas</P></BODY>");
    QTest::newRow("attribute entities")
        << QByteArray("<a href=\"page.asp?a=1&amp;b=2\" title='say \"hi\"'>x</a>")
        << QStringLiteral("<BODY><A href=\"page.asp?a=1&amp;b=2\" title=\"say &quot;hi&quot;\">"
                          "x</A></BODY>");
    QTest::newRow("empty value stays quoted")
        << QByteArray("<input type=\"text\" name=\"TextBox1\" value=\"\">")
        << QStringLiteral("<BODY><INPUT type=text name=TextBox1 value=\"\"></BODY>");
    QTest::newRow("void elements")
        << QByteArray("a<br/>b<br>c<img src=\"logo.gif\" alt=\"\"><hr><input type=checkbox "
                      "checked=checked name=c1><wbr>")
        << QStringLiteral("<BODY>a<BR>b<BR>c<IMG src=logo.gif alt=\"\"><HR>"
                          "<INPUT type=checkbox CHECKED name=c1><WBR></BODY>");
    QTest::newRow("stray end tag of a void element")
        << QByteArray("a</br>b") << QStringLiteral("<BODY>a<BR>b</BODY>");
    QTest::newRow("nested tables")
        << QByteArray("<table id=\"Table1\"><tr><td><table id=\"Table2\"><tr><td>in</td></tr>"
                      "</table></td></tr></table>")
        << QStringLiteral("<BODY><TABLE id=Table1><TBODY><TR><TD><TABLE id=Table2><TBODY><TR>"
                          "<TD>in</TD></TR></TBODY></TABLE></TD></TR></TBODY></TABLE></BODY>");
    QTest::newRow("unclosed cells and rows")
        << QByteArray("<table><tr><td>a<td>b<tr><td>c</table>")
        << QStringLiteral("<BODY><TABLE><TBODY><TR><TD>a</TD><TD>b</TD></TR><TR><TD>c</TD></TR>"
                          "</TBODY></TABLE></BODY>");
    QTest::newRow("script and style kept verbatim")
        << QByteArray("<p>x</p><script>if (a < b && c > d) x = \"&amp;\";</script>"
                      "<style>p > b { color: red }</style>")
        << QStringLiteral("<BODY><P>x</P><SCRIPT>if (a < b && c > d) x = \"&amp;\";</SCRIPT>"
                          "<STYLE>p > b { color: red }</STYLE></BODY>");
    QTest::newRow("textarea text escaped")
        << QByteArray("<textarea name=\"TextBox5\">\na &lt;b&gt;\r\nline</textarea>")
        << QStringLiteral("<BODY><TEXTAREA name=TextBox5>a &lt;b&gt;\nline</TEXTAREA></BODY>");
    QTest::newRow("comments") << QByteArray("a<!-- note -->b")
                              << QStringLiteral("<BODY>a<!-- note -->b</BODY>");
    QTest::newRow("unknown elements")
        << QByteArray("<note-card data-id=\"7\">x</note-card>")
        << QStringLiteral("<BODY><NOTE-CARD data-id=7>x</NOTE-CARD></BODY>");
    QTest::newRow("body attributes and legacy spellings")
        << QByteArray("<body bgcolor=\"#ffffff\" onload=\"init()\"><table cellspacing=0 "
                      "border=0><tr><td colspan=\"2\" valign=top>x</td></tr></table></body>")
        << QStringLiteral("<BODY bgColor=#ffffff onload=\"init()\"><TABLE cellSpacing=0 border=0>"
                          "<TBODY><TR><TD colSpan=2 vAlign=top>x</TD></TR></TBODY></TABLE>"
                          "</BODY>");
    QTest::newRow("non-ASCII text and values")
        << QByteArray("<p title=\"caf\xc3\xa9\">\xe2\x82\xac 5</p>")
        << QStringLiteral("<BODY><P title=\"caf\u00e9\">\u20ac 5</P></BODY>");
    QTest::newRow("text before a form's end tag stays in the form")
        << QByteArray("<form><a href=\"x\">C</a> &copy; 2026\n</form>after<form><div>a</div>"
                      "\n</form>")
        << QStringLiteral("<BODY><FORM><A href=x>C</A> \u00a9 2026\n</FORM>after<FORM><DIV>a</DIV>"
                          "\n</FORM></BODY>");
    QTest::newRow("text on both sides of a form's end tag")
        << QByteArray("<div><form>x &amp; y</FORM >a &lt; b<p>z</p></div>")
        << QStringLiteral("<BODY><DIV><FORM>x &amp; y</FORM>a &lt; b<P>z</P></DIV></BODY>");
    QTest::newRow("whitespace between cells kept")
        << QByteArray("<table>\n <tr>\n  <td>a</td>\n </tr>\n</table>")
        << QStringLiteral("<BODY><TABLE>\n <TBODY><TR>\n  <TD>a</TD>\n </TR>\n</TBODY></TABLE>"
                          "</BODY>");
}

void TestLegacyMarkup::body()
{
    QFETCH(QByteArray, html);
    QFETCH(QString, expected);
    QCOMPARE(LegacyMarkup::bodyOf(html), expected);
}

// A page written the ordinary way yields the markers the transfer code searches for.
void TestLegacyMarkup::contractMarkersFound()
{
    const QByteArray page = R"(<!DOCTYPE html>
<html><head><title>Notes</title></head>
<body>
<form method="post" action="noteimport.aspx">
<span id="Label1" style="color: red">The password or Email Address was incorrect</span>
<table id="Table2">
<tr><td nowrap="nowrap" width="25%">Note Name</td><td>PinvelleQuill1.pv</td></tr>
<tr><td nowrap width="25%">Note Data</td><td>a &lt;b&gt; &amp; c</td></tr>
</table>
</form>
</body></html>)";
    const QString markup = LegacyMarkup::bodyOf(page);
    QVERIFY(markup.startsWith(QLatin1String("<BODY>")));
    QVERIFY(markup.contains(QLatin1String(
        "<SPAN id=Label1 style=\"color: red\">The password or Email Address was incorrect")));
    QVERIFY(markup.contains(QLatin1String("<TABLE id=Table2>")));
    QVERIFY(markup.contains(QLatin1String("<TD noWrap width=\"25%\">Note Name</TD>")));
    QVERIFY(markup.contains(QLatin1String("<TD noWrap width=\"25%\">Note Data</TD>")));
    QVERIFY(markup.contains(QLatin1String("<TD>a &lt;b&gt; &amp; c</TD>")));
    QVERIFY(markup.contains(QLatin1String("</TABLE>")));
    QVERIFY(markup.endsWith(QLatin1String("</BODY>")));
}

void TestLegacyMarkup::framesetHasNoBody()
{
    QCOMPARE(LegacyMarkup::bodyOf("<frameset><frame src=\"a.html\"></frameset>"), QString());
    QCOMPARE(LegacyMarkup::bodyOf(""), QStringLiteral("<BODY></BODY>"));
}

// Far deeper than any call stack would allow if either the writer or the parse tree's
// release recursed.
void TestLegacyMarkup::deepNestingIsWrittenWhole()
{
    constexpr int depth = 300000;
    const QByteArray html = QByteArray("<span>").repeated(depth) + "x";
    const QString markup = LegacyMarkup::bodyOf(html);
    QVERIFY(markup.startsWith(QLatin1String("<BODY><SPAN><SPAN><SPAN>")));
    QCOMPARE(markup.count(QLatin1String("<SPAN>")), depth);
    QCOMPARE(markup.count(QLatin1String("</SPAN>")), depth);
    QVERIFY(markup.contains(QLatin1String("<SPAN>x</SPAN>")));
}
