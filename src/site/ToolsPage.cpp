#include "site/ToolsPage.h"

#include "site/Database.h"
#include "site/Html.h"
#include "site/NoteStore.h"
#include "site/SiteContext.h"
#include "site/Visit.h"
#include "web/Contract.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMultiHash>

#include <algorithm>

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

QString when(qint64 msSinceEpoch)
{
    return QDateTime::fromMSecsSinceEpoch(msSinceEpoch, Qt::UTC)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm 'UTC'"));
}

// A one-button form that posts `action` with `field`=`value` and the page's state.
QString button(const QString &state, const QString &action, const QString &field,
               const QString &value, const QString &caption)
{
    return QStringLiteral("<form class=\"inline\" method=\"post\" action=\"%1\">"
                          "<input type=\"hidden\" name=\"%2\" value=\"%3\">"
                          "<input type=\"hidden\" name=\"%4\" value=\"%5\">"
                          "<input type=\"submit\" name=\"%6\" value=\"%7\"></form>")
        .arg(QLatin1String(WebContract::kToolsPage), QLatin1String(Visit::kStateField), state,
             field, Html::escaped(value), action, Html::escaped(caption));
}

QString versionList(const QString &state, const QList<NoteStore::Note> &versions)
{
    if (versions.isEmpty())
        return {};
    QString items;
    for (const NoteStore::Note &version : versions) {
        items += QStringLiteral("<li>%1, %2 bytes: <q>%3</q> %4</li>\n")
                     .arg(when(version.changed), QString::number(version.size),
                          Html::escaped(version.text.left(60)),
                          button(state, QStringLiteral("restore"), QStringLiteral("version"),
                                 QString::number(version.id), tr("Restore")));
    }
    return QStringLiteral("<details><summary>%1</summary><ul>\n%2</ul></details>\n")
        .arg(tr("Earlier versions (%1)").arg(versions.size()), items);
}
} // namespace

HttpResponse ToolsPage::page(Visit &visit, qint64 accountId)
{
    NoteStore store(m_db, m_site.database->isSqlite());
    bool failed = false;
    const QList<NoteStore::Note> notes = store.notes(accountId, &failed);
    if (failed)
        return unavailable();
    QMultiHash<QString, NoteStore::Note> versions;
    QList<QString> names;
    for (const NoteStore::Note &version : store.versions(accountId)) {
        if (!versions.contains(version.name))
            names.append(version.name);
        versions.insert(version.name, version);
    }
    // QMultiHash hands back the latest inserted first; the versions came newest first.
    auto versionsOf = [&versions](const QString &name) {
        QList<NoteStore::Note> list = versions.values(name);
        std::reverse(list.begin(), list.end());
        return list;
    };

    const QString state = QString::fromLatin1(visit.renewState());
    QString body = QStringLiteral("<h1>%1</h1>\n<p>%2</p>\n%3\n")
                       .arg(tr("Your notes"),
                            notes.size() == 1 ? tr("1 note.") : tr("%1 notes.").arg(notes.size()),
                            button(state, QStringLiteral("signout"), QStringLiteral("x"),
                                   QStringLiteral("1"), tr("Sign out")));
    for (const NoteStore::Note &note : notes) {
        body += QStringLiteral("<section class=\"note\"><h2>%1</h2>\n<p class=\"meta\">%2, %3 "
                               "bytes</p>\n<pre>%4</pre>\n%5\n%6</section>\n")
                    .arg(Html::escaped(note.name), tr("changed %1").arg(when(note.changed)),
                         QString::number(note.size), Html::escaped(note.text),
                         button(state, QStringLiteral("delete"), QStringLiteral("name"), note.name,
                                tr("Delete")),
                         versionList(state, versionsOf(note.name)));
        names.removeAll(note.name);
    }
    if (!names.isEmpty()) {
        body += QStringLiteral("<h2>%1</h2>\n").arg(tr("Deleted notes"));
        for (const QString &name : std::as_const(names)) {
            body += QStringLiteral("<section class=\"note\"><h2>%1</h2>\n%2</section>\n")
                        .arg(Html::escaped(name), versionList(state, versionsOf(name)));
        }
    }
    HttpResponse response =
        HttpResponse::html(200, Html::page(m_site.name, tr("Your notes"), body));
    return visit.finish(response) ? response : unavailable();
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
    visit.renewState();
    return visit.finish(response) ? response : unavailable();
}
