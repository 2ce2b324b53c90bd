#include "common/codec.h"
#include "platform/trayanimation.h"
#include "settings/settings.h"

#include <QSignalSpy>
#include <QTest>

using namespace zn;

namespace {
const QString presentUnread = QStringLiteral("Zephinet -メッセージが届いています-");
const QString absentUnread = QStringLiteral("Zephinet（不在中） -メッセージが届いています-");

void stepTo(TrayAnimation &animation, int frame)
{
    // Frame 0 comes back after a full turn of sixteen steps.
    const int steps = frame == 0 ? 16 : frame;
    for (int i = 0; i < steps; ++i)
        animation.AnimationTimerTimer();
}
} // namespace

class TestTrayAnimation : public QObject {
    Q_OBJECT
private slots:
    void step_choosesImageByTaskAnimation_data();
    void step_choosesImageByTaskAnimation();
    void unknownTaskAnimation_leavesImageAsItWas();
    void secondArrival_doesNotRestart_andResetRests();
    void stopped_ignoresSteps_andRedrawsAbsenceAtOnce();
    void running_showsAbsenceAtNextStep();
    void trayTip_cutToBytesOnCharacterBoundary_data();
    void trayTip_cutToBytesOnCharacterBoundary();
};

void TestTrayAnimation::step_choosesImageByTaskAnimation_data()
{
    QTest::addColumn<int>("taskAnimation");
    QTest::addColumn<bool>("absent");
    QTest::addColumn<int>("frame");
    QTest::addColumn<int>("image");

    struct Row {
        int taskAnimation;
        int frame;
        int present;
        int absent;
    };
    const Row rows[] = {
        {0, 0, 0, 16},
        {0, 1, 0, 16},
        {0, 4, 0, 16},
        {0, 15, 0, 16},
        {1, 0, 0, 16},
        {1, 1, 1, 17},
        {1, 4, 4, 20},
        {1, 15, 15, 31},
        // Blinking: phases 0 and 2 rest, phases 1 and 3 blank.
        {2, 0, 0, 16},
        {2, 1, 0, 16},
        {2, 3, 0, 16},
        {2, 4, 36, 36},
        {2, 7, 36, 36},
        {2, 8, 0, 16},
        {2, 12, 36, 36},
        {2, 15, 36, 36},
        {7, 0, 0, 16},
        {7, 1, 0, 16},
        {7, 4, 0, 16},
        {7, 15, 0, 16},
    };
    for (const Row &row : rows) {
        QTest::addRow("TaskAnimation %d, frame %d, present", row.taskAnimation, row.frame)
            << row.taskAnimation << false << row.frame << row.present;
        QTest::addRow("TaskAnimation %d, frame %d, absent", row.taskAnimation, row.frame)
            << row.taskAnimation << true << row.frame << row.absent;
    }
}

void TestTrayAnimation::step_choosesImageByTaskAnimation()
{
    QFETCH(int, taskAnimation);
    QFETCH(bool, absent);
    QFETCH(int, frame);
    QFETCH(int, image);
    Settings settings;
    settings.TaskAnimation = taskAnimation;
    TrayAnimation animation(settings);
    animation.setAbsentMode(absent);
    animation.StartTrayAnimation();
    stepTo(animation, frame);
    QCOMPARE(animation.TrayFrame(), frame);
    QCOMPARE(animation.image(), image);
    // The tip tells of the message even when the icon does not move.
    QCOMPARE(animation.tip(), absent ? absentUnread : presentUnread);
}

void TestTrayAnimation::unknownTaskAnimation_leavesImageAsItWas()
{
    Settings settings;
    TrayAnimation animation(settings);
    animation.StartTrayAnimation();
    stepTo(animation, 5);
    QCOMPARE(animation.image(), 5);
    settings.TaskAnimation = 3;
    animation.AnimationTimerTimer();
    animation.AnimationTimerTimer();
    QCOMPARE(animation.TrayFrame(), 7);
    QCOMPARE(animation.image(), 5);
}

