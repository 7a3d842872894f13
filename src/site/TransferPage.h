#pragma once

#include "site/HttpMessage.h"

#include <QSqlDatabase>

struct SiteContext;

// The transfer page the desktop program talks to: a form to upload one note or download the
// account's notes. A GET opens it (with "?overwrite=0" or "1", its form carries how the
// uploads treat a note of the same name); every POST must carry back the form's state.
class TransferPage final {
public:
    TransferPage(const SiteContext &site, QSqlDatabase db) : m_site(site), m_db(std::move(db)) {}

    HttpResponse handle(const HttpRequest &request);

private:
    // `outcome` names what became of an uploaded note (WebContract), or is null.
    QString form(const QByteArray &state, bool overwrite, const QString &result,
                 const char *outcome, const QString &table) const;

    const SiteContext &m_site;
    QSqlDatabase m_db;
};
