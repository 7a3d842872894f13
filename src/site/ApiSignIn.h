#pragma once

#include "site/HttpMessage.h"

#include <QSqlDatabase>

struct SiteContext;

// POST api/session: a program signs in with the account's address and password, through the
// same throttle and password hash as the pages, and gets a device token back.
class ApiSignIn final {
public:
    ApiSignIn(const SiteContext &site, QSqlDatabase db) : m_site(site), m_db(std::move(db)) {}

    HttpResponse handle(const HttpRequest &request);

private:
    const SiteContext &m_site;
    QSqlDatabase m_db;
};
