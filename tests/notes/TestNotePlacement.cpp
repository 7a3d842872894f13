#include "TestNotePlacement.h"

#include "notes/NotePlacement.h"

#include <QTest>

using NotePlacement::Size;

void TestNotePlacement::parseSize_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("width");
    QTest::newRow("plain") << "3000-4000" << true << 3000 << 4000;
    QTest::newRow("other") << "4515-6120" << true << 4515 << 6120;
    QTest::newRow("decimal rounds") << "3000.6-4000" << true << 3001 << 4000;
    QTest::newRow("blanks around") << " 3000 - 4000 " << true << 3000 << 4000;
    QTest::newRow("empty") << "" << false << 0 << 0;
    QTest::newRow("one part") << "3000" << false << 0 << 0;
    QTest::newRow("words") << "tall-wide" << false << 0 << 0;
    QTest::newRow("three parts") << "1-2-3" << false << 0 << 0;
    QTest::newRow("negative") << "-3000-4000" << false << 0 << 0;
    QTest::newRow("zero") << "0-4000" << false << 0 << 0;
    QTest::newRow("huge") << "3000-99999999" << false << 0 << 0;
    QTest::newRow("not finite") << "inf-4000" << false << 0 << 0;
}

void TestNotePlacement::parseSize()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, height);
    QFETCH(int, width);
    const std::optional<Size> size = NotePlacement::parseSize(text);
    QCOMPARE(size.has_value(), valid);
    if (valid)
        QCOMPARE(*size, (Size{height, width}));
}

void TestNotePlacement::defaultSizeIsNotStored_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("stored");
    QTest::newRow("default") << 3000 << 4000 << false;
    QTest::newRow("swapped") << 4000 << 3000 << true;
    QTest::newRow("one twip more") << 3001 << 4000 << true;
}

void TestNotePlacement::defaultSizeIsNotStored()
{
    QFETCH(int, height);
    QFETCH(int, width);
    QFETCH(bool, stored);
    QCOMPARE(NotePlacement::storesSize(Size{height, width}), stored);
    QCOMPARE(NotePlacement::sizeText(Size{height, width}),
             QStringLiteral("%1-%2").arg(height).arg(width));
}

void TestNotePlacement::positionRoundTrip_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QString>("text");
    QTest::newRow("plain") << QPoint(1200, 900) << "1200-900";
    QTest::newRow("origin") << QPoint(0, 0) << "0-0";
    QTest::newRow("left screen") << QPoint(-1500, 300) << "-1500-300";
    QTest::newRow("above and left") << QPoint(-1500, -300) << "-1500--300";
}

void TestNotePlacement::positionRoundTrip()
{
    QFETCH(QPoint, point);
    QFETCH(QString, text);
    QCOMPARE(NotePlacement::positionText(point), text);
    QCOMPARE(NotePlacement::parsePosition(text), std::optional<QPoint>(point));
}

void TestNotePlacement::junkPositionsAreIgnored_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("one number") << "1200";
    QTest::newRow("words") << "left-top";
    QTest::newRow("blank inside") << "12 00-900";
    QTest::newRow("too far") << "99999999-0";
}

void TestNotePlacement::junkPositionsAreIgnored()
{
    QFETCH(QString, text);
    QVERIFY(!NotePlacement::parsePosition(text));
}

void TestNotePlacement::keepVisible_data()
{
    const QRect main(0, 0, 1920, 1040);
    const QRect left(-1280, 0, 1280, 1024);
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("on the main screen")
        << QRect(100, 100, 300, 200) << QList<QRect>{main} << QPoint(100, 100);
    QTest::newRow("on the second screen")
        << QRect(-900, 50, 300, 200) << QList<QRect>{main, left} << QPoint(-900, 50);
    QTest::newRow("second screen gone")
        << QRect(-900, 50, 300, 200) << QList<QRect>{main} << QPoint(0, 50);
    QTest::newRow("nearest screen is the second")
        << QRect(-5000, 400, 300, 200) << QList<QRect>{main, left} << QPoint(-1280, 400);
    QTest::newRow("far right") << QRect(5000, 400, 300, 200) << QList<QRect>{main}
                               << QPoint(1620, 400);
    QTest::newRow("title bar above the screen")
        << QRect(100, -150, 300, 200) << QList<QRect>{main} << QPoint(100, 0);
    QTest::newRow("partly off but grabbable")
        << QRect(1800, 500, 300, 200) << QList<QRect>{main} << QPoint(1800, 500);
    QTest::newRow("bigger than the screen")
        << QRect(3000, 3000, 2500, 1500) << QList<QRect>{main} << QPoint(0, 0);
    QTest::newRow("no screens") << QRect(7, 8, 300, 200) << QList<QRect>{} << QPoint(7, 8);
}

void TestNotePlacement::keepVisible()
{
    QFETCH(QRect, frame);
    QFETCH(QList<QRect>, screens);
    QFETCH(QPoint, expected);
    QCOMPARE(NotePlacement::keepVisible(frame, screens), expected);
}
