#pragma once

#include "HttpTestServer.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// A stand-in for the notes web site on loopback. It serves its pages the ordinary way (lower
// case tags, quoted attributes), hands out a session cookie, puts a hidden state field in its
// form that a POST must carry back, keeps accounts and notes in memory and records every
// upload and every request.
class NotesSite final {
public:
    static constexpr char kCookie[] = "ASP.NET_SessionId";

    struct Note {
        QString name;
        QString text;
    };
    // One upload as the site received it.
    struct Upload {
        QString email;
        QString password;
        QString name;
        QString text;
        bool overwrite = false;
        bool accepted = false; // the account and password matched
    };

    NotesSite();

    bool listen() { return m_server.listen(); }
    QString baseAddress() const { return m_server.url(QStringLiteral("/")).toString(); }
    HttpTestServer &server() { return m_server; }

    void addAccount(const QString &email, const QString &password);
    void addNote(const QString &email, const QString &name, const QString &text);
    QList<Note> notes(const QString &email) const { return m_notes.value(email); }
    const QList<Upload> &uploads() const { return m_uploads; }
    // POSTs refused because the cookie or the state field was missing or stale.
    int staleSubmissions() const { return m_stale; }

    // Whether the note table ends with a closing row after the last note (a real page's
    // footer) or right after the last data cell.
    void setTableFooter(bool footer) { m_footer = footer; }
    // Rows written into the note table as they are, before the notes.
    void setExtraRows(const QString &rows) { m_extraRows = rows; }
    // Markup written as it is in place of the result element and the note table of every
    // answer to a submission; empty for the site's own.
    void setAnswer(const QString &markup) { m_answer = markup; }
    // Uploads of this name are refused, as a name or text against the site's rules would be.
    void refuse(const QString &name) { m_refused << name; }

private:
    struct Session {
        QByteArray state;
        bool overwrite = false;
    };

    HttpResponse transferPage(const HttpRequest &request);
    HttpResponse page(const QByteArray &sessionId, const QString &result, const QString &table,
                      const char *outcome = nullptr);
    QString table(const QString &email) const;

    HttpTestServer m_server;
    QHash<QString, QString> m_accounts;
    QHash<QString, QList<Note>> m_notes;
    QHash<QByteArray, Session> m_sessions;
    QList<Upload> m_uploads;
    int m_stale = 0;
    int m_nextSession = 1;
    bool m_footer = true;
    QString m_extraRows;
    QString m_answer;
    QStringList m_refused;
};
