#include "TestSite.h"

#include "SiteProcess.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTcpSocket>
#include <QTest>

#include <sodium.h>

namespace {
const QString kEmail = QStringLiteral("ann@example.org");
const QString kPassword = QStringLiteral("correct horse");

QList<std::pair<QString, QString>> note(const QString &name, const QString &text,
                                        const QString &password = kPassword)
{
    return {{"TextBox1", kEmail},
            {"TextBox2", password},
            {"TextBox4", name},
            {"TextBox5", text},
            {"Button1", "Upload"}};
}

// Signs a program in through the sync API: the header that carries its token.
QByteArray signInDevice(SiteProcess &site, const QByteArray &device = "laptop")
{
    const SiteProcess::Reply reply = site.request(
        "POST", "/api/session",
        R"({"email":"ann@example.org","password":"correct horse","device":")" + device + "\"}",
        "Content-Type: application/json\r\n");
    const QByteArray token = QJsonDocument::fromJson(reply.body)["token"].toString().toLatin1();
    return token.isEmpty() ? QByteArray() : "Authorization: Bearer " + token + "\r\n";
}

QList<std::pair<QString, QString>> download()
{
    return {{"TextBox1", kEmail}, {"TextBox2", kPassword}, {"Button2", "Download"}};
}
} // namespace

void TestSite::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("says");
    QTest::newRow("account made") << QStringList{"add-account", "Bo@Example.org"}
                                  << QByteArray("long enough\n") << 0 << QByteArray("created");
    QTest::newRow("account exists") << QStringList{"add-account", "ann@EXAMPLE.org"}
                                    << QByteArray("long enough\n") << 1 << QByteArray("exists");
    QTest::newRow("weak password") << QStringList{"add-account", "cy@example.org"}
                                   << QByteArray("short\n") << 1 << QByteArray("at least");
    QTest::newRow("bad e-mail") << QStringList{"add-account", "nobody"}
                                << QByteArray("long enough\n") << 1 << QByteArray("not an e-mail");
    QTest::newRow("common password") << QStringList{"add-account", "cy@example.org"}
                                     << QByteArray("Password123\n") << 1 << QByteArray("guessers");
    QTest::newRow("new password") << QStringList{"passwd", "ANN@example.org"}
                                  << QByteArray("another long one\n") << 0
                                  << QByteArray("sessions ended");
    QTest::newRow("no such account") << QStringList{"sign-out-everywhere", "bo@example.org"}
                                     << QByteArray() << 1 << QByteArray("no account");
    QTest::newRow("delete unasked") << QStringList{"delete-account", "ann@example.org"}
                                    << QByteArray("yes\n") << 1 << QByteArray("--yes");
    QTest::newRow("delete") << QStringList{"delete-account", "ann@example.org", "--yes"}
                            << QByteArray() << 0 << QByteArray("deleted");
    QTest::newRow("bad database") << QStringList{"--database", "mysql://x"} << QByteArray() << 1
                                  << QByteArray("neither");
}

void TestSite::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, input);
    SiteProcess site;
    QVERIFY(site.addAccount(kEmail, kPassword));
    if (!arguments.first().startsWith(QLatin1String("--")))
        arguments << "--database" << site.database();
    QByteArray output;
    QFETCH(int, status);
    QFETCH(QByteArray, says);
    QCOMPARE(site.run(arguments, input, &output), status);
    QVERIFY2(output.contains(says), output.constData());
    // What the command did is what a sign-in with the old password then finds.
    if (arguments.first() != QLatin1String("--database") && site.start()) {
        const QString label =
            site.submit(site.request("GET", "/noteimport.aspx"), download()).label();
        QCOMPARE(label == QLatin1String("Your notes:"),
                 status != 0 || arguments.first() == QLatin1String("add-account") ||
                     arguments.first() == QLatin1String("sign-out-everywhere"));
    }
}

void TestSite::upload_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("says");
    QTest::addColumn<bool>("stored");
    QTest::newRow("plain") << "a.pv"
                           << "text\r\n"
                           << "Stored \"a.pv\"." << true;
    QTest::newRow("markup and non-ASCII")
        << QStringLiteral("Grüße & more.pv") << QStringLiteral("x < y & \"z\" <b>週末\r\n")
        << QStringLiteral("Stored \"Grüße & more.pv\".") << true;
    QTest::newRow("SQL-looking") << "x'); DROP TABLE notes;--"
                                 << "' OR '1'='1"
                                 << "Stored \"x'); DROP TABLE notes;--\"." << true;
    QTest::newRow("placeholders") << "50%1off %2.pv"
                                  << "%1 %L1 %% %99"
                                  << "Stored \"50%1off %2.pv\"." << true;
    QTest::newRow("NUL in the text") << "n.pv" << QString::fromUtf16(u"a\0b", 3)
                                     << "Refused \"n.pv\": the text holds a NUL character" << false;
    QTest::newRow("folder") << "../x"
                            << "t"
                            << "Refused \"../x\": the name holds \"/\"" << false;
    QTest::newRow("backslash") << "..\\x"
                               << "t"
                               << "Refused" << false;
    QTest::newRow("dot dot") << ".."
                             << "t"
                             << "the name is not a file name" << false;
    QTest::newRow("NUL") << QString::fromUtf16(u"a\0b", 3) << "t"
                         << "Refused \"a?b\": the name holds a control character" << false;
    QTest::newRow("300 bytes") << QString(300, QLatin1Char('n')) << "t"
                               << "the name is longer than 255 bytes" << false;
    QTest::newRow("no name") << ""
                             << "t"
                             << "the note has no name" << false;
    QTest::newRow("text over 1 MiB") << "big.pv" << QString(1024 * 1024 + 1, QLatin1Char('x'))
                                     << "the text is longer than 1048576 bytes" << false;
}

