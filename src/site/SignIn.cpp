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
    if (session->accountId != 0 &&
        Passwords::sameDigest(
            session->loginDigest,
            Passwords::digest(m_site.loginKey, session->digest, normalised, password)))
        return Result::SignedIn;
    if (normalised.isEmpty() || password.isEmpty()) {
        session->accountId = 0;
        session->loginDigest.clear();
        return Result::Refused;
    }
    if (!request.maySlowWork)
        return Result::NeedsSlowWork;
    session->accountId = 0;
    session->loginDigest.clear();

    const bool sqlite = m_site.database->isSqlite();
    LoginThrottle throttle(m_db, sqlite);
    if (throttle.refused(normalised, request.clientAddress))
        return Result::Refused;
    Accounts accounts(m_db);
    const std::optional<Accounts::Account> account = accounts.find(normalised);
    const bool matches = account ? Passwords::verify(account->passwordHash, password)
                                 : (Passwords::verify(m_site.decoyHash, password), false);
    if (!matches) {
        throttle.failed(normalised, request.clientAddress);
        return Result::Refused;
    }
    throttle.succeeded(normalised);
    if (Passwords::needsRehash(account->passwordHash)) {
        if (const std::optional<QByteArray> fresh = Passwords::hash(password))
            accounts.setPasswordHash(account->id, *fresh);
    }
    // A token that may have been planted before the sign-in is worth nothing after it.
    session = visit.renew();
    if (!session)
        return Result::Refused;
    session->accountId = account->id;
    session->loginDigest =
        Passwords::digest(m_site.loginKey, session->digest, normalised, password);
    return Result::SignedIn;
}
