#pragma once

#include "site/HttpMessage.h"

#include <QJsonObject>
#include <QSqlDatabase>

#include <optional>

struct SiteContext;

// The sync API under "api/", for programs (see web/Contract.h): JSON answers, a device token
// in every request but the sign-in, and notes changed only on the version the caller saw.
class ApiPage final {
public:
    ApiPage(const SiteContext &site, QSqlDatabase db) : m_site(site), m_db(std::move(db)) {}

    HttpResponse handle(const HttpRequest &request);

    static HttpResponse answer(int status, const QJsonObject &object);
    static HttpResponse error(int status, const QString &message);
    // The version an ETag-like header names: "12" or 12; nothing for anything else.
    static std::optional<qint64> version(const QByteArray &header);

private:
    struct Caller {
        qint64 accountId = 0;
        qint64 deviceId = 0;
    };
    // The caller of the bearer token, or the answer that refuses it.
    std::optional<Caller> caller(const HttpRequest &request, HttpResponse *refusal);
    HttpResponse changes(const HttpRequest &request, qint64 accountId);
    HttpResponse get(const QString &name, qint64 accountId);
    HttpResponse put(const HttpRequest &request, const QString &name, qint64 accountId);
    HttpResponse remove(const HttpRequest &request, const QString &name, qint64 accountId);

    const SiteContext &m_site;
    QSqlDatabase m_db;
};
