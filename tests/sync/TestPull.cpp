#include "TestPull.h"

#include "Child.h"

#include "SyncFixture.h"
#include "TestEnvironment.h"

#include "web/Browser.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {
const QString kEmail = SyncFixture::kEmail;
// A note file as the note store writes it: the text, then a line end.
const QByteArray kRoundTrip = QStringLiteral("tea & cake <3 > \"quoted\" 'single' &amp;\r\n"
                                             "\tTabbed\tline\r\nGr\u00fc\u00dfe \u9031\u672b\r\n"
                                             "ends in blanks   \r\n")
                                  .toUtf8();

// The program's message boxes that are open now, their texts.
QStringList notices()
{
    QStringList texts;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(widget); box && box->isVisible())
            texts << box->text();
    }
    return texts;
}

void closeNotices()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(widget))
            box->close();
    }
}
} // namespace

void TestPull::overwriteLocal_data()
{
    QTest::addColumn<bool>("ticked");
    QTest::newRow("local notes kept") << false;
    QTest::newRow("local notes replaced") << true;
}

void TestPull::overwriteLocal()
{
    QFETCH(bool, ticked);
    SyncFixture fixture;
    TestEnvironment::instance()->clearTrash();
    fixture.writeFile("PinvelleQuill1.pv", "local\r\n");
    fixture.writeFile("zero.pv", "");
    fixture.site().addNote(kEmail, "PinvelleQuill1.pv", "site one");
    fixture.site().addNote(kEmail, "zero.pv", "site zero");
    fixture.site().addNote(kEmail, "Upper.PV", "upper");
    fixture.site().addNote(kEmail, "no extension", "plain");
    fixture.site().addNote(kEmail, QStringLiteral("Grüße"), QStringLiteral("週末 – é"));
    SyncWindow &window = fixture.window();
    child<QCheckBox>(&window, "Check2")->setChecked(ticked);
    QSignalSpy pulled(&window, &SyncWindow::notesPulled);
    QVERIFY(fixture.pull());

    QCOMPARE(fixture.readFile("PinvelleQuill1.pv"),
             ticked ? QByteArray("site one\r\n") : QByteArray("local\r\n"));
    QCOMPARE(fixture.readFile("zero.pv"), QByteArray("site zero\r\n"));
    QCOMPARE(fixture.readFile("Upper.PV"), QByteArray("upper\r\n"));
    QCOMPARE(fixture.readFile("no extension.pv"), QByteArray("plain\r\n"));
    QCOMPARE(fixture.readFile(QStringLiteral("Grüße.pv")), QStringLiteral("週末 – é\r\n").toUtf8());
    QCOMPARE(fixture.files().size(), 5);
    // The replaced text is in the trash; the empty file held nothing worth keeping.
    QCOMPARE(TestEnvironment::instance()->trashed(),
             ticked ? QList<QByteArray>({"local\r\n"}) : QList<QByteArray>());
    QCOMPARE(pulled.size(), 1);
    QCOMPARE(window.statusText(),
             ticked ? "Stored 5 notes, kept 0, refused 0. The local notes it replaced went to " +
                          TestEnvironment::instance()->dataHome() + "/Trash/files."
                    : QStringLiteral("Stored 4 notes, kept 1, refused 0."));
    QCOMPARE(fixture.site().staleSubmissions(), 0);
    // Only the e-mail address and password were filled in, and the pull button clicked.
    const HttpRequest post = fixture.site().server().requestsFor("/noteimport.aspx").last();
    QCOMPARE(post.formValue("TextBox1"), kEmail);
    QCOMPARE(post.formValue("TextBox2"), SyncFixture::kPassword);
    QVERIFY(post.hasFormValue("Button2"));
    QVERIFY(!post.hasFormValue("Button1"));
    QCOMPARE(post.formValue("TextBox4"), QString());
}

void TestPull::blankSiteNote_data()
{
    QTest::addColumn<bool>("ticked");
    QTest::newRow("unticked") << false;
    QTest::newRow("ticked") << true;
}

