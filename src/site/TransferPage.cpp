#include "site/TransferPage.h"

#include "site/Database.h"
#include "site/Html.h"
#include "site/NoteRules.h"
#include "site/NoteStore.h"
#include "site/NoteTableStream.h"
#include "site/SignIn.h"
#include "site/SiteContext.h"
#include "site/Visit.h"
#include "web/Contract.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QVariant>

#include <optional>

using namespace WebContract;

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("TransferPage", text);
}

QString quoted(const QString &name)
{
    return Html::quotedName(name);
}

// Where the note table's rows go: nothing a user writes can hold it, since every user text is
// escaped and the marker is a control character.
constexpr char kRowsMarker[] = "\x01rows\x01";

// Whether the account's note of that name holds `text`: a note kept on the site is only worth
// the user's attention when it says something else.
bool holdsText(QSqlDatabase &db, qint64 account, const QString &name, const QString &text)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT text FROM notes WHERE account_id = ? AND name = ?"));
    query.addBindValue(account);
    query.addBindValue(name);
    return query.exec() && query.next() && query.value(0).toString() == text;
}

HttpResponse unavailable()
{
    return HttpResponse::html(503, Html::page(QString(), tr("Unavailable"),
                                              QStringLiteral("<p>%1</p>\n")
                                                  .arg(tr("The site cannot reach its "
                                                          "database. Try again shortly."))));
}
} // namespace

QString TransferPage::form(const QByteArray &state, bool overwrite, const QString &result,
                           const char *outcome, const QString &table) const
{
    // One arg() with every value, so that nothing a user wrote is read as a placeholder.
    const QString body =
        QStringLiteral("<h1>%1</h1>\n"
                       "<form method=\"post\" action=\"%2\">\n"
                       "<input type=\"hidden\" name=\"%3\" value=\"%4\">\n"
                       "<input type=\"hidden\" name=\"%20\" value=\"%21\">\n"
                       "<label for=\"%5\">%6</label><input type=\"text\" name=\"%5\" id=\"%5\" "
                       "autocomplete=\"username\">\n"
                       "<label for=\"%7\">%8</label><input type=\"password\" name=\"%7\" id=\"%7\" "
                       "autocomplete=\"current-password\">\n"
                       "<label for=\"%9\">%10</label><input type=\"text\" name=\"%9\" id=\"%9\">\n"
                       "<label for=\"%11\">%12</label><textarea name=\"%11\" id=\"%11\" "
                       "rows=\"6\"></textarea>\n"
                       "<input type=\"submit\" name=\"%13\" id=\"%13\" value=\"%14\">\n"
                       "<input type=\"submit\" name=\"%15\" id=\"%15\" value=\"%16\">\n"
                       "<p><span id=\"%17\" class=\"result\"%22>%18</span></p>\n%19</form>\n")
            .arg(tr("Note transfer"), QLatin1String(kTransferPage),
                 QLatin1String(Visit::kStateField), QString::fromLatin1(state),
                 QLatin1String(kEmailField), tr("E-mail address"), QLatin1String(kPasswordField),
                 tr("Password"), QLatin1String(kNameField), tr("Note name"),
                 QLatin1String(kTextField), tr("Note text"), QLatin1String(kUploadButton),
                 tr("Upload note"), QLatin1String(kDownloadButton), tr("Download my notes"),
                 QLatin1String(kResultId), Html::escaped(result), table,
                 QLatin1String(kOverwriteKey),
                 overwrite ? QStringLiteral("1") : QStringLiteral("0"),
                 outcome ? QStringLiteral(" %1=\"%2\"")
                               .arg(QLatin1String(kOutcomeAttribute), QLatin1String(outcome))
                         : QString());
    return Html::page(m_site.name, tr("Note transfer"), body);
}

