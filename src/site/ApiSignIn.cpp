#include "site/ApiSignIn.h"

#include "site/Accounts.h"
#include "site/ApiPage.h"
#include "site/Database.h"
#include "site/Devices.h"
#include "site/SignIn.h"
#include "site/SiteContext.h"
#include "web/Contract.h"

#include <QJsonDocument>
#include <QJsonObject>

HttpResponse ApiSignIn::handle(const HttpRequest &request)
{
    using namespace WebContract;
    if (!request.contentType.toLower().startsWith("application/json"))
        return ApiPage::error(415, QStringLiteral("the sign-in is sent as application/json"));
    const QJsonDocument document = QJsonDocument::fromJson(request.body);
    const QJsonObject object = document.object();
    const QJsonValue email = object.value(QLatin1String(kJsonEmail));
    const QJsonValue password = object.value(QLatin1String(kJsonPassword));
    const QJsonValue device = object.value(QLatin1String(kJsonDevice));
    if (!document.isObject() || !email.isString() || !password.isString() || !device.isString())
        return ApiPage::error(400, QStringLiteral("the sign-in is a JSON object of the strings "
                                                  "\"email\", \"password\" and \"device\""));
    if (const QString problem = Devices::nameProblem(device.toString()); !problem.isEmpty())
        return ApiPage::error(400, problem);
    const QString normalised = Accounts::normalised(email.toString());
    // Refused as a wrong password would be, before anything is looked up or stored.
    const HttpResponse refused = ApiPage::error(401, QLatin1String(kLogInFailure));
    if (normalised.isEmpty() || password.toString().isEmpty() ||
        normalised.toUtf8().size() > Accounts::kMaximumEmailBytes)
        return refused;
    // Nothing changed so far: the request runs again where it may wait for the hash.
    if (!request.maySlowWork)
        return HttpResponse::needingSlowWork();
    const std::optional<qint64> accountId =
        SignIn(m_site, m_db).checkPassword(normalised, password.toString(), request);
    if (!accountId)
        return refused;
    const QByteArray token =
        Devices(m_db, m_site.database->isSqlite()).add(*accountId, device.toString());
    if (token.isEmpty())
        return ApiPage::error(503, QStringLiteral("the site cannot reach its database"));
    return ApiPage::answer(200, {{QLatin1String(kJsonToken), QString::fromLatin1(token)}});
}
