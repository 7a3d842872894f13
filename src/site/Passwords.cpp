#include "site/Passwords.h"

#include <QCoreApplication>

#include <sodium.h>

#include <semaphore>

namespace {
constexpr int kMinimumLength = 8;
constexpr unsigned long long kOpsLimit = crypto_pwhash_OPSLIMIT_INTERACTIVE;
constexpr size_t kMemLimit = crypto_pwhash_MEMLIMIT_INTERACTIVE;

std::counting_semaphore<2> &hashSlots()
{
    static std::counting_semaphore<2> free(2);
    return free;
}

// Holds one of the two hash slots for its lifetime.
class HashSlot final {
public:
    HashSlot() { hashSlots().acquire(); }
    ~HashSlot() { hashSlots().release(); }
    HashSlot(const HashSlot &) = delete;
    HashSlot &operator=(const HashSlot &) = delete;
};

QByteArray hex(const unsigned char *bytes, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(bytes), static_cast<qsizetype>(size)).toHex();
}
} // namespace

bool Passwords::initialise()
{
    return sodium_init() >= 0;
}

std::optional<QByteArray> Passwords::hash(const QString &password)
{
    const QByteArray bytes = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    HashSlot slot;
    if (crypto_pwhash_str(out, bytes.constData(), static_cast<unsigned long long>(bytes.size()),
                          kOpsLimit, kMemLimit) != 0)
        return std::nullopt;
    return QByteArray(out);
}

bool Passwords::verify(const QByteArray &stored, const QString &password)
{
    const QByteArray bytes = password.toUtf8();
    HashSlot slot;
    return crypto_pwhash_str_verify(stored.constData(), bytes.constData(),
                                    static_cast<unsigned long long>(bytes.size())) == 0;
}

bool Passwords::needsRehash(const QByteArray &stored)
{
    return crypto_pwhash_str_needs_rehash(stored.constData(), kOpsLimit, kMemLimit) != 0;
}

QString Passwords::weakness(const QString &password)
{
    if (password.size() < kMinimumLength)
        return QCoreApplication::translate("Passwords", "the password needs at least %1 characters")
            .arg(kMinimumLength);
    if (password.toUtf8().size() > 1024)
        return QCoreApplication::translate("Passwords", "the password is longer than 1024 bytes");
    return {};
}

QByteArray Passwords::newKey()
{
    unsigned char key[crypto_generichash_KEYBYTES];
    randombytes_buf(key, sizeof key);
    return hex(key, sizeof key);
}

QByteArray Passwords::digest(const QByteArray &hexKey, const QByteArray &session,
                             const QString &email, const QString &password)
{
    const QByteArray key = QByteArray::fromHex(hexKey);
    // Lengths first, so that no two different log-ins run together into the same input.
    const QByteArray emailBytes = email.toUtf8();
    const QByteArray input = QByteArray::number(session.size()) + ':' + session +
                             QByteArray::number(emailBytes.size()) + ':' + emailBytes +
                             password.toUtf8();
    unsigned char out[crypto_generichash_BYTES];
    crypto_generichash(out, sizeof out, reinterpret_cast<const unsigned char *>(input.constData()),
                       static_cast<unsigned long long>(input.size()),
                       reinterpret_cast<const unsigned char *>(key.constData()),
                       static_cast<size_t>(key.size()));
    return hex(out, sizeof out);
}

bool Passwords::sameDigest(const QByteArray &a, const QByteArray &b)
{
    return a.size() == b.size() && !a.isEmpty() &&
           sodium_memcmp(a.constData(), b.constData(), static_cast<size_t>(a.size())) == 0;
}

QByteArray Passwords::randomToken(int bytes)
{
    QByteArray raw(bytes, Qt::Uninitialized);
    randombytes_buf(raw.data(), static_cast<size_t>(raw.size()));
    return raw.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

QByteArray Passwords::tokenDigest(const QByteArray &token)
{
    unsigned char out[crypto_generichash_BYTES];
    crypto_generichash(out, sizeof out, reinterpret_cast<const unsigned char *>(token.constData()),
                       static_cast<unsigned long long>(token.size()), nullptr, 0);
    return hex(out, sizeof out);
}
