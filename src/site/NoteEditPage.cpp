#include "site/NoteEditPage.h"

#include "site/Database.h"
#include "site/FormData.h"
#include "site/Html.h"
#include "site/NoteRules.h"
#include "site/NoteStore.h"
#include "site/SiteContext.h"
#include "site/Visit.h"
#include "web/Contract.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QUrl>

#include <optional>

using namespace WebContract;

namespace {
const QString kExtension = QStringLiteral(".pv");
// Copies made in one minute of one note; past that something is looping, not a person.
constexpr int kMaximumCopies = 100;

QString tr(const char *text)
{
    return QCoreApplication::translate("NoteEditPage", text);
}

HttpResponse unavailable()
{
    return HttpResponse::html(503, Html::page(QString(), tr("Unavailable"),
                                              tr("<p>The site cannot reach its database.</p>\n")));
}

// The text as a browser sends a text area back: every line end CRLF, whatever the markup held.
QString asSubmitted(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.replace(QLatin1String("\n"), QLatin1String("\r\n"));
}

QString link(const QString &name)
{
    return QStringLiteral("<a href=\"%1\">%2</a>")
        .arg(Html::escaped(NoteEditPage::address(name)), Html::escaped(Html::quotedName(name)));
}

QString notSaved(const QString &why)
{
    return tr("Not saved: %1. Your text is still below.").arg(Html::escaped(why));
}

QString textProblem(const QString &text)
{
    // A blank note is a deleted one on the desktop; deleting is the notes page's button.
    if (text.trimmed().isEmpty())
        return tr("the note has no text (to delete a note, use Delete on your notes page)");
    return NoteRules::textProblem(text);
}
} // namespace

QString NoteEditPage::address(const QString &name)
{
    return QLatin1String(kNoteEditPage) + QStringLiteral("?name=") +
           QString::fromLatin1(QUrl::toPercentEncoding(name));
}

QString NoteEditPage::conflictName(const QString &name, const QDateTime &utc, int n)
{
    QString stem = name;
    if (stem.endsWith(kExtension, Qt::CaseInsensitive))
        stem.chop(kExtension.size());
    const QString tail = QStringLiteral(" (conflict from the site, %1%2)%3")
                             .arg(utc.toUTC().toString(QStringLiteral("yyyy-MM-dd HH.mm")),
                                  n > 1 ? QStringLiteral(", %1").arg(n) : QString(), kExtension);
    while (!stem.isEmpty() && (stem + tail).toUtf8().size() > NoteRules::kMaximumNameBytes) {
        stem.chop(1);
        if (!stem.isEmpty() && stem.back().isHighSurrogate())
            stem.chop(1);
    }
    return stem + tail;
}

HttpResponse NoteEditPage::handle(const HttpRequest &request)
{
    Visit visit(m_site, request, m_db);
    if (!visit.ok())
        return unavailable();
    Sessions::Session *session = visit.hasSession() ? visit.session() : nullptr;
    if (!session || session->accountId == 0)
        return HttpResponse::redirect(kAccountPage);
    m_account = session->accountId;
    return request.method == "POST" ? saved(visit, request) : opened(visit, request);
}

HttpResponse NoteEditPage::opened(Visit &visit, const HttpRequest &request)
{
    if (!request.hasQuery("name"))
        return answer(visit, {});
    const QString name = QString::fromUtf8(request.queryValue("name"));
    const bool plain = NoteRules::nameProblem(name).isEmpty();
    bool failed = false;
    std::optional<NoteStore::Note> note;
    if (plain)
        note = NoteStore(m_db, m_site.database->isSqlite()).note(m_account, name, &failed);
    if (failed)
        return unavailable();
    if (!note) {
        return answer(visit, {404,
                              tr("There is no note %1. Write it as a new note here.")
                                  .arg(Html::escaped(Html::quotedName(name))),
                              {plain ? name : QString(), {}, 0, {}}});
    }
    // The digest of the text as the browser will send it back untouched.
    return answer(visit, {200,
                          {},
                          {note->name, note->text, note->version,
                           NoteStore::digest(asSubmitted(note->text).toUtf8())}});
}