void TestPull::blankSiteNote()
{
    QFETCH(bool, ticked);
    SyncFixture fixture;
    TestEnvironment::instance()->clearTrash();
    fixture.writeFile("a.pv", "local a\r\n");
    fixture.site().addNote(kEmail, "a.pv", "   ");
    fixture.site().addNote(kEmail, "b.pv", "  ");
    SyncWindow &window = fixture.window();
    child<QCheckBox>(&window, "Check2")->setChecked(ticked);
    QVERIFY(fixture.pull());
    // A blank text stores nothing; ticked, the local note of that name goes.
    QCOMPARE(fixture.exists("a.pv"), !ticked);
    QVERIFY(!fixture.exists("b.pv"));
    QCOMPARE(TestEnvironment::instance()->trashed().size(), ticked ? 1 : 0);
}

void TestPull::ordinaryPages_data()
{
    QTest::addColumn<QString>("answer"); // the site's answers after its form; empty: its own
    QTest::addColumn<bool>("refused");   // the push found the log-in failure
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QByteArrayList>("files");

    const auto cells = [](const QString &nameTag, const QString &name, const QString &dataTag,
                          const QString &data) {
        return QStringLiteral("<tr>%1Note Name:%2</td></tr><tr>%3Note Data:%4</td></tr>")
            .arg(nameTag, name, dataTag, data);
    };
    const QString plainCell = QStringLiteral("<td nowrap width=\"25%\">");
    QTest::newRow("round trip through the site")
        << QString() << false << QStringList{"sent.pv"} << QByteArrayList{kRoundTrip};
    QTest::newRow("table with more attributes")
        << "<table border=\"1\" id=\"Table2\" cellpadding=\"2\">" +
               cells(plainCell, "a.pv", plainCell, "first") + "</table>"
        << false << QStringList{"a.pv"} << QByteArrayList{"first\r\n"};
    QTest::newRow("upper case tags and bare values")
        << "<TABLE ID=Table2 BORDER=0>" +
               cells("<TD NOWRAP WIDTH=25%>", "b", "<TD WIDTH=25% NoWrap>", "second") + "</TABLE>"
        << false << QStringList{"b.pv"} << QByteArrayList{"second\r\n"};
    QTest::newRow("width before nowrap, nowrap with a value")
        << "<table class='notes' id='Table2'>" +
               cells("<td width='25%' nowrap='nowrap'>", "c", "<td width=\"25%\" nowrap=\"\">",
                     "third") +
               "</table>"
        << false << QStringList{"c.pv"} << QByteArrayList{"third\r\n"};
    QTest::newRow("references in names and texts, markup shown as text")
        << "<table id=\"Table2\">" +
               cells(plainCell, "tea &amp; cake&#46;pv", plainCell,
                     "&lt;3 &quot;q&quot; &#39;s&#x27; caf&eacute; <b>bold</b> &amp;amp;") +
               "</table>"
        << false << QStringList{"tea & cake.pv"}
        << QByteArrayList{QStringLiteral("<3 \"q\" 's' caf\u00e9 bold &amp;\r\n").toUtf8()};
    QTest::newRow("only the first table with the id")
        << "<div id=\"Table2\">" + cells(plainCell, "div", plainCell, "no") +
               "</div><table id=\"Table1\">" + cells(plainCell, "other", plainCell, "no") +
               "</table><table id=\"Table2\">" + cells(plainCell, "d", plainCell, "yes") +
               "</table><table id=\"Table2\">" + cells(plainCell, "second", plainCell, "no") +
               "</table>"
        << false << QStringList{"d.pv"} << QByteArrayList{"yes\r\n"};
    QTest::newRow("log-in failure in a result span with a class")
        << "<p><span class=\"error big\" id=Label1>The password or Email Address was "
           "incorrect</span></p>"
        << true << QStringList() << QByteArrayList();
    QTest::newRow("failure text outside the result element")
        << "<p><span id='Label1'>Saved.</span></p><p>The password or Email Address was "
           "incorrect</p>"
        << false << QStringList() << QByteArrayList();
}

