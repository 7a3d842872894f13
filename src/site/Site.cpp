#include "site/Site.h"

#include "site/AccountPage.h"
#include "site/ApiPage.h"
#include "site/Database.h"
#include "site/Html.h"
#include "site/ToolsPage.h"
#include "site/TransferPage.h"
#include "web/Contract.h"

#include <QCoreApplication>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("Site", text);
}
} // namespace

HttpResponse Site::handle(const HttpRequest &request)
{
    HttpResponse response;
    const QByteArray &method = request.method;
    // Programs change notes with PUT and DELETE, and the API answers which of its requests
    // take which; browsers need neither.
    const bool api = request.path.toLower().startsWith("/api/");
    if (!api && method != "GET" && method != "HEAD" && method != "POST") {
        response = HttpResponse::html(405, Html::page(m_context.name, tr("Not allowed"), {}));
        response.addHeader("Allow", "GET, HEAD, POST");
    } else if (method == "POST" && !api && !request.isFormBody()) {
        // The pages read forms alone; only a form's fields were counted as it came in.
        response = HttpResponse::html(415, Html::page(m_context.name, tr("Not a form"), {}));
    } else {
        response = route(request);
    }
    // No page runs script or is framed; forms go back to this site only.
    response.addHeader(
        "Content-Security-Policy",
        "default-src 'none'; style-src 'unsafe-inline'; img-src 'self'; form-action 'self'; "
        "frame-ancestors 'none'; base-uri 'none'");
    response.addHeader("X-Content-Type-Options", "nosniff");
    response.addHeader("Referrer-Policy", "same-origin");
    response.addHeader("Cache-Control", "no-store");
    // Only over HTTPS: a browser ignores it over plain HTTP anyway, and a site that serves
    // plain HTTP on purpose must not be made unreachable.
    if (request.secure)
        response.addHeader("Strict-Transport-Security", "max-age=31536000");
    if (request.method == "HEAD") {
        response.body.clear();
        response.stream.reset();
    }
    return response;
}

HttpResponse Site::route(const HttpRequest &request)
{
    const QByteArray path = request.path.toLower();
    if (path == "/")
        return HttpResponse::redirect(WebContract::kAccountPage);
    const bool transfer = path == QByteArray("/") + WebContract::kTransferPage;
    const bool account = path == QByteArray("/") + WebContract::kAccountPage;
    const bool tools = path == QByteArray("/") + WebContract::kToolsPage;
    if (path.startsWith("/api/")) {
        QSqlDatabase db = m_context.database->connection();
        if (!db.isOpen())
            return ApiPage::error(503, tr("the site cannot reach its database"));
        return ApiPage(m_context, db).handle(request);
    }
    if (transfer || account || tools) {
        QSqlDatabase db = m_context.database->connection();
        if (!db.isOpen())
            return HttpResponse::html(503, Html::page(m_context.name, tr("Unavailable"), {}));
        if (transfer)
            return TransferPage(m_context, db).handle(request);
        if (account)
            return AccountPage(m_context, db).handle(request);
        return ToolsPage(m_context, db).handle(request);
    }
    return HttpResponse::html(
        404, Html::page(m_context.name, tr("Not found"),
                        QStringLiteral("<h1>%1</h1>\n<p><a href=\"%2\">%3</a></p>\n")
                            .arg(tr("No such page"), QLatin1String(WebContract::kAccountPage),
                                 tr("Sign in"))));
}