HttpResponse NoteEditPage::saved(Visit &visit, const HttpRequest &request)
{
    if (!request.contentType.toLower().startsWith("application/x-www-form-urlencoded"))
        return HttpResponse::html(415, Html::page(m_site.name, tr("Not a form"), {}));
    const std::optional<FormData> form = FormData::parse(request.body);
    if (!form)
        return HttpResponse::html(400, Html::page(m_site.name, tr("Unreadable form"), {}));
    const Draft sent{form->value(QStringLiteral("name")), form->value(QStringLiteral("text")),
                     form->value(QStringLiteral("version")).toLongLong(),
                     form->value(QStringLiteral("digest"))};
    // Not the form this session was given last: another page of the site opened since, or a
    // form from elsewhere. Nothing is stored; the text goes back so that it is not lost.
    if (!visit.stateMatches(*form)) {
        return answer(visit, {403,
                              tr("Not saved: this page had expired (another page of the site was "
                                 "opened since). Your text is still below: save it again."),
                              sent});
    }

    // The note and the session's next form state are committed together.
    std::optional<Transaction> transaction(std::in_place, m_db, m_site.database->isSqlite());
    NoteStore store(m_db, m_site.database->isSqlite());
    const Reply reply = !transaction->begun() ? refused({}, sent)
                        : sent.version != 0   ? saveEdit(store, sent)
                                              : saveNew(store, sent);
    HttpResponse response = answer(visit, reply);
    if (transaction->commit())
        return response;
    // Rolled back, the session's new state with it: the text goes back all the same.
    transaction.reset();
    return answer(visit, refused({}, sent));
}

NoteEditPage::Reply NoteEditPage::saveNew(NoteStore &store, Draft draft)
{
    // The site's names are the desktop's file names, "NAME.pv".
    draft.name = draft.name.trimmed();
    if (!draft.name.isEmpty() && !draft.name.endsWith(kExtension, Qt::CaseInsensitive))
        draft.name += kExtension;
    QString problem = NoteRules::nameProblem(draft.name);
    if (problem.isEmpty() && draft.name.size() == kExtension.size())
        problem = tr("the note has no name");
    if (problem.isEmpty())
        problem = textProblem(draft.text);
    if (!problem.isEmpty())
        return {400, notSaved(problem), draft};
    const NoteStore::Outcome outcome = store.createIfAbsent(m_account, draft.name, draft.text);
    switch (outcome.status) {
    case NoteStore::Outcome::Done:
        return {200,
                tr("Saved %1.").arg(link(draft.name)),
                {draft.name, draft.text, outcome.version, NoteStore::digest(draft.text.toUtf8())}};
    case NoteStore::Outcome::Stale:
        return {409,
                tr("Not saved: there is a note %1 already. Your text is still below: give it "
                   "another name.")
                    .arg(link(draft.name)),
                draft};
    default:
        return refused(outcome, draft);
    }
}

NoteEditPage::Reply NoteEditPage::saveEdit(NoteStore &store, const Draft &draft)
{
    QString problem = NoteRules::nameProblem(draft.name);
    if (!problem.isEmpty()) // not a name the site holds: the text may go under another
        return {400, notSaved(problem), {{}, draft.text, 0, {}}};
    problem = textProblem(draft.text);
    if (!problem.isEmpty())
        return {400, notSaved(problem), draft};
    bool failed = false;
    const std::optional<NoteStore::Note> now = store.note(m_account, draft.name, &failed);
    if (failed)
        return refused({}, draft);
    const QString digest = NoteStore::digest(draft.text.toUtf8());
    // Untouched since the page gave it out, or the same text as stored: not a change.
    if (digest == draft.digest || (now && asSubmitted(now->text) == draft.text)) {
        if (!now)
            return {200, tr("Nothing to save: the text is as it was."), draft};
        return {200,
                tr("Nothing to save: the text is as it was. Its newest version is shown."),
                {now->name, now->text, now->version,
                 NoteStore::digest(asSubmitted(now->text).toUtf8())}};
    }
    NoteStore::Outcome outcome = store.replaceIf(m_account, draft.name, draft.text, draft.version);
    if (outcome.status == NoteStore::Outcome::Stale && outcome.deleted) {
        // Deleted elsewhere since the page was loaded: as in sync, a note changed on one side
        // and deleted on the other is kept.
        outcome = store.createIfAbsent(m_account, draft.name, draft.text);
        if (outcome.status == NoteStore::Outcome::Done) {
            return {200,
                    tr("Saved %1. It had been deleted elsewhere since this page was opened; it "
                       "is back, with your text.")
                        .arg(link(draft.name)),
                    {draft.name, draft.text, outcome.version, digest}};
        }
    }
    if (outcome.status == NoteStore::Outcome::Done)
        return {200,
                tr("Saved %1.").arg(link(draft.name)),
                {draft.name, draft.text, outcome.version, digest}};
    if (outcome.status == NoteStore::Outcome::Stale)
        return saveCopy(store, draft);
    return refused(outcome, draft);
}

