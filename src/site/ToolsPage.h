#pragma once

#include "site/Devices.h"
#include "site/HttpMessage.h"

#include <QSqlDatabase>

struct SiteContext;
class Visit;

// The signed-in account's notes in a browser: each with its text and when it changed, a
// button to delete it, and its kept versions with a button to bring one back; the programs
// signed in through the sync API, each with a button to sign it out; sign out.
class ToolsPage final {
public:
    ToolsPage(const SiteContext &site, QSqlDatabase db) : m_site(site), m_db(std::move(db)) {}

    HttpResponse handle(const HttpRequest &request);

private:
    HttpResponse page(Visit &visit, qint64 accountId);
    static QString deviceList(const QList<Devices::Device> &devices, const QString &state);

    const SiteContext &m_site;
    QSqlDatabase m_db;
};
