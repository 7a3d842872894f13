#include "site/ApiPage.h"

#include "site/ApiSignIn.h"
#include "site/Database.h"
#include "site/Devices.h"
#include "site/NoteRules.h"
#include "site/NoteStore.h"
#include "site/SiteContext.h"
#include "web/Contract.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringDecoder>

using namespace WebContract;

namespace {
HttpResponse unavailable()
{
    return ApiPage::error(503, QStringLiteral("the site cannot reach its database"));
}

HttpResponse notAllowed(const QByteArray &allowed)
{
    HttpResponse response = ApiPage::error(405, QStringLiteral("not allowed here"));
    response.addHeader("Allow", allowed);
    return response;
}

// The note's state after a refused change: its current version, and whether it is deleted.
HttpResponse refused(int status, const QString &message, const NoteStore::Outcome &outcome)
{
    return ApiPage::answer(status, {{QLatin1String(kJsonError), message},
                                    {QLatin1String(kJsonVersion), outcome.version},
                                    {QLatin1String(kJsonDeleted), outcome.deleted}});
}

QByteArray etag(qint64 version)
{
    return '"' + QByteArray::number(version) + '"';
}

// The text of a body that must be UTF-8 as it is: no byte lost or replaced, a BOM kept.
std::optional<QString> utf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                       QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}
} // namespace

HttpResponse ApiPage::answer(int status, const QJsonObject &object)
{
    return HttpResponse::json(status, QJsonDocument(object).toJson(QJsonDocument::Compact));
}

HttpResponse ApiPage::error(int status, const QString &message)
{
    return answer(status, {{QLatin1String(kJsonError), message}});
}

std::optional<qint64> ApiPage::version(const QByteArray &header)
{
    QByteArray digits = header.trimmed();
    if (digits.size() >= 2 && digits.startsWith('"') && digits.endsWith('"'))
        digits = digits.mid(1, digits.size() - 2);
    bool ok = !digits.isEmpty() && digits.size() <= 18;
    for (const char ch : std::as_const(digits))
        ok = ok && ch >= '0' && ch <= '9';
    const qint64 value = ok ? digits.toLongLong(&ok) : 0;
    if (!ok || value <= 0)
        return std::nullopt;
    return value;
}

HttpResponse ApiPage::handle(const HttpRequest &request)
{
    const QByteArray path = request.path.toLower();
    const QByteArray &method = request.method;
    const bool session = path == QByteArray("/") + kApiSession;
    const bool notes = path == QByteArray("/") + kApiNotes;
    const bool one = path == QByteArray("/") + kApiNote;
    if (!session && !notes && !one)
        return error(404, QStringLiteral("no such request"));
    if (session && method != "POST" && method != "DELETE")
        return notAllowed("POST, DELETE");
    if (notes && method != "GET" && method != "HEAD")
        return notAllowed("GET, HEAD");
    if (one && method != "GET" && method != "HEAD" && method != "PUT" && method != "DELETE")
        return notAllowed("GET, HEAD, PUT, DELETE");
    if (session && method == "POST")
        return ApiSignIn(m_site, m_db).handle(request);

    HttpResponse refusal;
    const std::optional<Caller> who = caller(request, &refusal);
    if (!who)
        return refusal;
    if (session) {
        return Devices(m_db, m_site.database->isSqlite()).remove(who->accountId, who->deviceId)
                   ? answer(200, {})
                   : unavailable();
    }
    if (notes)
        return changes(request, who->accountId);

    // Arguments are decoded from percent-encoding as bytes, which must be UTF-8.
    const std::optional<QString> name = utf8(request.queryValue(kApiNameKey));
    if (!request.hasQuery(kApiNameKey) || !name)
        return error(400, QStringLiteral("the request names no note"));
    if (const QString problem = NoteRules::nameProblem(*name); !problem.isEmpty())
        return error(400, problem);
    if (method == "PUT")
        return put(request, *name, who->accountId);
    if (method == "DELETE")
        return remove(request, *name, who->accountId);
    return get(*name, who->accountId);
}

std::optional<ApiPage::Caller> ApiPage::caller(const HttpRequest &request, HttpResponse *refusal)
{
    const QByteArray &header = request.authorization;
    const qsizetype blank = header.indexOf(' ');
    const QByteArray token = header.mid(blank + 1).trimmed();
    bool failed = false;
    std::optional<Devices::Device> device;
    if (blank > 0 && header.left(blank).toLower() == "bearer")
        device = Devices(m_db, m_site.database->isSqlite()).find(token, &failed);
    if (failed) {
        *refusal = unavailable();
        return std::nullopt;
    }
    if (!device) {
        *refusal = error(401, QStringLiteral("sign in first: no known device token"));
        refusal->addHeader("WWW-Authenticate", "Bearer");
        return std::nullopt;
    }
    return Caller{device->accountId, device->id};
}

