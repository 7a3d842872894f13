#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

// The site's sync API (api/ in web/Contract.h) over a network manager the caller owns. Every
// call returns at once and answers through its callback, later, on this object's thread; no
// callback comes once this object is gone.
class SyncClient final : public QObject {
    Q_OBJECT
public:
    // The most a note's text may hold, in UTF-8 bytes, as the site limits it.
    static constexpr qint64 kMaximumNoteBytes = 1024 * 1024;

    enum class Failure {
        None,
        Network,      // the site could not be reached or was overloaded: try again later
        TokenRefused, // 401: the token (or, signing in, the password) is not accepted
        Stale,        // 412: the note changed meanwhile; version and deleted say how it is now
        NotFound,     // 404: no live note of that name
        Refused,      // any other refusal (name, size, number of notes): error says why
        BadAnswer,    // an answer too large or not in the API's form
    };

    struct Answer {
        Failure failure = Failure::None;
        int status = 0;
        QString error;        // in words, for the log and the user
        qint64 version = 0;   // of the note as it is now
        QByteArray digest;    // of a note stored
        bool deleted = false; // a stale answer's note is deleted
        QString text;         // a note's text
        QByteArray token;     // from signing in

        bool ok() const { return failure == Failure::None; }
    };
    struct Change {
        QString name;
        qint64 version = 0;
        QByteArray digest;
        bool deleted = false;
    };
    struct Changes {
        qint64 cursor = 0;
        QList<Change> notes;
    };

    using Done = std::function<void(const Answer &)>;

    // site: the base address the API's paths resolve below.
    SyncClient(QNetworkAccessManager *network, const QUrl &site, QObject *parent = nullptr);

    void setToken(const QByteArray &token) { m_token = token; }

    // answer.token is the new device token.
    void signIn(const QString &email, const QString &password, const QString &device, Done done);
    void signOut(Done done);
    // Every change after cursor since, following the pages to the last.
    void listChanges(qint64 since, std::function<void(const Answer &, const Changes &)> done);
    // answer.text and answer.version.
    void getNote(const QString &name, Done done);
    // Replaces version ifMatch, or creates the note when ifMatch is nothing: answer.version and
    // answer.digest.
    void putNote(const QString &name, const QString &text, std::optional<qint64> ifMatch,
                 Done done);
    void deleteNote(const QString &name, qint64 ifMatch, Done done);

private:
    using Handler = std::function<void(Answer &answer, const QByteArray &body, QNetworkReply *)>;

    QUrl address(const char *path, const QString &query = {}) const;
    void send(QNetworkRequest request, const QByteArray &verb, const QByteArray &body, qint64 limit,
              Handler handler);
    void listFrom(qint64 since, Changes changes,
                  std::function<void(const Answer &, const Changes &)> done);

    QNetworkAccessManager *m_network;
    QUrl m_site;
    QByteArray m_token;
};