void TestSite::upload()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, says);
    QFETCH(bool, stored);
    SiteProcess site;
    QVERIFY(site.addAccount(kEmail, kPassword));
    QVERIFY(site.start());
    const SiteProcess::Reply answer =
        site.submit(site.request("GET", "/noteimport.aspx?overwrite=0&1.1.2027"), note(name, text));
    QCOMPARE(answer.status, 200);
    QVERIFY2(answer.label().contains(says), qPrintable(answer.label()));
    const SiteProcess::Reply notes = site.submit(answer, download());
    // Stored literally, and escaped in the table so that the page still parses.
    const QString table = QString::fromUtf8(notes.body);
    QCOMPARE(
        table.contains(QStringLiteral("Note Name:") + name.toHtmlEscaped().replace("'", "&#39;")),
        stored);
    QVERIFY(!table.contains(QLatin1String("<b>")));
}

void TestSite::overwrite()
{
    SiteProcess site;
    QVERIFY(site.addAccount(kEmail, kPassword));
    QVERIFY(site.start());
    SiteProcess::Reply page = site.request("GET", "/noteimport.aspx?overwrite=0&d");
    page = site.submit(page, note("n.pv", "first"));
    page = site.submit(page, note("n.pv", "second"));
    QVERIFY(page.label().startsWith("Kept the stored \"n.pv\""));
    // A GET alone (a link from another site) changes nothing stored; the form it gave
    // carries the choice, and the POST of that form applies it.
    const SiteProcess::Reply linked = site.request("GET", "/noteimport.aspx?overwrite=1&d");
    QVERIFY(linked.body.contains(R"(name="overwrite" value="1")"));
    page = site.submit(site.request("GET", "/noteimport.aspx"), note("n.pv", "not this"));
    QVERIFY(page.label().startsWith("Kept the stored \"n.pv\""));
    page = site.request("GET", "/noteimport.aspx?overwrite=1&d");
    page = site.submit(page, note("n.pv", "third") << std::pair{"overwrite", "1"});
    QVERIFY(page.label().startsWith("Replaced \"n.pv\""));
    page = site.submit(page, download());
    QVERIFY(page.body.contains("Note Data:third</td>"));
    QVERIFY(!page.body.contains("first"));
    QVERIFY(site.stop()); // SIGTERM ends it with status 0
}

void TestSite::refusedSubmission_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("status");
    QTest::newRow("no state field") << "missing" << 403;
    QTest::newRow("stale state field") << "stale" << 403;
    QTest::newRow("another session's state") << "foreign" << 403;
    QTest::newRow("body over 2 MiB") << "large" << 413;
    QTest::newRow("chunked body over 2 MiB") << "chunked" << 413;
    QTest::newRow("not UTF-8") << "bytes" << 400;
    QTest::newRow("headers over 64 KiB") << "header" << 431;
}

void TestSite::refusedSubmission()
{
    QFETCH(QString, how);
    QFETCH(int, status);
    SiteProcess site;
    QVERIFY(site.addAccount(kEmail, kPassword));
    QVERIFY(site.start());
    SiteProcess::Reply first = site.request("GET", "/noteimport.aspx");
    const QByteArray fields = "&TextBox1=ann%40example.org&TextBox2=correct+horse"
                              "&TextBox4=n.pv&TextBox5=t&Button1=Upload";
    SiteProcess::Reply answer;
    if (how == "missing") {
        answer = site.request("POST", "/noteimport.aspx", fields.mid(1));
    } else if (how == "stale") {
        site.submit(first, {{"Button2", "x"}});
        answer = site.request("POST", "/noteimport.aspx", "PageState=" + first.state() + fields);
    } else if (how == "foreign") {
        site.forgetCookie();
        site.request("GET", "/noteimport.aspx");
        answer = site.request("POST", "/noteimport.aspx", "PageState=" + first.state() + fields);
    } else if (how == "large") {
        answer =
            site.request("POST", "/noteimport.aspx",
                         "PageState=" + first.state() + fields + QByteArray(2 * 1024 * 1024, 'x'));
    } else if (how == "chunked") {
        QByteArray chunks;
        const QByteArray chunk(64 * 1024, 'x');
        for (int i = 0; i < 40; ++i)
            chunks += QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n";
        answer = site.request("PUT", "/noteimport.aspx", chunks + "0\r\n\r\n",
                              "Transfer-Encoding: chunked\r\n");
    } else if (how == "header") {
        answer = site.request("POST", "/noteimport.aspx", "PageState=" + first.state() + fields,
                              "X-Filler: " + QByteArray(70 * 1024, 'x') + "\r\n");
    } else {
        answer = site.request("POST", "/noteimport.aspx",
                              "PageState=" + first.state() + "&TextBox4=%FF%FE" + fields);
    }
    QCOMPARE(answer.status, status);
    // Nothing was stored.
    site.forgetCookie();
    const SiteProcess::Reply notes =
        site.submit(site.request("GET", "/noteimport.aspx"), download());
    QVERIFY(notes.body.contains("<table id=\"Table2\">\n</table>"));
}