void TestPull::ordinaryPages()
{
    QFETCH(QString, answer);
    QFETCH(bool, refused);
    QFETCH(QStringList, names);
    QFETCH(QByteArrayList, files);
    SyncFixture fixture;
    fixture.writeFile("sent.pv", kRoundTrip);
    fixture.site().setAnswer(answer);
    SyncWindow &window = fixture.window();
    fixture.select({"sent.pv"});
    QVERIFY(fixture.push());
    QCOMPARE(child<QLabel>(&window, "Label2")->text() != QLatin1String("Password"), refused);
    // Pulled into an empty folder.
    QVERIFY(QFile::remove(fixture.path("sent.pv")));
    QCOMPARE(fixture.pull(), !refused); // a refused log-in emptied the password
    QCOMPARE(fixture.files(), names);
    for (int i = 0; i < names.size(); ++i)
        QCOMPARE(fixture.readFile(names.at(i)), files.at(i));
}

void TestPull::pullTwice()
{
    SyncFixture fixture;
    fixture.site().addNote(kEmail, "a.pv", "version one");
    SyncWindow &window = fixture.window();
    QVERIFY(fixture.pull());
    QCOMPARE(fixture.readFile("a.pv"), QByteArray("version one\r\n"));
    fixture.site().addNote(kEmail, "a.pv", "version two");
    QVERIFY(fixture.pull());
    QCOMPARE(fixture.readFile("a.pv"), QByteArray("version one\r\n"));
    QCOMPARE(window.statusText(), QStringLiteral("Stored 0 notes, kept 2, refused 0."));
}

void TestPull::pushThenPullKeepsTheFile()
{
    SyncFixture fixture;
    const QByteArray plain("plain\r\n");
    const QByteArray ending("ends with a line end\r\n\r\n");
    fixture.writeFile("a.pv", plain);
    fixture.writeFile("b.pv", ending);
    SyncWindow &window = fixture.window();
    fixture.select({"a.pv", "b.pv"});
    QVERIFY(fixture.push());
    child<QCheckBox>(&window, "Check2")->setChecked(true);
    for (int round = 0; round < 2; ++round) {
        QVERIFY(fixture.pull());
        QCOMPARE(fixture.readFile("a.pv"), plain);
        QCOMPARE(fixture.readFile("b.pv"), ending);
    }
}

void TestPull::hostileNames()
{
    QTemporaryDir outside;
    SyncFixture fixture;
    const QString escape =
        QStringLiteral("../") + QFileInfo(outside.path()).fileName() + QStringLiteral("/escaped");
    const QString absolute = outside.filePath("absolute");
    fixture.site().addNote(kEmail, escape, "x");
    fixture.site().addNote(kEmail, absolute, "x");
    // Absolute names point into a scratch folder, so a fault here cannot touch the system.
    fixture.site().addNote(kEmail, outside.filePath("passwd"), "root::0:0::/:/bin/sh");
    fixture.site().addNote(kEmail, "..", "x");
    fixture.site().addNote(kEmail, "tab\there", "x");
    fixture.site().addNote(kEmail, QStringLiteral("esc\x1b[2Jape"), "x");
    fixture.site().addNote(kEmail, QString(300, 'n'), "x");
    fixture.site().addNote(kEmail, "fine", "kept");
    // A link already in the folder that points outside it.
    {
        QFile target(outside.filePath("target.pv"));
        QVERIFY(target.open(QIODevice::WriteOnly));
        target.write("outside\r\n");
    }
    QVERIFY(QFile::link(outside.filePath("target.pv"), fixture.path("linked.pv")));
    fixture.site().addNote(kEmail, "linked.pv", "through the link");
    SyncWindow &window = fixture.window();
    child<QCheckBox>(&window, "Check2")->setChecked(true);
    QVERIFY(fixture.pull());

    QCOMPARE(fixture.files(), (QStringList{"fine.pv", "linked.pv"}));
    QCOMPARE(fixture.readFile("fine.pv"), QByteArray("kept\r\n"));
    QCOMPARE(QDir(outside.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             QStringList{"target.pv"});
    QFile target(outside.filePath("target.pv"));
    QVERIFY(target.open(QIODevice::ReadOnly));
    QCOMPARE(target.readAll(), QByteArray("outside\r\n"));
    QCOMPARE(window.statusText(), QStringLiteral("Stored 1 note, kept 0, refused 8."));
    const QStringList shown = notices();
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown.first().contains(QLatin1String("/passwd")));
    QVERIFY(shown.first().contains(QLatin1String("escaped")));
    QVERIFY(shown.first().contains(QLatin1String("tab?here")));
    closeNotices();
}

