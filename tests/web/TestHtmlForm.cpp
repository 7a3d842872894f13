#include "TestHtmlForm.h"

#include "web/HtmlPage.h"

#include <QTest>
#include <QUrlQuery>

namespace {

const QUrl kPage(QStringLiteral("http://site.test/dir/noteimport.aspx?overwrite=0&when=now"));

HtmlPage pageOf(const QString &body, const QUrl &url = kPage)
{
    return HtmlPage::fromText(
        QStringLiteral("<html><body>") + body + QStringLiteral("</body></html>"), url);
}

const QString kUploadForm = QStringLiteral(R"(
<form name="Form1" method="post" action="noteimport.aspx?overwrite=0" id="Form1">
<input type="hidden" name="__VIEWSTATE" value="dDw+MTIz==" />
<span id="Label1"></span>
<input name="TextBox1" type="text" id="TextBox1" />
<input name="TextBox2" type="password" id="TextBox2" value="kept" />
<input name="TextBox4" id="TextBox4" />
<textarea name="TextBox5" id="TextBox5"></textarea>
<input type="submit" name="Button1" value="Push" id="Button1" />
<input type="submit" name="Button2" value="Pull" id="Button2" />
<input type="button" name="Cancel" value="Cancel" />
</form>)");

} // namespace

void TestHtmlForm::elementsByPositionAndName()
{
    HtmlPage page = pageOf(kUploadForm);
    HtmlForm *form = page.form();
    QVERIFY(form);
    QCOMPARE(form->count(), 8);
    const QStringList names{"__VIEWSTATE", "TextBox1", "TextBox2", "TextBox4",
                            "TextBox5",    "Button1",  "Button2",  "Cancel"};
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(form->at(i).name, names.at(i));
    QCOMPARE(form->at(0).type, QStringLiteral("hidden"));
    QCOMPARE(form->at(3).type, QStringLiteral("text")); // no type given
    QCOMPARE(form->at(4).tag, QStringLiteral("textarea"));
    QCOMPARE(form->at(2).value, QStringLiteral("kept"));
    QCOMPARE(form->indexOf(QStringLiteral("TextBox5")), 4);
    QCOMPARE(form->indexOf(QStringLiteral("textbox5")), -1); // names are exact
    QCOMPARE(form->indexOf(QStringLiteral("Label1")), -1);   // not a form element
    QVERIFY(form->setValue(1, QStringLiteral("me@example.org")));
    QCOMPARE(form->at(1).value, QStringLiteral("me@example.org"));
    QVERIFY(!form->setValue(8, QStringLiteral("x")));
    QVERIFY(!form->setValue(-1, QStringLiteral("x")));
}

void TestHtmlForm::postSendsSuccessfulControlsAndClickedButton()
{
    HtmlPage page = pageOf(kUploadForm);
    HtmlForm *form = page.form();
    form->setValue(1, QStringLiteral("me@example.org"));
    form->setValue(3, QStringLiteral("PinvelleQuill1.pv"));
    form->setValue(4, QStringLiteral("first line\r\nsecond\r\n"));

    const auto submission = form->click(form->indexOf(QStringLiteral("Button1")));
    QVERIFY(submission);
    QCOMPARE(submission->method, QByteArray("POST"));
    QCOMPARE(submission->url,
             QUrl(QStringLiteral("http://site.test/dir/noteimport.aspx?overwrite=0")));
    QCOMPARE(submission->contentType, QByteArray("application/x-www-form-urlencoded"));
    QCOMPARE(submission->body,
             QByteArray("__VIEWSTATE=dDw%2BMTIz%3D%3D&TextBox1=me%40example.org&TextBox2=kept"
                        "&TextBox4=PinvelleQuill1.pv&TextBox5=first+line%0D%0Asecond%0D%0A"
                        "&Button1=Push"));

    const auto pull = form->click(form->indexOf(QStringLiteral("Button2")));
    QVERIFY(pull);
    QVERIFY(pull->body.endsWith("&Button2=Pull"));
    QVERIFY(!pull->body.contains("Button1"));
    QVERIFY(!form->click(form->indexOf(QStringLiteral("Cancel")))); // a plain button
    QVERIFY(!form->click(1));                                       // a text field
}

