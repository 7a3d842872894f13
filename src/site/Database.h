#pragma once

#include <QSqlDatabase>
#include <QString>

#include <mutex>
#include <optional>

// Where the site keeps its data: "sqlite:/path/file.db" (or "sqlite:" for the per-user data
// folder), or a PostgreSQL URI, "postgresql://USER@HOST:PORT/DBNAME" or
// "postgresql://USER@/DBNAME?host=/socket/dir&port=5544"; the password comes from PGPASSWORD.
struct DatabaseUrl {
    enum class Kind { Sqlite, Postgres };
    Kind kind = Kind::Sqlite;
    QString path; // SQLite's file
    QString host; // a name, an address, or a socket folder
    int port = -1;
    QString user;
    QString name;

    // Nothing, with `error` set, when the text is not such an address.
    static std::optional<DatabaseUrl> parse(const QString &text, QString *error);
    static QString defaultSqlitePath();
    // The address as a log may show it (no password is ever part of it).
    QString shown() const;
};

// Connections to the site's database: one per thread, opened on first use, each with the
// settings that make concurrent use safe (WAL and a busy timeout for SQLite).
class Database final {
public:
    explicit Database(DatabaseUrl url) : m_url(std::move(url)) {}

    const DatabaseUrl &url() const { return m_url; }
    bool isSqlite() const { return m_url.kind == DatabaseUrl::Kind::Sqlite; }
    // This thread's connection; not open when the database cannot be reached (see lastError).
    QSqlDatabase connection();
    QString lastError() const;

private:
    QSqlDatabase open(const QString &connectionName);

    DatabaseUrl m_url;
};

// One transaction on a connection: rolled back unless committed. SQLite's is taken for
// writing at once, so that two writers never deadlock upgrading their read locks. One made
// while another is open on this thread joins it: its commit waits for the outer one, and
// leaving it uncommitted makes the outer one roll back. SQLite writers of this process queue
// for their turn here rather than in SQLite's busy handler, which sleeps in growing steps.
class Transaction final {
public:
    Transaction(QSqlDatabase &db, bool sqlite);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    bool begun() const { return m_begun; }
    bool commit();

private:
    QSqlDatabase &m_db;
    bool m_begun = false;
    bool m_done = false;
    bool m_nested = false;
    std::unique_lock<std::mutex> m_writer;
};
