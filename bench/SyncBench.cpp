// Sync rounds of a folder of 1,000 notes of about 1 KB against the real notes site on SQLite:
//   (a) the first sync, which sends every note up;
//   (b) a sync with nothing changed (the median of --rounds);
//   (c) a sync after 100 of the notes changed here (the median of --rounds).
// Each with its wall time and the HTTP requests the round made; then the cost of one save of
// the sync state of those notes, which a round makes after every note it carries.
// Prints "key value" lines for bench/run.
//
//   bench_sync [--site-program PATH] [--rounds N] [--notes N] [--changed N]

#include "sync/SyncClient.h"
#include "sync/SyncRun.h"
#include "sync/SyncState.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QSaveFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
const QString kEmail = QStringLiteral("bench@example.org");
const QString kPassword = QStringLiteral("bench-Pa55word");

// Counts every request the sync engine sends.
class CountingNetwork final : public QNetworkAccessManager {
public:
    int requests = 0;

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request,
                                 QIODevice *data) override
    {
        ++requests;
        return QNetworkAccessManager::createRequest(op, request, data);
    }
};

double msSince(const QElapsedTimer &clock)
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

// About 1 KB of note, different for every note and every edit.
QByteArray noteText(int note, int edit)
{
    QByteArray text =
        "Note " + QByteArray::number(note) + ", edit " + QByteArray::number(edit) + "\r\n";
    while (text.size() < 1000)
        text += "milk, eggs, bread and a little butter for Sunday\r\n";
    return text;
}

QString noteName(int note)
{
    return QStringLiteral("PinvelleQuill%1.pv").arg(note);
}

struct Round {
    double ms = 0;
    int requests = 0;
    SyncOutcome outcome;
};

Round syncRound(const QString &folder, const QString &statePath, const SyncRun::Account &account,
                CountingNetwork &network)
{
    Round round;
    SyncRun run(folder, account, &network, {});
    run.setStatePath(statePath);
    QEventLoop loop;
    QObject::connect(&run, &SyncRun::finished, &loop, [&](const SyncOutcome &outcome) {
        round.outcome = outcome;
        loop.quit();
    });
    const int before = network.requests;
    QElapsedTimer clock;
    clock.start();
    run.start();
    if (run.isRunning())
        loop.exec();
    round.ms = msSince(clock);
    round.requests = network.requests - before;
    if (!round.outcome.error.isEmpty() || round.outcome.failed)
        std::fprintf(stderr, "bench_sync: round failed: %s %s\n", qPrintable(round.outcome.error),
                     qPrintable(round.outcome.failures.join(QStringLiteral("; "))));
    return round;
}

class Site final {
public:
    Site(QString program, const QString &folder)
        : m_program(std::move(program)),
          m_database(QStringLiteral("sqlite:") + folder + QStringLiteral("/site.db"))
    {
        m_process.setProcessChannelMode(QProcess::MergedChannels);
    }
    ~Site()
    {
        m_process.terminate();
        m_process.waitForFinished(15000);
    }

    bool start()
    {
        QProcess add;
        add.start(m_program, {QStringLiteral("add-account"), kEmail, QStringLiteral("--database"),
                              m_database});
        add.write(kPassword.toUtf8() + '\n');
        add.closeWriteChannel();
        if (!add.waitForFinished(30000) || add.exitCode() != 0)
            return false;
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        m_port = probe.serverPort();
        probe.close();
        m_process.start(m_program,
                        {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:%1").arg(m_port),
                         QStringLiteral("--database"), m_database});
        QByteArray log;
        while (!log.contains("serving") && m_process.waitForReadyRead(20000))
            log += m_process.readAll();
        return log.contains("serving");
    }
    QString address() const { return QStringLiteral("http://127.0.0.1:%1/").arg(m_port); }

private:
    QString m_program;
    QString m_database;
    QProcess m_process;
    quint16 m_port = 0;
};

