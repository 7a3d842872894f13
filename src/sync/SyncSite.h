#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>

// The notes web site: its base address, the addresses of its pages and the name shown for it.
class SyncSite final {
public:
    // `baseAddress` is a scheme and host, with or without a path; a missing trailing slash is
    // added so that page names resolve below it.
    explicit SyncSite(const QString &baseAddress);

    const QUrl &base() const { return m_base; }
    // The site as the window names it: the base address without its scheme or trailing slash.
    QString name() const;
    // Whether an address typed by the user names a web site at all.
    static bool isSiteAddress(const QString &address);
    // Plain http to another machine: the account's password would cross the network readable.
    bool sendsPasswordInClear() const;

    // "noteimport.aspx?overwrite=0&<date>" (or 1). The date text makes every address unique;
    // it is percent-encoded, since regional formats hold blanks, slashes and colons.
    QUrl pushRequest(bool overwrite, const QString &dateText) const;
    // "noteimport.aspx?<date>".
    QUrl pullRequest(const QString &dateText) const;
    // Where an account is created, opened in the user's own browser.
    QUrl accountPage() const;

    // The local date and time as the user's regional settings write it.
    static QString dateText(const QDateTime &when);

private:
    QUrl page(const QString &path, const QString &query) const;

    QUrl m_base;
};
