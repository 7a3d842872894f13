#include "site/SiteCommand.h"

#include "site/Accounts.h"
#include "site/Database.h"
#include "site/HttpServer.h"
#include "site/Passwords.h"
#include "site/Schema.h"
#include "site/Site.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSqlQuery>
#include <QTextStream>
#include <QVariant>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>

namespace {
constexpr int kStopGraceMs = 10000;

int fail(const QString &message)
{
    std::fprintf(stderr, "pinvelle-site: %s\n", qPrintable(message));
    return 1;
}

// "HOST:PORT", "[IPv6]:PORT" or ":PORT".
bool splitListen(const QString &text, QString *host, quint16 *port)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon < 0)
        return false;
    *host = text.left(colon);
    if (host->startsWith(QLatin1Char('[')) && host->endsWith(QLatin1Char(']')))
        *host = host->mid(1, host->size() - 2);
    if (host->isEmpty())
        *host = QStringLiteral("0.0.0.0");
    bool ok = false;
    const uint value = text.mid(colon + 1).toUInt(&ok);
    *port = static_cast<quint16>(value);
    return ok && value > 0 && value < 65536;
}

std::optional<Database> openDatabase(const QString &address)
{
    QString error;
    const std::optional<DatabaseUrl> url = DatabaseUrl::parse(address, &error);
    if (!url) {
        fail(error);
        return std::nullopt;
    }
    Database database(*url);
    if (const QString failure = Schema::prepare(database); !failure.isEmpty()) {
        fail(failure);
        return std::nullopt;
    }
    return database;
}

