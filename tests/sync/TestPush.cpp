#include "TestPush.h"

#include "SyncFixture.h"
#include "TestEnvironment.h"

#include <QApplication>
#include <QCheckBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {
QList<HttpRequest> posts(NotesSite &site)
{
    QList<HttpRequest> result;
    for (const HttpRequest &request : site.server().requestsFor("/noteimport.aspx")) {
        if (request.method == "POST")
            result << request;
    }
    return result;
}
} // namespace

void TestPush::notesSentAsStored()
{
    SyncFixture fixture;
    fixture.writeFile("PinvelleQuill1.pv", "plain\r\n");
    fixture.writeFile("PinvelleQuill2.pv", "ends with a line end\r\n\r\n");
    fixture.writeFile("Empty.pv", "");
    fixture.writeFile("SHOUT.PV", "capital extension\r\n");
    fixture.writeFile("Multi.pv", QStringLiteral("two\r\nlines – Grüße 週末\r\n").toUtf8());
    fixture.writeFile("skipped.pv", "not selected\r\n");
    SyncWindow &window = fixture.window();
    fixture.select({"PinvelleQuill1.pv", "PinvelleQuill2.pv", "Empty.pv", "SHOUT.PV", "Multi.pv"});
    QSignalSpy progress(&window.pushTransfer(), &PushTransfer::progress);
    QVERIFY(fixture.push());

    const QList<NotesSite::Upload> uploads = fixture.site().uploads();
    QStringList names;
    QStringList texts;
    for (const NotesSite::Upload &upload : uploads) {
        names << upload.name;
        texts << upload.text;
        QVERIFY(upload.accepted);
        QCOMPARE(upload.email, SyncFixture::kEmail);
    }
    // List order, which is the folder's order without regard to case.
    QCOMPARE(names, (QStringList{"Empty.pv", "Multi.pv", "PinvelleQuill1.pv", "PinvelleQuill2.pv",
                                 "SHOUT.PV"}));
    QCOMPARE(texts, (QStringList{"", QStringLiteral("two\r\nlines – Grüße 週末\r\n"), "plain\r\n",
                                 "ends with a line end\r\n\r\n", "capital extension\r\n"}));
    // The body itself carries CR LF line ends and UTF-8.
    QVERIFY(posts(fixture.site())
                .at(1)
                .body.contains(
                    "TextBox5=two%0D%0Alines+%E2%80%93+Gr%C3%BC%C3%9Fe+%E9%80%B1%E6%9C%AB%0D%0A"));
    // Session cookie and state field went back with every submission.
    QCOMPARE(fixture.site().staleSubmissions(), 0);
    QCOMPARE(fixture.site().server().requestsFor("/noteimport.aspx").first().method,
             QByteArray("GET"));

    QStringList steps;
    for (const QList<QVariant> &signal : progress)
        steps << signal.at(0).toString();
    QCOMPARE(steps, (QStringList{"Pushing 1 of 5", "Pushing 2 of 5", "Pushing 3 of 5",
                                 "Pushing 4 of 5", "Pushing 5 of 5"}));
    QCOMPARE(window.statusText(), QStringLiteral("Sent 5 notes: 5 stored."));
    QCOMPARE(child<QLabel>(&window, "Label2")->text(), QStringLiteral("Password"));
    QCOMPARE(child<QLineEdit>(&window, "Text2")->text(), SyncFixture::kPassword);
}

void TestPush::overwriteFlag_data()
{
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("flag");
    QTest::newRow("unticked") << false << "0";
    QTest::newRow("ticked") << true << "1";
}

