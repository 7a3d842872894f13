#include "TestRoundTrip.h"

#include "SiteProcess.h"
#include "TestEnvironment.h"
#include "sync/Form1.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

namespace {
const QString kEmail = QStringLiteral("ann@example.org");
const QString kPassword = QStringLiteral("correct horse");

// Clicks the button and waits until the transfer has given it back.
bool transfer(QPushButton *button)
{
    button->click();
    return !button->isEnabled() && QTest::qWaitFor([button] { return button->isEnabled(); }, 60000);
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
} // namespace

void TestRoundTrip::pushThenPull()
{
    const QList<std::pair<QString, QByteArray>> notes = {
        {"Markup.pv", "Fish & chips <b>not bold</b> \"quoted\" 'single'\r\n"},
        {"Unicode.pv", QStringLiteral("Grüße, 週末, ñ – 😀\r\n").toUtf8()},
        {"Lines.pv", "one\r\ntwo\r\n\r\n  four, indented\r\n\r\n"},
    };
    // On a PostgreSQL that the test is given, two site processes share it: the push goes to
    // one and the pull comes from the other.
    const QString postgres = qEnvironmentVariable("PINVELLE_TEST_POSTGRES");
    SiteProcess site(postgres);
    SiteProcess second(postgres);
    QVERIFY(site.addAccount(kEmail, kPassword));
    QVERIFY(site.start());
    SiteProcess &pulled = postgres.isEmpty() ? site : second;
    if (!postgres.isEmpty())
        QVERIFY(second.start());

    QTemporaryDir from;
    for (const auto &[name, bytes] : notes) {
        QFile file(QDir(from.path()).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    Form1 pusher(from.path(), site.baseAddress());
    pusher.pushTransfer().setPauseAfterSubmit(10ms);
    pusher.open();
    pusher.Text1->setText(kEmail);
    pusher.Text2->setText(kPassword);
    pusher.Command5->click();
    QVERIFY(transfer(pusher.Command1));
    QCOMPARE(pusher.statusText(), QStringLiteral("Sent 3 notes."));

    QTemporaryDir to;
    Form1 puller(to.path(), pulled.baseAddress());
    puller.open();
    puller.Text1->setText(kEmail);
    puller.Text2->setText(kPassword);
    QVERIFY(transfer(puller.Command2));
    for (const auto &[name, bytes] : notes)
        QCOMPARE(contents(QDir(to.path()).filePath(name)), bytes);
    QVERIFY(site.stop());
    QVERIFY(second.stop());
}
