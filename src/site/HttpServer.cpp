#include "site/HttpServer.h"

#include <QElapsedTimer>
#include <QThread>

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

// Everything the server knows of one request until it is answered.
struct HttpServer::Pending {
    HttpRequest request;
    bool refused = false;  // answered already
    bool tooLarge = false; // its body went past the limit
    qint64 dropped = 0;    // bytes of it read since
};

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
    static void onCompleted(void *self, MHD_Connection *, void **state, MHD_RequestTerminationCode)
    {
        static_cast<HttpServer *>(self)->completed(state);
    }
    static MHD_Result collect(void *list, MHD_ValueKind, const char *key, const char *value)
    {
        static_cast<QList<std::pair<QByteArray, QByteArray>> *>(list)->append(
            {QByteArray(key), QByteArray(value ? value : "")});
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
    unsigned int flags =
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_ITC | MHD_USE_ERROR_LOG;
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
        {MHD_OPTION_END, 0, nullptr},
    };
    MHD_OptionItem none[] = {{MHD_OPTION_END, 0, nullptr}};
    m_daemon = MHD_start_daemon(
        flags, port, nullptr, nullptr, &HttpServerCallbacks::onRequest, this, MHD_OPTION_SOCK_ADDR,
        reinterpret_cast<sockaddr *>(&storage), MHD_OPTION_THREAD_POOL_SIZE,
        static_cast<unsigned>(m_limits.threads), MHD_OPTION_CONNECTION_LIMIT, m_limits.connections,
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, m_limits.connectionsPerAddress,
        MHD_OPTION_CONNECTION_TIMEOUT, m_limits.idleTimeoutSeconds,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, m_limits.connectionMemory, MHD_OPTION_NOTIFY_COMPLETED,
        &HttpServerCallbacks::onCompleted, this, MHD_OPTION_ARRAY, tls ? tlsOptions : none,
        MHD_OPTION_END);
    if (!m_daemon)
        return QStringLiteral("cannot listen on %1 port %2 (in use, or not this machine's)")
            .arg(host)
            .arg(port);
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
    MHD_stop_daemon(m_daemon);
    m_daemon = nullptr;
}

bool HttpServer::request(MHD_Connection *connection, const char *url, const char *method,
                         const char *uploadData, size_t *uploadDataSize, void **state)
{
    auto *pending = static_cast<Pending *>(*state);
    if (!pending) {
        // The headers are in: look at them before any of the body.
        pending = new Pending;
        *state = pending;
        ++m_inFlight;
        HttpRequest &request = pending->request;
        request.method = method;
        request.path = url;
        request.secure = m_tls;
        request.maySlowWork = true; // every request runs on the server's own threads
        MHD_get_connection_values(connection, MHD_GET_ARGUMENT_KIND, &HttpServerCallbacks::collect,
                                  &request.query);
        MHD_get_connection_values(connection, MHD_COOKIE_KIND, &HttpServerCallbacks::collect,
                                  &request.cookies);
        QList<std::pair<QByteArray, QByteArray>> headers;
        MHD_get_connection_values(connection, MHD_HEADER_KIND, &HttpServerCallbacks::collect,
                                  &headers);
        for (const auto &header : headers) {
            const QByteArray name = header.first.toLower();
            if (name == "content-type")
                request.contentType = header.second;
            else if (name == "x-forwarded-for")
                request.forwardedFor = header.second;
            else if (name == "x-forwarded-proto")
                request.forwardedProto = header.second;
        }
        const MHD_ConnectionInfo *info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
        request.clientAddress = addressText(info ? info->client_addr : nullptr);
        const char *length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND,
                                                         MHD_HTTP_HEADER_CONTENT_LENGTH);
        if (length && std::strtoll(length, nullptr, 10) > m_limits.maximumBody) {
            pending->refused = true;
            return answer(connection, plain(413, "The request is too large.\n"));
        }
        return true;
    }
    if (*uploadDataSize > 0) {
        const auto size = static_cast<qint64>(*uploadDataSize);
        *uploadDataSize = 0;
        if (pending->tooLarge) {
            // The library answers only once the body is in: the rest is read and dropped,
            // up to a bound past which the connection is simply closed.
            pending->dropped += size;
            return pending->dropped <= 4 * m_limits.maximumBody;
        }
        if (pending->request.body.size() + size > m_limits.maximumBody) {
            // A body sent without its length that grows too large.
            pending->tooLarge = true;
            pending->request.body = QByteArray();
            return true;
        }
        pending->request.body.append(uploadData, static_cast<qsizetype>(size));
        return true;
    }
    if (pending->refused)
        return true;
    if (pending->tooLarge) {
        pending->refused = true;
        return answer(connection, plain(413, "The request is too large.\n"));
    }
    return answer(connection, m_handler(pending->request));
}

void HttpServer::completed(void **state)
{
    if (auto *pending = static_cast<Pending *>(*state)) {
        delete pending;
        *state = nullptr;
        --m_inFlight;
    }
}

bool HttpServer::answer(MHD_Connection *connection, const HttpResponse &response)
{
    MHD_Response *reply = MHD_create_response_from_buffer(
        static_cast<size_t>(response.body.size()), const_cast<char *>(response.body.constData()),
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