int addAccount(Database &database, const QString &email)
{
    if (const QString problem = Accounts::emailProblem(email); !problem.isEmpty())
        return fail(problem);
    std::string line;
    std::getline(std::cin, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    const QString password = QString::fromStdString(line);
    if (const QString weakness = Passwords::weakness(password); !weakness.isEmpty())
        return fail(weakness);
    const std::optional<QByteArray> hash = Passwords::hash(password);
    if (!hash)
        return fail(QStringLiteral("not enough memory to hash the password"));
    switch (Accounts(database.connection()).create(email, *hash)) {
    case Accounts::Created::Ok:
        std::fprintf(stdout, "pinvelle-site: account %s created\n",
                     qPrintable(Accounts::normalised(email)));
        return 0;
    case Accounts::Created::Exists:
        return fail(
            QStringLiteral("an account for %1 exists already").arg(Accounts::normalised(email)));
    case Accounts::Created::Failed:
        break;
    }
    return fail(QStringLiteral("cannot store the account: %1").arg(database.lastError()));
}

QByteArray loginKey(Database &database)
{
    QSqlQuery query(database.connection());
    if (!query.exec(QStringLiteral("SELECT key_hex FROM site_keys WHERE name = 'login'")) ||
        !query.next())
        return {};
    return query.value(0).toString().toLatin1();
}

int serve(Database &database, const QCommandLineParser &parser)
{
    // Every thread started from here on (the server's, and the password hashers' started by
    // the first hash) inherits this mask: only the main thread takes the stop signals, so a
    // second one during the grace for answers in flight does not kill the site mid-answer.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    QString host;
    quint16 port = 0;
    if (!splitListen(parser.value(QStringLiteral("listen")), &host, &port))
        return fail(QStringLiteral("--listen takes HOST:PORT, not \"%1\"")
                        .arg(parser.value(QStringLiteral("listen"))));
    bool ok = false;
    HttpServer::Limits limits;
    limits.idleTimeoutSeconds = parser.value(QStringLiteral("idle-timeout")).toUInt(&ok);
    if (!ok || limits.idleTimeoutSeconds == 0)
        return fail(QStringLiteral("--idle-timeout takes a number of seconds"));

    SiteContext context;
    context.database = &database;
    context.name = parser.value(QStringLiteral("name"));
    context.openSignup = parser.isSet(QStringLiteral("open-signup"));
    context.loginKey = loginKey(database);
    if (context.loginKey.isEmpty())
        return fail(QStringLiteral("the database holds no log-in key"));
    const std::optional<QByteArray> decoy =
        Passwords::hash(QString::fromLatin1(Passwords::randomToken()));
    if (!decoy)
        return fail(QStringLiteral("not enough memory to hash passwords"));
    context.decoyHash = *decoy;

    std::optional<HttpServer::Tls> tls;
    if (parser.isSet(QStringLiteral("tls-cert")) != parser.isSet(QStringLiteral("tls-key")))
        return fail(QStringLiteral("--tls-cert and --tls-key go together"));
    if (parser.isSet(QStringLiteral("tls-cert"))) {
        QFile certificate(parser.value(QStringLiteral("tls-cert")));
        QFile key(parser.value(QStringLiteral("tls-key")));
        if (!certificate.open(QIODevice::ReadOnly) || !key.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot read the TLS certificate or key"));
        tls = HttpServer::Tls{certificate.readAll(), key.readAll()};
    }
    limits.trustedProxies = parser.values(QStringLiteral("trusted-proxy"));

    Site site(context);
    HttpServer server([&site](const HttpRequest &request) { return site.handle(request); }, limits);
    if (const QString failure = server.start(host, port, tls ? &*tls : nullptr); !failure.isEmpty())
        return fail(failure);
    std::fprintf(stderr, "pinvelle-site: serving %s on %s://%s:%u/\n",
                 qPrintable(database.url().shown()), tls ? "https" : "http", qPrintable(host),
                 port);
    std::fflush(stderr);

    int received = 0;
    sigwait(&stopSignals, &received);
    std::fprintf(stderr, "pinvelle-site: stopping\n");
    server.stop(kStopGraceMs);
    std::fprintf(stderr, "pinvelle-site: stopped\n");
    return 0;
}
} // namespace

int SiteCommand::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The Pinvelle notes site: serves the pages that Pinvelle pushes notes to and pulls "
        "them from.\n\n"
        "  pinvelle-site [options]                 serve the site\n"
        "  pinvelle-site add-account EMAIL [--database URL]\n"
        "                                          make an account; the password is read from "
        "standard input"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {QStringLiteral("listen"), QStringLiteral("Address and port to serve on."),
         QStringLiteral("HOST:PORT"), QStringLiteral("127.0.0.1:8080")},
        {QStringLiteral("database"),
         QStringLiteral("sqlite:FILE, or postgresql://USER@HOST:PORT/DBNAME "
                        "(password from PGPASSWORD). Default: sqlite: in the data folder."),
         QStringLiteral("URL"), QStringLiteral("sqlite:")},
        {QStringLiteral("name"), QStringLiteral("The site's name in page titles."),
         QStringLiteral("SITE-NAME"), QStringLiteral("Pinvelle notes")},
        {QStringLiteral("open-signup"),
         QStringLiteral("Let anyone make an account on account.asp.")},
        {QStringLiteral("tls-cert"),
         QStringLiteral("Serve HTTPS with this PEM certificate (chain) file."),
         QStringLiteral("FILE")},
        {QStringLiteral("tls-key"), QStringLiteral("The PEM private key of --tls-cert."),
         QStringLiteral("FILE")},
        {QStringLiteral("trusted-proxy"),
         QStringLiteral("Take the client's address from X-Forwarded-For, and HTTPS from "
                        "X-Forwarded-Proto, on requests from this address; may be repeated."),
         QStringLiteral("ADDRESS")},
        {QStringLiteral("idle-timeout"),
         QStringLiteral("Close a connection idle for this many seconds."),
         QStringLiteral("SECONDS"), QStringLiteral("30")},
    });
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("Nothing to serve, or add-account EMAIL."));
    parser.process(arguments);

    if (!Passwords::initialise())
        return fail(QStringLiteral("libsodium cannot start"));
    const QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty() && positional.first() != QLatin1String("add-account"))
        return fail(QStringLiteral("unknown command \"%1\"; see --help").arg(positional.first()));
    if (!positional.isEmpty() && positional.size() != 2)
        return fail(QStringLiteral("add-account takes one e-mail address"));

    std::optional<Database> database = openDatabase(parser.value(QStringLiteral("database")));
    if (!database)
        return 1;
    if (!positional.isEmpty())
        return addAccount(*database, positional.at(1));
    return serve(*database, parser);
}
