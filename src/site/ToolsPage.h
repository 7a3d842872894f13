#pragma once

#include "site/HttpMessage.h"

#include <QSqlDatabase>

struct SiteContext;
class Visit;

// The signed-in account's notes in a browser: each with its text and when it changed, a
// button to delete it, and its kept versions with a button to bring one back; sign out.
class ToolsPage final {
public:
    ToolsPage(const SiteContext &site, QSqlDatabase db) : m_site(site), m_db(std::move(db)) {}

    HttpResponse handle(const HttpRequest &request);

private:
    HttpResponse page(Visit &visit, qint64 accountId);

    const SiteContext &m_site;
    QSqlDatabase m_db;
};
