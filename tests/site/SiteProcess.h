#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <utility>

// The real pinvelle-site, started on a database in a temporary folder and a free loopback
// port, with a plain HTTP/1.1 client for it.
class SiteProcess final {
public:
    struct Reply {
        int status = 0;
        QByteArray headers;
        QByteArray body;
        QString label() const; // the text of the result span, decoded
        QByteArray state() const;
    };

    explicit SiteProcess(QString database = QString());
    ~SiteProcess();

    // Runs pinvelle-site with `arguments` and `input` on stdin; its exit status.
    int run(const QStringList &arguments, const QByteArray &input = {},
            QByteArray *output = nullptr);
    bool addAccount(const QString &email, const QString &password);
    // Starts serving; false when it did not come up.
    bool start(const QStringList &extra = {});
    bool stop();
    // Sends SIGTERM and returns once the site says it is stopping; stop() waits for the end.
    bool beginStop();
    QString baseAddress() const;
    quint16 port() const { return m_port; }
    QString database() const { return m_database; }

    // One request on its own connection; the session cookie is kept between requests.
    Reply request(const QByteArray &method, const QByteArray &target, const QByteArray &body = {},
                  const QByteArray &extraHeaders = {});
    // The transfer page's form POSTed with these fields and the state from `page`.
    Reply submit(const Reply &page, const QList<std::pair<QString, QString>> &fields,
                 const QByteArray &path = "/noteimport.aspx", const QByteArray &headers = {});
    void forgetCookie() { m_cookie.clear(); }
    QByteArray cookie() const { return m_cookie; }
    void setCookie(const QByteArray &cookie) { m_cookie = cookie; }

private:
    QTemporaryDir m_dir;
    QString m_database;
    QProcess m_process;
    quint16 m_port = 0;
    QByteArray m_cookie;
};
