#include "site/Visit.h"

#include "site/Database.h"
#include "site/FormState.h"
#include "site/Passwords.h"
#include "site/SiteContext.h"

#include <QDateTime>

#include <sodium.h>

Visit::Visit(const SiteContext &site, const HttpRequest &request, QSqlDatabase db)
    : m_site(site), m_request(request), m_db(std::move(db)), m_secure(request.secure)
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
    }
    return &*m_session;
}

bool Visit::stateMatches(const FormData &form)
{
    if (!form.contains(QLatin1String(kStateField)))
        return false;
    const QByteArray state = form.value(QLatin1String(kStateField)).toLatin1();
    if (m_session)
        return Passwords::sameDigest(state, m_session->state);
    const std::optional<bool> overwrite = FormState::check(
        m_site.loginKey, m_request.cookie(kCookie), state, QDateTime::currentMSecsSinceEpoch());
    if (!overwrite)
        return false;
    m_session = Sessions::create(*overwrite);
    m_new = true;
    return true;
}

QByteArray Visit::renewState()
{
    if (!m_session)
        return {};
    m_session->state =
        m_new ? FormState::issue(m_site.loginKey, m_session->token, m_session->overwrite,
                                 QDateTime::currentMSecsSinceEpoch())
              : Passwords::randomToken(18);
    return m_session->state;
}

bool Visit::finish(HttpResponse &response)
{
    if (!m_session)
        return true;
    if (!m_new || m_session->accountId != 0) {
        Transaction transaction(m_db, m_db.driverName() == QLatin1String("QSQLITE"));
        if (!transaction.begun() || !Sessions(m_db).save(*m_session, m_new) ||
            !transaction.commit())
            return false;
        // Now and then, with a new session stored, forget the ones long idle.
        if (m_new && randombytes_uniform(100) == 0)
            Sessions(m_db).expire();
    }
    if (m_new) {
        response.addHeader("Set-Cookie", QByteArray(kCookie) + '=' + m_session->token +
                                             "; Path=/; HttpOnly; SameSite=Lax" +
                                             (m_secure ? "; Secure" : ""));
    }
    return true;
}

void Visit::end(HttpResponse &response)
{
    if (m_session && !m_new)
        Sessions(m_db).remove(*m_session);
    m_session.reset();
    response.addHeader("Set-Cookie", QByteArray(kCookie) +
                                         "=; Path=/; Max-Age=0; HttpOnly; SameSite=Lax" +
                                         (m_secure ? "; Secure" : ""));
}

Sessions::Session *Visit::renew()
{
    const bool overwrite = m_session && m_session->overwrite;
    if (m_session && !m_new)
        Sessions(m_db).remove(*m_session);
    m_session.reset();
    return session(overwrite);
}
