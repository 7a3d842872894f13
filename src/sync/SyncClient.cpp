#include "SyncClient.h"

#include "SyncDecision.h"
#include "web/Contract.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

using namespace WebContract;

namespace {
constexpr int kTimeoutMs = 30000;
constexpr qint64 kSmallAnswer = 64 * 1024;
// A page of kApiPageSize entries with names of 255 bytes, escaped, fits with room to spare.
constexpr qint64 kListAnswer = 8 * 1024 * 1024;
const char *const kTooLarge = "pinvelleTooLarge";

QString key(const char *name)
{
    return QString::fromLatin1(name);
}

// Every character but the unreserved ones escaped: "+", "&" and "#" are a name's own.
QString nameQuery(const QString &name)
{
    return key(kApiNameKey) + QLatin1Char('=') + QString::fromLatin1(QUrl::toPercentEncoding(name));
}

QByteArray quotedVersion(qint64 version)
{
    return '"' + QByteArray::number(version) + '"';
}

// "12", W/"12" or 12.
qint64 etagVersion(QByteArray etag)
{
    etag = etag.trimmed();
    if (etag.startsWith("W/"))
        etag.remove(0, 2);
    if (etag.size() >= 2 && etag.startsWith('"') && etag.endsWith('"'))
        etag = etag.mid(1, etag.size() - 2);
    return etag.toLongLong();
}

// A digest as the API gives it: 64 lowercase hex digits.
bool isDigest(const QByteArray &digest)
{
    if (digest.size() != 64)
        return false;
    for (const char c : digest) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}
} // namespace

SyncClient::SyncClient(QNetworkAccessManager *network, const QUrl &site, QObject *parent)
    : QObject(parent), m_network(network), m_site(site)
{
    QString path = m_site.path();
    if (!path.endsWith(QLatin1Char('/')))
        m_site.setPath(path + QLatin1Char('/'));
}

QUrl SyncClient::address(const char *path, const QString &query) const
{
    QUrl url = m_site.resolved(QUrl(key(path)));
    if (!query.isEmpty())
        url.setQuery(query, QUrl::StrictMode);
    return url;
}

void SyncClient::send(QNetworkRequest request, const QByteArray &verb, const QByteArray &body,
                      qint64 limit, Handler handler)
{
    request.setTransferTimeout(kTimeoutMs);
    if (!m_token.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + m_token);
    if (!body.isEmpty() || verb == "PUT" || verb == "POST")
        request.setHeader(QNetworkRequest::ContentLengthHeader, body.size());
    QNetworkReply *reply = m_network->sendCustomRequest(request, verb, body);
    // A larger answer is refused as it comes, not read into memory whole.
    const auto bound = [reply, limit] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (reply->bytesAvailable() > limit || (length.isValid() && length.toLongLong() > limit)) {
            reply->setProperty(kTooLarge, true);
            reply->abort();
        }
    };
    connect(reply, &QNetworkReply::metaDataChanged, reply, bound);
    connect(reply, &QNetworkReply::readyRead, reply, bound);
    connect(reply, &QNetworkReply::finished, this, [reply, limit, handler = std::move(handler)] {
        reply->deleteLater();
        Answer answer;
        answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->property(kTooLarge).toBool()) {
            answer.failure = Failure::BadAnswer;
            answer.error = tr("the site's answer is larger than %1 bytes").arg(limit);
            handler(answer, {}, reply);
            return;
        }
        const QByteArray bytes = reply->readAll();
        const QJsonObject json = QJsonDocument::fromJson(bytes).object();
        if (answer.status == 0 || answer.status == 429 || answer.status >= 500) {
            answer.failure = Failure::Network;
            answer.error = answer.status == 0
                               ? reply->errorString()
                               : tr("the site answered %1, try again later").arg(answer.status);
        } else if (answer.status == 401) {
            answer.failure = Failure::TokenRefused;
        } else if (answer.status == 412) {
            answer.failure = Failure::Stale;
            answer.version = json.value(key(kJsonVersion)).toInteger();
            answer.deleted = json.value(key(kJsonDeleted)).toBool();
        } else if (answer.status == 404) {
            answer.failure = Failure::NotFound;
        } else if (answer.status < 200 || answer.status >= 300) {
            answer.failure = Failure::Refused;
        }
        if (!answer.ok() && answer.error.isEmpty()) {
            answer.error = json.value(key(kJsonError)).toString();
            if (answer.error.isEmpty())
                answer.error = tr("the site answered %1").arg(answer.status);
        }
        handler(answer, bytes, reply);
    });
}

void SyncClient::signIn(const QString &email, const QString &password, const QString &device,
                        Done done)
{
    QNetworkRequest request(address(kApiSession));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
    const QJsonObject body{
        {key(kJsonEmail), email}, {key(kJsonPassword), password}, {key(kJsonDevice), device}};
    send(request, "POST", QJsonDocument(body).toJson(QJsonDocument::Compact), kSmallAnswer,
         [done](Answer &answer, const QByteArray &bytes, QNetworkReply *) {
             if (answer.ok()) {
                 answer.token = QJsonDocument::fromJson(bytes)
                                    .object()
                                    .value(key(kJsonToken))
                                    .toString()
                                    .toLatin1();
                 if (answer.token.isEmpty()) {
                     answer.failure = Failure::BadAnswer;
                     answer.error = tr("the site gave no token");
                 }
             }
             done(answer);
         });
}

