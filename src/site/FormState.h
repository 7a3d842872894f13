#pragma once

#include <QByteArray>

#include <optional>

// The form state handed to a visitor who is not signed in. No table holds it: it names the
// cookie token it went out with, the visitor's overwrite choice and when it was issued, under
// a keyed digest, so that any site process can check it and a flood of page loads stores
// nothing. A session row is made only once a log-in with such a state succeeds.
class FormState final {
public:
    static constexpr qint64 kLifetimeMs = 2LL * 60 * 60 * 1000;

    // A state for the session of `token`; `hexKey` is the site's shared key.
    static QByteArray issue(const QByteArray &hexKey, const QByteArray &token, bool overwrite,
                            qint64 nowMs);
    // The overwrite choice `state` carries when it was issued for `token` under `hexKey` and
    // has not expired; nothing otherwise.
    static std::optional<bool> check(const QByteArray &hexKey, const QByteArray &token,
                                     const QByteArray &state, qint64 nowMs);
};
