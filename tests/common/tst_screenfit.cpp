#include "common/screenfit.h"

#include <QTest>

#include <limits>

using namespace zn;

class TestScreenFit : public QObject {
    Q_OBJECT
private slots:
    void fitOnScreens_data();
    void fitOnScreens();
    void fitOnScreens_resultAlwaysInsideAScreen();
    void fitFrameOnScreens_keepsTheFrameOffThePanel();
};

namespace {
constexpr int Max = std::numeric_limits<int>::max();
constexpr int Min = std::numeric_limits<int>::min();
const QSize Least(100, 80);
// A laptop (1920×1040 free below a panel) and a monitor to its right.
const QRect Laptop(0, 0, 1920, 1040);
const QRect Monitor(1920, -200, 2560, 1400);
} // namespace

void TestScreenFit::fitOnScreens_data()
{
    QTest::addColumn<QPoint>("topLeft");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QList<QRect>>("screens");
    QTest::addColumn<QRect>("fitted");

    const QList<QRect> one{Laptop};
    const QList<QRect> two{Laptop, Monitor};
    QTest::addRow("fits: unchanged") << QPoint(100, 50) << QSize(442, 353) << one << QRect(100, 50, 442, 353);
    QTest::addRow("touching the far edges: unchanged")
        << QPoint(1478, 687) << QSize(442, 353) << one << QRect(1478, 687, 442, 353);
    QTest::addRow("Left=-5000") << QPoint(-5000, 50) << QSize(442, 353) << one << QRect(0, 50, 442, 353);
    QTest::addRow("Top=99999") << QPoint(100, 99999) << QSize(442, 353) << one << QRect(100, 687, 442, 353);
    QTest::addRow("Height=0x7fffffff") << QPoint(100, 99999) << QSize(442, Max) << one << QRect(100, 0, 442, 1040);
    QTest::addRow("everything at the limits") << QPoint(Max, Min) << QSize(Max, Max) << one << QRect(0, 0, 1920, 1040);
    QTest::addRow("negative size: the least") << QPoint(10, 10) << QSize(-5, -7) << one << QRect(10, 10, 100, 80);
    QTest::addRow("zero size: the least") << QPoint(10, 10) << QSize(0, 0) << one << QRect(10, 10, 100, 80);
    QTest::addRow("hanging half off the right")
        << QPoint(1700, 100) << QSize(442, 353) << one << QRect(1478, 100, 442, 353);
    QTest::addRow("on the monitor: unchanged")
        << QPoint(3000, -100) << QSize(800, 600) << two << QRect(3000, -100, 800, 600);
    QTest::addRow("mostly on the monitor: onto it")
        << QPoint(1800, -150) << QSize(800, 600) << two << QRect(1920, -150, 800, 600);
    QTest::addRow("monitor gone: onto the laptop")
        << QPoint(3000, -100) << QSize(800, 600) << one << QRect(1120, 0, 800, 600);
    QTest::addRow("monitor gone, window bigger than the laptop")
        << QPoint(2000, 0) << QSize(2500, 1300) << one << QRect(0, 0, 1920, 1040);
    QTest::addRow("far right of both: the monitor, nearer")
        << QPoint(9000, 100) << QSize(400, 300) << two << QRect(4080, 100, 400, 300);
    QTest::addRow("far left of both: the laptop, nearer")
        << QPoint(-9000, 100) << QSize(400, 300) << two << QRect(0, 100, 400, 300);
    QTest::addRow("screen smaller than the least")
        << QPoint(0, 0) << QSize(10, 10) << QList<QRect>{QRect(0, 0, 60, 40)} << QRect(0, 0, 60, 40);
    QTest::addRow("no screens: kept, far edge within int")
        << QPoint(Max - 10, 5) << QSize(Max, 20) << QList<QRect>{} << QRect(Max - 10, 5, 10, 20);
}

void TestScreenFit::fitOnScreens()
{
    QFETCH(QPoint, topLeft);
    QFETCH(QSize, size);
    QFETCH(QList<QRect>, screens);
    QFETCH(QRect, fitted);
    QCOMPARE(zn::fitOnScreens(topLeft, size, screens, Least), fitted);
}

void TestScreenFit::fitOnScreens_resultAlwaysInsideAScreen()
{
    // A grid of hostile placements over two screens of different heights.
    const QList<QRect> screens{Laptop, Monitor};
    const int coordinates[] = {Min, -100000, -5000, -1, 0, 500, 1919, 1920, 4479, 4480, 99999, Max};
    const int sizes[] = {Min, -1, 0, 1, 300, 1040, 2560, 99999, Max};
    for (const int x : coordinates)
        for (const int y : coordinates)
            for (const int w : sizes)
                for (const int h : sizes) {
                    const QRect r = zn::fitOnScreens({x, y}, {w, h}, screens, Least);
                    QVERIFY2(Laptop.contains(r) || Monitor.contains(r),
                             qPrintable(QStringLiteral("%1 %2 %3 %4").arg(x).arg(y).arg(w).arg(h)));
                    QVERIFY(r.width() >= Least.width() && r.height() >= Least.height());
                }
}

// A window placed by its frame, sized by its client area: the frame's extra
// counts, so neither the title bar nor the bottom border ends under a panel.
void TestScreenFit::fitFrameOnScreens_keepsTheFrameOffThePanel()
{
    const QMargins frame(1, 22, 1, 1);
    // Bottom-aligned client area, as fitted without the frame: the frame's
    // 23 extra pixels went under the panel below 1040.
    QRect fitted = fitFrameOnScreens({100, 687}, {442, 353}, frame, {Laptop}, Least);
    QCOMPARE(fitted, QRect(100, 1040 - 353 - 23, 444, 376));
    QVERIFY(Laptop.contains(fitted));
    // A client as tall as the free area shrinks by the frame.
    fitted = fitFrameOnScreens({0, 0}, {400, 1040}, frame, {Laptop}, Least);
    QCOMPARE(fitted, QRect(0, 0, 402, 1040));
    QCOMPARE(fitted.marginsRemoved(frame), QRect(1, 22, 400, 1017));
    // No arithmetic overflows, and without a frame it is fitOnScreens.
    fitted = fitFrameOnScreens({Max, Min}, {Max, Max}, frame, {Laptop, Monitor}, Least);
    QVERIFY(Laptop.contains(fitted) || Monitor.contains(fitted));
    QCOMPARE(fitFrameOnScreens({-5000, 50}, {442, 353}, {}, {Laptop}, Least), QRect(0, 50, 442, 353));
}

QTEST_GUILESS_MAIN(TestScreenFit)
#include "tst_screenfit.moc"
