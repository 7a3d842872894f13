#include "site/SiteCommand.h"

#include "site/Accounts.h"
#include "site/Database.h"
#include "site/HttpServer.h"
#include "site/LoginThrottle.h"
#include "site/Passwords.h"
#include "site/Schema.h"
#include "site/Site.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QSqlQuery>
#include <QTextStream>
#include <QVariant>

#include <termios.h>
#include <unistd.h>

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

// A line of standard input; not shown as it is typed when that is a terminal.
std::optional<QString> readSecret(const char *prompt)
{
    const bool terminal = isatty(STDIN_FILENO) == 1;
    termios before{};
    if (terminal) {
        std::fprintf(stderr, "%s", prompt);
        std::fflush(stderr);
        tcgetattr(STDIN_FILENO, &before);
        termios quiet = before;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    const bool read = static_cast<bool>(std::getline(std::cin, line));
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &before);
        std::fprintf(stderr, "\n");
    }
    if (!read)
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromStdString(line);
}

// A new password from standard input, checked and hashed; nothing after saying why not.
std::optional<QByteArray> newPasswordHash()
{
    const std::optional<QString> password = readSecret("New password: ");
    if (!password) {
        fail(QStringLiteral("no password on standard input"));
        return std::nullopt;
    }
    if (const QString weakness = Passwords::weakness(*password); !weakness.isEmpty()) {
        fail(weakness);
        return std::nullopt;
    }
    const std::optional<QByteArray> hash = Passwords::hash(*password);
    if (!hash)
        fail(QStringLiteral("not enough memory to hash the password"));
    return hash;
}

int addAccount(Database &database, const QString &email)
{
    if (const QString problem = Accounts::emailProblem(email); !problem.isEmpty())
        return fail(problem);
    const std::optional<QByteArray> hash = newPasswordHash();
    if (!hash)
        return 1;
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

// passwd, sign-out-everywhere and delete-account: on an account that exists.
int changeAccount(Database &database, const QString &command, const QString &email, bool yes)
{
    QSqlDatabase db = database.connection();
    Accounts accounts(db);
    bool failed = false;
    const std::optional<Accounts::Account> account = accounts.find(email, &failed);
    if (!account)
        return fail(
            failed ? QStringLiteral("cannot read the accounts: %1").arg(database.lastError())
                   : QStringLiteral("there is no account for %1").arg(Accounts::normalised(email)));
    const QByteArray shown = Accounts::normalised(email).toUtf8();
    if (command == QLatin1String("passwd")) {
        const std::optional<QByteArray> hash = newPasswordHash();
        if (!hash)
            return 1;
        // Whoever knew the old password is signed out with it.
        if (!accounts.setPasswordHash(account->id, *hash) ||
            !accounts.signOutEverywhere(account->id))
            return fail(QStringLiteral("cannot store the password: %1").arg(database.lastError()));
        std::fprintf(stdout, "pinvelle-site: password of %s changed; its sessions ended\n",
                     shown.constData());
        return 0;
    }
    if (command == QLatin1String("sign-out-everywhere")) {
        if (!accounts.signOutEverywhere(account->id))
            return fail(QStringLiteral("cannot end the sessions: %1").arg(database.lastError()));
        std::fprintf(stdout, "pinvelle-site: every session of %s ended\n", shown.constData());
        return 0;
    }
    if (!yes) {
        if (isatty(STDIN_FILENO) != 1)
            return fail(QStringLiteral("delete-account asks before it deletes; give --yes when "
                                       "no one is there to answer"));
        std::fprintf(stderr,
                     "Delete the account %s with all its notes? Type yes: ", shown.constData());
        std::string answer;
        if (!std::getline(std::cin, answer) || answer != "yes")
            return fail(QStringLiteral("nothing deleted"));
    }
    if (!accounts.remove(account->id, database.isSqlite()))
        return fail(QStringLiteral("cannot delete the account: %1").arg(database.lastError()));
    LoginThrottle(db, database.isSqlite()).forgetAccount(email);
    std::fprintf(stdout, "pinvelle-site: account %s deleted with its notes\n", shown.constData());
    return 0;
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
    const int deadline = parser.value(QStringLiteral("request-deadline")).toInt(&ok);
    if (!ok || deadline <= 0)
        return fail(QStringLiteral("--request-deadline takes a number of seconds"));
    limits.headerDeadlineSeconds = deadline;
    limits.bodyDeadlineSeconds = deadline;

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
    const bool loopback = host.startsWith(QLatin1String("127.")) || host == QLatin1String("::1");
    if (!tls && limits.trustedProxies.isEmpty() && !loopback)
        std::fprintf(stderr,
                     "pinvelle-site: warning: serving plain HTTP on %s, beyond this machine: "
                     "passwords and notes cross the network readable by anyone on the way; give "
                     "--tls-cert and --tls-key, or listen on 127.0.0.1 behind an HTTPS proxy "
                     "(--trusted-proxy)\n",
                     qPrintable(host));
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
        "standard input\n"
        "  pinvelle-site passwd EMAIL [--database URL]\n"
        "                                          set a new password (from standard input) and "
        "end the account's sessions\n"
        "  pinvelle-site sign-out-everywhere EMAIL [--database URL]\n"
        "  pinvelle-site delete-account EMAIL [--yes] [--database URL]\n"
        "                                          delete the account and all its notes"));
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
        {QStringLiteral("request-deadline"),
         QStringLiteral("Close a connection whose request's headers, or whose body, take longer "
                        "than this many seconds, however slowly they trickle in."),
         QStringLiteral("SECONDS"), QStringLiteral("15")},
    });
    parser.addOption(
        {QStringLiteral("yes"), QStringLiteral("delete-account: do not ask before deleting.")});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("Nothing to serve, or a command and an e-mail "
                                                "address."));
    parser.process(arguments);

    if (!Passwords::initialise())
        return fail(QStringLiteral("libsodium cannot start"));
    const QStringList positional = parser.positionalArguments();
    const QStringList commands{QStringLiteral("add-account"), QStringLiteral("passwd"),
                               QStringLiteral("sign-out-everywhere"),
                               QStringLiteral("delete-account")};
    if (!positional.isEmpty() && !commands.contains(positional.first()))
        return fail(QStringLiteral("unknown command \"%1\"; see --help").arg(positional.first()));
    if (!positional.isEmpty() && positional.size() != 2)
        return fail(QStringLiteral("%1 takes one e-mail address").arg(positional.first()));

    std::optional<Database> database = openDatabase(parser.value(QStringLiteral("database")));
    if (!database)
        return 1;
    if (!positional.isEmpty() && positional.first() == commands.first())
        return addAccount(*database, positional.at(1));
    if (!positional.isEmpty())
        return changeAccount(*database, positional.first(), positional.at(1),
                             parser.isSet(QStringLiteral("yes")));
    return serve(*database, parser);
}