HttpResponse ApiPage::changes(const HttpRequest &request, qint64 accountId)
{
    qint64 since = 0;
    if (request.hasQuery(kApiSinceKey)) {
        const QByteArray value = request.queryValue(kApiSinceKey);
        const std::optional<qint64> given = value == "0" ? 0 : version(value);
        if (!given || value.contains('"'))
            return error(400, QStringLiteral("\"since\" is a cursor: 0 or a version"));
        since = *given;
    }
    bool more = false;
    bool failed = false;
    const QList<NoteStore::Change> changes =
        NoteStore(m_db, m_site.database->isSqlite())
            .changesSince(accountId, since, kApiPageSize, &more, &failed);
    if (failed)
        return unavailable();
    QJsonArray list;
    for (const NoteStore::Change &change : changes) {
        list.append(QJsonObject{{QLatin1String(kJsonName), change.name},
                                {QLatin1String(kJsonVersion), change.version},
                                {QLatin1String(kJsonDigest), change.digest},
                                {QLatin1String(kJsonDeleted), change.deleted}});
    }
    return answer(200,
                  {{QLatin1String(kJsonCursor), changes.isEmpty() ? since : changes.last().version},
                   {QLatin1String(kJsonMore), more},
                   {QLatin1String(kJsonNotes), list}});
}

HttpResponse ApiPage::get(const QString &name, qint64 accountId)
{
    bool failed = false;
    const std::optional<NoteStore::Note> note =
        NoteStore(m_db, m_site.database->isSqlite()).note(accountId, name, &failed);
    if (failed)
        return unavailable();
    if (!note)
        return error(404, QStringLiteral("no such note"));
    HttpResponse response;
    response.contentType = "text/plain; charset=utf-8";
    response.body = note->text.toUtf8();
    response.addHeader("ETag", etag(note->version));
    return response;
}

HttpResponse ApiPage::put(const HttpRequest &request, const QString &name, qint64 accountId)
{
    // Only a plain text: a body of any other type may have been counted as a form's fields.
    if (!request.contentType.toLower().startsWith("text/plain"))
        return error(415, QStringLiteral("a note's text is sent as text/plain; charset=utf-8"));
    if (request.body.size() > NoteRules::kMaximumTextBytes)
        return error(
            413,
            QStringLiteral("the text is longer than %1 bytes").arg(NoteRules::kMaximumTextBytes));
    const std::optional<QString> text = utf8(request.body);
    if (!text)
        return error(400, QStringLiteral("the text is not UTF-8"));
    if (const QString problem = NoteRules::textProblem(*text); !problem.isEmpty())
        return error(400, problem);
    const bool create = !request.ifNoneMatch.isEmpty();
    if (create == !request.ifMatch.isEmpty())
        return error(create ? 400 : 428,
                     QStringLiteral("give either If-Match: \"<version>\" or If-None-Match: *"));
    const std::optional<qint64> expected = version(request.ifMatch);
    if ((create && request.ifNoneMatch != "*") || (!create && !expected))
        return error(400, QStringLiteral("If-Match takes a version, If-None-Match only *"));
    NoteStore store(m_db, m_site.database->isSqlite());
    const NoteStore::Outcome outcome = create ? store.createIfAbsent(accountId, name, *text)
                                              : store.replaceIf(accountId, name, *text, *expected);
    switch (outcome.status) {
    case NoteStore::Outcome::Done: {
        HttpResponse response =
            answer(create ? 201 : 200, {{QLatin1String(kJsonVersion), outcome.version},
                                        {QLatin1String(kJsonDigest), outcome.digest}});
        response.addHeader("ETag", etag(outcome.version));
        return response;
    }
    case NoteStore::Outcome::Stale:
    case NoteStore::Outcome::Missing:
        return refused(412,
                       create ? QStringLiteral("a note of that name exists")
                              : QStringLiteral("the note changed since that version"),
                       outcome);
    case NoteStore::Outcome::Full:
        return error(409, QStringLiteral("the account holds %1 notes, deleted ones included")
                              .arg(NoteRules::kMaximumNotesPerAccount));
    case NoteStore::Outcome::Failed:
        break;
    }
    return unavailable();
}

HttpResponse ApiPage::remove(const HttpRequest &request, const QString &name, qint64 accountId)
{
    if (request.ifMatch.isEmpty())
        return error(428, QStringLiteral("give If-Match: \"<version>\""));
    const std::optional<qint64> expected = version(request.ifMatch);
    if (!expected || !request.ifNoneMatch.isEmpty())
        return error(400, QStringLiteral("If-Match takes a version"));
    const NoteStore::Outcome outcome =
        NoteStore(m_db, m_site.database->isSqlite()).removeIf(accountId, name, *expected);
    switch (outcome.status) {
    case NoteStore::Outcome::Done:
        return answer(200, {{QLatin1String(kJsonVersion), outcome.version}});
    case NoteStore::Outcome::Stale:
        return refused(412, QStringLiteral("the note changed since that version"), outcome);
    case NoteStore::Outcome::Missing:
        return refused(404, QStringLiteral("no such note"), outcome);
    case NoteStore::Outcome::Full:
    case NoteStore::Outcome::Failed:
        break;
    }
    return unavailable();
}