void TestPush::overwriteFlag()
{
    QFETCH(bool, ticked);
    QFETCH(QString, flag);
    SyncFixture fixture;
    fixture.writeFile("a.pv", "first\r\n");
    fixture.site().addNote(SyncFixture::kEmail, "a.pv", "old");
    SyncWindow &window = fixture.window();
    child<QCheckBox>(&window, "Check1")->setChecked(ticked);
    fixture.select({"a.pv"});
    QVERIFY(fixture.push());

    const HttpRequest request = fixture.site().server().requestsFor("/noteimport.aspx").first();
    QCOMPARE(request.method, QByteArray("GET"));
    const QString target = QString::fromLatin1(request.target);
    const QString prefix = QStringLiteral("/noteimport.aspx?overwrite=") + flag + '&';
    QVERIFY2(target.startsWith(prefix), request.target);
    // The date travels percent-encoded: no blank, no second key, no fragment.
    const QString date = target.mid(prefix.size());
    QVERIFY(!date.isEmpty());
    QVERIFY2(!date.contains(' ') && !date.contains('&') && !date.contains('#') &&
                 !date.contains('='),
             request.target);
    QVERIFY(!QUrl::fromPercentEncoding(date.toLatin1()).isEmpty());
    QCOMPARE(fixture.site().uploads().size(), 1);
    QCOMPARE(fixture.site().uploads().first().overwrite, ticked);
    QCOMPARE(fixture.site().notes(SyncFixture::kEmail).size(), 1);
    QCOMPARE(fixture.site().notes(SyncFixture::kEmail).first().text,
             ticked ? QStringLiteral("first\r\n") : QStringLiteral("old"));
}

void TestPush::refusedBeforeStart_data()
{
    QTest::addColumn<bool>("pushing");
    QTest::addColumn<QString>("field"); // emptied, or none: nothing is selected
    QTest::addColumn<QString>("status");
    QTest::newRow("no selection") << true << ""
                                  << "Select the notes to push in the list first.";
    QTest::newRow("no e-mail") << true << "Text1"
                               << "Type the e-mail address of your account first.";
    QTest::newRow("no password") << false << "Text2"
                                 << "Type the password of your account first.";
}

void TestPush::refusedBeforeStart()
{
    QFETCH(bool, pushing);
    QFETCH(QString, field);
    QFETCH(QString, status);
    SyncFixture fixture;
    fixture.writeFile("a.pv", "a\r\n");
    SyncWindow &window = fixture.window();
    if (!field.isEmpty()) {
        fixture.select({"a.pv"});
        child<QLineEdit>(&window, field.toLatin1().constData())->setText(" ");
    }
    QVERIFY(!(pushing ? fixture.push() : fixture.pull()));
    QCOMPARE(fixture.site().server().requestsFor("/noteimport.aspx").size(), 0);
    QCOMPARE(child<QLabel>(&window, "LabelStatus")->text(), status);
}

void TestPush::wrongPassword()
{
    SyncFixture fixture;
    for (const char *name : {"a.pv", "b.pv", "c.pv"})
        fixture.writeFile(name, QByteArray(name) + "\r\n");
    SyncWindow &window = fixture.window();
    child<QLineEdit>(&window, "Text2")->setText("wrong");
    child<QPushButton>(&window, "Command5")->click();
    QVERIFY(fixture.push());

    const QList<NotesSite::Upload> uploads = fixture.site().uploads();
    QCOMPARE(uploads.size(), 3);
    QCOMPARE(uploads.at(0).password, QStringLiteral("wrong"));
    QCOMPARE(uploads.at(1).password, QString());
    QCOMPARE(uploads.at(2).password, QString());
    QCOMPARE(uploads.at(2).name, QStringLiteral("c.pv"));
    QCOMPARE(child<QLabel>(&window, "Label2")->text(),
             QStringLiteral("The password or Email Address was incorrect"));
    QVERIFY(child<QLineEdit>(&window, "Text2")->text().isEmpty());
    // On one line: a second would hide under the password box.
    QVERIFY(!child<QLabel>(&window, "Label2")->wordWrap());
    QVERIFY(child<QLabel>(&window, "Label2")
                ->fontMetrics()
                .horizontalAdvance(child<QLabel>(&window, "Label2")->text()) <=
            child<QLabel>(&window, "Label2")->width());
    QCOMPARE(window.statusText(), QStringLiteral("Sent 3 notes: 3 refused by the site."));
    QVERIFY(fixture.site().notes(SyncFixture::kEmail).isEmpty());
}

