// Runs sync rounds of one notes folder back to back, for sync_kill_test.py to kill at any
// moment. Each round prints one line of what it did. With --until-quiet it stops, with
// status 0, after a round that found nothing to carry, or with 1 after ten rounds.
//
//   sync_kill_driver FOLDER STATE SITE EMAIL TOKEN [--until-quiet]

#include "sync/SyncRun.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QTimer>

#include <cstdio>
#include <functional>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Pinvelle"));
    QCoreApplication::setOrganizationName(QStringLiteral("Pinvelle"));
    const QStringList arguments = app.arguments();
    if (arguments.size() < 6) {
        std::fprintf(stderr, "usage: sync_kill_driver FOLDER STATE SITE EMAIL TOKEN "
                             "[--until-quiet]\n");
        return 2;
    }
    const QString folder = arguments.at(1);
    const QString state = arguments.at(2);
    const SyncRun::Account account{arguments.at(3), arguments.at(4), arguments.at(5).toLatin1()};
    const bool untilQuiet = arguments.contains(QStringLiteral("--until-quiet"));

    QNetworkAccessManager network;
    int rounds = 0;
    std::function<void()> round = [&] {
        auto *run = new SyncRun(folder, account, &network, {}, &app);
        run->setStatePath(state);
        QObject::connect(run, &SyncRun::finished, &app, [&, run](const SyncOutcome &outcome) {
            run->deleteLater();
            ++rounds;
            const int carried =
                outcome.uploaded + outcome.downloaded + outcome.deletedHere + outcome.deletedThere;
            std::printf("round %d: %d up, %d down, %d deleted here, %d there, %lld conflicts, "
                        "%d skipped, %d failed %s\n",
                        rounds, outcome.uploaded, outcome.downloaded, outcome.deletedHere,
                        outcome.deletedThere, static_cast<long long>(outcome.conflicts.size()),
                        outcome.skipped, outcome.failed, qPrintable(outcome.error));
            std::fflush(stdout);
            const bool quiet = carried == 0 && outcome.skipped == 0 && outcome.failed == 0 &&
                               outcome.error.isEmpty();
            if (untilQuiet && (quiet || rounds == 10)) {
                QCoreApplication::exit(quiet ? 0 : 1);
                return;
            }
            // After a failed round the site may be restarting: give it a moment.
            QTimer::singleShot(outcome.error.isEmpty() ? 0 : 100, &app, round);
        });
        run->start();
    };
    QTimer::singleShot(0, &app, round);
    return app.exec();
}
