#include "site/HttpServer.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QThread>

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>
#include <optional>

// Everything the server knows of one request until it is answered.
struct HttpServer::Pending {
    HttpRequest request;
    bool looked = false;  // its headers were checked
    bool refused = false; // answered already
    // Refused while its body came in: the rest of the body is read and dropped, and this is
    // the answer once it is in (the library answers only then).
    int refusal = 0;
    const char *refusalText = nullptr;
    qint64 dropped = 0; // bytes of it read since
    qint64 queryFields = 0;
    qint64 fields = 1;                // of the form body, counted as it arrives
    bool form = true;                 // the body is a form, whose fields count
    qint64 reserved = 0;              // bytes of the body budgets it holds
    QString budgetOwner;              // the address they are counted for
    QElapsedTimer since;              // the headers came in
    QString forwarded;                // counted in flight for this forwarded address
    bool dispatched = false;          // handed to a worker
    std::optional<HttpResponse> done; // the worker's answer, for the library to send
};

namespace {
QString addressText(const sockaddr *address);
} // namespace

struct HttpServerCallbacks {
    static MHD_Result onRequest(void *self, MHD_Connection *connection, const char *url,
                                const char *method, const char *, const char *uploadData,
                                size_t *uploadDataSize, void **state)
    {
        return static_cast<HttpServer *>(self)->request(connection, url, method, uploadData,
                                                        uploadDataSize, state)
                   ? MHD_YES
                   : MHD_NO;
    }
    // Sees the request line before the library splits its query: a query of thousands of
    // arguments is refused from the count alone.
    static void *onUri(void *, const char *uri, MHD_Connection *)
    {
        auto *pending = new HttpServer::Pending;
        char *query = std::strchr(const_cast<char *>(uri), '?');
        if (query) {
            pending->queryFields = 1;
            for (const char *at = query; *at; ++at)
                pending->queryFields += *at == '&' || *at == ';';
            // The library would store every argument in the connection's small memory, and
            // hang once it runs out: such a query is made one argument here, in the library's
            // own buffer, and the request refused when its headers are in.
            if (pending->queryFields > HttpServer::kMaximumQueryFields)
                std::replace_if(
                    query + 1, query + std::strlen(query),
                    [](char ch) { return ch == '&' || ch == ';'; }, '_');
        }
        return pending;
    }
    static void onCompleted(void *self, MHD_Connection *connection, void **state,
                            MHD_RequestTerminationCode)
    {
        static_cast<HttpServer *>(self)->completed(state);
        // A kept connection's next request has its own time for its headers.
        static_cast<HttpServer *>(self)->setHeaderDeadline(connection, true);
    }
    static MHD_Result onAccept(void *self, const sockaddr *address, socklen_t)
    {
        return static_cast<HttpServer *>(self)->admitConnection(addressText(address)) ? MHD_YES
                                                                                      : MHD_NO;
    }
    static void onConnection(void *self, MHD_Connection *connection, void **,
                             MHD_ConnectionNotificationCode code)
    {
        auto *server = static_cast<HttpServer *>(self);
        if (code == MHD_CONNECTION_NOTIFY_STARTED)
            server->connectionStarted(connection);
        else
            server->connectionClosed(connection);
    }
    static MHD_Result collect(void *list, MHD_ValueKind, const char *key, const char *value)
    {
        static_cast<QList<std::pair<QByteArray, QByteArray>> *>(list)->append(
            {QByteArray(key), QByteArray(value ? value : "")});
        return MHD_YES;
    }
    // With the lengths: an argument's "%00" stays in it rather than cutting it short.
    static MHD_Result collectWhole(void *list, MHD_ValueKind, const char *key, size_t keySize,
                                   const char *value, size_t valueSize)
    {
        static_cast<QList<std::pair<QByteArray, QByteArray>> *>(list)->append(
            {QByteArray(key, qsizetype(keySize)),
             value ? QByteArray(value, qsizetype(valueSize)) : QByteArray()});
        return MHD_YES;
    }
};

namespace {
QString addressText(const sockaddr *address)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (!address)
        return {};
    if (address->sa_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in *>(address)->sin_addr, text,
                  sizeof text);
    else if (address->sa_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6 *>(address)->sin6_addr, text,
                  sizeof text);
    return QString::fromLatin1(text);
}

