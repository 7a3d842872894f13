#pragma once

#include "site/FormData.h"
#include "site/HttpMessage.h"
#include "site/Sessions.h"

#include <QSqlDatabase>

#include <optional>

struct SiteContext;

// One request's view of its session: found by the cookie, made when a page needs one, its
// form state checked and renewed, and saved back with the answer. A session is stored only
// once it is signed in; until then its cookie and signed form state (FormState) are all there
// is of it, so that anonymous page loads, however many, write nothing.
class Visit final {
public:
    static constexpr char kCookie[] = "pinvelle_session";
    static constexpr char kStateField[] = "PageState";

    Visit(const SiteContext &site, const HttpRequest &request, QSqlDatabase db);

    // False when the database failed while looking the session up.
    bool ok() const { return m_ok; }
    bool hasSession() const { return m_session.has_value(); }
    // The session, made now when the request brought none. Nothing on a database fault.
    Sessions::Session *session(bool overwrite = false);
    // Whether the POSTed form carries the state this session handed out last. A session not
    // stored yet whose signed state passes is taken up under a new token, so that its old
    // state no longer passes once the answer is in.
    bool stateMatches(const FormData &form);
    // A new state for the form of the answer; the old one no longer passes.
    QByteArray renewState();
    // Writes the session back, or stores it when it is new and signed in, and puts its
    // cookie on `response` when it is new.
    bool finish(HttpResponse &response);
    // Ends the session: removed, and its cookie cleared.
    void end(HttpResponse &response);
    // Swaps the session for a new one (after a sign-in, so that a token planted before it
    // is worth nothing); the new one starts signed out, with the old one's overwrite choice.
    Sessions::Session *renew();

private:
    const SiteContext &m_site;
    const HttpRequest &m_request;
    QSqlDatabase m_db;
    std::optional<Sessions::Session> m_session;
    bool m_ok = true;
    bool m_new = false; // not stored (yet)
    bool m_secure = false;
};
