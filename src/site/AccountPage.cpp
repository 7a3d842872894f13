#include "site/AccountPage.h"

#include "site/Accounts.h"
#include "site/Database.h"
#include "site/Html.h"
#include "site/LoginThrottle.h"
#include "site/Passwords.h"
#include "site/SignIn.h"
#include "site/SiteContext.h"
#include "site/Visit.h"
#include "web/Contract.h"

#include <QCoreApplication>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("AccountPage", text);
}

HttpResponse unavailable()
{
    return HttpResponse::html(503, Html::page(QString(), tr("Unavailable"),
                                              tr("<p>The site cannot reach its database.</p>\n")));
}
} // namespace

HttpResponse AccountPage::page(Visit &visit, int status, const QString &message)
{
    visit.session();
    const QString state = QString::fromLatin1(visit.renewState());
    QString body =
        QStringLiteral("<h1>%1</h1>\n%2"
                       "<form method=\"post\" action=\"%3\">\n"
                       "<input type=\"hidden\" name=\"%4\" value=\"%5\">\n"
                       "<label for=\"email\">%6</label><input type=\"email\" id=\"email\" "
                       "name=\"email\" autocomplete=\"username\" required>\n"
                       "<label for=\"password\">%7</label><input type=\"password\" "
                       "id=\"password\" name=\"password\" autocomplete=\"current-password\" "
                       "required>\n"
                       "<input type=\"submit\" name=\"signin\" value=\"%8\">\n</form>\n")
            .arg(tr("Sign in"),
                 message.isEmpty()
                     ? QString()
                     : QStringLiteral("<p class=\"result\">%1</p>\n").arg(Html::escaped(message)),
                 QLatin1String(WebContract::kAccountPage), QLatin1String(Visit::kStateField), state,
                 tr("E-mail address"), tr("Password"), tr("Sign in"));
    if (m_site.openSignup) {
        body +=
            QStringLiteral(
                "<h2>%1</h2>\n<form method=\"post\" action=\"%2\">\n"
                "<input type=\"hidden\" name=\"%3\" value=\"%4\">\n"
                "<label for=\"new-email\">%5</label><input type=\"email\" id=\"new-email\" "
                "name=\"email\" autocomplete=\"username\" required>\n"
                "<label for=\"new-password\">%6</label><input type=\"password\" "
                "id=\"new-password\" name=\"password\" autocomplete=\"new-password\" "
                "required>\n"
                "<label for=\"again\">%7</label><input type=\"password\" id=\"again\" "
                "name=\"again\" autocomplete=\"new-password\" required>\n"
                "<input type=\"submit\" name=\"signup\" value=\"%8\">\n</form>\n")
                .arg(tr("New here? Create an account"), QLatin1String(WebContract::kAccountPage),
                     QLatin1String(Visit::kStateField), state, tr("E-mail address"), tr("Password"),
                     tr("Password again"), tr("Create account"));
    } else {
        // The desktop program's "create an Account" link leads here: say plainly how to get one.
        body += QStringLiteral("<h2>%1</h2>\n<p>%2</p>\n<p>%3 <code>%4</code></p>\n")
                    .arg(tr("No account yet?"),
                         tr("This site does not make accounts itself. To get one, ask the "
                            "site's operator (whoever runs it for you) to make one for your "
                            "e-mail address."),
                         tr("The operator makes it on the site's machine with:"),
                         Html::escaped(QStringLiteral("pinvelle-site add-account ") +
                                       tr("YOUR-E-MAIL-ADDRESS")));
    }
    HttpResponse response =
        HttpResponse::html(status, Html::page(m_site.name, tr("Sign in"), body));
    return visit.finish(response) ? response : unavailable();
}

QString AccountPage::signUp(const QString &email, const QString &password, const QString &again,
                            const QString &address)
{
    if (const QString problem = Accounts::emailProblem(email); !problem.isEmpty())
        return problem;
    if (password != again)
        return tr("The two passwords differ.");
    if (const QString weakness = Passwords::weakness(password); !weakness.isEmpty())
        return weakness;
    if (!LoginThrottle(m_db, m_site.database->isSqlite()).admitSignUp(address))
        return tr("Too many accounts were made from here today; try again tomorrow.");
    // The hash runs whether or not the address has an account, and the answer is the same
    // either way: sign-up tells no one which addresses have accounts.
    const std::optional<QByteArray> hash = Passwords::hash(password);
    if (!hash)
        return tr("The site is too busy; try again.");
    if (Accounts(m_db).create(email, *hash) == Accounts::Created::Failed)
        return tr("The account could not be stored; try again.");
    return tr("If that address had no account, it has one now: sign in with it.");
}

HttpResponse AccountPage::handle(const HttpRequest &request)
{
    Visit visit(m_site, request, m_db);
    if (!visit.ok())
        return unavailable();
    if (request.method != "POST")
        return page(visit, 200, {});
    const std::optional<FormData> form = FormData::parse(request.body);
    if (!form || !visit.stateMatches(*form))
        return page(visit, 403, tr("This page had expired; please try again."));

    const QString email = form->value(QStringLiteral("email"));
    const QString password = form->value(QStringLiteral("password"));
    if (form->contains(QStringLiteral("signup"))) {
        if (!m_site.openSignup)
            return page(visit, 403, tr("This site makes no accounts here."));
        if (!request.maySlowWork)
            return HttpResponse::needingSlowWork();
        return page(
            visit, 200,
            signUp(email, password, form->value(QStringLiteral("again")), request.clientAddress));
    }
    switch (SignIn(m_site, m_db).check(visit, email, password, request)) {
    case SignIn::Result::NeedsSlowWork:
        return HttpResponse::needingSlowWork();
    case SignIn::Result::Refused:
        return page(visit, 200, QLatin1String(WebContract::kLogInFailure));
    case SignIn::Result::SignedIn:
        break;
    }
    HttpResponse response = HttpResponse::redirect(WebContract::kToolsPage);
    return visit.finish(response) ? response : unavailable();
}
