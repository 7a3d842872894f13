#pragma once

#include "site/HttpMessage.h"
#include "site/WorkerPool.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

struct MHD_Daemon;
struct MHD_Connection;

// The site's HTTP server, on GNU libmicrohttpd. The library's threads only read and write:
// a whole request is handed to a pool of quick workers, and one that needs a password hash to
// a small pool of its own, so that a flood of sign-ins never holds up the pages of those
// signed in. The library enforces the limits on connections, header memory and idle time;
// the body limits and deadlines are kept here.
class HttpServer final {
public:
    using Handler = std::function<HttpResponse(HttpRequest)>;
    static constexpr qint64 kMaximumQueryFields = 100;
    static constexpr qint64 kFreeBodyBytes = 64 * 1024; // of each body, outside the budgets

    struct Limits {
        int threads = 4;         // reading and writing only
        int quickWorkers = 8;    // run the pages
        int slowWorkers = 4;     // run what waits for a password hash (two hash at once)
        size_t slowWaiting = 64; // past this, a sign-in is told to try again shortly
        unsigned connections = 256;
        unsigned connectionsPerAddress = 32;
        unsigned idleTimeoutSeconds = 30;
        size_t connectionMemory = 64 * 1024; // request line and headers must fit
        qint64 maximumBody = 2 * 1024 * 1024;
        int maximumFields = 100; // in a form body, and in a query
        // Absolute deadlines, however slowly the bytes trickle in: for the request line and
        // headers from the connection's start (or the last answer on a kept connection), and
        // for the body from the headers.
        int headerDeadlineSeconds = 15;
        int bodyDeadlineSeconds = 15;
        // Bodies being received are held in memory until they are whole: at most this much of
        // them at once, in all and from one client address, so that many held bodies cannot take
        // the memory that the password hashes and the pages need.
        qint64 bodyBudget = 96 * 1024 * 1024;
        qint64 bodyBudgetPerAddress = 16 * 1024 * 1024;
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
    // Runs the handler for `pending` off the library's threads, then lets the library answer.
    void dispatch(MHD_Connection *connection, Pending *pending);
    void handOver(MHD_Connection *connection, Pending *pending, HttpResponse response);
    // Answers at once and closes the connection after the answer.
    bool refuse(MHD_Connection *connection, Pending *pending, int status, const char *text);
    // Refuses a request while its body comes in; the answer goes once the body is in.
    bool refuseBody(Pending *pending, int status, const char *text);
    // Takes `size` bytes of body into the budgets; false when they would go past one.
    bool reserve(Pending *pending, qint64 size);
    void release(Pending *pending);
    // The watchdog's record of connections: the socket, and until when its request's headers
    // may take (0 while a request is being read or answered).
    void connectionStarted(MHD_Connection *connection);
    void connectionClosed(MHD_Connection *connection);
    void setHeaderDeadline(MHD_Connection *connection, bool waiting);
    void watch();
    // Connections per client address, counted here rather than by the library so that a
    // trusted proxy is not counted as one client; behind it, requests in flight per forwarded
    // address are counted instead.
    bool admitConnection(const QString &address);
    bool admitForwarded(Pending *pending);

    Handler m_handler;
    Limits m_limits;
    MHD_Daemon *m_daemon = nullptr;
    QByteArray m_certificate;
    QByteArray m_key;
    bool m_tls = false;
    std::atomic<int> m_inFlight{0};
    std::mutex m_budgetLock;
    qint64 m_bodyBytes = 0;
    QHash<QString, qint64> m_bodyBytesByAddress;
    struct Watched {
        int socket = -1;
        qint64 deadline = 0; // ms since the epoch
    };
    std::mutex m_watchLock;
    std::condition_variable m_watchWake;
    bool m_watching = false;
    QHash<MHD_Connection *, Watched> m_watched;
    QHash<MHD_Connection *, QString> m_connectionAddress;
    QHash<QString, unsigned> m_connectionsByAddress; // under m_watchLock too
    QHash<QString, unsigned> m_forwardedInFlight;    // under m_budgetLock
    std::thread m_watchdog;
    std::unique_ptr<WorkerPool> m_quick;
    std::unique_ptr<WorkerPool> m_slow;
};