QByteArray headerValue(const QList<std::pair<QByteArray, QByteArray>> &headers,
                       const QByteArray &name, int *count)
{
    QByteArray value;
    *count = 0;
    for (const auto &header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0 && ++*count == 1)
            value = header.second.trimmed();
        else if (header.first.compare(name, Qt::CaseInsensitive) == 0 &&
                 header.second.trimmed() == value)
            --*count; // the same value again says nothing new
    }
    return value;
}

HttpResponse plain(int status, const char *text)
{
    HttpResponse response;
    response.status = status;
    response.contentType = "text/plain; charset=utf-8";
    response.body = text;
    return response;
}
} // namespace

HttpServer::~HttpServer()
{
    stop(0);
}

QString HttpServer::start(const QString &host, quint16 port, const Tls *tls)
{
    sockaddr_storage storage{};
    unsigned int flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_ITC |
                         MHD_USE_ERROR_LOG | MHD_ALLOW_SUSPEND_RESUME;
    const QByteArray hostBytes = host.toLatin1();
    if (auto *v4 = reinterpret_cast<sockaddr_in *>(&storage);
        inet_pton(AF_INET, hostBytes.constData(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
    } else if (auto *v6 = reinterpret_cast<sockaddr_in6 *>(&storage);
               inet_pton(AF_INET6, hostBytes.constData(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
        flags |= MHD_USE_IPv6;
    } else {
        return QStringLiteral("\"%1\" is not an IP address to listen on").arg(host);
    }
    if (tls) {
        flags |= MHD_USE_TLS;
        m_certificate = tls->certificate;
        m_key = tls->key;
        m_tls = true;
    }
    MHD_OptionItem tlsOptions[] = {
        {MHD_OPTION_HTTPS_MEM_CERT, 0, const_cast<char *>(m_certificate.constData())},
        {MHD_OPTION_HTTPS_MEM_KEY, 0, const_cast<char *>(m_key.constData())},
        // Nothing older than TLS 1.2.
        {MHD_OPTION_HTTPS_PRIORITIES, 0,
         const_cast<char *>("NORMAL:-VERS-ALL:+VERS-TLS1.3:+VERS-TLS1.2")},
        {MHD_OPTION_END, 0, nullptr},
    };
    MHD_OptionItem none[] = {{MHD_OPTION_END, 0, nullptr}};
    m_quick = std::make_unique<WorkerPool>(m_limits.quickWorkers, SIZE_MAX);
    m_slow = std::make_unique<WorkerPool>(m_limits.slowWorkers, m_limits.slowWaiting);
    m_daemon = MHD_start_daemon(
        flags, port, &HttpServerCallbacks::onAccept, this, &HttpServerCallbacks::onRequest, this,
        MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr *>(&storage), MHD_OPTION_THREAD_POOL_SIZE,
        static_cast<unsigned>(m_limits.threads), MHD_OPTION_CONNECTION_LIMIT, m_limits.connections,
        MHD_OPTION_CONNECTION_TIMEOUT, m_limits.idleTimeoutSeconds,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, m_limits.connectionMemory, MHD_OPTION_NOTIFY_COMPLETED,
        &HttpServerCallbacks::onCompleted, this, MHD_OPTION_URI_LOG_CALLBACK,
        &HttpServerCallbacks::onUri, this, MHD_OPTION_NOTIFY_CONNECTION,
        &HttpServerCallbacks::onConnection, this, MHD_OPTION_ARRAY, tls ? tlsOptions : none,
        MHD_OPTION_END);
    if (!m_daemon)
        return QStringLiteral("cannot listen on %1 port %2 (in use, or not this machine's)")
            .arg(host)
            .arg(port);
    m_watching = true;
    m_watchdog = std::thread([this] { watch(); });
    return {};
}

void HttpServer::stop(int graceMs)
{
    if (!m_daemon)
        return;
    MHD_quiesce_daemon(m_daemon);
    QElapsedTimer waited;
    waited.start();
    while (m_inFlight.load() > 0 && waited.elapsed() < graceMs)
        QThread::msleep(20);
    // The pools run what is still waiting and resume its connections, which the library must
    // have back before it stops; the quick one first, since it hands work on to the slow one.
    m_quick.reset();
    m_slow.reset();
    MHD_stop_daemon(m_daemon);
    m_daemon = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_watchLock);
        m_watching = false;
    }
    m_watchWake.notify_all();
    if (m_watchdog.joinable())
        m_watchdog.join();
}

bool HttpServer::request(MHD_Connection *connection, const char *url, const char *method,
                         const char *uploadData, size_t *uploadDataSize, void **state)
{
    auto *pending = static_cast<Pending *>(*state);
    if (!pending) {
        pending = new Pending;
        *state = pending;
    }
    if (!pending->looked) {
        // The headers are in: look at them before any of the body.
        pending->looked = true;
        pending->since.start();
        setHeaderDeadline(connection, false);
        ++m_inFlight;
        HttpRequest &request = pending->request;
        request.method = method;
        request.path = url;
        request.secure = m_tls;
        if (pending->queryFields > kMaximumQueryFields)
            return refuse(connection, pending, 414, "The address has too many query arguments.\n");
        MHD_get_connection_values_n(connection, MHD_GET_ARGUMENT_KIND,
                                    &HttpServerCallbacks::collectWhole, &request.query);
        MHD_get_connection_values(connection, MHD_COOKIE_KIND, &HttpServerCallbacks::collect,
                                  &request.cookies);
        QList<std::pair<QByteArray, QByteArray>> headers;
        MHD_get_connection_values(connection, MHD_HEADER_KIND, &HttpServerCallbacks::collect,
                                  &headers);
        int count = 0;
        request.contentType = headerValue(headers, "Content-Type", &count);
        request.forwardedFor = headerValue(headers, "X-Forwarded-For", &count);
        request.forwardedProto = headerValue(headers, "X-Forwarded-Proto", &count);
        request.authorization = headerValue(headers, "Authorization", &count);
        request.ifMatch = headerValue(headers, "If-Match", &count);
        request.ifNoneMatch = headerValue(headers, "If-None-Match", &count);
        pending->form = request.isFormBody();
        const MHD_ConnectionInfo *info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
        request.clientAddress = addressText(info ? info->client_addr : nullptr);
        if (m_limits.trustedProxies.contains(request.clientAddress)) {
            // The proxy appends the address it saw to what the client sent: only the last
            // entry is the proxy's word.
            const QByteArray forwarded = request.forwardedFor.split(',').last().trimmed();
            if (!forwarded.isEmpty())
                request.clientAddress = QString::fromLatin1(forwarded);
            request.secure = request.secure || request.forwardedProto.trimmed() == "https";
            if (!admitForwarded(pending))
                return refuse(connection, pending, 503, "Too many requests from one address.\n");
        }

        // Requests that two readers of the same bytes could take apart differently (a proxy
        // before this server, say) are refused rather than guessed at.
        headerValue(headers, "Host", &count);
        if (count != 1)
            return refuse(connection, pending, 400, "The request names no single host.\n");
        const QByteArray length = headerValue(headers, MHD_HTTP_HEADER_CONTENT_LENGTH, &count);
        int encodings = 0;
        headerValue(headers, MHD_HTTP_HEADER_TRANSFER_ENCODING, &encodings);
        if (count > 1 || (count == 1 && encodings > 0))
            return refuse(connection, pending, 400, "The request's length is ambiguous.\n");
        const qint64 declared = count == 1 ? std::strtoll(length.constData(), nullptr, 10) : 0;
        if (declared > m_limits.maximumBody)
            return refuse(connection, pending, 413, "The request is too large.\n");
        // Room for the body it announces at once, so that growing never holds twice its size;
        // the pages of a large allocation stay untouched until its bytes come.
        if (declared > 0)
            request.body.reserve(declared);
        return true;
    }
    if (*uploadDataSize > 0) {
        const auto size = static_cast<qint64>(*uploadDataSize);
        *uploadDataSize = 0;
        if (pending->refused)
            return true;
        if (pending->refusal) {
            // Dropped, up to a bound past which the connection is simply closed.
            pending->dropped += size;
            return pending->dropped <= 4 * m_limits.maximumBody;
        }
        if (pending->since.elapsed() > m_limits.bodyDeadlineSeconds * 1000LL)
            return false; // a body trickled in more slowly than any honest client sends
        // The fields are counted as they come, so that a body of a million tiny fields is
        // refused before it is whole, let alone taken apart.
        if (pending->form)
            pending->fields += std::count(uploadData, uploadData + size, '&');
        if (pending->fields > m_limits.maximumFields)
            return refuseBody(pending, 413, "The form has too many fields.\n");
        // A body sent without its length that grows too large.
        if (pending->request.body.size() + size > m_limits.maximumBody)
            return refuseBody(pending, 413, "The request is too large.\n");
        if (!reserve(pending, size))
            return refuseBody(pending, 503, "The site is busy; try again shortly.\n");
        pending->request.body.append(uploadData, static_cast<qsizetype>(size));
        return true;
    }
    if (pending->refused)
        return true;
    if (pending->refusal)
        return refuse(connection, pending, pending->refusal, pending->refusalText);
    if (pending->done)
        return answer(connection, *pending->done);
    if (!pending->dispatched)
        dispatch(connection, pending);
    return true;
}

void HttpServer::dispatch(MHD_Connection *connection, Pending *pending)
{
    pending->dispatched = true;
    release(pending);
    MHD_suspend_connection(connection);
    m_quick->post([this, connection, pending] {
        pending->request.maySlowWork = false;
        HttpResponse response = m_handler(pending->request);
        if (!response.slowWorkNeeded) {
            handOver(connection, pending, std::move(response));
            return;
        }
        // Nothing was changed: the same request runs again where it may wait for the hash.
        const bool queued = m_slow->post([this, connection, pending] {
            pending->request.maySlowWork = true;
            handOver(connection, pending, m_handler(pending->request));
        });
        if (!queued) {
            HttpResponse busy = plain(503, "The site is busy; try again shortly.\n");
            busy.addHeader("Retry-After", "5");
            handOver(connection, pending, std::move(busy));
        }
    });
}

void HttpServer::handOver(MHD_Connection *connection, Pending *pending, HttpResponse response)
{
    pending->done = std::move(response);
    MHD_resume_connection(connection);
}

bool HttpServer::refuse(MHD_Connection *connection, Pending *pending, int status, const char *text)
{
    pending->refused = true;
    pending->request.body = QByteArray();
    release(pending);
    HttpResponse response = plain(status, text);
    response.addHeader("Connection", "close");
    if (status == 503)
        response.addHeader("Retry-After", "5");
    return answer(connection, response);
}

bool HttpServer::refuseBody(Pending *pending, int status, const char *text)
{
    pending->refusal = status;
    pending->refusalText = text;
    pending->request.body = QByteArray();
    release(pending);
    return true;
}

bool HttpServer::reserve(Pending *pending, qint64 size)
{
    // The first bytes of every body are free of the budget: however many large bodies are
    // held, the small forms of honest clients (a note of a few kilobytes) still get through.
    const qint64 free = std::max<qint64>(0, kFreeBodyBytes - pending->request.body.size());
    size = std::max<qint64>(0, size - free);
    if (size == 0)
        return true;
    std::lock_guard<std::mutex> guard(m_budgetLock);
    const QString &address = pending->request.clientAddress;
    qint64 &byAddress = m_bodyBytesByAddress[address];
    if (m_bodyBytes + size > m_limits.bodyBudget ||
        byAddress + size > m_limits.bodyBudgetPerAddress) {
        if (byAddress == 0)
            m_bodyBytesByAddress.remove(address);
        return false;
    }
    m_bodyBytes += size;
    byAddress += size;
    pending->reserved += size;
    pending->budgetOwner = address;
    return true;
}

void HttpServer::release(Pending *pending)
{
    if (pending->reserved == 0)
        return;
    std::lock_guard<std::mutex> guard(m_budgetLock);
    m_bodyBytes -= pending->reserved;
    auto held = m_bodyBytesByAddress.find(pending->budgetOwner);
    if (held != m_bodyBytesByAddress.end() && (*held -= pending->reserved) <= 0)
        m_bodyBytesByAddress.erase(held);
    pending->reserved = 0;
}

bool HttpServer::admitConnection(const QString &address)
{
    if (m_limits.trustedProxies.contains(address))
        return true;
    std::lock_guard<std::mutex> guard(m_watchLock);
    unsigned &count = m_connectionsByAddress[address];
    if (count >= m_limits.connectionsPerAddress)
        return false;
    ++count; // taken back when the connection closes
    return true;
}

bool HttpServer::admitForwarded(Pending *pending)
{
    std::lock_guard<std::mutex> guard(m_budgetLock);
    unsigned &count = m_forwardedInFlight[pending->request.clientAddress];
    if (count >= m_limits.connectionsPerAddress)
        return false;
    ++count;
    pending->forwarded = pending->request.clientAddress;
    return true;
}

void HttpServer::connectionStarted(MHD_Connection *connection)
{
    const MHD_ConnectionInfo *info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    const MHD_ConnectionInfo *peer =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    std::lock_guard<std::mutex> guard(m_watchLock);
    const QString address = addressText(peer ? peer->client_addr : nullptr);
    if (!m_limits.trustedProxies.contains(address))
        m_connectionAddress.insert(connection, address);
    if (!info)
        return;
    m_watched.insert(connection, {info->connect_fd, QDateTime::currentMSecsSinceEpoch() +
                                                        m_limits.headerDeadlineSeconds * 1000LL});
}

void HttpServer::connectionClosed(MHD_Connection *connection)
{
    // The library closes the socket after this returns: with the lock held here, the watchdog
    // never shuts a socket number that has been given to another connection since.
    std::lock_guard<std::mutex> guard(m_watchLock);
    m_watched.remove(connection);
    const auto counted = m_connectionAddress.constFind(connection);
    if (counted != m_connectionAddress.cend()) {
        auto count = m_connectionsByAddress.find(*counted);
        if (count != m_connectionsByAddress.end() && --*count == 0)
            m_connectionsByAddress.erase(count);
        m_connectionAddress.erase(counted);
    }
}

void HttpServer::setHeaderDeadline(MHD_Connection *connection, bool waiting)
{
    std::lock_guard<std::mutex> guard(m_watchLock);
    auto watched = m_watched.find(connection);
    if (watched != m_watched.end())
        watched->deadline =
            waiting ? QDateTime::currentMSecsSinceEpoch() + m_limits.headerDeadlineSeconds * 1000LL
                    : 0;
}

void HttpServer::watch()
{
    std::unique_lock<std::mutex> guard(m_watchLock);
    while (m_watching) {
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        for (Watched &watched : m_watched) {
            if (watched.deadline != 0 && watched.deadline < now) {
                // Shut, not closed: the library still owns the socket, sees it end, and
                // cleans the connection up as it does for any client that hangs up.
                shutdown(watched.socket, SHUT_RDWR);
                watched.deadline = 0;
            }
        }
        m_watchWake.wait_for(guard, std::chrono::milliseconds(500));
    }
}

void HttpServer::completed(void **state)
{
    if (auto *pending = static_cast<Pending *>(*state)) {
        release(pending);
        if (!pending->forwarded.isEmpty()) {
            std::lock_guard<std::mutex> guard(m_budgetLock);
            auto count = m_forwardedInFlight.find(pending->forwarded);
            if (count != m_forwardedInFlight.end() && --*count == 0)
                m_forwardedInFlight.erase(count);
        }
        if (pending->looked)
            --m_inFlight;
        delete pending;
        *state = nullptr;
    }
}

namespace {
// A streamed body as the library reads it: one piece at a time, taken as the client reads.
struct Streaming {
    std::shared_ptr<BodySource> source;
    QByteArray piece;
    qsizetype sent = 0;

    static ssize_t read(void *self, uint64_t, char *buffer, size_t size)
    {
        auto *streaming = static_cast<Streaming *>(self);
        while (streaming->sent == streaming->piece.size()) {
            streaming->piece = streaming->source->next();
            streaming->sent = 0;
            if (streaming->piece.isEmpty())
                return streaming->source->failed() ? MHD_CONTENT_READER_END_WITH_ERROR
                                                   : MHD_CONTENT_READER_END_OF_STREAM;
        }
        const auto count =
            std::min(static_cast<qsizetype>(size), streaming->piece.size() - streaming->sent);
        std::memcpy(buffer, streaming->piece.constData() + streaming->sent,
                    static_cast<size_t>(count));
        streaming->sent += count;
        return static_cast<ssize_t>(count);
    }
    static void end(void *self) { delete static_cast<Streaming *>(self); }
};
} // namespace

bool HttpServer::answer(MHD_Connection *connection, const HttpResponse &response)
{
    MHD_Response *reply =
        response.stream
            ? MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, 64 * 1024, &Streaming::read,
                                                new Streaming{response.stream, {}, 0},
                                                &Streaming::end)
            : MHD_create_response_from_buffer(static_cast<size_t>(response.body.size()),
                                              const_cast<char *>(response.body.constData()),
                                              MHD_RESPMEM_MUST_COPY);
    if (!reply)
        return false;
    MHD_add_response_header(reply, MHD_HTTP_HEADER_CONTENT_TYPE, response.contentType.constData());
    for (const auto &header : response.headers)
        MHD_add_response_header(reply, header.first.constData(), header.second.constData());
    const MHD_Result queued =
        MHD_queue_response(connection, static_cast<unsigned>(response.status), reply);
    MHD_destroy_response(reply);
    return queued == MHD_YES;
}