void TestPush::selectionReadAsReached()
{
    SyncFixture fixture;
    for (const char *name : {"a.pv", "b.pv", "c.pv"})
        fixture.writeFile(name, "x\r\n");
    SyncWindow &window = fixture.window();
    fixture.select({"a.pv", "c.pv"});
    // While the first note is on its way the user picks b and drops c.
    connect(&window.pushTransfer(), &PushTransfer::progress, &window, [&window](const QString &) {
        child<QListWidget>(&window, "List1")->item(1)->setSelected(true);
        child<QListWidget>(&window, "List1")->item(2)->setSelected(false);
    });
    QVERIFY(fixture.push());
    QStringList names;
    for (const NotesSite::Upload &upload : fixture.site().uploads())
        names << upload.name;
    QCOMPARE(names, (QStringList{"a.pv", "b.pv"}));
}

void TestPush::unreadableNote()
{
    SyncFixture fixture;
    fixture.writeFile("a.pv", "a\r\n");
    fixture.writeFile("b.pv", "b\r\n");
    SyncWindow &window = fixture.window();
    child<QPushButton>(&window, "Command5")->click();
    QVERIFY(QFile::remove(fixture.path("a.pv")));
    QVERIFY(fixture.push());
    QCOMPARE(fixture.site().uploads().size(), 1);
    QCOMPARE(fixture.site().uploads().first().name, QStringLiteral("b.pv"));
    QCOMPARE(window.statusText(), QStringLiteral("Sent 1 note: 1 stored. 1 unreadable."));
}

void TestPush::siteDown()
{
    SyncFixture fixture;
    fixture.writeFile("a.pv", "a\r\n");
    SyncWindow &window = fixture.window();
    child<QPushButton>(&window, "Command5")->click();
    fixture.site().server().close();
    QVERIFY(fixture.push());
    QCOMPARE(fixture.site().uploads().size(), 0);
    QVERIFY(window.statusText().startsWith(QLatin1String("Stopped: ")));
    // The window is still usable.
    child<QPushButton>(&window, "Command8")->click();
    QCOMPARE(child<QListWidget>(&window, "List1")->selectedItems().size(), 0);
}

void TestPush::pageWithoutForm()
{
    SyncFixture fixture;
    fixture.writeFile("a.pv", "a\r\n");
    fixture.site().server().route("/noteimport.aspx", [](const HttpRequest &) {
        return HttpResponse::html("<html><body><p>Down for maintenance</p></body></html>");
    });
    SyncWindow &window = fixture.window();
    child<QPushButton>(&window, "Command5")->click();
    QVERIFY(fixture.push());
    QCOMPARE(posts(fixture.site()).size(), 0);
    QCOMPARE(window.statusText(),
             QStringLiteral("Stopped: The site's page holds no form. Sent 0 notes."));
}

void TestPush::hugePage()
{
    SyncFixture fixture;
    fixture.writeFile("a.pv", "a\r\n");
    fixture.site().server().route("/noteimport.aspx", [](const HttpRequest &) {
        QByteArray page = "<html><body><form method=\"post\"><input name=\"Button1\" "
                          "type=\"submit\"></form><p>";
        page += QByteArray(20 * 1024 * 1024, 'x');
        page += "</p></body></html>";
        return HttpResponse::html(page);
    });
    SyncWindow &window = fixture.window();
    child<QPushButton>(&window, "Command5")->click();
    QVERIFY(fixture.push());
    QCOMPARE(posts(fixture.site()).size(), 0);
    QVERIFY(window.statusText().contains(QLatin1String("Stopped: ")));
}

void TestPush::outcomes_data()
{
    QTest::addColumn<bool>("overwrite");
    // Per note, alpha to delta: held by the site with another text, this very text, refused.
    QTest::addColumn<QString>("site");
    QTest::addColumn<QString>("answer"); // in place of the site's result element
    QTest::addColumn<QString>("status");
    QTest::newRow("stored") << false << "----"
                            << ""
                            << "Sent 4 notes: 4 stored.";
    QTest::newRow("replaced") << true << "dds-"
                              << ""
                              << "Sent 4 notes: 1 stored, 2 replaced, 1 already there.";
    QTest::newRow("kept") << false << "dsdr"
                          << ""
                          << "Sent 4 notes: 2 kept, 1 already there, 1 refused by the site. Kept "
                             "on the site (differs): alpha note.pv, charlie note.pv.";
    QTest::newRow("many kept") << false << "dddd"
                               << ""
                               << "Sent 4 notes: 4 kept. Kept on the site (differs): alpha "
                                  "note.pv, bravo note.pv and 2 more.";
    QTest::newRow("older site") << false << "d---"
                                << "<p><span id=\"Label1\">Done.</span></p>"
                                << "Sent 4 notes: 4 not confirmed by the site.";
}