void TestSite::hostileRequest_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status");
    QByteArray query;
    for (int i = 0; i < 1000; ++i)
        query += "&a" + QByteArray::number(i) + "=1";
    const QByteArray form = "POST /noteimport.aspx HTTP/1.1\r\nHost: x\r\n"
                            "Content-Type: application/x-www-form-urlencoded\r\n";
    QTest::newRow("no Host") << QByteArray("GET /account.asp HTTP/1.1\r\n\r\n") << 400;
    QTest::newRow("two lengths") << form + "Content-Length: 1\r\nContent-Length: 5\r\n\r\nx" << 400;
    QTest::newRow("length and chunks")
        << form + "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n"
                  "GET /account.asp HTTP/1.1\r\nHost: x\r\n\r\n"
        << 400;
    QTest::newRow("1,000 query arguments")
        << "GET /noteimport.aspx?x" + query + " HTTP/1.1\r\nHost: x\r\n\r\n"
        << 414;
    QTest::newRow("101 form fields")
        << form + "Content-Length: 600" + "\r\n\r\n" + QByteArray("&a").repeated(300) << 413;
}

void TestSite::hostileRequest()
{
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    SiteProcess site;
    QVERIFY(site.start());
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, site.port());
    QVERIFY(socket.waitForConnected(5000));
    socket.write(request);
    // Answered at once, and the connection closed after the answer: nothing more of what was
    // sent is read as another request.
    QByteArray answer;
    while (socket.waitForReadyRead(5000))
        answer += socket.readAll();
    QVERIFY2(answer.startsWith("HTTP/1.1 " + QByteArray::number(status)), answer.left(80).data());
    QCOMPARE(answer.count("HTTP/1.1 "), 1);
    QCOMPARE(socket.state(), QAbstractSocket::UnconnectedState);
}

void TestSite::anonymousVisitsStoreNothing()
{
    SiteProcess site;
    QVERIFY(site.addAccount(kEmail, kPassword));
    QVERIFY(site.start());
    auto rows = [&site](const QString &table) {
        QProcess sqlite;
        sqlite.start("sqlite3", {site.database().mid(7), "SELECT COUNT(*) FROM " + table});
        return sqlite.waitForFinished() ? sqlite.readAllStandardOutput().trimmed() : "?";
    };
    auto sessions = [&rows] { return rows("sessions"); };
    for (int i = 0; i < 1000; ++i) {
        site.forgetCookie();
        QCOMPARE(site.request("GET", i % 2 ? "/account.asp" : "/noteimport.aspx").status, 200);
    }
    // An address longer than any can be is refused before anything of it is stored.
    SiteProcess::Reply page = site.submit(
        site.request("GET", "/noteimport.aspx"),
        {{"TextBox1", QString(300, 'a') + "@example.org"}, {"TextBox2", "x"}, {"Button2", "x"}});
    QCOMPARE(rows("login_failures"), QByteArray("0"));
    // Nor does a failed log-in; the first one that succeeds makes the session's row.
    page = site.submit(page, note("n.pv", "t", "wrong"));
    QCOMPARE(page.label(), QStringLiteral("The password or Email Address was incorrect"));
    QCOMPARE(sessions(), QByteArray("0"));
    QCOMPARE(site.submit(page, download()).label(), QStringLiteral("Your notes:"));
    QCOMPARE(sessions(), QByteArray("1"));
}

void TestSite::deletedNotesCountAgainstTheLimit()
{
    SiteProcess site;
    QVERIFY(site.addAccount(kEmail, kPassword));
    // The versions of 10,000 deleted notes, as making and deleting notes would leave them.
    QProcess sqlite;
    sqlite.start("sqlite3",
                 {site.database().mid(7),
                  "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 10000) "
                  "INSERT INTO note_versions (account_id, name, text, size, changed, replaced) "
                  "SELECT 1, 'gone' || i || '.pv', 't', 1, 0, 0 FROM n"});
    QVERIFY(sqlite.waitForFinished() && sqlite.exitCode() == 0);
    QVERIFY(site.start());
    SiteProcess::Reply page =
        site.submit(site.request("GET", "/noteimport.aspx"), note("new.pv", "t"));
    QVERIFY2(page.label().startsWith("Refused \"new.pv\": the account holds 10000 notes"),
             qPrintable(page.label()));
    // A deleted note may come back: it takes no more room.
    QCOMPARE(site.submit(page, note("gone5.pv", "t")).label(),
             QStringLiteral("Stored \"gone5.pv\"."));
}

