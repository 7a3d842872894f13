#include "TestSyncRound.h"

#include "../site/SiteProcess.h"
#include "sync/SyncRun.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTest>

namespace {
const QString kEmail = QStringLiteral("ann@example.org");
const QString kPassword = QStringLiteral("s3cret-Pa55");

struct Desk {
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
    void write(const QString &name, const QByteArray &bytes) const
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray read(const QString &name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }
};

SyncOutcome runRound(const Desk &desk, const SyncRun::Account &account,
                     QNetworkAccessManager &network, SyncRun::BusyCheck busy = {})
{
    SyncRun run(desk.dir.path(), account, &network, std::move(busy));
    QSignalSpy finished(&run, &SyncRun::finished);
    run.start();
    const std::optional<SyncOutcome> outcome =
        finished.wait(60000) ? std::optional(finished.first().first().value<SyncOutcome>())
                             : std::nullopt;
    if (!outcome || !outcome->error.isEmpty() || outcome->failed)
        qWarning() << "round failed:" << (outcome ? outcome->error : QStringLiteral("timed out"))
                   << (outcome ? outcome->failures : QStringList());
    return outcome.value_or(SyncOutcome{});
}
} // namespace

void TestSyncRound::twoFolders()
{
    SiteProcess site;
    QVERIFY(site.addAccount(kEmail, kPassword));
    QVERIFY(site.start());
    QNetworkAccessManager network;
    SyncClient client(&network, QUrl(site.baseAddress()));
    QByteArray token;
    client.signIn(kEmail, kPassword, QStringLiteral("test"),
                  [&](const SyncClient::Answer &answer) { token = answer.token; });
    QTRY_VERIFY(!token.isEmpty());
    const SyncRun::Account account{site.baseAddress(), kEmail, token};
    const auto round = [&](const Desk &desk, SyncRun::BusyCheck busy = {}) {
        return runRound(desk, account, network, std::move(busy));
    };

    Desk a;
    Desk b;
    const QString list = QStringLiteral("list.pv");
    a.write(list, "\xc3\x84pfel\r\nMilch\r\n");
    a.write(QStringLiteral("old.pv"), "caf\xe9"); // Windows-1252, without a line end
    QCOMPARE(round(a).uploaded, 2);
    QCOMPARE(round(b).downloaded, 2);
    QCOMPARE(b.read(list), a.read(list));
    QCOMPARE(b.read(QStringLiteral("old.pv")), QByteArray("caf\xc3\xa9\r\n"));

    // Both change the note differently: each folder ends up with both texts, byte for byte.
    const QByteArray fromA = "\xc3\x84pfel\r\nBirnen\r\n";
    const QByteArray fromB = "Pflaumen \xe2\x82\xac\r\n";
    a.write(list, fromA);
    b.write(list, fromB);
    QCOMPARE(round(a).uploaded, 1);
    SyncOutcome outcome = round(b);
    QCOMPARE(outcome.conflicts.size(), 1);
    const QString copy = outcome.conflicts.first();
    QVERIFY2(copy.startsWith(QStringLiteral("list (conflict from the site, ")), qPrintable(copy));
    QCOMPARE(outcome.uploaded, 2);
    QCOMPARE(round(a).downloaded, 2);
    for (const Desk *desk : {&a, &b}) {
        QCOMPARE(desk->read(list), fromB);
        QCOMPARE(desk->read(copy), fromA);
        // Nothing is left to carry, neither the file with no line end nor the one without.
        outcome = round(*desk);
        QCOMPARE(outcome.uploaded + outcome.downloaded + outcome.failed, 0);
    }

    // A delete travels, but not onto a note being typed into.
    QVERIFY(QFile::remove(b.path(copy)));
    QCOMPARE(round(b).deletedThere, 1);
    QCOMPARE(round(a, [&](const QString &name) { return name == copy; }).skipped, 1);
    QVERIFY(QFile::exists(a.path(copy)));
    QCOMPARE(round(a).deletedHere, 1);
    QVERIFY(!QFile::exists(a.path(copy)));
}
