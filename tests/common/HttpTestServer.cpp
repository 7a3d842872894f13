#include "HttpTestServer.h"

#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

QString formDecode(QByteArray bytes)
{
    bytes.replace('+', ' ');
    return QString::fromUtf8(QByteArray::fromPercentEncoding(bytes));
}

} // namespace

QByteArray HttpRequest::header(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return QByteArray();
}

QByteArray HttpRequest::cookie(const QByteArray &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare("Cookie", Qt::CaseInsensitive) != 0)
            continue;
        for (const QByteArray &pair : value.split(';')) {
            const qsizetype equals = pair.indexOf('=');
            if (equals > 0 && pair.left(equals).trimmed() == name)
                return pair.mid(equals + 1).trimmed();
        }
    }
    return QByteArray();
}

QList<std::pair<QString, QString>> HttpRequest::formFields() const
{
    QList<std::pair<QString, QString>> fields;
    if (body.isEmpty())
        return fields;
    for (const QByteArray &pair : body.split('&')) {
        const qsizetype equals = pair.indexOf('=');
        if (equals < 0)
            fields.append({formDecode(pair), QString()});
        else
            fields.append({formDecode(pair.left(equals)), formDecode(pair.mid(equals + 1))});
    }
    return fields;
}

QString HttpRequest::formValue(const QString &name) const
{
    for (const auto &[key, value] : formFields()) {
        if (key == name)
            return value;
    }
    return QString();
}

bool HttpRequest::hasFormValue(const QString &name) const
{
    for (const auto &field : formFields()) {
        if (field.first == name)
            return true;
    }
    return false;
}

HttpResponse HttpResponse::html(const QByteArray &markup, int status)
{
    HttpResponse response;
    response.status = status;
    response.body = markup;
    response.header("Content-Type", "text/html; charset=utf-8");
    return response;
}

HttpResponse HttpResponse::text(const QByteArray &body, const QByteArray &contentType)
{
    HttpResponse response;
    response.body = body;
    response.header("Content-Type", contentType);
    return response;
}

HttpResponse HttpResponse::redirect(const QByteArray &location, int status)
{
    HttpResponse response;
    response.status = status;
    response.header("Location", location);
    response.header("Content-Type", "text/html; charset=utf-8");
    response.body = "<html><body>Moved</body></html>";
    return response;
}

HttpResponse &HttpResponse::header(const QByteArray &name, const QByteArray &value)
{
    headers.append({name, value});
    return *this;
}

HttpResponse &HttpResponse::setCookie(const QByteArray &name, const QByteArray &value,
                                      const QByteArray &attributes)
{
    QByteArray line = name + '=' + value;
    if (!attributes.isEmpty())
        line += "; " + attributes;
    return header("Set-Cookie", line);
}

HttpTestServer::HttpTestServer(QObject *parent) : QObject(parent)
{
    m_fallback = [](const HttpRequest &) {
        return HttpResponse::html("<html><body><h1>Not found</h1></body></html>", 404);
    };
}

HttpTestServer::~HttpTestServer()
{
    close();
}

bool HttpTestServer::listen()
{
    m_tls = false;
    return start(std::make_unique<QTcpServer>());
}

bool HttpTestServer::listenTls(const QSslConfiguration &configuration)
{
    auto server = std::make_unique<QSslServer>();
    server->setSslConfiguration(configuration);
    m_tls = true;
    return start(std::move(server));
}

bool HttpTestServer::start(std::unique_ptr<QTcpServer> server)
{
    close();
    m_server = std::move(server);
    // A TLS connection is offered only once its handshake is done.
    connect(m_server.get(), &QTcpServer::newConnection, this, &HttpTestServer::accept);
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, &HttpTestServer::accept);
    return m_server->listen(QHostAddress::LocalHost);
}

quint16 HttpTestServer::port() const
{
    return m_server ? m_server->serverPort() : 0;
}

QUrl HttpTestServer::url(const QString &pathAndQuery) const
{
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                    .arg(m_tls ? QLatin1String("https") : QLatin1String("http"))
                    .arg(port())
                    .arg(pathAndQuery));
}

