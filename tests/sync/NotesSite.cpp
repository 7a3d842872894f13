#include "NotesSite.h"

#include "web/Contract.h"

#include <QRandomGenerator>

#include <algorithm>

namespace {
// As a real site must: every character that markup would take for its own is a reference.
QString escaped(const QString &text)
{
    return text.toHtmlEscaped().replace(QLatin1Char('\''), QLatin1String("&#39;"));
}
} // namespace

NotesSite::NotesSite()
{
    m_server.route(QStringLiteral("/noteimport.aspx"),
                   [this](const HttpRequest &request) { return transferPage(request); });
    m_server.route(QStringLiteral("/account.asp"), [](const HttpRequest &) {
        return HttpResponse::html("<html><body><p>Create an account</p></body></html>");
    });
}

void NotesSite::addAccount(const QString &email, const QString &password)
{
    m_accounts.insert(email, password);
}

void NotesSite::addNote(const QString &email, const QString &name, const QString &text)
{
    m_notes[email].append({name, text});
}

HttpResponse NotesSite::transferPage(const HttpRequest &request)
{
    QByteArray sessionId = request.cookie(kCookie);
    if (request.method == "GET") {
        if (!m_sessions.contains(sessionId))
            sessionId = QByteArray::number(m_nextSession++) + "x" +
                        QByteArray::number(QRandomGenerator::global()->generate());
        Session &session = m_sessions[sessionId];
        session.overwrite = request.query.queryItemValue(QStringLiteral("overwrite")) == "1";
        return page(sessionId, QString(), QString());
    }

    const auto known = m_sessions.find(sessionId);
    if (known == m_sessions.end() ||
        request.formValue(QStringLiteral("__VIEWSTATE")).toLatin1() != known->state) {
        ++m_stale;
        return HttpResponse::html("<html><body><p>Your session has expired.</p></body></html>",
                                  400);
    }
    const QString email = request.formValue(QStringLiteral("TextBox1"));
    const QString password = request.formValue(QStringLiteral("TextBox2"));
    const bool loggedIn = m_accounts.contains(email) && m_accounts.value(email) == password;
    const QString failure = QStringLiteral("The password or Email Address was incorrect");

    if (request.hasFormValue(QStringLiteral("Button1"))) {
        Upload upload{email,
                      password,
                      request.formValue(QStringLiteral("TextBox4")),
                      request.formValue(QStringLiteral("TextBox5")),
                      known->overwrite,
                      loggedIn};
        m_uploads.append(upload);
        if (!loggedIn)
            return page(sessionId, failure, QString());
        using namespace WebContract;
        if (m_refused.contains(upload.name))
            return page(sessionId, QStringLiteral("Refused."), QString(), kOutcomeRefused);
        QList<Note> &notes = m_notes[email];
        auto same = std::find_if(notes.begin(), notes.end(),
                                 [&](const Note &note) { return note.name == upload.name; });
        const char *outcome = same == notes.end()         ? kOutcomeStored
                              : same->text == upload.text ? kOutcomeSame
                              : upload.overwrite          ? kOutcomeReplaced
                                                          : kOutcomeKept;
        if (same == notes.end())
            notes.append({upload.name, upload.text});
        else if (upload.overwrite)
            same->text = upload.text;
        return page(sessionId, QStringLiteral("Your note was saved."), QString(), outcome);
    }
    if (request.hasFormValue(QStringLiteral("Button2"))) {
        if (!loggedIn)
            return page(sessionId, failure, QString());
        return page(sessionId, QStringLiteral("Your notes:"), table(email));
    }
    return page(sessionId, QString(), QString());
}

HttpResponse NotesSite::page(const QByteArray &sessionId, const QString &result,
                             const QString &table, const char *outcome)
{
    Session &session = m_sessions[sessionId];
    session.state = QByteArray::number(QRandomGenerator::global()->generate64(), 36) + "+/=";
    const QString markup =
        QStringLiteral(
            "<!DOCTYPE html>\n<html><head><title>Online Tools - Note Import</title></head>\n"
            "<body>\n<form name=\"Form1\" method=\"post\" action=\"noteimport.aspx\" "
            "id=\"Form1\">\n"
            "<input type=\"hidden\" name=\"__VIEWSTATE\" value=\"%1\">\n"
            "<p>Email <input name=\"TextBox1\" type=\"text\" id=\"TextBox1\"></p>\n"
            "<p>Password <input name=\"TextBox2\" type=\"password\" id=\"TextBox2\"></p>\n"
            "<p>Name <input name=\"TextBox4\" type=\"text\" id=\"TextBox4\"></p>\n"
            "<p>Note <textarea name=\"TextBox5\" rows=\"5\" cols=\"40\" "
            "id=\"TextBox5\"></textarea></p>\n"
            "<input type=\"submit\" name=\"Button1\" value=\"Upload Note\" id=\"Button1\">\n"
            "<input type=\"submit\" name=\"Button2\" value=\"Get My Notes\" id=\"Button2\">\n"
            "%2</form>\n</body></html>\n")
            .arg(QString::fromLatin1(session.state),
                 m_answer.isEmpty() || result.isEmpty()
                     ? QStringLiteral(
                           "<p><span id=\"Label1\" style=\"color: red\" data-outcome=\"%1\">%2"
                           "</span></p>\n")
                               .arg(QLatin1String(outcome), escaped(result)) +
                           table
                     : m_answer);
    HttpResponse response = HttpResponse::html(markup.toUtf8());
    response.setCookie(kCookie, sessionId);
    return response;
}

QString NotesSite::table(const QString &email) const
{
    QString rows = m_extraRows;
    for (const Note &note : m_notes.value(email)) {
        rows += QStringLiteral("<tr><td nowrap width=\"25%\">Note Name:%1</td></tr>\n"
                               "<tr><td nowrap width=\"25%\">Note Data:%2</td></tr>\n")
                    .arg(escaped(note.name), escaped(note.text));
    }
    if (m_footer)
        rows += QStringLiteral("<tr><td nowrap width=\"25%\">&nbsp;</td></tr>\n");
    return QStringLiteral("<table id=\"Table2\" border=\"1\" cellpadding=\"2\">\n%1</table>\n")
        .arg(rows);
}
