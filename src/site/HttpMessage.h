#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <utility>

// A request as the server read it: headers, query arguments and cookies decoded by the HTTP
// library, the body whole (it is bounded).
struct HttpRequest {
    QByteArray method;
    QByteArray path;
    QList<std::pair<QByteArray, QByteArray>> query;
    QList<std::pair<QByteArray, QByteArray>> cookies;
    QByteArray contentType;
    QByteArray authorization; // the sync API's "Bearer <device token>"
    QByteArray ifMatch;       // the sync API's conditions: an ETag, or "*"
    QByteArray ifNoneMatch;
    QByteArray body;
    QString clientAddress;     // the peer's address
    QByteArray forwardedFor;   // what a proxy says the client's address is
    QByteArray forwardedProto; // and over which scheme the client came
    bool secure = false;       // came over TLS, directly or through a trusted proxy
    // Whether this request runs where it may wait for a password hash. Where it may not, a
    // page that needs one answers HttpResponse::needingSlowWork() before changing anything,
    // and the server runs the request again where it may.
    bool maySlowWork = false;

    bool hasQuery(const QByteArray &key) const;
    QByteArray queryValue(const QByteArray &key) const;
    QByteArray cookie(const QByteArray &name) const;
    // Whether the body is, or may be, a form: so said, or of no type at all. Only such bodies
    // are taken apart into fields; a note's text sent as it is may hold any number of "&".
    bool isFormBody() const;
};

// A body made piece by piece while it is sent, so that a large answer never sits whole in
// memory. It runs on the server's thread that sends the answer, after the handler returned.
class BodySource {
public:
    virtual ~BodySource() = default;
    // The next piece of the body; empty at the end.
    virtual QByteArray next() = 0;
    // Whether the end came from a failure: the connection is then broken off, so that the
    // client sees an error rather than a body cut short.
    virtual bool failed() const { return false; }
};

struct HttpResponse {
    int status = 200;
    QByteArray contentType = "text/html; charset=utf-8";
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;
    std::shared_ptr<BodySource> stream; // when set, the body comes from it instead
    bool slowWorkNeeded = false;        // see HttpRequest::maySlowWork

    static HttpResponse html(int status, const QString &markup);
    void addHeader(const QByteArray &name, const QByteArray &value)
    {
        headers.append({name, value});
    }
    static HttpResponse redirect(const QByteArray &location);
    // A JSON answer of the sync API.
    static HttpResponse json(int status, const QByteArray &document);
    static HttpResponse needingSlowWork()
    {
        HttpResponse response;
        response.slowWorkNeeded = true;
        return response;
    }
};
