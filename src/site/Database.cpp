#include "site/Database.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>
#include <QUrlQuery>

namespace {
thread_local QString t_lastError;
thread_local int t_depth = 0;          // transactions open on this thread's connection
thread_local bool t_abandoned = false; // an inner one was left uncommitted
std::mutex g_sqliteWriter;
constexpr int kBusyTimeoutMs = 10000;
} // namespace

std::optional<DatabaseUrl> DatabaseUrl::parse(const QString &text, QString *error)
{
    DatabaseUrl url;
    if (text.startsWith(QLatin1String("sqlite:"))) {
        url.kind = Kind::Sqlite;
        url.path = text.mid(7);
        if (url.path.startsWith(QLatin1String("//")))
            url.path = url.path.mid(2);
        if (url.path.isEmpty())
            url.path = defaultSqlitePath();
        return url;
    }
    const QUrl parsed(text, QUrl::StrictMode);
    if (!parsed.isValid() || (parsed.scheme() != QLatin1String("postgresql") &&
                              parsed.scheme() != QLatin1String("postgres"))) {
        *error = QStringLiteral("\"%1\" is neither sqlite:FILE nor postgresql://USER@HOST/DBNAME")
                     .arg(text);
        return std::nullopt;
    }
    url.kind = Kind::Postgres;
    url.user = parsed.userName();
    url.host = parsed.host();
    url.port = parsed.port();
    url.name = parsed.path().mid(1);
    const QUrlQuery query(parsed);
    if (query.hasQueryItem(QStringLiteral("host")))
        url.host = query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded);
    if (query.hasQueryItem(QStringLiteral("port")))
        url.port = query.queryItemValue(QStringLiteral("port")).toInt();
    if (url.name.isEmpty()) {
        *error = QStringLiteral("the PostgreSQL address names no database");
        return std::nullopt;
    }
    return url;
}

QString DatabaseUrl::defaultSqlitePath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("pinvelle-site/site.db"));
}

QString DatabaseUrl::shown() const
{
    if (kind == Kind::Sqlite)
        return QStringLiteral("sqlite:") + path;
    return QStringLiteral("postgresql://%1@%2%3/%4")
        .arg(user, host, port > 0 ? QStringLiteral(":%1").arg(port) : QString(), name);
}

QSqlDatabase Database::connection()
{
    const QString name =
        QStringLiteral("site-%1").arg(reinterpret_cast<quintptr>(QThread::currentThreadId()));
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        // A PostgreSQL server that restarted left this connection dead, and nothing says so
        // until it is used: it is tried first, so that no request fails for it.
        if (db.isOpen() && (isSqlite() || QSqlQuery(db).exec(QStringLiteral("SELECT 1"))))
            return db;
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    return open(name);
}

QString Database::lastError() const
{
    return t_lastError;
}

QSqlDatabase Database::open(const QString &connectionName)
{
    if (isSqlite()) {
        QDir().mkpath(QFileInfo(m_url.path).absolutePath());
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(m_url.path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
        if (!db.open()) {
            t_lastError = db.lastError().text();
            return db;
        }
        QSqlQuery query(db);
        // WAL lets readers go on while one writer commits; FULL makes every commit durable.
        for (const char *pragma :
             {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL", "PRAGMA foreign_keys=ON"}) {
            if (!query.exec(QLatin1String(pragma))) {
                t_lastError = query.lastError().text();
                db.close();
                return db;
            }
        }
        return db;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
    db.setHostName(m_url.host);
    if (m_url.port > 0)
        db.setPort(m_url.port);
    db.setUserName(m_url.user);
    db.setDatabaseName(m_url.name);
    db.setPassword(qEnvironmentVariable("PGPASSWORD"));
    if (!db.open())
        t_lastError = db.lastError().text();
    return db;
}

Transaction::Transaction(QSqlDatabase &db, bool sqlite) : m_db(db)
{
    if (t_depth > 0) {
        m_nested = true;
        m_begun = true;
        ++t_depth;
        return;
    }
    if (sqlite)
        m_writer = std::unique_lock<std::mutex>(g_sqliteWriter);
    QSqlQuery query(m_db);
    m_begun = query.exec(sqlite ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
    if (!m_begun) {
        t_lastError = query.lastError().text();
        return;
    }
    t_depth = 1;
    t_abandoned = false;
}

Transaction::~Transaction()
{
    if (!m_begun)
        return;
    if (m_nested) {
        --t_depth;
        t_abandoned = t_abandoned || !m_done;
        return;
    }
    if (!m_done)
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
    t_depth = 0;
}

bool Transaction::commit()
{
    m_done = true;
    if (m_nested)
        return true;
    QSqlQuery query(m_db);
    if (t_abandoned || !query.exec(QStringLiteral("COMMIT"))) {
        if (!t_abandoned)
            t_lastError = query.lastError().text();
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    return true;
}