void TestHtmlForm::valuesEncodedAsBrowsersDo_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("encoded");
    QTest::newRow("empty") << QString() << QByteArray("");
    QTest::newRow("space and plus") << QStringLiteral("a b+c") << QByteArray("a+b%2Bc");
    QTest::newRow("unreserved") << QStringLiteral("*-._~") << QByteArray("*-._%7E");
    QTest::newRow("ampersand and equals") << QStringLiteral("a&b=c") << QByteArray("a%26b%3Dc");
    QTest::newRow("UTF-8") << QStringLiteral("caf\u00e9 \u20ac")
                           << QByteArray("caf%C3%A9+%E2%82%AC");
    QTest::newRow("lone LF becomes CR LF") << QStringLiteral("a\nb") << QByteArray("a%0D%0Ab");
    QTest::newRow("lone CR becomes CR LF") << QStringLiteral("a\rb") << QByteArray("a%0D%0Ab");
    QTest::newRow("CR LF kept") << QStringLiteral("a\r\n\r\n") << QByteArray("a%0D%0A%0D%0A");
    QTest::newRow("markup") << QStringLiteral("<b>\"x\"</b>")
                            << QByteArray("%3Cb%3E%22x%22%3C%2Fb%3E");
}

void TestHtmlForm::valuesEncodedAsBrowsersDo()
{
    QFETCH(QString, value);
    QFETCH(QByteArray, encoded);
    HtmlPage page = pageOf(QStringLiteral("<form method=post><textarea name=t></textarea>"
                                          "<input type=submit name=go value=1></form>"));
    page.form()->setValue(0, value);
    const auto submission = page.form()->click(1);
    QVERIFY(submission);
    QCOMPARE(submission->body, QByteArray("t=") + encoded + "&go=1");
}

void TestHtmlForm::textLinesDropLineBreaks()
{
    HtmlPage page = pageOf(QStringLiteral("<form><input name=a><input type=hidden name=h>"
                                          "<input type=password name=p></form>"));
    HtmlForm *form = page.form();
    form->setValue(0, QStringLiteral("one\r\ntwo\n"));
    form->setValue(1, QStringLiteral("one\r\ntwo"));
    form->setValue(2, QStringLiteral("pa\nss"));
    QCOMPARE(form->at(0).value, QStringLiteral("onetwo"));
    QCOMPARE(form->at(1).value, QStringLiteral("one\r\ntwo")); // hidden values are not cleaned
    QCOMPARE(form->at(2).value, QStringLiteral("pass"));
}

void TestHtmlForm::selectValues()
{
    HtmlPage page = pageOf(QStringLiteral(
        "<form method=post>"
        "<select name=one><option disabled>Pick</option><option>  Two\n words </option>"
        "<option value=3>Three</option></select>"
        "<select name=last><option selected>a</option><option selected>b</option></select>"
        "<select name=many multiple><option value=x selected>X</option>"
        "<optgroup label=g disabled><option value=y selected>Y</option></optgroup>"
        "<option value=z selected>Z</option></select>"
        "<input type=submit name=s value=go></form>"));
    HtmlForm *form = page.form();
    QCOMPARE(form->at(0).type, QStringLiteral("select-one"));
    QCOMPARE(form->at(0).options.at(1).value, QStringLiteral("Two words"));
    auto body = [&] { return form->click(3)->body; };
    // An unchosen list sends its first enabled option; of two marked, the last wins; options
    // in a disabled group are not sent.
    QCOMPARE(body(), QByteArray("one=Two+words&last=b&many=x&many=z&s=go"));

    QVERIFY(form->setValue(0, QStringLiteral("3")));
    QVERIFY(form->setValue(2, QStringLiteral("z")));
    QCOMPARE(body(), QByteArray("one=3&last=b&many=z&s=go"));
    form->setValue(0, QStringLiteral("no such option"));
    QCOMPARE(body(), QByteArray("last=b&many=z&s=go"));
}

