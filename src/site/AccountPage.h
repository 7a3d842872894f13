#pragma once

#include "site/HttpMessage.h"

#include <QSqlDatabase>

struct SiteContext;
class Visit;

// Signing in to the site in a browser; below it, when the site was started with sign-up
// open, a form to make an account.
class AccountPage final {
public:
    AccountPage(const SiteContext &site, QSqlDatabase db) : m_site(site), m_db(std::move(db)) {}

    HttpResponse handle(const HttpRequest &request);

private:
    HttpResponse page(Visit &visit, int status, const QString &message);
    // What to tell the visitor: why not, or that the account may be made.
    QString signUp(const QString &email, const QString &password, const QString &again,
                   const QString &address);

    const SiteContext &m_site;
    QSqlDatabase m_db;
};
