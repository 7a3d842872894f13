#include "site/HttpMessage.h"

namespace {
QByteArray valueOf(const QList<std::pair<QByteArray, QByteArray>> &list, const QByteArray &key)
{
    for (const auto &item : list) {
        if (item.first == key)
            return item.second;
    }
    return {};
}
} // namespace

bool HttpRequest::hasQuery(const QByteArray &key) const
{
    for (const auto &item : query) {
        if (item.first == key)
            return true;
    }
    return false;
}

QByteArray HttpRequest::queryValue(const QByteArray &key) const
{
    return valueOf(query, key);
}

QByteArray HttpRequest::cookie(const QByteArray &name) const
{
    return valueOf(cookies, name);
}

bool HttpRequest::isFormBody() const
{
    return contentType.isEmpty() ||
           contentType.toLower().startsWith("application/x-www-form-urlencoded");
}

HttpResponse HttpResponse::json(int status, const QByteArray &document)
{
    HttpResponse response;
    response.status = status;
    response.contentType = "application/json";
    response.body = document;
    return response;
}

HttpResponse HttpResponse::html(int status, const QString &markup)
{
    HttpResponse response;
    response.status = status;
    response.body = markup.toUtf8();
    return response;
}

HttpResponse HttpResponse::redirect(const QByteArray &location)
{
    HttpResponse response;
    response.status = 303;
    response.addHeader("Location", location);
    return response;
}
