#include "TestWindowRegistry.h"

#include "platform/Topmost.h"
#include "platform/WindowRegistry.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <memory>

namespace {

std::unique_ptr<QWidget> window(const QString &title)
{
    auto w = std::make_unique<QWidget>();
    w->setWindowTitle(title);
    return w;
}

} // namespace

void TestWindowRegistry::findsByCurrentTitle()
{
    WindowRegistry registry;
    auto one = window(QStringLiteral("PinvelleQuill1.pv"));
    auto two = window(QStringLiteral("PinvelleQuill2.pv"));
    registry.add(one.get());
    registry.add(two.get());
    registry.add(one.get());
    QCOMPARE(registry.windows().size(), 2);
    QCOMPARE(registry.find(QStringLiteral("PinvelleQuill2.pv")), two.get());
    // Titles are matched exactly.
    QCOMPARE(registry.find(QStringLiteral("pinvellequill2.pv")), nullptr);

    // Save As renames a window: it is found under its new title only.
    two->setWindowTitle(QStringLiteral("shopping.pv"));
    QCOMPARE(registry.find(QStringLiteral("PinvelleQuill2.pv")), nullptr);
    QCOMPARE(registry.find(QStringLiteral("shopping.pv")), two.get());

    registry.remove(one.get());
    QCOMPARE(registry.find(QStringLiteral("PinvelleQuill1.pv")), nullptr);
}

void TestWindowRegistry::activateShowsHiddenWindows()
{
    WindowRegistry registry;
    auto note = window(QStringLiteral("PinvelleQuill4.pv"));
    registry.add(note.get());
    QVERIFY(!note->isVisible());
    QCOMPARE(registry.activate(QStringLiteral("PinvelleQuill4.pv")),
             WindowRegistry::Activation::Activated);
    QVERIFY(note->isVisible());
    note->showMinimized();
    QCOMPARE(registry.activate(QStringLiteral("PinvelleQuill4.pv")),
             WindowRegistry::Activation::Activated);
    QVERIFY(!note->isMinimized());
}

void TestWindowRegistry::noSuchWindowIsItsOwnAnswer()
{
    WindowRegistry registry;
    auto other = window(QStringLiteral("PinvelleQuill5.pv"));
    registry.add(other.get());
    QCOMPARE(registry.activate(QStringLiteral("PinvelleQuill6.pv")),
             WindowRegistry::Activation::NoSuchWindow);
    QVERIFY(!other->isVisible());
}

void TestWindowRegistry::destroyedWindowsLeave()
{
    WindowRegistry registry;
    auto gone = window(QStringLiteral("PinvelleQuill1.pv"));
    auto stays = window(QStringLiteral("PinvelleQuill1.pv"));
    registry.add(gone.get());
    registry.add(stays.get());
    QSignalSpy removed(&registry, &WindowRegistry::windowRemoved);
    gone.reset();
    QCOMPARE(removed.count(), 1);
    QCOMPARE(registry.windows(), QList<QWidget *>{stays.get()});
    QCOMPARE(registry.find(QStringLiteral("PinvelleQuill1.pv")), stays.get());
    registry.remove(stays.get());
    QCOMPARE(removed.count(), 2);
    // Only registered windows are announced.
    stays.reset();
    QCOMPARE(removed.count(), 2);
    QCOMPARE(registry.activate(QStringLiteral("PinvelleQuill1.pv")),
             WindowRegistry::Activation::NoSuchWindow);
}

void TestWindowRegistry::topmostKeepsPlaceAndSize()
{
    auto note = window(QStringLiteral("PinvelleQuill1.pv"));
    note->setGeometry(120, 140, 260, 180);
    note->show();
    const QRect before = note->geometry();
    SetTopmost(note.get(), true);
    QVERIFY(IsTopmost(note.get()));
    QVERIFY(note->isVisible());
    QCOMPARE(note->geometry(), before);
    SetTopmost(note.get(), true);
    QVERIFY(IsTopmost(note.get()));
    SetTopmost(note.get(), false);
    QVERIFY(!IsTopmost(note.get()));
    QVERIFY(note->isVisible());
    QCOMPARE(note->geometry(), before);

    // A hidden window is marked and stays hidden.
    note->hide();
    SetTopmost(note.get(), true);
    QVERIFY(IsTopmost(note.get()));
    QVERIFY(!note->isVisible());
    SetTopmost(nullptr, true);
}