void TestSite::signUpsFromOneAddressLimited()
{
    SiteProcess site;
    QVERIFY(site.start({"--open-signup"}));
    QStringList answers;
    for (int i = 0; i < 4; ++i) {
        const QString password = QStringLiteral("a long password");
        const SiteProcess::Reply page =
            site.submit(site.request("GET", "/account.asp"),
                        {{"email", QStringLiteral("user%1@example.org").arg(i)},
                         {"password", password},
                         {"again", password},
                         {"signup", "x"}},
                        "/account.asp");
        answers << QString::fromUtf8(page.body).section("class=\"result\">", 1).section('<', 0, 0);
    }
    QCOMPARE(answers.filter("If that address had no account").size(), 3);
    QVERIFY2(answers.last().startsWith("Too many accounts"), qPrintable(answers.last()));
}

void TestSite::plantedTokenSeesNothing()
{
    SiteProcess site;
    QVERIFY(site.addAccount(kEmail, kPassword));
    QVERIFY(site.start());
    // A token someone planted in the victim's browser before the victim signs in.
    const SiteProcess::Reply page = site.request("GET", "/noteimport.aspx");
    const QByteArray planted = site.cookie();
    QCOMPARE(site.submit(page, download()).label(), QStringLiteral("Your notes:"));
    QVERIFY(site.cookie() != planted);
    QCOMPARE(site.request("GET", "/onlinetools.asp").status, 200);
    const QByteArray signedIn = site.cookie();
    site.setCookie(planted);
    QCOMPARE(site.request("GET", "/onlinetools.asp").status, 303);
    // However often it is used, a session ends 30 days after its sign-in.
    QProcess sqlite;
    sqlite.start("sqlite3",
                 {site.database().mid(7), "UPDATE sessions SET created = created - 31 * 86400000"});
    QVERIFY(sqlite.waitForFinished() && sqlite.exitCode() == 0);
    site.setCookie(signedIn);
    QCOMPARE(site.request("GET", "/onlinetools.asp").status, 303);
}

void TestSite::databaseCopyChecksNoGuess()
{
    SiteProcess site;
    QVERIFY(site.addAccount(kEmail, kPassword));
    QVERIFY(site.start());
    SiteProcess::Reply page = site.submit(site.request("GET", "/noteimport.aspx"), note("a", "t"));
    site.submit(page, note("b", "t"));
    QVERIFY(site.stop());
    // An attacker with a copy: every value of every table but the argon2id hashes, against
    // fast digests of the right password as the site could have made them, keyed with every
    // key the database holds.
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "copy");
    db.setDatabaseName(site.database().mid(7));
    QVERIFY(db.open());
    QList<QByteArray> keys{QByteArray()};
    QSqlQuery query(db);
    QVERIFY(query.exec("SELECT key_hex FROM site_keys"));
    while (query.next())
        keys << QByteArray::fromHex(query.value(0).toByteArray());
    QSet<QByteArray> values;
    for (const QString &table : db.tables()) {
        QVERIFY(query.exec(QStringLiteral("SELECT * FROM %1").arg(table)));
        while (query.next()) {
            for (int i = 0; i < query.record().count(); ++i) {
                if (query.record().fieldName(i) != QLatin1String("password_hash"))
                    values << query.value(i).toByteArray();
            }
        }
    }
    auto digest = [](const QByteArray &key, const QByteArray &input) {
        unsigned char out[crypto_generichash_BYTES];
        crypto_generichash(out, sizeof out, reinterpret_cast<const unsigned char *>(input.data()),
                           static_cast<unsigned long long>(input.size()),
                           reinterpret_cast<const unsigned char *>(key.data()),
                           static_cast<size_t>(key.size()));
        return QByteArray(reinterpret_cast<const char *>(out), sizeof out).toHex();
    };
    const QByteArray email = kEmail.toUtf8();
    const QByteArray password = kPassword.toUtf8();
    int tried = 0;
    for (const QByteArray &key : std::as_const(keys)) {
        for (const QByteArray &session : values) {
            const QList<QByteArray> inputs{password, email + password,
                                           QByteArray::number(session.size()) + ':' + session +
                                               QByteArray::number(email.size()) + ':' + email +
                                               password};
            for (const QByteArray &input : inputs) {
                QVERIFY2(!values.contains(digest(key, input)), input.constData());
                ++tried;
            }
        }
    }
    QVERIFY(tried > 0);
    QVERIFY(query.exec("SELECT COUNT(*) FROM sessions WHERE account_id IS NOT NULL") &&
            query.next() && query.value(0).toInt() == 1);
    QVERIFY(!values.contains(password));
}

