#pragma once

#include "site/HttpMessage.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

struct MHD_Daemon;
struct MHD_Connection;

// The site's HTTP server, on GNU libmicrohttpd: a pool of threads that each call the handler
// with a whole request. The library enforces the limits on connections, header memory and
// idle time; the body limit is kept here.
class HttpServer final {
public:
    using Handler = std::function<HttpResponse(HttpRequest)>;

    struct Limits {
        int threads = 8; // a few may wait for a password hash
        unsigned connections = 256;
        unsigned connectionsPerAddress = 32;
        unsigned idleTimeoutSeconds = 30;
        size_t connectionMemory = 64 * 1024; // request line and headers must fit
        qint64 maximumBody = 2 * 1024 * 1024;
        // Requests from these addresses are taken to come from the client that
        // X-Forwarded-For names last, and over HTTPS when X-Forwarded-Proto says so.
        QStringList trustedProxies;
    };
    struct Tls {
        QByteArray certificate; // PEM
        QByteArray key;         // PEM
    };

    HttpServer(Handler handler, Limits limits) : m_handler(std::move(handler)), m_limits(limits) {}
    ~HttpServer();
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    // Listens on `host` (an IPv4 or IPv6 address) and `port`. Empty on success, else why not.
    QString start(const QString &host, quint16 port, const Tls *tls = nullptr);
    // Stops taking connections, lets the requests in flight be answered (for at most
    // `graceMs`), then closes everything.
    void stop(int graceMs);

private:
    friend struct HttpServerCallbacks;
    struct Pending;
    // The library's calls: first with the headers, then with each piece of the body, then once
    // with none left.
    bool request(MHD_Connection *connection, const char *url, const char *method,
                 const char *uploadData, size_t *uploadDataSize, void **state);
    void completed(void **state);
    bool answer(MHD_Connection *connection, const HttpResponse &response);

    Handler m_handler;
    Limits m_limits;
    MHD_Daemon *m_daemon = nullptr;
    QByteArray m_certificate;
    QByteArray m_key;
    bool m_tls = false;
    std::atomic<int> m_inFlight{0};
};