void TestPull::tableEndingWithDataCell()
{
    SyncFixture fixture;
    fixture.site().setTableFooter(false);
    fixture.site().addNote(kEmail, "a.pv", "first");
    fixture.site().addNote(kEmail, "b.pv", "last in the table");
    fixture.window();
    QVERIFY(fixture.pull());
    QCOMPARE(fixture.readFile("b.pv"), QByteArray("last in the table\r\n"));
    QCOMPARE(fixture.files(), (QStringList{"a.pv", "b.pv"}));
}

void TestPull::dataBeforeAnyName()
{
    SyncFixture fixture;
    fixture.site().setExtraRows(
        "<tr><td nowrap width=\"25%\">Note Data:no name for this</td></tr>\n");
    fixture.site().addNote(kEmail, "a.pv", "named");
    fixture.window();
    QVERIFY(fixture.pull());
    QCOMPARE(fixture.files(), QStringList{"a.pv"});
}

void TestPull::overwriteReadForEveryNote()
{
    SyncFixture fixture;
    fixture.writeFile("a.pv", "local a\r\n");
    fixture.writeFile("b.pv", "local b\r\n");
    fixture.site().addNote(kEmail, "a.pv", "site a");
    fixture.site().addNote(kEmail, "b.pv", "site b");
    SyncWindow &window = fixture.window();
    QStringList steps;
    connect(&window.pullTransfer(), &PullTransfer::progress, &window, [&](const QString &text) {
        steps << text;
        if (text == QLatin1String("Pulling 2 of 2"))
            child<QCheckBox>(&window, "Check2")->setChecked(true);
    });
    QVERIFY(fixture.pull());
    QCOMPARE(steps, (QStringList{"Pulling 1 of 2", "Pulling 2 of 2"}));
    QCOMPARE(fixture.readFile("a.pv"), QByteArray("local a\r\n"));
    QCOMPARE(fixture.readFile("b.pv"), QByteArray("site b\r\n"));
}

void TestPull::wrongPassword()
{
    SyncFixture fixture;
    fixture.site().addNote(kEmail, "a.pv", "secret note");
    SyncWindow &window = fixture.window();
    child<QLineEdit>(&window, "Text2")->setText("wrong");
    QVERIFY(fixture.pull());
    QVERIFY(fixture.files().isEmpty());
    QCOMPARE(child<QLabel>(&window, "Label2")->text(), QStringLiteral("Password"));
    QCOMPARE(child<QLineEdit>(&window, "Text2")->text(), QStringLiteral("wrong"));
    QCOMPARE(window.statusText(), QStringLiteral("Stored 0 notes, kept 0, refused 0."));
}

void TestPull::siteDown()
{
    SyncFixture fixture;
    SyncWindow &window = fixture.window();
    fixture.site().server().close();
    QVERIFY(fixture.pull());
    QVERIFY(fixture.files().isEmpty());
    QVERIFY(window.statusText().contains(QLatin1String("Stopped: ")));
}

void TestPull::pageWithoutForm()
{
    SyncFixture fixture;
    fixture.site().server().route("/noteimport.aspx", [](const HttpRequest &) {
        return HttpResponse::html(
            "<html><body><table id=\"Table2\"><tr><td nowrap width=\"25%\">Note Name:a</td>"
            "<td nowrap width=\"25%\">Note Data:text</td></tr></table></body></html>");
    });
    SyncWindow &window = fixture.window();
    QVERIFY(fixture.pull());
    // Without a form nothing is read, even a table.
    QVERIFY(fixture.files().isEmpty());
    QCOMPARE(fixture.site().server().requests().size(), 1);
    QCOMPARE(window.statusText(),
             QStringLiteral("Stopped: The site's page holds no form. Stored 0 notes, kept 0, "
                            "refused 0."));
}

