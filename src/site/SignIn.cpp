#include "site/SignIn.h"

#include "site/Accounts.h"
#include "site/Database.h"
#include "site/HttpMessage.h"
#include "site/LoginThrottle.h"
#include "site/Passwords.h"
#include "site/SiteContext.h"
#include "site/Visit.h"

SignIn::Result SignIn::check(Visit &visit, const QString &email, const QString &password,
                             const HttpRequest &request)
{
    Sessions::Session *session = visit.session();
    if (!session)
        return Result::Refused;
    const QString normalised = Accounts::normalised(email);
    // No address is that long: refused before anything of it is looked up or stored.
    if (normalised.toUtf8().size() > Accounts::kMaximumEmailBytes)
        return Result::Refused;
    Accounts accounts(m_db);
    if (session->accountId != 0 && !normalised.isEmpty()) {
        // The session signed in with the password already: it is the proof, and nothing
        // derived from the password needs keeping to check it again.
        const std::optional<Accounts::Account> account = accounts.find(normalised);
        if (account && account->id == session->accountId)
            return Result::SignedIn;
    }
    if (normalised.isEmpty() || password.isEmpty()) {
        session->accountId = 0;
        return Result::Refused;
    }
    if (!request.maySlowWork)
        return Result::NeedsSlowWork;
    session->accountId = 0;
    const std::optional<qint64> accountId = checkPassword(normalised, password, request);
    if (!accountId)
        return Result::Refused;
    // A token that may have been planted before the sign-in is worth nothing after it.
    session = visit.renew();
    if (!session)
        return Result::Refused;
    session->accountId = *accountId;
    return Result::SignedIn;
}

std::optional<qint64> SignIn::checkPassword(const QString &normalised, const QString &password,
                                            const HttpRequest &request)
{
    LoginThrottle throttle(m_db, m_site.database->isSqlite());
    if (!throttle.admit(normalised, request.clientAddress))
        return std::nullopt;
    Accounts accounts(m_db);
    const std::optional<Accounts::Account> account = accounts.find(normalised);
    const bool matches = account ? Passwords::verify(account->passwordHash, password)
                                 : (Passwords::verify(m_site.decoyHash, password), false);
    if (!matches) {
        throttle.failed(normalised, request.clientAddress);
        return std::nullopt;
    }
    throttle.succeeded(normalised, request.clientAddress);
    if (Passwords::needsRehash(account->passwordHash)) {
        if (const std::optional<QByteArray> fresh = Passwords::hash(password))
            accounts.setPasswordHash(account->id, *fresh);
    }
    return account->id;
}
