#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QUrlQuery>

#include <functional>
#include <memory>

class QSslConfiguration;
class QTcpServer;
class QTcpSocket;

// One request as the server read it.
struct HttpRequest {
    QByteArray method;
    QString path; // decoded, without the query
    QUrlQuery query;
    QByteArray target; // the request line's target, exactly as sent
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // First header of that name (any case), or empty.
    QByteArray header(const QByteArray &name) const;
    // A cookie the client sent, or empty.
    QByteArray cookie(const QByteArray &name) const;
    // A field of a application/x-www-form-urlencoded body, decoded from UTF-8.
    QString formValue(const QString &name) const;
    bool hasFormValue(const QString &name) const;
    // The body's fields in order, decoded.
    QList<std::pair<QString, QString>> formFields() const;
};

// What a handler answers. Defaults to 200 with an empty text/html body.
struct HttpResponse {
    int status = 200;
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;
    int delayMs = 0;       // answer after this long
    bool drop = false;     // close the connection without answering
    bool stall = false;    // never answer (the connection stays open until the server goes)
    bool chunked = false;  // send the body in chunks, without announcing its length
    bool cutShort = false; // announce the whole body, send half of it, close the connection

    static HttpResponse html(const QByteArray &markup, int status = 200);
    static HttpResponse text(const QByteArray &body, const QByteArray &contentType);
    static HttpResponse redirect(const QByteArray &location, int status = 302);
    HttpResponse &header(const QByteArray &name, const QByteArray &value);
    HttpResponse &setCookie(const QByteArray &name, const QByteArray &value,
                            const QByteArray &attributes = "Path=/");
};

// A small HTTP/1.1 server on 127.0.0.1 for tests: routes by path to handlers, records every
// request, keeps connections alive, and can delay, stall, drop or cut short answers. Request
// bodies must come with a Content-Length (chunked uploads are not read).
class HttpTestServer final : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<HttpResponse(const HttpRequest &)>;

    explicit HttpTestServer(QObject *parent = nullptr);
    ~HttpTestServer() override;

    // Listens on a free loopback port. False when that failed.
    bool listen();
    // The same over TLS with the given certificate and key; addresses are then https.
    bool listenTls(const QSslConfiguration &configuration);
    quint16 port() const;
    // The address of `pathAndQuery` on this server, e.g. url("/form?x=1").
    QUrl url(const QString &pathAndQuery = QStringLiteral("/")) const;

    // Answers requests for `path` (any method). A later route for the same path replaces it.
    void route(const QString &path, Handler handler);
    // Answers what no route takes; by default 404.
    void setFallback(Handler handler);

    const QList<HttpRequest> &requests() const { return m_requests; }
    // Requests for one path, in order.
    QList<HttpRequest> requestsFor(const QString &path) const;
    void clearRequests() { m_requests.clear(); }

    // Closes the listening socket and every open connection.
    void close();

signals:
    void requestReceived(const HttpRequest &request);

private:
    void accept();
    void serve(QTcpSocket *socket);
    void respond(QTcpSocket *socket, const HttpRequest &request, const HttpResponse &response);

    bool start(std::unique_ptr<QTcpServer> server);

    std::unique_ptr<QTcpServer> m_server;
    bool m_tls = false;
    QHash<QString, Handler> m_routes;
    Handler m_fallback;
    QList<HttpRequest> m_requests;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QHash<QTcpSocket *, bool> m_waiting; // an answer is pending on this connection
};
