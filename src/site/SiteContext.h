#pragma once

#include <QByteArray>
#include <QString>

class Database;

// What every page needs of the running site.
struct SiteContext {
    Database *database = nullptr;
    QString name; // shown in page titles
    bool openSignup = false;
    QByteArray loginKey;  // keys the signed form states of visitors not signed in yet
    QByteArray decoyHash; // a password hash to verify against for unknown accounts
};
