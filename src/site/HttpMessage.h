#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

// A request as the server read it: headers, query arguments and cookies decoded by the HTTP
// library, the body whole (it is bounded).
struct HttpRequest {
    QByteArray method;
    QByteArray path;
    QList<std::pair<QByteArray, QByteArray>> query;
    QList<std::pair<QByteArray, QByteArray>> cookies;
    QByteArray contentType;
    QByteArray body;
    QString clientAddress;     // the peer's address
    QByteArray forwardedFor;   // what a proxy says the client's address is
    QByteArray forwardedProto; // and over which scheme the client came
    bool secure = false;       // came over TLS, directly or through a trusted proxy

    bool hasQuery(const QByteArray &key) const;
    QByteArray queryValue(const QByteArray &key) const;
    QByteArray cookie(const QByteArray &name) const;
};

struct HttpResponse {
    int status = 200;
    QByteArray contentType = "text/html; charset=utf-8";
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;

    static HttpResponse html(int status, const QString &markup);
    void addHeader(const QByteArray &name, const QByteArray &value)
    {
        headers.append({name, value});
    }
    static HttpResponse redirect(const QByteArray &location);
};
