#include "peers/tanimationform.h"

#include <QApplication>
#include <QTest>

using namespace zn;

Q_DECLARE_METATYPE(QList<QRect>)
Q_DECLARE_METATYPE(QList<QPoint>)

class TestAnimationForm : public QObject {
    Q_OBJECT
private slots:
    void cursorRegion_byFrameAndShape_data();
    void cursorRegion_byFrameAndShape();
    void arrival_opensOneWindow_secondRestartsAtFrameZero();
    void window_closesItselfAfterFrame14();
    void openWindows_shareOneCounter();
};

void TestAnimationForm::cursorRegion_byFrameAndShape_data()
{
    QTest::addColumn<int>("frame");
    QTest::addColumn<int>("shape");
    // The square or line the shape fills from side to side. A rasterised
    // ellipse or diamond may leave out the top row of its square.
    QTest::addColumn<QRect>("bounds");
    // Exact rectangles where the shape is made of them; empty for curves.
    QTest::addColumn<QList<QRect>>("rects");
    QTest::addColumn<QList<QPoint>>("inside");
    QTest::addColumn<QList<QPoint>>("outside");
    using Rects = QList<QRect>;
    using Points = QList<QPoint>;
    const Points lineEnds = {QPoint(125, 124), QPoint(125, 126)};

    QTest::addRow("0 circle") << 0 << 1 << QRect(100, 100, 50, 50) << Rects{}
                              << Points{{125, 125}, {102, 125}, {147, 125}, {125, 102}}
                              << Points{{100, 100}, {149, 149}, {150, 125}, {104, 104}};
    QTest::addRow("0 square") << 0 << 2 << QRect(100, 100, 50, 50) << Rects{QRect(100, 100, 50, 50)}
                              << Points{{100, 100}, {149, 149}} << Points{{150, 125}, {125, 150}};
    QTest::addRow("1 diamond") << 1 << 2 << QRect(105, 105, 40, 40) << Rects{}
                               << Points{{125, 125}, {107, 125}, {125, 107}}
                               << Points{{106, 106}, {143, 143}, {105, 105}};
    QTest::addRow("4 circle") << 4 << 1 << QRect(120, 120, 10, 10) << Rects{} << Points{{125, 125}}
                              << Points{{119, 125}, {120, 120}, {130, 125}};
    QTest::addRow("4 square") << 4 << 2 << QRect(120, 120, 10, 10) << Rects{QRect(120, 120, 10, 10)}
                              << Points{{120, 120}} << Points{{130, 130}};
    for (int shape : {1, 2}) {
        const char *name = shape == 1 ? "circle" : "square";
        QTest::addRow("5 %s", name) << 5 << shape << QRect(125, 125, 1, 1) << Rects{QRect(125, 125, 1, 1)}
                                    << Points{{125, 125}} << lineEnds;
        QTest::addRow("9 %s", name) << 9 << shape << QRect(93, 125, 65, 1) << Rects{QRect(93, 125, 65, 1)}
                                    << Points{{93, 125}, {157, 125}} << Points{{92, 125}, {158, 125}};
        QTest::addRow("10 %s", name) << 10 << shape << QRect(85, 125, 80, 1) << Rects{QRect(85, 125, 80, 1)}
                                     << Points{{85, 125}, {125, 125}, {164, 125}} << Points{{165, 125}};
        QTest::addRow("14 %s", name) << 14 << shape << QRect(85, 125, 80, 1)
                                     << Rects{QRect(85, 125, 8, 1), QRect(157, 125, 8, 1)}
                                     << Points{{92, 125}, {157, 125}} << Points{{93, 125}, {125, 125}, {156, 125}};
        QTest::addRow("15 %s", name) << 15 << shape << QRect() << Rects{} << Points{} << Points{{125, 125}};
    }
    // A value only an edited settings file gives: the circle.
    QTest::addRow("0 shape 7") << 0 << 7 << QRect(100, 100, 50, 50) << Rects{} << Points{{125, 125}}
                               << Points{{100, 100}};
}