void TestPush::outcomes()
{
    QFETCH(bool, overwrite);
    QFETCH(QString, site);
    QFETCH(QString, answer);
    SyncFixture fixture;
    const QStringList names{"alpha note.pv", "bravo note.pv", "charlie note.pv", "delta note.pv"};
    for (int i = 0; i < names.size(); ++i) {
        fixture.writeFile(names[i], names[i].toUtf8());
        if (site[i] == 'r')
            fixture.site().refuse(names[i]);
        else if (site[i] != '-')
            fixture.site().addNote(SyncFixture::kEmail, names[i], site[i] == 's' ? names[i] : "");
    }
    fixture.site().setAnswer(answer);
    SyncWindow &window = fixture.window();
    child<QCheckBox>(&window, "Check1")->setChecked(overwrite);
    child<QPushButton>(&window, "Command5")->click();
    QVERIFY(fixture.push());
    QTEST(window.statusText(), "status");
}

void TestPush::noPauseBetweenNotes()
{
    // A pause of a second per note would take twenty here.
    SyncFixture fixture;
    for (int i = 0; i < 20; ++i)
        fixture.writeFile(QStringLiteral("n%1.pv").arg(i, 2, 10, QLatin1Char('0')), "n\r\n");
    SyncWindow &window = fixture.window();
    child<QPushButton>(&window, "Command5")->click();
    child<QPushButton>(&window, "Command1")->click();
    QTRY_COMPARE_WITH_TIMEOUT(fixture.site().uploads().size(), 20, 5000);
    QTRY_COMPARE(window.statusText(), QStringLiteral("Sent 20 notes: 20 stored."));
}

void TestPush::closeDuringPush()
{
    SyncFixture fixture;
    fixture.writeFile("a.pv", "a\r\n");
    fixture.writeFile("b.pv", "b\r\n");
    SyncWindow &window = fixture.window();
    child<QPushButton>(&window, "Command5")->click();
    QPointer<SyncWindow> watched(&window);
    HttpTestServer &server = fixture.site().server();
    // The first submission never gets an answer.
    int posted = 0;
    server.route("/noteimport.aspx", [&posted](const HttpRequest &request) {
        if (request.method == "POST") {
            ++posted;
            HttpResponse response;
            response.stall = true;
            return response;
        }
        return HttpResponse::html("<html><body><form method=\"post\"><input name=\"TextBox4\">"
                                  "<input type=\"submit\" name=\"Button1\"></form></body></html>");
    });
    child<QPushButton>(&window, "Command1")->click();
    QTRY_COMPARE(posted, 1);
    window.close();
    QTRY_VERIFY(!watched);
    // Its browser went with it: nothing more is sent, and no window comes back.
    QCOMPARE(posted, 1);
    for (QWidget *widget : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<SyncWindow *>(widget));
}

void TestPush::passwordKeptOffDisk()
{
    SyncFixture fixture;
    fixture.writeFile("a.pv", "a\r\n");
    fixture.site().addNote(SyncFixture::kEmail, "pulled.pv", "from the site");
    SyncWindow &window = fixture.window();
    child<QPushButton>(&window, "Command5")->click();
    QVERIFY(fixture.push());
    QVERIFY(fixture.pull());
    QVERIFY(fixture.exists("pulled.pv"));
    const QByteArray secret = SyncFixture::kPassword.toUtf8();
    for (const QString &root : {fixture.folder(), TestEnvironment::instance()->configHome(),
                                TestEnvironment::instance()->dataHome()}) {
        QDirIterator files(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            QVERIFY(file.open(QIODevice::ReadOnly));
            QVERIFY2(!file.readAll().contains(secret), qPrintable(file.fileName()));
        }
    }
}