void TestSite::ownerNotLockedOut()
{
    SiteProcess site;
    QVERIFY(site.addAccount(kEmail, kPassword));
    QVERIFY(site.start({"--trusted-proxy", "127.0.0.1"}));
    auto from = [&site](const QByteArray &address, const QString &password) {
        site.forgetCookie();
        const QByteArray header = "X-Forwarded-For: " + address + "\r\n";
        return site
            .submit(site.request("GET", "/noteimport.aspx"),
                    {{"TextBox1", kEmail}, {"TextBox2", password}, {"Button2", "x"}},
                    "/noteimport.aspx", header)
            .label();
    };
    const QString notes = QStringLiteral("Your notes:");
    QCOMPARE(from("198.51.100.1", kPassword), notes);
    for (int i = 0; i < 5; ++i)
        from("203.0.113." + QByteArray::number(i + 1), QStringLiteral("wrong"));
    // Strangers are throttled on the account; the owner's own address is not.
    QCOMPARE(from("203.0.113.99", kPassword),
             QStringLiteral("The password or Email Address was incorrect"));
    QCOMPARE(from("198.51.100.1", kPassword), notes);
}

void TestSite::manyClientsBehindProxy()
{
    SiteProcess site;
    QVERIFY(site.start({"--trusted-proxy", "127.0.0.1"}));
    // Forty users at once through one proxy: the limit of 32 per address is theirs, not its.
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < 40; ++i) {
        auto &socket = clients.emplace_back(std::make_unique<QTcpSocket>());
        socket->connectToHost(QHostAddress::LocalHost, site.port());
        QVERIFY(socket->waitForConnected(5000));
    }
    for (int i = 0; i < 40; ++i) {
        clients[size_t(i)]->write("GET /account.asp HTTP/1.1\r\nHost: x\r\nConnection: close\r\n"
                                  "X-Forwarded-For: 198.51.100." +
                                  QByteArray::number(i) + "\r\n\r\n");
    }
    for (auto &socket : clients) {
        QByteArray answer;
        while (socket->waitForReadyRead(10000))
            answer += socket->readAll();
        QVERIFY2(answer.startsWith("HTTP/1.1 200"), answer.left(60).constData());
    }
}

void TestSite::filesForTheSiteAlone()
{
    SiteProcess site;
    QVERIFY(site.addAccount(kEmail, kPassword));
    QVERIFY(site.start());
    site.submit(site.request("GET", "/noteimport.aspx"), note("a", "t"));
    const QString file = site.database().mid(7);
    const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                            QFileDevice::ReadOther | QFileDevice::WriteOther;
    for (const QString &name : {file, file + "-wal", file + "-shm"}) {
        QVERIFY2(QFileInfo::exists(name), qPrintable(name));
        QCOMPARE(QFileInfo(name).permissions() & others, QFileDevice::Permissions());
    }
}

void TestSite::wrongPasswordThrottled()
{
    SiteProcess site;
    QVERIFY(site.addAccount(kEmail, kPassword));
    QVERIFY(site.start());
    SiteProcess::Reply page = site.request("GET", "/noteimport.aspx");
    for (int i = 0; i < 5; ++i) {
        page = site.submit(page, note("n.pv", "t", "wrong"));
        QCOMPARE(page.label(), QStringLiteral("The password or Email Address was incorrect"));
    }
    // The right password now reads as a wrong one, from a new session too.
    site.forgetCookie();
    page = site.submit(site.request("GET", "/noteimport.aspx"), note("n.pv", "t"));
    QCOMPARE(page.label(), QStringLiteral("The password or Email Address was incorrect"));
}

void TestSite::addressThrottledBehindProxy()
{
    SiteProcess site;
    QVERIFY(site.addAccount(kEmail, kPassword));
    QVERIFY(site.start({"--trusted-proxy", "127.0.0.1"}));
    // The proxy appends the address it saw; what the client wrote before it does not count.
    auto from = [&site](const QByteArray &forwarded, const QString &email) {
        site.forgetCookie();
        const QByteArray header = "X-Forwarded-For: " + forwarded + "\r\n";
        return site
            .submit(site.request("GET", "/noteimport.aspx"),
                    {{"TextBox1", email}, {"TextBox2", kPassword}, {"Button2", "x"}},
                    "/noteimport.aspx", header)
            .label();
    };
    for (int i = 0; i < 5; ++i)
        from("198.51.100.9, 203.0.113.7", QStringLiteral("nobody%1@example.org").arg(i));
    const QString failure = QStringLiteral("The password or Email Address was incorrect");
    QCOMPARE(from("10.1.1.1, 203.0.113.7", kEmail), failure);
    QCOMPARE(from("203.0.113.7, 198.51.100.2", kEmail), QStringLiteral("Your notes:"));
    // The addresses of one IPv6 /64 count as one.
    for (int i = 0; i < 5; ++i)
        from("2001:db8:1:2::" + QByteArray::number(i + 1),
             QStringLiteral("nobody%1@example.org").arg(i));
    QCOMPARE(from("2001:db8:1:2:ffff::1", kEmail), failure);
    QCOMPARE(from("2001:db8:1:3::1", kEmail), QStringLiteral("Your notes:"));
}

void TestSite::slowClientTimedOut()
{
    SiteProcess site;
    QVERIFY(site.start({"--idle-timeout", "1"}));
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, site.port());
    QVERIFY(socket.waitForConnected(5000));
    socket.write("POST /noteimport.aspx HTTP/1.1\r\nHost: x\r\nContent-Length: 100\r\n\r\nPage");
    QVERIFY(socket.waitForBytesWritten(5000));
    // The server hangs up on a request that stops coming; the client sees the close.
    QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::UnconnectedState, 15000);
}

