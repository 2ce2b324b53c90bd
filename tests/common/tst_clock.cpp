#include "common/clock.h"

#include <QTest>

#include <ctime>

using namespace zn;

class TestClock : public QObject {
    Q_OBJECT
private slots:
    // The stamp reads the zone's offset once a second: it must still be the
    // local wall time of the zone the program runs in.
    void now_isTheLocalWallTime()
    {
        qputenv("TZ", "Asia/Tokyo");
        tzset();
        const SystemClock clock;
        for (int i = 0; i < 3; ++i) {
            const QDateTime ours = clock.now();
            const QDateTime theirs = QDateTime::currentDateTime();
            QCOMPARE(ours.offsetFromUtc(), 9 * 3600);
            QVERIFY(qAbs(ours.msecsTo(theirs)) < 60000);
            QVERIFY(qAbs(ours.time().msecsTo(theirs.time())) < 60000);
            QTest::qSleep(300);
        }
    }
};

QTEST_GUILESS_MAIN(TestClock)
#include "tst_clock.moc"
