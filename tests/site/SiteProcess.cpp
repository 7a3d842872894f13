#include "SiteProcess.h"

#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTextDocumentFragment>
#include <QUrl>

namespace {
// The program under test; another build of it (a sanitizer's) may be named in the environment.
QString program()
{
    return qEnvironmentVariable("PINVELLE_SITE_PROGRAM", QStringLiteral(PINVELLE_SITE_PROGRAM));
}
} // namespace

SiteProcess::SiteProcess(QString database) : m_database(std::move(database))
{
    if (m_database.isEmpty())
        m_database = QStringLiteral("sqlite:") + m_dir.filePath(QStringLiteral("site.db"));
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

SiteProcess::~SiteProcess()
{
    stop();
}

int SiteProcess::run(const QStringList &arguments, const QByteArray &input, QByteArray *output)
{
    QProcess process;
    process.start(program(), arguments);
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(30000);
    if (output)
        *output = process.readAllStandardOutput() + process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool SiteProcess::addAccount(const QString &email, const QString &password)
{
    return run({QStringLiteral("add-account"), email, QStringLiteral("--database"), m_database},
               password.toUtf8() + '\n') == 0;
}

bool SiteProcess::start(const QStringList &extra)
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    m_port = probe.serverPort();
    probe.close();
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(program(), QStringList{QStringLiteral("--listen"),
                                           QStringLiteral("127.0.0.1:%1").arg(m_port),
                                           QStringLiteral("--database"), m_database} +
                                   extra);
    QByteArray log;
    return QTest::qWaitFor(
               [&] {
                   log += m_process.readAll();
                   return log.contains("serving") || m_process.state() == QProcess::NotRunning;
               },
               20000) &&
           log.contains("serving");
}

bool SiteProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    m_process.terminate();
    return m_process.waitForFinished(15000) && m_process.exitCode() == 0;
}

bool SiteProcess::beginStop()
{
    m_process.terminate();
    QByteArray log;
    return QTest::qWaitFor(
        [&] {
            log += m_process.readAll();
            return log.contains("stopping");
        },
        10000);
}

QString SiteProcess::baseAddress() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(m_port);
}

SiteProcess::Reply SiteProcess::request(const QByteArray &method, const QByteArray &target,
                                        const QByteArray &body, const QByteArray &extraHeaders)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, m_port);
    Reply reply;
    if (!socket.waitForConnected(5000))
        return reply;
    QByteArray head = method + ' ' + target +
                      " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                      "Connection: close\r\n" +
                      extraHeaders;
    if (!m_cookie.isEmpty())
        head += "Cookie: " + m_cookie + "\r\n";
    // A form unless the caller says otherwise; a PUT has its length unless sent in chunks.
    const QByteArray extra = extraHeaders.toLower();
    if (method == "POST" && !extra.contains("content-type:"))
        head += "Content-Type: application/x-www-form-urlencoded\r\n";
    if (method == "POST" || (method == "PUT" && !extra.contains("transfer-encoding:")))
        head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    socket.write(head + "\r\n" + body);
    QByteArray all;
    while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(30000))
        all += socket.readAll();
    all += socket.readAll();
    const qsizetype split = all.indexOf("\r\n\r\n");
    reply.headers = all.left(split);
    reply.body = split < 0 ? QByteArray() : all.mid(split + 4);
    reply.status = all.mid(9, 3).toInt();
    if (reply.headers.toLower().contains("transfer-encoding: chunked")) {
        QByteArray body;
        for (qsizetype at = 0;;) {
            const qsizetype end = reply.body.indexOf("\r\n", at);
            const qsizetype size = reply.body.mid(at, end - at).toLongLong(nullptr, 16);
            if (end < 0 || size <= 0)
                break;
            body += reply.body.mid(end + 2, size);
            at = end + 2 + size + 2;
        }
        reply.body = body;
    }
    static const QRegularExpression cookie(QStringLiteral("Set-Cookie: (pinvelle_session=[^;]*)"));
    const QRegularExpressionMatch match = cookie.match(QString::fromLatin1(reply.headers));
    if (match.hasMatch())
        m_cookie = match.captured(1).toLatin1();
    return reply;
}

SiteProcess::Reply SiteProcess::submit(const Reply &page,
                                       const QList<std::pair<QString, QString>> &fields,
                                       const QByteArray &path, const QByteArray &headers)
{
    QByteArray body = "PageState=" + page.state();
    for (const auto &field : fields)
        body += '&' + QUrl::toPercentEncoding(field.first) + '=' +
                QUrl::toPercentEncoding(field.second);
    return request("POST", path, body, headers);
}

QString SiteProcess::Reply::label() const
{
    static const QRegularExpression span(QStringLiteral("<span id=\"Label1\"[^>]*>(.*?)</span>"));
    const QRegularExpressionMatch match = span.match(QString::fromUtf8(body));
    return match.hasMatch() ? QTextDocumentFragment::fromHtml(match.captured(1)).toPlainText()
                            : QString();
}

QByteArray SiteProcess::Reply::state() const
{
    static const QRegularExpression field(QStringLiteral("name=\"PageState\" value=\"([^\"]*)\""));
    return field.match(QString::fromLatin1(body)).captured(1).toLatin1();
}
