#include "sync/SyncSite.h"

#include "web/Contract.h"

#include <QHostAddress>
#include <QLocale>

namespace {
// The site's own page names, as the site serves them.
const QString kTransferPage = QString::fromLatin1(WebContract::kTransferPage);
const QString kAccountPage = QString::fromLatin1(WebContract::kAccountPage);

QString encoded(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}
} // namespace

SyncSite::SyncSite(const QString &baseAddress) : m_base(QUrl::fromUserInput(baseAddress.trimmed()))
{
    QString path = m_base.path();
    if (!path.endsWith(QLatin1Char('/')))
        m_base.setPath(path + QLatin1Char('/'));
    m_base.setQuery(QString());
    m_base.setFragment(QString());
}

QString SyncSite::name() const
{
    QString text =
        m_base.toString(QUrl::RemoveScheme | QUrl::RemoveUserInfo | QUrl::StripTrailingSlash);
    while (text.startsWith(QLatin1Char('/')))
        text.remove(0, 1);
    while (text.endsWith(QLatin1Char('/')))
        text.chop(1);
    return text;
}

bool SyncSite::isSiteAddress(const QString &address)
{
    const QUrl url = QUrl::fromUserInput(address.trimmed());
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

bool SyncSite::sendsPasswordInClear() const
{
    if (m_base.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) != 0)
        return false;
    const QString host = m_base.host();
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
        host.endsWith(QLatin1String(".localhost"), Qt::CaseInsensitive))
        return false;
    return !QHostAddress(host).isLoopback();
}

QUrl SyncSite::pushRequest(bool overwrite, const QString &dateText) const
{
    return page(kTransferPage, QStringLiteral("overwrite=%1&%2")
                                   .arg(overwrite ? QLatin1Char('1') : QLatin1Char('0'))
                                   .arg(encoded(dateText)));
}

QUrl SyncSite::pullRequest(const QString &dateText) const
{
    return page(kTransferPage, encoded(dateText));
}

QUrl SyncSite::accountPage() const
{
    return page(kAccountPage, QString());
}

QString SyncSite::dateText(const QDateTime &when)
{
    return QLocale::system().toString(when, QLocale::ShortFormat);
}

QUrl SyncSite::page(const QString &path, const QString &query) const
{
    QUrl url = m_base.resolved(QUrl(path));
    if (!query.isEmpty())
        url.setQuery(query, QUrl::StrictMode);
    return url;
}
