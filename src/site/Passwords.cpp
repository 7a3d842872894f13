#include "site/Passwords.h"

#include <QCoreApplication>

#include <sodium.h>

#include <sys/resource.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace {
constexpr int kMinimumLength = 10;
// Among the first that any guesser tries; a longer list belongs in a breach list, not here.
const char *const kCommon[] = {
    "1234567890",  "0123456789", "1234512345",  "1111111111",    "0000000000",   "qwertyuiop",
    "1q2w3e4r5t",  "password12", "password123", "password1234",  "passw0rd123",  "iloveyou12",
    "abcdefghij",  "abc1234567", "qwerty1234",  "qwerty12345",   "1qaz2wsx3edc", "letmein123",
    "welcome123",  "football12", "baseball12",  "princess12",    "sunshine12",   "superman12",
    "trustno1234", "dragon1234", "monkey1234",  "administrator", "changeme123",  "aaaaaaaaaa",
};
constexpr unsigned long long kOpsLimit = crypto_pwhash_OPSLIMIT_INTERACTIVE;
constexpr size_t kMemLimit = crypto_pwhash_MEMLIMIT_INTERACTIVE;

// The slow hashes run on two threads of their own at a lower priority: at most two at once
// whatever the number of log-ins, and the quick requests of signed-in sessions go first when
// the cores are busy hashing.
class HashWorkers final {
public:
    static HashWorkers &instance()
    {
        // Never destroyed: its threads wait on it until the process ends.
        static HashWorkers *workers = new HashWorkers;
        return *workers;
    }
    // Runs `job` on a worker and waits for it.
    template <typename Result> Result run(std::function<Result()> job)
    {
        std::packaged_task<Result()> task(std::move(job));
        std::future<Result> result = task.get_future();
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_jobs.emplace_back([&task] { task(); });
        }
        m_wake.notify_one();
        return result.get();
    }

private:
    HashWorkers()
    {
        for (int i = 0; i < 2; ++i) {
            std::thread([this] {
                setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
                for (;;) {
                    std::function<void()> job;
                    {
                        std::unique_lock<std::mutex> guard(m_lock);
                        m_wake.wait(guard, [this] { return !m_jobs.empty(); });
                        job = std::move(m_jobs.front());
                        m_jobs.pop_front();
                    }
                    job();
                }
            }).detach();
        }
    }

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
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
    return HashWorkers::instance().run<std::optional<QByteArray>>(
        [&bytes]() -> std::optional<QByteArray> {
            char out[crypto_pwhash_STRBYTES];
            if (crypto_pwhash_str(out, bytes.constData(),
                                  static_cast<unsigned long long>(bytes.size()), kOpsLimit,
                                  kMemLimit) != 0)
                return std::nullopt;
            return QByteArray(out);
        });
}

bool Passwords::verify(const QByteArray &stored, const QString &password)
{
    const QByteArray bytes = password.toUtf8();
    return HashWorkers::instance().run<bool>([&] {
        return crypto_pwhash_str_verify(stored.constData(), bytes.constData(),
                                        static_cast<unsigned long long>(bytes.size())) == 0;
    });
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
    for (const char *common : kCommon) {
        if (password.compare(QLatin1String(common), Qt::CaseInsensitive) == 0)
            return QCoreApplication::translate("Passwords",
                                               "the password is among the first that guessers try");
    }
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