void TestHtmlForm::checkBoxesRadiosAndReset()
{
    HtmlPage page = pageOf(
        QStringLiteral("<form method=post><input type=checkbox name=c1 checked>"
                       "<input type=checkbox name=c2 value=yes>"
                       "<input type=radio name=r value=a checked><input type=radio name=r value=b>"
                       "<input name=t value=start><input type=reset name=clear value=Clear>"
                       "<input type=submit name=s value=go></form>"));
    HtmlForm *form = page.form();
    auto body = [&] { return form->click(6)->body; };
    QCOMPARE(body(), QByteArray("c1=on&r=a&t=start&s=go"));

    QVERIFY(!form->click(0)); // untick
    QVERIFY(!form->click(1)); // tick
    QVERIFY(!form->click(3)); // choose b, which clears a
    form->setValue(4, QStringLiteral("changed"));
    QCOMPARE(body(), QByteArray("c2=yes&r=b&t=changed&s=go"));

    QVERIFY(!form->click(5)); // reset
    QCOMPARE(body(), QByteArray("c1=on&r=a&t=start&s=go"));
    QVERIFY(!form->setChecked(4, true)); // not a check box
}

void TestHtmlForm::getReplacesQueryOfAction()
{
    HtmlPage page =
        pageOf(QStringLiteral("<form action=\"search.aspx?old=1#top\"><input name=q value=\"a b\">"
                              "<input type=submit name=go value=Find></form>"));
    const auto submission = page.form()->click(1);
    QVERIFY(submission);
    QCOMPARE(submission->method, QByteArray("GET"));
    QCOMPARE(submission->body, QByteArray());
    QCOMPARE(submission->url.toEncoded(),
             QByteArray("http://site.test/dir/search.aspx?q=a+b&go=Find"));
}

void TestHtmlForm::actionResolvedAgainstPage_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no action") << QStringLiteral("<form method=post>") << kPage.toString();
    QTest::newRow("empty action") << QStringLiteral("<form method=post action=\"\">")
                                  << kPage.toString();
    QTest::newRow("relative") << QStringLiteral("<form method=post action=\"up.aspx\">")
                              << QStringLiteral("http://site.test/dir/up.aspx");
    QTest::newRow("parent") << QStringLiteral("<form method=POST action=\"../a/b.aspx?x=1\">")
                            << QStringLiteral("http://site.test/a/b.aspx?x=1");
    QTest::newRow("rooted") << QStringLiteral("<form method=post action=\" /root.aspx \">")
                            << QStringLiteral("http://site.test/root.aspx");
    QTest::newRow("absolute") << QStringLiteral(
                                     "<form method=post action=\"https://other.test/p\">")
                              << QStringLiteral("https://other.test/p");
    QTest::newRow("base element")
        << QStringLiteral("<base href=\"http://cdn.test/b/\"><form method=post action=\"p\">")
        << QStringLiteral("http://cdn.test/b/p");
    QTest::newRow("button's own action")
        << QStringLiteral("<form method=post action=\"a\"><input type=submit name=other "
                          "formaction=\"b\" formmethod=get>")
        << QStringLiteral("http://site.test/dir/b?other=Submit");
}

void TestHtmlForm::actionResolvedAgainstPage()
{
    QFETCH(QString, form);
    QFETCH(QString, expected);
    HtmlPage page = pageOf(form + QStringLiteral("<input type=submit></form>"));
    // The button given in the row comes before the form's plain one.
    const auto submission = page.form()->click(0);
    QVERIFY(submission);
    QCOMPARE(submission->url.toString(), expected);
}

