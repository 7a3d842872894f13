#include "site/Visit.h"

#include "site/Database.h"
#include "site/Passwords.h"
#include "site/SiteContext.h"

#include <sodium.h>

Visit::Visit(const SiteContext &, const HttpRequest &request, QSqlDatabase db)
    : m_request(request), m_db(std::move(db)), m_secure(request.secure)
{
    bool failed = false;
    Sessions sessions(m_db);
    m_session = sessions.find(request.cookie(kCookie), &failed);
    m_ok = !failed;
}

Sessions::Session *Visit::session(bool overwrite)
{
    if (!m_session) {
        m_session = Sessions::create(overwrite);
        m_new = true;
        // Now and then, with a new session, forget the ones long idle.
        if (randombytes_uniform(100) == 0)
            Sessions(m_db).expire();
    }
    return &*m_session;
}

bool Visit::stateMatches(const FormData &form) const
{
    if (!m_session || !form.contains(QLatin1String(kStateField)))
        return false;
    return Passwords::sameDigest(form.value(QLatin1String(kStateField)).toLatin1(),
                                 m_session->state);
}

QByteArray Visit::renewState()
{
    if (!m_session)
        return {};
    m_session->state = Passwords::randomToken(18);
    return m_session->state;
}

bool Visit::finish(HttpResponse &response)
{
    if (!m_session)
        return true;
    Transaction transaction(m_db, m_db.driverName() == QLatin1String("QSQLITE"));
    if (!transaction.begun() || !Sessions(m_db).save(*m_session, m_new) || !transaction.commit())
        return false;
    if (m_new) {
        response.addHeader("Set-Cookie", QByteArray(kCookie) + '=' + m_session->token +
                                             "; Path=/; HttpOnly; SameSite=Lax" +
                                             (m_secure ? "; Secure" : ""));
    }
    return true;
}

void Visit::end(HttpResponse &response)
{
    if (m_session)
        Sessions(m_db).remove(*m_session);
    m_session.reset();
    response.addHeader("Set-Cookie", QByteArray(kCookie) +
                                         "=; Path=/; Max-Age=0; HttpOnly; SameSite=Lax" +
                                         (m_secure ? "; Secure" : ""));
}

Sessions::Session *Visit::renew()
{
    if (m_session)
        Sessions(m_db).remove(*m_session);
    m_session.reset();
    return session();
}