void TestAnimationForm::cursorRegion_byFrameAndShape()
{
    QFETCH(int, frame);
    QFETCH(int, shape);
    QFETCH(QRect, bounds);
    QFETCH(QList<QRect>, rects);
    QFETCH(QList<QPoint>, inside);
    QFETCH(QList<QPoint>, outside);
    const QRegion region = cursorRegion(frame, shape);
    QVERIFY(bounds.contains(region.boundingRect()) || bounds.isNull());
    QCOMPARE(region.boundingRect().left(), bounds.left());
    QCOMPARE(region.boundingRect().width(), bounds.width());
    QCOMPARE(region.boundingRect().bottom(), bounds.bottom());
    if (!rects.isEmpty())
        QCOMPARE(QList<QRect>(region.begin(), region.end()), rects);
    for (const QPoint &p : inside)
        QVERIFY2(region.contains(p), qPrintable(QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y())));
    for (const QPoint &p : outside)
        QVERIFY2(!region.contains(p), qPrintable(QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y())));
}

void TestAnimationForm::arrival_opensOneWindow_secondRestartsAtFrameZero()
{
    CursorFrame cursorFrame;
    QVERIFY(!TAnimationForm::arrival(cursorFrame, 0));

    QCursor::setPos(500, 400);
    QPointer<TAnimationForm> window = TAnimationForm::arrival(cursorFrame, 1);
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->size(), QSize(242, 223));
    QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window->windowFlags().testFlag(Qt::WindowTransparentForInput));
    QVERIFY(!window->isEnabled());
    // (125, 125) of the window lies under the pointer.
    QCOMPARE(window->pos(), QPoint(376, 275));
    QCOMPARE(cursorFrame.value(), 1);
    QCOMPARE(window->mask(), cursorRegion(0, 1));

    for (int i = 0; i < 6; ++i)
        window->step();
    QCOMPARE(window->mask(), cursorRegion(6, 1));

    QCursor::setPos(300, 300);
    TAnimationForm *second = TAnimationForm::arrival(cursorFrame, 2);
    QCOMPARE(second, window.data());
    QCOMPARE(cursorFrame.value(), 1);
    QCOMPARE(window->mask(), cursorRegion(0, 2));
    QCOMPARE(window->pos(), QPoint(176, 175));
    delete window;
}

void TestAnimationForm::window_closesItselfAfterFrame14()
{
    CursorFrame cursorFrame;
    QPointer<TAnimationForm> window = TAnimationForm::arrival(cursorFrame, 2);
    for (int frame = 1; frame <= TAnimationForm::LastFrame; ++frame) {
        window->step();
        QCOMPARE(window->mask(), cursorRegion(frame, 2));
    }
    QVERIFY(window->isVisible());
    window->step();
    QCOMPARE(cursorFrame.value(), 16);
    QVERIFY(!window->isVisible());
    QTRY_VERIFY(window.isNull());

    // The next arrival opens a new window.
    QPointer<TAnimationForm> next = TAnimationForm::arrival(cursorFrame, 1);
    QVERIFY(next);
    QVERIFY(next->isVisible());
    QCOMPARE(cursorFrame.value(), 1);
    delete next;
}

void TestAnimationForm::openWindows_shareOneCounter()
{
    CursorFrame cursorFrame;
    auto *first = new TAnimationForm(cursorFrame, 1);
    first->step();
    first->step();
    QCOMPARE(cursorFrame.value(), 3);
    // A new window resets the one counter; both go on through it.
    auto *second = new TAnimationForm(cursorFrame, 1);
    QCOMPARE(cursorFrame.value(), 1);
    first->step();
    QCOMPARE(first->mask(), cursorRegion(1, 1));
    second->step();
    QCOMPARE(second->mask(), cursorRegion(2, 1));
    QCOMPARE(cursorFrame.value(), 3);
    // Arrivals restart the window that opened first.
    QCOMPARE(TAnimationForm::arrival(cursorFrame, 1), first);
    delete first;
    delete second;
}

QTEST_MAIN(TestAnimationForm)
#include "tst_animationform.moc"