NoteEditPage::Reply NoteEditPage::saveCopy(NoteStore &store, const Draft &draft)
{
    // The newer text stays; this one goes beside it, as sync keeps both of a conflict.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (int n = 1; n <= kMaximumCopies; ++n) {
        const QString copy = conflictName(draft.name, now, n);
        const NoteStore::Outcome outcome = store.createIfAbsent(m_account, copy, draft.text);
        if (outcome.status == NoteStore::Outcome::Done) {
            return {200,
                    tr("%1 changed elsewhere since this page was opened, so your text was saved "
                       "as a new note, %2 (the time in its name is UTC). The newer text of %1 is "
                       "as it was.")
                        .arg(link(draft.name), link(copy)),
                    {copy, draft.text, outcome.version, NoteStore::digest(draft.text.toUtf8())}};
        }
        if (outcome.status != NoteStore::Outcome::Stale)
            return refused(outcome, draft);
    }
    return refused({}, draft);
}

NoteEditPage::Reply NoteEditPage::refused(const NoteStore::Outcome &outcome, const Draft &draft)
{
    if (outcome.status == NoteStore::Outcome::Full) {
        return {409,
                notSaved(tr("the account holds %1 notes already, counting deleted notes whose "
                            "versions are kept")
                             .arg(NoteRules::kMaximumNotesPerAccount)),
                draft};
    }
    return {503,
            tr("Not saved: the site could not write the note just now. Your text is still "
               "below: try again shortly."),
            draft};
}

HttpResponse NoteEditPage::answer(Visit &visit, const Reply &reply)
{
    const Draft &draft = reply.draft;
    const bool editing = draft.version != 0;
    const QString title =
        editing ? tr("Edit %1").arg(Html::quotedName(draft.name)) : tr("New note");
    const QString fields =
        editing ? QStringLiteral("<input type=\"hidden\" name=\"name\" value=\"%1\">\n"
                                 "<input type=\"hidden\" name=\"version\" value=\"%2\">\n"
                                 "<input type=\"hidden\" name=\"digest\" value=\"%3\">\n")
                      .arg(Html::escaped(draft.name), QString::number(draft.version),
                           Html::escaped(draft.digest))
                : QStringLiteral("<label for=\"name\">%1</label><input type=\"text\" name=\"name\" "
                                 "id=\"name\" value=\"%2\" autocomplete=\"off\" required>\n")
                      .arg(tr("Name (\".pv\" is added when missing)"), Html::escaped(draft.name));
    const QString result =
        reply.result.isEmpty()
            ? QString()
            : QStringLiteral("<p><span id=\"%1\" class=\"result\">%2</span></p>\n")
                  .arg(QLatin1String(kResultId), reply.result);
    // One arg() with every value, so that nothing a user wrote is read as a placeholder. The
    // parser drops a newline just after <textarea>: the one written there keeps a text's own.
    const QString body =
        QStringLiteral("<h1>%1</h1>\n<p><a class=\"button\" href=\"%2\">%3</a> "
                       "<a class=\"button\" href=\"%4\">%5</a></p>\n%6"
                       "<form class=\"edit\" method=\"post\" action=\"%4\">\n"
                       "<input type=\"hidden\" name=\"%7\" value=\"%8\">\n%9"
                       "<label for=\"text\">%10</label><textarea name=\"text\" id=\"text\" "
                       "rows=\"12\">\n%11</textarea>\n"
                       "<input type=\"submit\" name=\"save\" id=\"save\" value=\"%12\">\n</form>\n")
            .arg(Html::escaped(title), QLatin1String(kToolsPage), tr("Your notes"),
                 QLatin1String(kNoteEditPage), tr("New note"), result,
                 QLatin1String(Visit::kStateField), QString::fromLatin1(visit.renewState()), fields,
                 tr("Text"), Html::escaped(draft.text), tr("Save"));
    HttpResponse response = HttpResponse::html(reply.status, Html::page(m_site.name, title, body));
    return visit.finish(response) ? response : unavailable();
}