HttpResponse TransferPage::handle(const HttpRequest &request)
{
    Visit visit(m_site, request, m_db);
    if (!visit.ok())
        return unavailable();

    const QByteArray overwriteKey(kOverwriteKey);
    if (request.method != "POST") {
        // A GET changes nothing stored (a link from anywhere can make one): the choice the
        // address asks for goes into the form, and the POST that carries it back applies it.
        const bool overwrite = request.hasQuery(overwriteKey)
                                   ? request.queryValue(overwriteKey) == "1"
                                   : visit.hasSession() && visit.session()->overwrite;
        if (!visit.session(overwrite))
            return unavailable();
        HttpResponse response =
            HttpResponse::html(200, form(visit.renewState(), overwrite, {}, nullptr, {}));
        return visit.finish(response) ? response : unavailable();
    }

    if (!request.contentType.toLower().startsWith("application/x-www-form-urlencoded"))
        return HttpResponse::html(415,
                                  Html::page(m_site.name, tr("Not a form"),
                                             tr("<p>The form must be sent URL-encoded.</p>\n")));
    const std::optional<FormData> fields = FormData::parse(request.body);
    if (!fields)
        return HttpResponse::html(400, Html::page(m_site.name, tr("Unreadable form"),
                                                  tr("<p>The form could not be read.</p>\n")));
    if (!visit.stateMatches(*fields)) {
        // Not a form this session was given: a stale page, or a forged one.
        return HttpResponse::html(
            403, Html::page(m_site.name, tr("Page expired"),
                            QStringLiteral("<p>%1 <a href=\"%2\">%3</a></p>\n")
                                .arg(tr("This page has expired."), QLatin1String(kTransferPage),
                                     tr("Open it again."))));
    }
    if (fields->contains(QLatin1String(kOverwriteKey)))
        visit.session()->overwrite = fields->value(QLatin1String(kOverwriteKey)) == u"1";
    const QString email = fields->value(QLatin1String(kEmailField));
    const QString password = fields->value(QLatin1String(kPasswordField));
    const bool upload = fields->contains(QLatin1String(kUploadButton));
    const bool download = fields->contains(QLatin1String(kDownloadButton));

    QString result;
    const char *outcome = nullptr; // what became of an uploaded note
    QString table;
    qint64 streamed = 0; // the account whose notes the answer streams
    int status = 200;
    std::optional<Transaction> transaction;
    if (upload || download) {
        const SignIn::Result signedIn = SignIn(m_site, m_db).check(visit, email, password, request);
        if (signedIn == SignIn::Result::NeedsSlowWork)
            return HttpResponse::needingSlowWork();
        const qint64 account = visit.session()->accountId;
        if (signedIn != SignIn::Result::SignedIn) {
            result = QLatin1String(kLogInFailure);
        } else if (download) {
            // The rows follow, streamed, where the marker is.
            table = QStringLiteral("<table id=\"%1\">\n%2</table>\n")
                        .arg(QLatin1String(kTableId), QLatin1String(kRowsMarker));
            streamed = account;
            result = tr("Your notes:");
        } else {
            const QString name = fields->value(QLatin1String(kNameField));
            const QString text = fields->value(QLatin1String(kTextField));
            QString problem = NoteRules::nameProblem(name);
            if (problem.isEmpty())
                problem = NoteRules::textProblem(text);
            if (!problem.isEmpty()) {
                result = tr("Refused %1: %2.").arg(quoted(name), problem);
                outcome = kOutcomeRefused;
            } else {
                // The note and the session's next state in one commit.
                transaction.emplace(m_db, m_site.database->isSqlite());
                switch (NoteStore(m_db, m_site.database->isSqlite())
                            .upload(account, name, text, visit.session()->overwrite)) {
                case NoteStore::Upload::Stored:
                    result = tr("Stored %1.").arg(quoted(name));
                    outcome = kOutcomeStored;
                    break;
                case NoteStore::Upload::Replaced:
                    result = tr("Replaced %1; its old text is kept among its versions.")
                                 .arg(quoted(name));
                    outcome = kOutcomeReplaced;
                    break;
                case NoteStore::Upload::Kept:
                    if (holdsText(m_db, account, name, text)) {
                        result = tr("%1 is stored with this very text already.").arg(quoted(name));
                        outcome = kOutcomeSame;
                    } else {
                        result = tr("Kept the stored %1: this push does not overwrite.")
                                     .arg(quoted(name));
                        outcome = kOutcomeKept;
                    }
                    break;
                case NoteStore::Upload::Full:
                    result =
                        tr("Refused %1: the account holds %2 notes already, counting deleted notes "
                           "whose "
                           "versions are kept.")
                            .arg(quoted(name), QString::number(NoteRules::kMaximumNotesPerAccount));
                    outcome = kOutcomeRefused;
                    break;
                case NoteStore::Upload::Failed:
                    result = tr("Not stored %1: the site could not write it. Try again.")
                                 .arg(quoted(name));
                    outcome = kOutcomeFailed;
                    status = 503;
                    break;
                }
            }
        }
    }
    HttpResponse response = HttpResponse::html(
        status, form(visit.renewState(), visit.session()->overwrite, result, outcome, table));
    if (!visit.finish(response) || (transaction && !transaction->commit()))
        return unavailable();
    if (streamed != 0) {
        const qsizetype at = response.body.indexOf(kRowsMarker);
        response.stream = std::make_shared<NoteTableStream>(
            m_site.database, streamed, response.body.left(at),
            response.body.mid(at + qsizetype(sizeof kRowsMarker) - 1));
        response.body.clear();
    }
    return response;
}