void TestTrayAnimation::secondArrival_doesNotRestart_andResetRests()
{
    Settings settings;
    TrayAnimation animation(settings);
    QSignalSpy running(&animation, &TrayAnimation::runningChanged);
    QCOMPARE(animation.tip(), QStringLiteral("Zephinet"));

    animation.StartTrayAnimation();
    QVERIFY(animation.running());
    stepTo(animation, 3);
    animation.StartTrayAnimation();
    QCOMPARE(animation.TrayFrame(), 3);
    QCOMPARE(running.size(), 1);
    animation.AnimationTimerTimer();
    QCOMPARE(animation.image(), 4);

    animation.ResetTrayIcon();
    QVERIFY(!animation.running());
    QCOMPARE(running.size(), 2);
    QCOMPARE(running.at(1).at(0).toBool(), false);
    QCOMPARE(animation.TrayFrame(), 0);
    QCOMPARE(animation.image(), 0);
    QCOMPARE(animation.tip(), QStringLiteral("Zephinet"));

    // A new arrival after a reset starts from frame 0: its first step shows 1.
    animation.StartTrayAnimation();
    animation.AnimationTimerTimer();
    QCOMPARE(animation.image(), 1);
}

void TestTrayAnimation::stopped_ignoresSteps_andRedrawsAbsenceAtOnce()
{
    Settings settings;
    TrayAnimation animation(settings);
    QSignalSpy changed(&animation, &TrayAnimation::changed);
    animation.AnimationTimerTimer();
    QCOMPARE(animation.TrayFrame(), 0);
    QCOMPARE(changed.size(), 0);

    animation.setAbsentMode(true);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(animation.image(), 16);
    QCOMPARE(animation.tip(), QStringLiteral("Zephinet（不在中）"));
    animation.setAbsentMode(false);
    QCOMPARE(animation.image(), 0);
    QCOMPARE(animation.tip(), QStringLiteral("Zephinet"));

    animation.setAbsentMode(true);
    animation.StartTrayAnimation();
    animation.AnimationTimerTimer();
    animation.ResetTrayIcon();
    QCOMPARE(animation.image(), 16);
    QCOMPARE(animation.tip(), QStringLiteral("Zephinet（不在中）"));
}

void TestTrayAnimation::running_showsAbsenceAtNextStep()
{
    Settings settings;
    TrayAnimation animation(settings);
    animation.StartTrayAnimation();
    stepTo(animation, 2);
    animation.setAbsentMode(true);
    QCOMPARE(animation.image(), 2);
    QCOMPARE(animation.tip(), presentUnread);
    animation.AnimationTimerTimer();
    QCOMPARE(animation.image(), 19);
    QCOMPARE(animation.tip(), absentUnread);
}

void TestTrayAnimation::trayTip_cutToBytesOnCharacterBoundary_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const QString a63 = QString(63, u'a');
    QTest::addRow("fits exactly") << a63 << a63;
    QTest::addRow("one byte over") << a63 + u'b' << a63;
    // 62 single bytes and a double-byte character would need 64.
    QTest::addRow("double-byte across the limit") << QString(62, u'a') + u"届" << QString(62, u'a');
    QTest::addRow("double-byte up to the limit") << QString(61, u'a') + u"届x" << QString(61, u'a') + u"届";
    QTest::addRow("all double-byte") << QString(40, u'届') << QString(31, u'届');
    // An emoji (no CP932 form) is one character of two code units; never halved.
    QTest::addRow("emoji across the limit") << QString(62, u'a') + QStringLiteral("\U0001F600") << QString(62, u'a');
    QTest::addRow("our longest tip") << absentUnread << absentUnread;
}

void TestTrayAnimation::trayTip_cutToBytesOnCharacterBoundary()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const QString cut = cutTrayTip(text);
    QCOMPARE(cut, expected);
    QVERIFY(cp932::encode(cut).bytes.size() <= TrayTipMaxBytes);
}

QTEST_GUILESS_MAIN(TestTrayAnimation)
#include "tst_trayanimation.moc"
