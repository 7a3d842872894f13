#include "TestSyncDecision.h"

#include "sync/SyncDecision.h"

#include <QTest>

using Action = SyncDecision::Action;

namespace {
// "" for none, else a version followed by a text's digest ("2a"); "4-" is deleted at 4.
SyncDecision::Site site(const QString &cell)
{
    if (cell.isEmpty())
        return {};
    const QByteArray digest = cell.right(1).toLatin1();
    return {digest == "-" ? SyncDecision::Site::State::Deleted : SyncDecision::Site::State::Live,
            cell.chopped(1).toLongLong(), digest == "-" ? QByteArray() : digest};
}
} // namespace

void TestSyncDecision::decide_data()
{
    QTest::addColumn<QString>("local"); // the local text's digest, "" without a note
    QTest::addColumn<QString>("site");
    QTest::addColumn<QString>("base");
    QTest::addColumn<Action>("action");

    QTest::newRow("first: nowhere") << ""
                                    << ""
                                    << "" << Action::Nothing;
    QTest::newRow("first: deleted there only") << ""
                                               << "5-"
                                               << "" << Action::Nothing;
    QTest::newRow("first: here only") << "a"
                                      << ""
                                      << "" << Action::Upload;
    QTest::newRow("first: here, deleted there") << "a"
                                                << "5-"
                                                << "" << Action::Upload;
    QTest::newRow("first: there only") << ""
                                       << "5a"
                                       << "" << Action::Download;
    QTest::newRow("first: same text") << "a"
                                      << "5a"
                                      << "" << Action::Link;
    QTest::newRow("first: different texts") << "a"
                                            << "5b"
                                            << "" << Action::Conflict;

    QTest::newRow("unchanged") << "a"
                               << "2a"
                               << "2a" << Action::Nothing;
    QTest::newRow("same text, new version") << "a"
                                            << "4a"
                                            << "2a" << Action::Link;
    QTest::newRow("changed here") << "b"
                                  << "2a"
                                  << "2a" << Action::Upload;
    QTest::newRow("changed here, same text there") << "b"
                                                   << "4a"
                                                   << "2a" << Action::Upload;
    QTest::newRow("changed there") << "a"
                                   << "4b"
                                   << "2a" << Action::Download;
    QTest::newRow("changed alike") << "b"
                                   << "4b"
                                   << "2a" << Action::Link;
    QTest::newRow("changed differently") << "b"
                                         << "4c"
                                         << "2a" << Action::Conflict;

    QTest::newRow("deleted here") << ""
                                  << "2a"
                                  << "2a" << Action::DeleteOnSite;
    QTest::newRow("deleted here, same text there") << ""
                                                   << "4a"
                                                   << "2a" << Action::DeleteOnSite;
    QTest::newRow("deleted here, changed there") << ""
                                                 << "4b"
                                                 << "2a" << Action::RestoreLocally;
    QTest::newRow("deleted on both") << ""
                                     << "4-"
                                     << "2a" << Action::ForgetBase;
    QTest::newRow("deleted here, gone there") << ""
                                              << ""
                                              << "2a" << Action::ForgetBase;
    QTest::newRow("deleted there") << "a"
                                   << "4-"
                                   << "2a" << Action::DeleteLocal;
    QTest::newRow("gone there") << "a"
                                << ""
                                << "2a" << Action::DeleteLocal;
    QTest::newRow("deleted there, changed here") << "b"
                                                 << "4-"
                                                 << "2a" << Action::RestoreOnSite;
}

void TestSyncDecision::decide()
{
    QFETCH(QString, local);
    QFETCH(QString, site);
    QFETCH(QString, base);
    QFETCH(Action, action);
    const std::optional<QByteArray> localDigest =
        local.isEmpty() ? std::nullopt : std::optional(local.toLatin1());
    std::optional<SyncDecision::Base> baseSide;
    if (!base.isEmpty())
        baseSide = SyncDecision::Base{base.chopped(1).toLongLong(), base.right(1).toLatin1()};
    QCOMPARE(SyncDecision::name(SyncDecision::decide(localDigest, ::site(site), baseSide)),
             SyncDecision::name(action));
}
