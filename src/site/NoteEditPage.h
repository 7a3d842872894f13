#pragma once

#include "site/HttpMessage.h"
#include "site/NoteStore.h"

#include <QSqlDatabase>
#include <QString>

class QDateTime;
struct SiteContext;
class Visit;

// A note written, or its text edited, in a browser without script, a phone's included. An
// edit carries the version it was loaded at and replaces only that version: one made from a
// version that changed since is stored as a conflict copy beside the newer text. Whatever is
// not stored comes back in the form, so that nothing typed is lost.
class NoteEditPage final {
public:
    NoteEditPage(const SiteContext &site, QSqlDatabase db) : m_site(site), m_db(std::move(db)) {}

    HttpResponse handle(const HttpRequest &request);

    // The page's address for editing the note of that name.
    static QString address(const QString &name);
    // "NAME (conflict from the site, YYYY-MM-DD HH.MM).pv" at `utc`, with ", N" before the
    // bracket for `n` above 1; NAME is cut short when the whole would be too long a name.
    static QString conflictName(const QString &name, const QDateTime &utc, int n);

private:
    // What the form holds: a new note's when `version` is 0.
    struct Draft {
        QString name;
        QString text;
        qint64 version = 0;
        QString digest; // of the text as the page gave it out, to tell an untouched one
    };
    struct Reply {
        int status = 200;
        QString result; // markup
        Draft draft;
    };

    HttpResponse opened(Visit &visit, const HttpRequest &request);
    HttpResponse saved(Visit &visit, const HttpRequest &request);
    Reply saveNew(NoteStore &store, Draft draft);
    Reply saveEdit(NoteStore &store, const Draft &draft);
    Reply saveCopy(NoteStore &store, const Draft &draft);
    // The answer to a store that was full (409) or failed (503), keeping the draft.
    static Reply refused(const NoteStore::Outcome &outcome, const Draft &draft);
    HttpResponse answer(Visit &visit, const Reply &reply);

    const SiteContext &m_site;
    QSqlDatabase m_db;
    qint64 m_account = 0;
};
