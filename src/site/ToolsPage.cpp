#include "site/ToolsPage.h"

#include "site/Database.h"
#include "site/Devices.h"
#include "site/Html.h"
#include "site/NoteStore.h"
#include "site/NotesPageStream.h"
#include "site/SiteContext.h"
#include "site/Visit.h"
#include "web/Contract.h"

#include <QCoreApplication>

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("ToolsPage", text);
}

HttpResponse unavailable()
{
    return HttpResponse::html(503, Html::page(QString(), tr("Unavailable"),
                                              tr("<p>The site cannot reach its database.</p>\n")));
}

// Where the streamed sections go: every user text is escaped, and this is a control character.
constexpr char kSectionsMarker[] = "\x01sections\x01";
} // namespace

QString ToolsPage::deviceList(const QList<Devices::Device> &devices, const QString &state)
{
    if (devices.isEmpty())
        return {};
    QString rows;
    for (const Devices::Device &device : devices) {
        rows += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td></tr>\n")
                    .arg(Html::escaped(device.name), NotesPageStream::when(device.created),
                         NotesPageStream::when(device.lastSeen),
                         NotesPageStream::button(state, QStringLiteral("signoutdevice"),
                                                 QStringLiteral("device"),
                                                 QString::number(device.id), tr("Sign out")));
    }
    return QStringLiteral("<h2>%1</h2>\n<table><tr><th>%2</th><th>%3</th><th>%4</th><th></th>"
                          "</tr>\n%5</table>\n")
        .arg(tr("Programs signed in"), tr("Device"), tr("Signed in"), tr("Last used"), rows);
}

HttpResponse ToolsPage::page(Visit &visit, qint64 accountId)
{
    bool failed = false;
    const int count = NoteStore(m_db, m_site.database->isSqlite()).count(accountId, &failed);
    if (failed)
        return unavailable();
    const QList<Devices::Device> devices =
        Devices(m_db, m_site.database->isSqlite()).of(accountId, &failed);
    if (failed)
        return unavailable();
    const QString state = QString::fromLatin1(visit.renewState());
    const QString body =
        QStringLiteral("<h1>%1</h1>\n<p>%2</p>\n%3\n%4%5")
            .arg(tr("Your notes"), count == 1 ? tr("1 note.") : tr("%1 notes.").arg(count),
                 NotesPageStream::button(state, QStringLiteral("signout"), QStringLiteral("x"),
                                         QStringLiteral("1"), tr("Sign out")),
                 deviceList(devices, state), QLatin1String(kSectionsMarker));
    HttpResponse response =
        HttpResponse::html(200, Html::page(m_site.name, tr("Your notes"), body));
    if (!visit.finish(response))
        return unavailable();
    // The notes follow as the browser reads them: an account of many large notes never sits
    // whole in memory.
    const qsizetype at = response.body.indexOf(kSectionsMarker);
    response.stream = std::make_shared<NotesPageStream>(
        m_site.database, accountId, state, response.body.left(at),
        response.body.mid(at + qsizetype(sizeof kSectionsMarker) - 1));
    response.body.clear();
    return response;
}

HttpResponse ToolsPage::handle(const HttpRequest &request)
{
    Visit visit(m_site, request, m_db);
    if (!visit.ok())
        return unavailable();
    Sessions::Session *session = visit.hasSession() ? visit.session() : nullptr;
    if (!session || session->accountId == 0)
        return HttpResponse::redirect(WebContract::kAccountPage);
    if (request.method != "POST")
        return page(visit, session->accountId);

    const std::optional<FormData> form = FormData::parse(request.body);
    if (!form || !visit.stateMatches(*form))
        return HttpResponse::redirect(WebContract::kToolsPage);
    HttpResponse response = HttpResponse::redirect(WebContract::kToolsPage);
    NoteStore store(m_db, m_site.database->isSqlite());
    if (form->contains(QStringLiteral("signout"))) {
        response = HttpResponse::redirect(WebContract::kAccountPage);
        visit.end(response);
        return response;
    }
    if (form->contains(QStringLiteral("delete")))
        store.remove(session->accountId, form->value(QStringLiteral("name")));
    else if (form->contains(QStringLiteral("restore")))
        store.restore(session->accountId, form->value(QStringLiteral("version")).toLongLong());
    else if (form->contains(QStringLiteral("signoutdevice")))
        Devices(m_db, m_site.database->isSqlite())
            .remove(session->accountId, form->value(QStringLiteral("device")).toLongLong());
    visit.renewState();
    return visit.finish(response) ? response : unavailable();
}
