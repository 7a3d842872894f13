// Load on pinvelle-site through the form protocol the desktop program speaks: concurrent
// clients each open the transfer page and upload their notes one after another, as a push
// does. Prints uploads per second and latency, the first upload of each session (which pays
// for the password hash) on its own row; then checks every note is stored once and whole.
// With --kill the site is killed with SIGKILL mid-run and started again: clients retry what
// got no answer, and every note that was answered must be there. With --hostile, attackers
// run all along: form bodies of a million fields, connections from 8 addresses that each hold
// a body of 2 MiB - 1 bytes, and clients from the same addresses that trickle their headers a
// byte at a time; the site's peak memory is printed.
//
//   site_load SITE-PROGRAM [--database URL] [--processes N] [--clients N] [--notes N] [--kill]
//             [--hostile]

#include <QByteArray>
#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;
const QByteArray kPassword = "bench password";

struct Reply {
    int status = 0;
    QByteArray headers;
    QByteArray body;
};

// A connection to the site from 127.0.0.`from`; -1 when it could not be made.
int connectFrom(quint16 port, int from)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK - 1 + quint32(from));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0 ||
        connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

QByteArray dechunked(const QByteArray &body)
{
    QByteArray whole;
    for (qsizetype at = 0;;) {
        const qsizetype end = body.indexOf("\r\n", at);
        const qsizetype size = body.mid(at, end - at).toLongLong(nullptr, 16);
        if (end < 0 || size <= 0)
            return whole;
        whole += body.mid(end + 2, size);
        at = end + 2 + size + 2;
    }
}

// One request on its own connection; status 0 when the site could not be reached.
Reply exchange(quint16 port, const QByteArray &request)
{
    Reply reply;
    const int fd = connectFrom(port, 1);
    if (fd < 0)
        return reply;
    qsizetype sent = 0;
    while (sent < request.size()) {
        const ssize_t n =
            send(fd, request.constData() + sent, size_t(request.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += n;
    }
    QByteArray all;
    char buffer[65536];
    for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;)
        all.append(buffer, n);
    close(fd);
    const qsizetype split = all.indexOf("\r\n\r\n");
    if (split < 0 || !all.startsWith("HTTP/1.1 "))
        return reply;
    reply.status = all.mid(9, 3).toInt();
    reply.headers = all.left(split);
    reply.body = all.mid(split + 4);
    if (reply.headers.toLower().contains("transfer-encoding: chunked"))
        reply.body = dechunked(reply.body);
    return reply;
}

// The attackers of --hostile, until `stop`.
void attack(quint16 port, const std::atomic<bool> &stop, std::vector<std::thread> &threads)
{
    const QByteArray form = "POST /noteimport.aspx HTTP/1.1\r\nHost: x\r\n"
                            "Content-Type: application/x-www-form-urlencoded\r\n";
    auto sendAll = [](int fd, const QByteArray &data) {
        for (qsizetype sent = 0; sent < data.size();) {
            const ssize_t n =
                send(fd, data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            sent += n;
        }
        return true;
    };
    // Form bodies of a million fields, one after another from four clients.
    const QByteArray bomb = QByteArray("&a").repeated(1024 * 1024 - 1);
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([=, &stop] {
            while (!stop) {
                const int fd = connectFrom(port, 2 + i);
                if (fd < 0)
                    continue;
                sendAll(fd, form + "Content-Length: " + QByteArray::number(bomb.size()) +
                                "\r\n\r\n" + bomb);
                char buffer[4096];
                recv(fd, buffer, sizeof buffer, 0);
                close(fd);
            }
        });
    }
    // From 8 addresses, 24 connections each that hold a body one byte short, and 4 that
    // trickle their headers; each starts again when the site ends it.
    const QByteArray held = QByteArray(2 * 1024 * 1024 - 1, 'x');
    for (int from = 2; from < 10; ++from) {
        for (int i = 0; i < 28; ++i) {
            threads.emplace_back([=, &stop] {
                while (!stop) {
                    const int fd = connectFrom(port, from);
                    if (fd < 0) {
                        std::this_thread::sleep_for(std::chrono::milliseconds(100));
                        continue;
                    }
                    const bool ok =
                        i < 24 ? sendAll(fd, form + "Content-Length: 2097152\r\n\r\n" + held)
                               : sendAll(fd, "GET /account.asp HTTP/1.1\r\n");
                    for (int tick = 0; ok && !stop && tick < 600; ++tick) {
                        std::this_thread::sleep_for(std::chrono::milliseconds(100));
                        if (i >= 24 && tick % 20 == 0 && !sendAll(fd, "X"))
                            break;
                        char byte;
                        if (recv(fd, &byte, 1, MSG_DONTWAIT) == 0)
                            break; // the site hung up
                    }
                    close(fd);
                }
            });
        }
    }
}

long peakMegabytes(pid_t pid)
{
    FILE *status =
        std::fopen(QByteArray("/proc/" + QByteArray::number(pid) + "/status").data(), "r");
    long kilobytes = 0;
    char line[256];
    while (status && std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "VmHWM: %ld", &kilobytes) == 1)
            break;
    }
    if (status)
        std::fclose(status);
    return kilobytes / 1024;
}