void TestSite::tricklingClientCutOff_data()
{
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("headers") << QByteArray("GET /account.asp HTTP/1.1\r\nX-Slow: ");
    QTest::newRow("body") << QByteArray("POST /account.asp HTTP/1.1\r\nHost: x\r\n"
                                        "Content-Length: 1000\r\n\r\nPageState=");
}

void TestSite::tricklingClientCutOff()
{
    QFETCH(QByteArray, start);
    SiteProcess site;
    QVERIFY(site.start({"--request-deadline", "2"}));
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, site.port());
    QVERIFY(socket.waitForConnected(5000));
    socket.write(start);
    // A byte every half second keeps the 30 s idle timer from ever firing; the deadline of
    // 2 s ends the connection long before the 20 s that this client keeps trying.
    QElapsedTimer trickled;
    trickled.start();
    while (socket.state() == QAbstractSocket::ConnectedState && trickled.elapsed() < 20000) {
        socket.write("x");
        socket.waitForDisconnected(500);
    }
    QCOMPARE(socket.state(), QAbstractSocket::UnconnectedState);
}

void TestSite::answerInFlightFinishesOnStop()
{
    SiteProcess site;
    QVERIFY(site.start());
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, site.port());
    QVERIFY(socket.waitForConnected(5000));
    socket.write("POST /noteimport.aspx HTTP/1.1\r\nHost: x\r\nExpect: 100-continue\r\n"
                 "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 11\r\n\r\n");
    // Asking for the body, the site has taken the request up.
    QVERIFY(socket.waitForReadyRead(5000) && socket.readAll().contains(" 100 "));
    QVERIFY(site.beginStop());
    socket.write("PageState=x");
    QByteArray answer;
    while (socket.waitForReadyRead(5000))
        answer += socket.readAll();
    QVERIFY2(answer.startsWith("HTTP/1.1 403") && answer.contains("</html>"),
             answer.left(200).constData());
    QVERIFY(site.stop()); // a second SIGTERM, and still a clean end
}

void TestSite::newerSchemaRefused()
{
    SiteProcess site;
    QVERIFY(site.addAccount(kEmail, kPassword));
    const QString file = site.database().mid(7);
    QProcess sqlite;
    sqlite.start("sqlite3", {file, "UPDATE schema_version SET version = 99"});
    QVERIFY(sqlite.waitForFinished() && sqlite.exitCode() == 0);
    QByteArray output;
    QCOMPARE(site.run({"--database", site.database()}, {}, &output), 1);
    QVERIFY2(output.contains("newer than this program"), output.constData());
}

void TestSite::browserPages()
{
    SiteProcess site;
    QVERIFY(site.addAccount(kEmail, kPassword));
    QVERIFY(site.start());
    SiteProcess::Reply page = site.request("GET", "/noteimport.aspx?overwrite=1&d");
    for (int i = 0; i < 12; ++i)
        page = site.submit(page, note("n.pv", QStringLiteral("text %1").arg(i)));
    site.forgetCookie();
    QCOMPARE(site.request("GET", "/onlinetools.asp").status, 303); // not signed in

    // Sign-up is closed unless the site was started with it open.
    page = site.request("GET", "/account.asp");
    QVERIFY(!page.body.contains("name=\"signup\""));
    page = site.submit(page,
                       {{"email", "eve@example.org"},
                        {"password", "long enough"},
                        {"again", "long enough"},
                        {"signup", "x"}},
                       "/account.asp");
    QCOMPARE(page.status, 403);

    page =
        site.submit(site.request("GET", "/account.asp"),
                    {{"email", kEmail}, {"password", kPassword}, {"signin", "x"}}, "/account.asp");
    QCOMPARE(page.status, 303);
    page = site.request("GET", "/onlinetools.asp");
    QVERIFY(page.body.contains("<pre>text 11</pre>"));
    // Ten versions kept of the eleven replaced texts: the oldest went.
    QVERIFY(page.body.contains("Earlier versions (10)"));
    QVERIFY(!page.body.contains("<q>text 0</q>"));
    page = site.submit(page, {{"name", "n.pv"}, {"delete", "Delete"}}, "/onlinetools.asp");
    page = site.request("GET", "/onlinetools.asp");
    QVERIFY(page.body.contains("0 notes.") && page.body.contains("Deleted notes"));
    const QByteArray field = "name=\"version\" value=\"";
    const QByteArray version = page.body.mid(page.body.indexOf(field) + field.size()).split('"')[0];
    site.submit(page, {{"version", version}, {"restore", "Restore"}}, "/onlinetools.asp");
    page = site.request("GET", "/onlinetools.asp");
    QVERIFY(page.body.contains("<pre>text 11</pre>"));
    // A program signed in is listed, its name escaped, and signed out from here.
    const QByteArray auth = signInDevice(site, "<b>phone</b>");
    page = site.request("GET", "/onlinetools.asp");
    QVERIFY(page.body.contains("<td>&lt;b&gt;phone&lt;/b&gt;</td>"));
    // The forms' 12 uploads, the delete and the restore each took a version.
    QVERIFY(site.request("GET", "/api/notes", {}, auth).body.contains(R"("n.pv","version":14})"));
    const QByteArray id = "name=\"device\" value=\"";
    const QByteArray device = page.body.mid(page.body.indexOf(id) + id.size());
    site.submit(page, {{"device", device.split('"')[0]}, {"signoutdevice", "x"}},
                "/onlinetools.asp");
    QCOMPARE(site.request("GET", "/api/notes", {}, auth).status, 401);
    page = site.request("GET", "/onlinetools.asp");
    site.submit(page, {{"x", "1"}, {"signout", "Sign out"}}, "/onlinetools.asp");
    QCOMPARE(site.request("GET", "/onlinetools.asp").status, 303);
}

