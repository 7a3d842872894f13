#include "site/FormState.h"

#include "site/Passwords.h"

#include <QList>

#include <sodium.h>

namespace {
// Clocks of site processes sharing a database may differ a little.
constexpr qint64 kClockSkewMs = 5 * 60 * 1000;

QByteArray mac(const QByteArray &hexKey, const QByteArray &token, char overwrite,
               const QByteArray &issued)
{
    const QByteArray key = QByteArray::fromHex(hexKey);
    // Starts with a letter, so it never reads as the input of a log-in digest under the same
    // key, and every part but the last is of fixed length or ends at a separator.
    const QByteArray input = "form-state\n" + token + '\n' + overwrite + '\n' + issued;
    unsigned char out[crypto_generichash_BYTES];
    crypto_generichash(out, sizeof out, reinterpret_cast<const unsigned char *>(input.constData()),
                       static_cast<unsigned long long>(input.size()),
                       reinterpret_cast<const unsigned char *>(key.constData()),
                       static_cast<size_t>(key.size()));
    return QByteArray(reinterpret_cast<const char *>(out), sizeof out)
        .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}
} // namespace

QByteArray FormState::issue(const QByteArray &hexKey, const QByteArray &token, bool overwrite,
                            qint64 nowMs)
{
    const char choice = overwrite ? '1' : '0';
    const QByteArray issued = QByteArray::number(nowMs);
    return choice + ('.' + issued) + '.' + mac(hexKey, token, choice, issued);
}

std::optional<bool> FormState::check(const QByteArray &hexKey, const QByteArray &token,
                                     const QByteArray &state, qint64 nowMs)
{
    const QList<QByteArray> parts = state.split('.');
    if (token.isEmpty() || parts.size() != 3 || parts[0].size() != 1 ||
        (parts[0] != "0" && parts[0] != "1"))
        return std::nullopt;
    bool ok = false;
    const qint64 issued = parts[1].toLongLong(&ok);
    if (!ok || issued > nowMs + kClockSkewMs || issued < nowMs - kLifetimeMs)
        return std::nullopt;
    if (!Passwords::sameDigest(parts[2], mac(hexKey, token, parts[0][0], parts[1])))
        return std::nullopt;
    return parts[0] == "1";
}