void HttpTestServer::route(const QString &path, Handler handler)
{
    m_routes.insert(path, std::move(handler));
}

void HttpTestServer::setFallback(Handler handler)
{
    m_fallback = std::move(handler);
}

QList<HttpRequest> HttpTestServer::requestsFor(const QString &path) const
{
    QList<HttpRequest> found;
    for (const HttpRequest &request : m_requests) {
        if (request.path == path)
            found.append(request);
    }
    return found;
}

void HttpTestServer::close()
{
    if (m_server)
        m_server->close();
    const QList<QTcpSocket *> sockets = m_buffers.keys();
    m_buffers.clear();
    m_waiting.clear();
    for (QTcpSocket *socket : sockets) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
}

void HttpTestServer::accept()
{
    while (QTcpSocket *socket = m_server ? m_server->nextPendingConnection() : nullptr) {
        m_buffers.insert(socket, QByteArray());
        m_waiting.insert(socket, false);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            m_waiting.remove(socket);
            socket->deleteLater();
        });
    }
}

void HttpTestServer::serve(QTcpSocket *socket)
{
    if (!m_buffers.contains(socket))
        return;
    m_buffers[socket] += socket->readAll();
    // One request at a time per connection, in order.
    while (m_buffers.contains(socket) && !m_waiting.value(socket)) {
        QByteArray &buffer = m_buffers[socket];
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
        HttpRequest request;
        const QList<QByteArray> requestLine = lines.constFirst().trimmed().split(' ');
        if (requestLine.size() < 2) {
            socket->abort();
            return;
        }
        request.method = requestLine.at(0);
        request.target = requestLine.at(1);
        qsizetype length = 0;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                continue;
            request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
            if (line.left(colon).trimmed().compare("Content-Length", Qt::CaseInsensitive) == 0)
                length = line.mid(colon + 1).trimmed().toLongLong();
        }
        if (buffer.size() < headEnd + 4 + length)
            return;
        request.body = buffer.mid(headEnd + 4, length);
        buffer.remove(0, headEnd + 4 + length);

        const QUrl target = QUrl::fromEncoded("http://localhost" + request.target);
        request.path = target.path();
        request.query = QUrlQuery(target);

        m_requests.append(request);
        emit requestReceived(request);
        const auto route = m_routes.constFind(request.path);
        const HttpResponse response =
            route != m_routes.cend() ? (*route)(request) : m_fallback(request);

        if (!m_buffers.contains(socket))
            return; // the handler closed the server
        if (response.drop) {
            socket->abort();
            return;
        }
        m_waiting[socket] = true;
        if (response.stall)
            return;
        if (response.delayMs > 0) {
            QTimer::singleShot(response.delayMs, socket, [this, socket, request, response] {
                respond(socket, request, response);
                serve(socket);
            });
            return;
        }
        respond(socket, request, response);
    }
}

void HttpTestServer::respond(QTcpSocket *socket, const HttpRequest &request,
                             const HttpResponse &response)
{
    if (!m_buffers.contains(socket))
        return;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' +
                      reasonPhrase(response.status) + "\r\n";
    for (const auto &[name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    if (response.chunked)
        head += "Transfer-Encoding: chunked\r\n";
    else
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    const bool closeAfter = request.header("Connection").toLower() == "close";
    head += closeAfter ? "Connection: close\r\n" : "Connection: keep-alive\r\n";
    head += "\r\n";
    socket->write(head);
    if (request.method == "HEAD") {
        // headers only
    } else if (response.chunked) {
        constexpr qsizetype kChunk = 64 * 1024;
        for (qsizetype at = 0; at < response.body.size(); at += kChunk) {
            const QByteArray piece = response.body.mid(at, kChunk);
            socket->write(QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n");
        }
        socket->write("0\r\n\r\n");
    } else if (response.cutShort) {
        socket->write(response.body.left(response.body.size() / 2));
        socket->disconnectFromHost();
        return;
    } else {
        socket->write(response.body);
    }
    m_waiting[socket] = false;
    if (closeAfter)
        socket->disconnectFromHost();
}
