#include "site/SignIn.h"

#include "site/Accounts.h"
#include "site/LoginThrottle.h"
#include "site/Passwords.h"

qint64 SignIn::check(Sessions::Session &session, const QString &email, const QString &password,
                     const QString &address)
{
    const QString normalised = Accounts::normalised(email);
    if (session.accountId != 0 &&
        Passwords::sameDigest(session.loginDigest,
                              Passwords::digest(m_key, session.digest, normalised, password)))
        return session.accountId;
    session.accountId = 0;
    session.loginDigest.clear();
    if (normalised.isEmpty() || password.isEmpty())
        return 0;

    LoginThrottle throttle(m_db, m_sqlite);
    if (throttle.refused(normalised, address))
        return 0;
    Accounts accounts(m_db);
    const std::optional<Accounts::Account> account = accounts.find(normalised);
    const bool matches = account ? Passwords::verify(account->passwordHash, password)
                                 : (Passwords::verify(m_decoy, password), false);
    if (!matches) {
        throttle.failed(normalised, address);
        return 0;
    }
    throttle.succeeded(normalised);
    if (Passwords::needsRehash(account->passwordHash)) {
        if (const std::optional<QByteArray> fresh = Passwords::hash(password))
            accounts.setPasswordHash(account->id, *fresh);
    }
    session.accountId = account->id;
    session.loginDigest = Passwords::digest(m_key, session.digest, normalised, password);
    return session.accountId;
}