void TestHtmlForm::scriptActionSubmitsNothing()
{
    HtmlPage page = pageOf(
        QStringLiteral("<form action=\"javascript:send()\"><input type=submit name=s></form>"));
    QVERIFY(!page.form()->click(0));
    HtmlPage mail = pageOf(
        QStringLiteral("<form action=\"mailto:a@b.test\"><input type=submit name=s></form>"));
    QVERIFY(!mail.form()->click(0));
}

void TestHtmlForm::onlyFirstFormAndItsOwnedControls()
{
    HtmlPage page = pageOf(
        QStringLiteral("<input name=before>"
                       "<form id=f1 method=post><input name=a><input name=elsewhere form=f2></form>"
                       "<form id=f2><input name=b></form>"
                       "<input name=late form=f1>"));
    const HtmlForm *form = page.form();
    QVERIFY(form);
    QCOMPARE(form->count(), 2);
    QCOMPARE(form->at(0).name, QStringLiteral("a"));
    QCOMPARE(form->at(1).name, QStringLiteral("late"));
}

void TestHtmlForm::disabledControls()
{
    HtmlPage page =
        pageOf(QStringLiteral("<form method=post><input name=a value=1 disabled>"
                              "<fieldset disabled><legend><input name=inLegend value=2></legend>"
                              "<input name=inSet value=3></fieldset>"
                              "<input name=b value=4><input type=submit name=off disabled>"
                              "<input type=submit name=on value=go></form>"));
    HtmlForm *form = page.form();
    QCOMPARE(form->count(), 7); // the fieldset is an element of the form too
    QCOMPARE(form->at(1).type, QStringLiteral("fieldset"));
    QVERIFY(!form->click(5));
    const auto submission = form->click(6);
    QVERIFY(submission);
    QCOMPARE(submission->body, QByteArray("inLegend=2&b=4&on=go"));
}

void TestHtmlForm::buttonsAndImageButtons()
{
    HtmlPage page = pageOf(QStringLiteral("<form method=post><input type=hidden name=h value=1>"
                                          "<button name=b1 value=v1>Label</button>"
                                          "<button type=button name=b2 value=v2>No</button>"
                                          "<input type=image name=img src=go.gif>"
                                          "<input type=submit name=bare></form>"));
    HtmlForm *form = page.form();
    QCOMPARE(form->count(), 5);
    QCOMPARE(form->click(1)->body, QByteArray("h=1&b1=v1"));
    QVERIFY(!form->click(2));
    QCOMPARE(form->click(3)->body, QByteArray("h=1&img.x=0&img.y=0"));
    QCOMPARE(form->click(4)->body, QByteArray("h=1&bare=Submit"));
    // Submitted without a button (as a script's submit() would): no button's name goes.
    QCOMPARE(form->submission()->body, QByteArray("h=1"));
}

void TestHtmlForm::multipartBody()
{
    HtmlPage page = pageOf(QStringLiteral(
        "<form method=post enctype=\"multipart/form-data\"><input name=a value=\"x y\">"
        "<textarea name=t>1\n2</textarea><input type=submit name=s value=go></form>"));
    const auto submission = page.form()->click(2);
    QVERIFY(submission);
    QVERIFY(submission->contentType.startsWith("multipart/form-data; boundary="));
    const QByteArray boundary = submission->contentType.mid(30);
    QCOMPARE(submission->body,
             "--" + boundary + "\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\nx y\r\n" +
                 "--" + boundary +
                 "\r\nContent-Disposition: form-data; name=\"t\"\r\n\r\n1\r\n2\r\n" + "--" +
                 boundary + "\r\nContent-Disposition: form-data; name=\"s\"\r\n\r\ngo\r\n" + "--" +
                 boundary + "--\r\n");
}

void TestHtmlForm::noFormOnPage()
{
    HtmlPage page = pageOf(QStringLiteral("<p>No form here <input name=loose></p>"));
    QVERIFY(!page.hasForm());
    QVERIFY(!page.form());
    QCOMPARE(page.body().text(), QStringLiteral("No form here "));
}