void SyncClient::signOut(Done done)
{
    send(QNetworkRequest(address(kApiSession)), "DELETE", {}, kSmallAnswer,
         [done](Answer &answer, const QByteArray &, QNetworkReply *) { done(answer); });
}

void SyncClient::listChanges(qint64 since,
                             std::function<void(const Answer &, const Changes &)> done)
{
    listFrom(since, {since, {}}, std::move(done));
}

void SyncClient::listFrom(qint64 since, Changes changes,
                          std::function<void(const Answer &, const Changes &)> done)
{
    const QUrl url =
        address(kApiNotes, key(kApiSinceKey) + QLatin1Char('=') + QString::number(since));
    send(QNetworkRequest(url), "GET", {}, kListAnswer,
         [this, since, changes = std::move(changes), done](Answer &answer, const QByteArray &bytes,
                                                           QNetworkReply *) mutable {
             if (!answer.ok()) {
                 done(answer, changes);
                 return;
             }
             const QJsonObject json = QJsonDocument::fromJson(bytes).object();
             const qint64 cursor = json.value(key(kJsonCursor)).toInteger(-1);
             const QJsonArray notes = json.value(key(kJsonNotes)).toArray();
             for (const QJsonValue &value : notes) {
                 const QJsonObject note = value.toObject();
                 Change change{note.value(key(kJsonName)).toString(),
                               note.value(key(kJsonVersion)).toInteger(),
                               note.value(key(kJsonDigest)).toString().toLatin1(),
                               note.value(key(kJsonDeleted)).toBool()};
                 if (change.name.isEmpty() || change.version <= 0 ||
                     (!change.deleted && !isDigest(change.digest))) {
                     answer.failure = Failure::BadAnswer;
                     break;
                 }
                 changes.notes.append(change);
             }
             const bool more = json.value(key(kJsonMore)).toBool();
             // A cursor that does not move on would ask for the same page for ever.
             if (answer.ok() && (cursor < since || (more && cursor == since))) {
                 answer.failure = Failure::BadAnswer;
             }
             if (!answer.ok()) {
                 answer.error = tr("the site's list of notes is not in the expected form");
                 done(answer, changes);
                 return;
             }
             changes.cursor = cursor;
             if (more)
                 listFrom(cursor, std::move(changes), std::move(done));
             else
                 done(answer, changes);
         });
}

void SyncClient::getNote(const QString &name, Done done)
{
    const QUrl url = address(kApiNote, nameQuery(name));
    send(QNetworkRequest(url), "GET", {}, kMaximumNoteBytes,
         [done](Answer &answer, const QByteArray &bytes, QNetworkReply *reply) {
             if (answer.ok()) {
                 answer.version = etagVersion(reply->rawHeader("ETag"));
                 answer.text = QString::fromUtf8(bytes);
                 answer.digest = SyncDecision::digest(bytes);
                 if (answer.version <= 0) {
                     answer.failure = Failure::BadAnswer;
                     answer.error = tr("the site gave no version of the note");
                 }
             }
             done(answer);
         });
}

void SyncClient::putNote(const QString &name, const QString &text, std::optional<qint64> ifMatch,
                         Done done)
{
    QNetworkRequest request(address(kApiNote, nameQuery(name)));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("text/plain; charset=utf-8"));
    if (ifMatch)
        request.setRawHeader("If-Match", quotedVersion(*ifMatch));
    else
        request.setRawHeader("If-None-Match", "*");
    send(request, "PUT", text.toUtf8(), kSmallAnswer,
         [done](Answer &answer, const QByteArray &bytes, QNetworkReply *) {
             if (answer.ok()) {
                 const QJsonObject json = QJsonDocument::fromJson(bytes).object();
                 answer.version = json.value(key(kJsonVersion)).toInteger();
                 answer.digest = json.value(key(kJsonDigest)).toString().toLatin1();
                 if (answer.version <= 0 || !isDigest(answer.digest)) {
                     answer.failure = Failure::BadAnswer;
                     answer.error = tr("the site's answer to a stored note is not understood");
                 }
             }
             done(answer);
         });
}

void SyncClient::deleteNote(const QString &name, qint64 ifMatch, Done done)
{
    QNetworkRequest request(address(kApiNote, nameQuery(name)));
    request.setRawHeader("If-Match", quotedVersion(ifMatch));
    send(request, "DELETE", {}, kSmallAnswer,
         [done](Answer &answer, const QByteArray &bytes, QNetworkReply *) {
             if (answer.ok())
                 answer.version =
                     QJsonDocument::fromJson(bytes).object().value(key(kJsonVersion)).toInteger();
             done(answer);
         });
}