QByteArray between(const QByteArray &text, const QByteArray &before, const QByteArray &after)
{
    const qsizetype start = text.indexOf(before);
    if (start < 0)
        return {};
    const qsizetype end = text.indexOf(after, start + before.size());
    return text.mid(start + before.size(), end - start - before.size());
}

QByteArray noteText(int client, int note)
{
    QByteArray text = "Note " + QByteArray::number(note) + " of client " +
                      QByteArray::number(client) + ": fish & chips <b> \"quoted\"\r\n";
    while (text.size() < 1000)
        text += "a line of text to make the note about one kilobyte long\r\n";
    return text;
}

QByteArray escaped(const QByteArray &text)
{
    return QString::fromUtf8(text).toHtmlEscaped().replace("'", "&#39;").toUtf8();
}

class Session {
public:
    Session(quint16 port, QByteArray email) : m_port(port), m_email(std::move(email)) {}

    bool open()
    {
        const Reply reply = exchange(m_port, "GET /noteimport.aspx?overwrite=0&bench HTTP/1.1\r\n"
                                             "Host: 127.0.0.1\r\nConnection: close\r\n\r\n");
        m_cookie = between(reply.headers, "Set-Cookie: ", ";");
        m_state = between(reply.body, "name=\"PageState\" value=\"", "\"");
        if (reply.status != 200 && getenv("SITE_LOAD_VERBOSE"))
            std::fprintf(stderr, "open: %d %s\n", reply.status, reply.body.left(300).constData());
        return reply.status == 200 && !m_cookie.isEmpty();
    }
    Reply post(const QByteArray &fields)
    {
        const QByteArray body =
            "PageState=" + m_state +
            "&TextBox1=" + QUrl::toPercentEncoding(QString::fromLatin1(m_email)) +
            "&TextBox2=" + QUrl::toPercentEncoding(QString::fromLatin1(kPassword)) + fields;
        Reply reply = exchange(m_port, "POST /noteimport.aspx HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                                       "Connection: close\r\nCookie: " +
                                           m_cookie +
                                           "\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                                           "Content-Length: " +
                                           QByteArray::number(body.size()) + "\r\n\r\n" + body);
        m_state = between(reply.body, "name=\"PageState\" value=\"", "\"");
        // Until it is signed in, a session changes its cookie with every answer.
        if (const QByteArray cookie = between(reply.headers, "Set-Cookie: ", ";");
            !cookie.isEmpty())
            m_cookie = cookie;
        return reply;
    }

private:
    quint16 m_port;
    QByteArray m_email;
    QByteArray m_cookie;
    QByteArray m_state;
};

struct Site {
    QString program;
    QString database;
    quint16 port = 0;
    pid_t pid = 0;