void TestSite::syncApi_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("headers"); // {auth} stands for the device's token
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("says");
    QTest::addColumn<QByteArray>("after"); // what a GET of n.pv then answers
    // Every row starts from n.pv "two" at version 2 (made at 1) and gone.pv made at 3 and
    // deleted at 4.
    const QByteArray n = "/api/note?name=n.pv", text = "{auth}Content-Type: text/plain\r\n";
    const QByteArray two = "two", gone = R"({"error":"no such note"})";
    const QByteArray json = "Content-Type: application/json\r\n";
    QTest::newRow("replace") << "" << QByteArray("PUT") << n << text + "If-Match: \"2\"\r\n"
                             << QByteArray("3 & 4") << 200 << QByteArray(R"("version":5})")
                             << QByteArray("3 & 4");
    QTest::newRow("replace, unquoted") << "" << QByteArray("PUT") << n << text + "If-Match: 2\r\n"
                                       << QByteArray("x") << 200 << QByteArray() << QByteArray("x");
    QTest::newRow("stale replace")
        << "" << QByteArray("PUT") << n << text + "If-Match: \"1\"\r\n"
        << QByteArray("x") << 412 << QByteArray(R"("deleted":false,"error")") << two;
    QTest::newRow("create taken") << "" << QByteArray("PUT") << n << text + "If-None-Match: *\r\n"
                                  << QByteArray("x") << 412 << QByteArray(R"("version":2})") << two;
    QTest::newRow("re-create deleted")
        << "" << QByteArray("PUT") << QByteArray("/api/note?name=gone.pv")
        << text + "If-None-Match: *\r\n"
        << QByteArray("back") << 201 << QByteArray(R"("version":5})") << two;
    QTest::newRow("replace deleted")
        << "" << QByteArray("PUT") << QByteArray("/api/note?name=gone.pv")
        << text + "If-Match: \"3\"\r\n"
        << QByteArray("x") << 412
        << QByteArray(
               R"({"deleted":true,"error":"the note changed since that version","version":4})")
        << two;
    QTest::newRow("delete") << "" << QByteArray("DELETE") << n
                            << QByteArray("{auth}If-Match: \"2\"\r\n") << QByteArray() << 200
                            << QByteArray(R"({"version":5})") << gone;
    QTest::newRow("stale delete") << "" << QByteArray("DELETE") << n
                                  << QByteArray("{auth}If-Match: \"1\"\r\n") << QByteArray() << 412
                                  << QByteArray(R"("version":2})") << two;
    QTest::newRow("delete none") << "" << QByteArray("DELETE") << QByteArray("/api/note?name=x")
                                 << QByteArray("{auth}If-Match: \"1\"\r\n") << QByteArray() << 404
                                 << QByteArray(R"("deleted":true)") << two;
    QTest::newRow("since a cursor")
        << "" << QByteArray("GET") << QByteArray("/api/notes?since=2") << QByteArray("{auth}")
        << QByteArray() << 200
        << QByteArray(R"({"cursor":4,"more":false,"notes":[{"deleted":true,"digest":"",)"
                      R"("name":"gone.pv","version":4}]})")
        << two;
    QTest::newRow("all live notes")
        << "" << QByteArray("GET") << QByteArray("/api/notes?since=0") << QByteArray("{auth}")
        << QByteArray() << 200
        << QByteArray(R"({"cursor":2,"more":false,"notes":[{"deleted":false,"digest":)"
                      R"("3fc4ccfe745870e2c0d99f71f30ff0656c8dedd41cc1d7d3d376b0dbe685e2f3",)"
                      R"("name":"n.pv","version":2}]})")
        << two;
    QTest::newRow("paged") << "1000 notes" << QByteArray("GET") << QByteArray("/api/notes?since=0")
                           << QByteArray("{auth}") << QByteArray() << 200
                           << QByteArray(R"({"cursor":1000,"more":true,)") << two;
    QTest::newRow("note") << "" << QByteArray("GET") << n << QByteArray("{auth}") << QByteArray()
                          << 200 << two << two;
    QTest::newRow("100,000 &") << "" << QByteArray("PUT") << n << text + "If-Match: 2\r\n"
                               << QByteArray(100000, '&') << 200 << QByteArray()
                               << QByteArray(100000, '&');
    QTest::newRow("not UTF-8") << "" << QByteArray("PUT") << n << text + "If-Match: 2\r\n"
                               << QByteArray("\xff\xfe") << 400 << QByteArray() << two;
    QTest::newRow("over 1 MiB") << "" << QByteArray("PUT") << n << text + "If-Match: 2\r\n"
                                << QByteArray(1024 * 1024 + 1, 'x') << 413 << QByteArray() << two;
    QTest::newRow("no condition") << "" << QByteArray("PUT") << n << text << two << 428
                                  << QByteArray() << two;
    QTest::newRow("weak ETag") << "" << QByteArray("PUT") << n << text + "If-Match: W/\"2\"\r\n"
                               << two << 400 << QByteArray() << two;
    QTest::newRow("name of 300 bytes")
        << "" << QByteArray("GET") << "/api/note?name=" + QByteArray(300, 'n')
        << QByteArray("{auth}") << QByteArray() << 400 << QByteArray("255 bytes") << two;
    QTest::newRow("name with NUL")
        << "" << QByteArray("GET") << QByteArray("/api/note?name=n.pv%00x") << QByteArray("{auth}")
        << QByteArray() << 400 << QByteArray("control") << two;
    QTest::newRow("name not UTF-8")
        << "" << QByteArray("GET") << QByteArray("/api/note?name=%FF") << QByteArray("{auth}")
        << QByteArray() << 400 << QByteArray() << two;
    QTest::newRow("no token") << "" << QByteArray("GET") << QByteArray("/api/notes") << QByteArray()
                              << QByteArray() << 401 << QByteArray() << two;
    QTest::newRow("revoked token")
        << "revoke" << QByteArray("GET") << QByteArray("/api/notes") << QByteArray("{auth}")
        << QByteArray() << 401 << QByteArray()
        << QByteArray(R"({"error":"sign in first: no known device token"})");
    QTest::newRow("wrong method") << "" << QByteArray("POST") << n << QByteArray("{auth}")
                                  << QByteArray() << 405 << QByteArray() << two;
    QTest::newRow("bad JSON") << "" << QByteArray("POST") << QByteArray("/api/session") << json
                              << QByteArray(R"({"email":)") << 400 << QByteArray() << two;
    QTest::newRow("wrong password")
        << "" << QByteArray("POST") << QByteArray("/api/session") << json
        << QByteArray(R"({"email":"ann@example.org","password":"x","device":"d"})") << 401
        << QByteArray("incorrect") << two;
    QTest::newRow("device name with a tab")
        << "" << QByteArray("POST") << QByteArray("/api/session") << json
        << QByteArray(R"({"email":"ann@example.org","password":"correct horse","device":"a\tb"})")
        << 400 << QByteArray("control") << two;
}

