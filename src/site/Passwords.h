#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Password hashes (argon2id through libsodium), random tokens and digests.
class Passwords final {
public:
    // False when libsodium cannot start.
    static bool initialise();

    // The storable argon2id hash of `password`; nothing when memory ran out.
    static std::optional<QByteArray> hash(const QString &password);
    // Whether `password` matches `stored`. At most two hashes run at once in this process: each
    // takes tens of megabytes, and a flood of log-ins must not take the machine's memory.
    // Both wait for a free hashing thread.
    static bool verify(const QByteArray &stored, const QString &password);
    // Whether `stored` was made with other parameters than hash() uses now.
    static bool needsRehash(const QByteArray &stored);
    // Why `password` is too weak for an account, or empty.
    static QString weakness(const QString &password);

    // A new random key, hex-encoded.
    static QByteArray newKey();
    // Compares two digests in constant time.
    static bool sameDigest(const QByteArray &a, const QByteArray &b);
    // Random bytes, base64url-encoded: session tokens and form states.
    static QByteArray randomToken(int bytes = 32);
    // A digest of a session token: the database holds these, never the token.
    static QByteArray tokenDigest(const QByteArray &token);
};