    bool start()
    {
        pid = fork();
        if (pid == 0) {
            const QByteArray prog = program.toLocal8Bit();
            const QByteArray listen = "127.0.0.1:" + QByteArray::number(port);
            const QByteArray db = database.toLocal8Bit();
            freopen("/dev/null", "w", stderr);
            execl(prog.constData(), prog.constData(), "--listen", listen.constData(), "--database",
                  db.constData(), static_cast<char *>(nullptr));
            _exit(127);
        }
        for (int i = 0; i < 200; ++i) {
            if (exchange(port, "GET / HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n").status)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        return false;
    }
    void stop(int signal)
    {
        if (pid > 0) {
            kill(pid, signal);
            waitpid(pid, nullptr, 0);
        }
        pid = 0;
    }
};

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t index = std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5));
    return values[index];
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: site_load SITE-PROGRAM [--database URL] [--processes N] "
                             "[--clients N] [--notes N] [--kill] [--hostile]\n");
        return 2;
    }
    auto option = [&args](const char *name, const QString &fallback) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        return at > 0 && at + 1 < args.size() ? args.at(at + 1) : fallback;
    };
    QTemporaryDir dir;
    const QString database =
        option("--database", QStringLiteral("sqlite:") + dir.filePath(QStringLiteral("site.db")));
    const int processes = option("--processes", QStringLiteral("1")).toInt();
    const int clients = option("--clients", QStringLiteral("20")).toInt();
    const int notes = option("--notes", QStringLiteral("50")).toInt();
    const bool killing = args.contains(QLatin1String("--kill"));
    const bool hostile = args.contains(QLatin1String("--hostile"));

    for (int c = 0; c < clients; ++c) {
        const QByteArray command = "echo '" + kPassword + "' | '" + args.at(1).toLocal8Bit() +
                                   "' add-account client" + QByteArray::number(c) +
                                   "@bench.example --database '" + database.toLocal8Bit() +
                                   "' >/dev/null";
        if (std::system(command.constData()) != 0) {
            std::fprintf(stderr, "site_load: cannot make the accounts\n");
            return 1;
        }
    }
    std::vector<Site> sites(static_cast<size_t>(processes));
    for (int p = 0; p < processes; ++p) {
        sites[size_t(p)] = Site{args.at(1), database, quint16(18700 + getpid() % 500 + p), 0};
        if (!sites[size_t(p)].start()) {
            std::fprintf(stderr, "site_load: the site did not start\n");
            return 1;
        }
    }

    std::atomic<bool> stopAttack{false};
    std::vector<std::thread> attackers;
    if (hostile) {
        attack(sites[0].port, stopAttack, attackers);
        std::this_thread::sleep_for(std::chrono::seconds(3)); // let them take what they can
    }

    std::mutex lock;
    std::vector<double> first;
    std::vector<double> later;
    std::atomic<int> answered{0};
    std::atomic<int> retries{0};
    const auto began = Clock::now();
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            const quint16 port = sites[size_t(c % processes)].port;
            const QByteArray email = "client" + QByteArray::number(c) + "@bench.example";
            Session session(port, email);
            bool fresh = true;
            for (int n = 0; n < notes;) {
                if (fresh && !session.open()) {
                    ++retries;
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    continue;
                }
                const QByteArray fields =
                    "&TextBox4=note" + QByteArray::number(n) +
                    ".pv&TextBox5=" + QUrl::toPercentEncoding(QString::fromUtf8(noteText(c, n))) +
                    "&Button1=Upload";
                const auto start = Clock::now();
                const Reply reply = session.post(fields);
                const double ms =
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count();
                const QByteArray label = between(reply.body, "class=\"result\">", "</span>");
                // An upload lost with a killed site is sent again; "Kept" then says the first
                // one was stored after all.
                if (reply.status != 200 ||
                    !(label.startsWith("Stored") || label.startsWith("Kept"))) {
                    ++retries;
                    fresh = true;
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                    continue;
                }
                {
                    std::lock_guard<std::mutex> guard(lock);
                    (fresh ? first : later).push_back(ms);
                }
                fresh = false;
                ++answered;
                ++n;
            }
        });
    }
    int killedAt = -1;
    if (killing) {
        while (answered.load() < clients * notes * 2 / 5)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        killedAt = answered.load();
        sites[0].stop(SIGKILL);
        if (!sites[0].start()) {
            std::fprintf(stderr, "site_load: the site did not start again\n");
            return 1;
        }
    }
    for (std::thread &thread : threads)
        thread.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
    stopAttack = true;
    for (std::thread &thread : attackers)
        thread.join();
    const long peak = peakMegabytes(sites[0].pid);

    int lost = 0;
    int doubled = 0;
    int damaged = 0;
    for (int c = 0; c < clients; ++c) {
        Session session(sites[0].port, "client" + QByteArray::number(c) + "@bench.example");
        session.open();
        const QByteArray table = session.post("&Button2=Download").body;
        for (int n = 0; n < notes; ++n) {
            const QByteArray cell = "Note Name:note" + QByteArray::number(n) + ".pv</td>";
            const qsizetype count = table.count(cell);
            lost += count == 0;
            doubled += count > 1;
            const QByteArray data = "Note Data:" + escaped(noteText(c, n)) + "</td>";
            damaged += count > 0 && !table.contains(data);
        }
    }
    for (Site &site : sites)
        site.stop(SIGTERM);

    std::printf("site_load: %s, %d site process%s, %d clients x %d notes%s\n",
                database.startsWith(QLatin1String("sqlite:")) ? "SQLite" : "PostgreSQL", processes,
                processes == 1 ? "" : "es", clients, notes,
                killing ? QStringLiteral(", SIGKILL after %1 answers and restart")
                              .arg(killedAt)
                              .toLocal8Bit()
                              .constData()
                        : "");
    std::printf("  %-44s %10.1f\n", "uploads per second",
                double(first.size() + later.size()) / seconds);
    std::printf("  %-44s %7.1f ms  p99 %7.1f ms  (%zu)\n", "first upload of a session, p50",
                percentile(first, 0.5), percentile(first, 0.99), first.size());
    std::printf("  %-44s %7.1f ms  p99 %7.1f ms  (%zu)\n", "later uploads, p50",
                percentile(later, 0.5), percentile(later, 0.99), later.size());
    std::printf("  %-44s %d lost, %d doubled, %d damaged, %d retried\n", "notes checked", lost,
                doubled, damaged, retries.load());
    std::printf("  %-44s %ld MB%s\n", "site's peak memory (VmHWM)", peak,
                hostile ? " (field bombs, held bodies and trickling clients all along)" : "");
    return 0;
}