void TestSite::syncApi()
{
    QFETCH(QString, setup);
    SiteProcess site;
    QVERIFY(site.addAccount(kEmail, kPassword));
    if (setup == "1000 notes") {
        QProcess sqlite;
        sqlite.start("sqlite3", {site.database().mid(7),
                                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                 "WHERE i < 1000) INSERT INTO notes (account_id, name, text, size, "
                                 "changed, version, digest) SELECT 1, 'm' || i, 't', 1, 0, i, 'd' "
                                 "FROM n; UPDATE accounts SET note_counter = 1000"});
        QVERIFY(sqlite.waitForFinished() && sqlite.exitCode() == 0);
    }
    QVERIFY(site.start());
    const QByteArray auth = signInDevice(site);
    QVERIFY(!auth.isEmpty());
    auto send = [&](const QByteArray &method, const QByteArray &target, QByteArray headers,
                    const QByteArray &body = {}) {
        return site.request(method, target, body, headers.replace("{auth}", auth));
    };
    const QByteArray text = "{auth}Content-Type: text/plain\r\n";
    auto tag = [](const SiteProcess::Reply &reply) {
        return "If-Match: " + reply.headers.split('"').value(1) + "\r\n";
    };
    const SiteProcess::Reply made =
        send("PUT", "/api/note?name=n.pv", text + "If-None-Match: *\r\n", "one");
    QCOMPARE(send("PUT", "/api/note?name=n.pv", text + tag(made), "two").status, 200);
    const SiteProcess::Reply doomed =
        send("PUT", "/api/note?name=gone.pv", text + "If-None-Match: *\r\n", "x");
    QCOMPARE(send("DELETE", "/api/note?name=gone.pv", "{auth}" + tag(doomed)).status, 200);
    if (setup == "revoke")
        QCOMPARE(send("DELETE", "/api/session", "{auth}").status, 200);

    QFETCH(QByteArray, method);
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, headers);
    QFETCH(QByteArray, body);
    QFETCH(int, status);
    QFETCH(QByteArray, says);
    QFETCH(QByteArray, after);
    const SiteProcess::Reply reply = send(method, target, headers, body);
    QCOMPARE(reply.status, status);
    QVERIFY2(reply.body.contains(says), reply.body.left(300).constData());
    QVERIFY(reply.headers.contains(
        status == 200 && method == "GET" && target == "/api/note?name=n.pv" ? "text/plain"
                                                                            : "application/json"));
    QCOMPARE(send("GET", "/api/note?name=n.pv", "{auth}").body, after);
}
