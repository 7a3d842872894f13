#pragma once

#include <QSqlDatabase>
#include <QString>

#include <optional>

struct HttpRequest;
struct SiteContext;
class Visit;

// Checks an e-mail address and password against the accounts, through the throttle, and signs
// the visit's session in when they match. A session signed in already passes for the same
// address without the password hash: nothing derived from a password is kept but its hash.
class SignIn final {
public:
    enum class Result {
        SignedIn,
        Refused,
        NeedsSlowWork, // a password hash is needed where the request may not wait for one
    };

    SignIn(const SiteContext &site, QSqlDatabase db) : m_site(site), m_db(std::move(db)) {}

    // On SignedIn the visit's session (renewed when it was not signed in as that account
    // already) carries the account's id; the caller saves the session. NeedsSlowWork changes
    // nothing, so that the request can run again where it may wait for the hash.
    Result check(Visit &visit, const QString &email, const QString &password,
                 const HttpRequest &request);
    // The account whose address (normalised, not empty) and password these are, through the
    // throttle and the password hash; only where the request may do slow work.
    std::optional<qint64> checkPassword(const QString &normalised, const QString &password,
                                        const HttpRequest &request);

private:
    const SiteContext &m_site;
    QSqlDatabase m_db;
};
