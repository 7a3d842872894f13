#include "web/Browser.h"

#include "platform/ProductInfo.h"
#include "web/ParsedHtml.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>

#include <memory>
#include <optional>

namespace {

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

int statusOf(const QNetworkReply *reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return status.isValid() ? status.toInt() : 0;
}

// The errors the network layer makes of an answer's 4xx or 5xx status.
bool isHttpError(QNetworkReply::NetworkError error, int status)
{
    if (status < 400 || status > 599)
        return false;
    switch (error) {
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::AuthenticationRequiredError:
    case QNetworkReply::ContentAccessDenied:
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::ContentOperationNotPermittedError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
    case QNetworkReply::ContentConflictError:
    case QNetworkReply::ContentGoneError:
    case QNetworkReply::UnknownContentError:
    case QNetworkReply::InternalServerError:
    case QNetworkReply::OperationNotImplementedError:
    case QNetworkReply::ServiceUnavailableError:
    case QNetworkReply::UnknownServerError:
        return true;
    default:
        return false;
    }
}

// Pages are HTML; a missing type is taken to be HTML as browsers do for plain servers.
bool isHtml(const QByteArray &contentType)
{
    const QByteArray mime = contentType.split(';').constFirst().trimmed().toLower();
    return mime.isEmpty() || mime == "text/html" || mime == "application/xhtml+xml";
}

} // namespace

Browser::Browser(QObject *parent) : QObject(parent)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        fail(tr("The page did not load within %1 seconds.")
                 .arg(static_cast<double>(m_timeout.count()) / 1000.0));
    });
    m_network.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

Browser::~Browser()
{
    abandon();
    // A parse cannot be interrupted; it is bounded by the size and nesting limits.
    for (QThread *parser : std::as_const(m_parsers)) {
        parser->disconnect(this);
        parser->wait();
        delete parser;
    }
}

void Browser::navigate(const QUrl &url)
{
    QNetworkRequest request(url);
    start(request, "GET", QByteArray());
}

void Browser::stop()
{
    abandon();
    ++m_generation;
    m_busy = false;
}

bool Browser::click(int position)
{
    HtmlForm *current = form();
    if (!current)
        return false;
    const std::optional<FormSubmission> submission = current->click(position);
    if (!submission)
        return false;
    QNetworkRequest request(submission->url);
    if (!submission->contentType.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, submission->contentType);
    request.setRawHeader("Referer", m_page.url().toEncoded(QUrl::RemoveFragment));
    start(request, submission->method, submission->body);
    return true;
}

void Browser::start(QNetworkRequest request, const QByteArray &method, const QByteArray &body)
{
    abandon();
    ++m_generation;
    m_busy = true;
    m_body.clear();
    m_httpStatus = 0;
    m_errorString.clear();
    m_requested = request.url();

    const QString scheme = m_requested.scheme().toLower();
    if (!m_requested.isValid() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        // Reported from the event loop like any other outcome, never from inside navigate().
        const quint64 generation = m_generation;
        const QString address = m_requested.toDisplayString();
        QTimer::singleShot(0, this, [this, generation, address] {
            if (generation == m_generation && m_busy)
                fail(tr("Cannot load the address \"%1\".").arg(address));
        });
        emit loadStarted();
        return;
    }

    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaximumRedirects);
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("%1/%2").arg(QLatin1String(ProductInfo::kName),
                                                  QLatin1String(ProductInfo::kVersion)));
    request.setRawHeader("Accept", "text/html,application/xhtml+xml,*/*;q=0.8");

    QNetworkReply *reply =
        method == "POST" ? m_network.post(request, body) : m_network.get(request);
    m_reply = reply;
    connect(reply, &QNetworkReply::metaDataChanged, this, &Browser::checkHeaders);
    connect(reply, &QNetworkReply::readyRead, this, &Browser::readBody);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finish(reply); });
    m_deadline.start(m_timeout);
    emit loadStarted();
}

void Browser::checkHeaders()
{
    if (!m_reply)
        return;
    const int status = statusOf(m_reply);
    if (isRedirect(status) && m_reply->hasRawHeader("Location"))
        return; // followed; its headers are not the page's
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > m_maximumBodySize) {
        fail(tr("The page is larger than %1 bytes.").arg(m_maximumBodySize));
        return;
    }
    if (status >= 200 && !isHtml(m_reply->header(QNetworkRequest::ContentTypeHeader).toByteArray()))
        fail(tr("The address does not hold a web page."));
}

void Browser::readBody()
{
    if (!m_reply)
        return;
    const int status = statusOf(m_reply);
    if (isRedirect(status) && m_reply->hasRawHeader("Location")) {
        m_reply->readAll();
        return;
    }
    m_body += m_reply->read(m_maximumBodySize + 1 - m_body.size());
    if (m_body.size() > m_maximumBodySize)
        fail(tr("The page is larger than %1 bytes.").arg(m_maximumBodySize));
}

void Browser::finish(QNetworkReply *reply)
{
    if (reply != m_reply) {
        reply->deleteLater();
        return;
    }
    readBody();
    if (!m_reply)
        return; // the rest of the body was too much
    m_deadline.stop();
    m_reply = nullptr;
    reply->deleteLater();

    const int status = statusOf(reply);
    m_httpStatus = status;
    // An error status (404, 500) still brings a page, the site's own, which is what a browser
    // shows. Any other error (no answer, a broken or cut-off body) is a failed load.
    if (reply->error() != QNetworkReply::NoError && !isHttpError(reply->error(), status)) {
        fail(reply->errorString());
        return;
    }
    const QByteArray contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
    if (!isHtml(contentType)) {
        fail(tr("The address does not hold a web page."));
        return;
    }
    parse(reply->url(), contentType);
}

// Parsing a large page takes a noticeable time, so it runs on a thread of its own while the
// window goes on; the result comes back to this thread as an event.
void Browser::parse(const QUrl &url, const QByteArray &contentType)
{
    auto result = std::make_shared<std::optional<HtmlPage>>();
    QThread *parser = QThread::create([result, body = std::move(m_body), contentType, url] {
        if (!ParsedHtml::nestsDeeperThan(body, kMaximumNesting))
            *result = HtmlPage::fromBytes(body, contentType, url);
    });
    m_body.clear();
    m_parsers.append(parser);
    const quint64 generation = m_generation;
    connect(parser, &QThread::finished, this, [this, parser, result, generation] {
        m_parsers.removeOne(parser);
        parser->deleteLater();
        if (generation != m_generation || !m_busy)
            return; // stopped or superseded meanwhile
        if (!result->has_value()) {
            fail(tr("The page nests its elements too deeply."));
            return;
        }
        m_page = std::move(**result);
        m_busy = false;
        emit loadFinished();
    });
    parser->start();
}

void Browser::fail(const QString &reason)
{
    abandon();
    m_page = HtmlPage::blank(m_requested);
    m_errorString = reason;
    m_busy = false;
    emit loadFailed(reason);
}

void Browser::abandon()
{
    m_deadline.stop();
    m_body.clear();
    if (QNetworkReply *reply = m_reply) {
        m_reply = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}