void print(const char *key, double value)
{
    std::printf("%s %.3f\n", key, value);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // A line per note on stderr would be timed with the round.
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        QLoggingCategory::setFilterRules(QStringLiteral("pinvelle.*.debug=false\n"
                                                        "pinvelle.*.info=false"));
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption programOption(
        QStringLiteral("site-program"), QStringLiteral("The pinvelle-site to run."),
        QStringLiteral("path"), QStringLiteral(PINVELLE_SITE_PROGRAM));
    const QCommandLineOption roundsOption(QStringLiteral("rounds"),
                                          QStringLiteral("Repetitions of (b) and (c) (5)."),
                                          QStringLiteral("n"), QStringLiteral("5"));
    const QCommandLineOption notesOption(QStringLiteral("notes"), QStringLiteral("Notes (1000)."),
                                         QStringLiteral("n"), QStringLiteral("1000"));
    const QCommandLineOption changedOption(QStringLiteral("changed"),
                                           QStringLiteral("Notes changed for (c) (100)."),
                                           QStringLiteral("n"), QStringLiteral("100"));
    parser.addOptions({programOption, roundsOption, notesOption, changedOption});
    parser.process(app);
    const int rounds = std::max(1, parser.value(roundsOption).toInt());
    const int notes = std::max(1, parser.value(notesOption).toInt());
    const int changed = std::clamp(parser.value(changedOption).toInt(), 1, notes);

    // On the disk the benchmark was started from, as the notes and the state would be.
    const QTemporaryDir work(QDir::currentPath() + QStringLiteral("/bench-sync-XXXXXX"));
    const QString folder = work.filePath(QStringLiteral("notes"));
    const QString statePath = work.filePath(QStringLiteral("sync-state.json"));
    QDir().mkpath(folder);
    Site site(parser.value(programOption), work.path());
    if (!site.start()) {
        std::fprintf(stderr, "bench_sync: the site did not start\n");
        return 1;
    }

    CountingNetwork network;
    SyncClient client(&network, QUrl(site.address()));
    QByteArray token;
    QEventLoop signingIn;
    client.signIn(kEmail, kPassword, QStringLiteral("bench"), [&](const SyncClient::Answer &a) {
        token = a.token;
        signingIn.quit();
    });
    signingIn.exec();
    if (token.isEmpty()) {
        std::fprintf(stderr, "bench_sync: signing in failed\n");
        return 1;
    }
    const SyncRun::Account account{site.address(), kEmail, token};

    for (int n = 1; n <= notes; ++n) {
        if (!writeFile(QDir(folder).filePath(noteName(n)), noteText(n, 0)))
            return 1;
    }
    const Round first = syncRound(folder, statePath, account, network);
    if (first.outcome.uploaded != notes)
        std::fprintf(stderr, "bench_sync: the first round sent %d of %d notes\n",
                     first.outcome.uploaded, notes);
    print("first_ms", first.ms);
    print("first_requests", first.requests);

    std::vector<double> idleMs;
    int idleRequests = 0;
    for (int r = 0; r < rounds; ++r) {
        const Round idle = syncRound(folder, statePath, account, network);
        idleMs.push_back(idle.ms);
        idleRequests = std::max(idleRequests, idle.requests);
    }
    print("noop_ms", median(idleMs));
    print("noop_requests", idleRequests);

    std::vector<double> changedMs;
    int changedRequests = 0;
    for (int r = 0; r < rounds; ++r) {
        // Spread over the folder, so the round's steps are not neighbours.
        for (int i = 0; i < changed; ++i) {
            const int n = 1 + (i * notes / changed + r) % notes;
            writeFile(QDir(folder).filePath(noteName(n)), noteText(n, r + 1));
        }
        const Round round = syncRound(folder, statePath, account, network);
        if (round.outcome.uploaded != changed)
            std::fprintf(stderr, "bench_sync: a round with %d changes sent %d\n", changed,
                         round.outcome.uploaded);
        changedMs.push_back(round.ms);
        changedRequests = std::max(changedRequests, round.requests);
    }
    print("changed_ms", median(changedMs));
    print("changed_requests", changedRequests);

    // One save of the state the rounds left, as a round makes after each note it carries.
    SyncState state = SyncState::load(statePath, site.address(), kEmail);
    std::vector<double> saveMs;
    for (int r = 0; r < 20; ++r) {
        QElapsedTimer clock;
        clock.start();
        if (!state.save(nullptr))
            return 1;
        saveMs.push_back(msSince(clock));
    }
    print("state_save_ms", median(saveMs));
    print("state_bytes", static_cast<double>(QFileInfo(statePath).size()));
    return 0;
}