void TestPull::hugePage()
{
    SyncFixture fixture;
    fixture.site().addNote(kEmail, "a.pv", "x");
    HttpTestServer &server = fixture.site().server();
    // The log-in form comes, then an answer of 20 MB.
    NotesSite &site = fixture.site();
    server.route("/noteimport.aspx", [&site](const HttpRequest &request) {
        if (request.method == "GET") {
            HttpResponse page = HttpResponse::html(
                "<html><body><form method=\"post\"><input name=\"TextBox1\"><input "
                "name=\"TextBox2\"><input type=\"submit\" name=\"Button2\"></form></body></html>");
            return page;
        }
        Q_UNUSED(site);
        QByteArray page = "<html><body><table id=\"Table2\"><tr><td nowrap width=\"25%\">Note "
                          "Name:a</td><td nowrap width=\"25%\">Note Data:";
        page += QByteArray(20 * 1024 * 1024, 'x');
        page += "</td></tr></table></body></html>";
        return HttpResponse::html(page);
    });
    SyncWindow &window = fixture.window();
    QVERIFY(fixture.pull());
    QVERIFY(fixture.files().isEmpty());
    QVERIFY(window.statusText().contains(QLatin1String("Stopped: ")));
}

void TestPull::closeDuringPull()
{
    SyncFixture fixture;
    fixture.site().addNote(kEmail, "a.pv", "x");
    SyncWindow &window = fixture.window();
    QPointer<SyncWindow> watched(&window);
    HttpTestServer &server = fixture.site().server();
    int posted = 0;
    server.route("/noteimport.aspx", [&posted](const HttpRequest &request) {
        if (request.method == "POST") {
            ++posted;
            HttpResponse response;
            response.stall = true;
            return response;
        }
        return HttpResponse::html("<html><body><form method=\"post\"><input "
                                  "type=\"submit\" name=\"Button2\"></form></body></html>");
    });
    child<QPushButton>(&window, "Command2")->click();
    QTRY_COMPARE(posted, 1);
    child<QPushButton>(&window, "Command4")->click();
    QTRY_VERIFY(!watched);
    QVERIFY(fixture.files().isEmpty());
    for (QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<SyncWindow *>(widget));
}

void TestPull::pushAndPullTogether()
{
    SyncFixture fixture;
    fixture.writeFile("local.pv", "to the site\r\n");
    fixture.site().addNote(kEmail, "remote.pv", "from the site");
    SyncWindow &window = fixture.window();
    child<QPushButton>(&window, "Command5")->click();
    child<QPushButton>(&window, "Command1")->click();
    child<QPushButton>(&window, "Command2")->click();
    QVERIFY(!child<QPushButton>(&window, "Command1")->isEnabled());
    QVERIFY(!child<QPushButton>(&window, "Command2")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(child<QPushButton>(&window, "Command1")->isEnabled() &&
                                 child<QPushButton>(&window, "Command2")->isEnabled(),
                             20000);
    QCOMPARE(fixture.site().uploads().size(), 1);
    QCOMPARE(fixture.site().uploads().first().text, QStringLiteral("to the site\r\n"));
    QCOMPARE(fixture.readFile("remote.pv"), QByteArray("from the site\r\n"));
    QCOMPARE(fixture.site().staleSubmissions(), 0);
}

void TestPull::siteNeedsItsSession()
{
    // The double holds the program to what the real site asks: its state field and cookie.
    SyncFixture fixture;
    fixture.site().addNote(kEmail, "a.pv", "x");
    Browser browser;
    QSignalSpy loaded(&browser, &Browser::loadFinished);
    browser.navigate(QUrl(fixture.site().baseAddress() + "noteimport.aspx?x"));
    QVERIFY(loaded.wait());
    HtmlForm *form = browser.form();
    QVERIFY(form);
    form->setValue(form->indexOf("TextBox1"), kEmail);
    form->setValue(form->indexOf("TextBox2"), SyncFixture::kPassword);
    form->setValue(form->indexOf("__VIEWSTATE"), "forged");
    QVERIFY(browser.click(form->indexOf("Button2")));
    QVERIFY(loaded.wait());
    QCOMPARE(browser.httpStatus(), 400);
    QCOMPARE(fixture.site().staleSubmissions(), 1);
    QVERIFY(browser.document().elementById(u"Table2").isNull());
}
