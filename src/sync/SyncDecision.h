#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// What one sync round does with one note, from three looks at it: the local text, the site's,
// and the base (what both held after the last sync). Texts are compared by their digests.
class SyncDecision final {
public:
    enum class Action {
        Nothing,        // nothing changed
        Link,           // both hold the same text: only the base is recorded
        Upload,         // changed here only, or new here: sent up (If-Match, or created)
        Download,       // changed on the site only, or new there: the old local text to the trash
        DeleteLocal,    // deleted on the site, unchanged here: the local note to the trash
        DeleteOnSite,   // deleted here, unchanged on the site: deleted there (If-Match)
        RestoreOnSite,  // deleted on the site, changed here: created there again
        RestoreLocally, // deleted here, changed on the site: downloaded again
        Conflict,       // changed on both sides differently: the site's text becomes a copy
        ForgetBase,     // deleted on both sides
    };

    struct Site {
        enum class State { Absent, Deleted, Live };
        State state = State::Absent;
        qint64 version = 0;
        QByteArray digest;
    };
    struct Base {
        qint64 version = 0;
        QByteArray digest;
    };

    // local: the digest of the local text, nothing when there is no local note.
    static Action decide(const std::optional<QByteArray> &local, const Site &site,
                         const std::optional<Base> &base);

    // Lowercase hex SHA-256, as the site computes it over a text's UTF-8 bytes.
    static QByteArray digest(const QByteArray &utf8);
    static QString name(Action action);
};
