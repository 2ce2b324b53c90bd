// The program's windows under a real Wayland compositor (under_weston.sh):
// what the compositor has mapped is read from its own scene graph.
#include "peers/tanimationform.h"
#include "platform/windowtrayicon.h"

#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QWidget>

using namespace zn;

namespace {
// The titles of the top-level windows the compositor shows now.
QStringList mappedWindows()
{
    QProcess debug;
    debug.start(QStringLiteral("weston-debug"), {QStringLiteral("scene-graph")});
    if (!debug.waitForFinished(5000))
        return {};
    static const QRegularExpression view(QStringLiteral("role xdg_toplevel, .* top-level window '(.*)' of "));
    QStringList titles;
    for (const QString &line : QString::fromUtf8(debug.readAllStandardOutput()).split(u'\n')) {
        if (const QRegularExpressionMatch m = view.match(line); m.hasMatch())
            titles.append(m.captured(1));
    }
    return titles;
}
} // namespace

class TestWaylandWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void minimisedWindow_comesBackWhenShownAgain();
    void arrival_mapsNoCursorAnimation();
};

void TestWaylandWindows::initTestCase()
{
    if (QGuiApplication::platformName() != u"wayland")
        QSKIP("needs a Wayland compositor (run through under_weston.sh)");
}

void TestWaylandWindows::minimisedWindow_comesBackWhenShownAgain()
{
    // A Wayland client can minimise its window but never restore it, and
    // is not told when the user does: the tray, the menus and the hot keys
    // must still bring it back.
    QWidget window;
    window.setWindowTitle(QStringLiteral("Zephinet -ログ-"));
    window.resize(300, 200);
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(mappedWindows().contains(window.windowTitle()), 10000);

    window.showMinimized();
    QTRY_VERIFY_WITH_TIMEOUT(!mappedWindows().contains(window.windowTitle()), 10000);
    showWindowAgain(&window, Activation::TakeFocus);
    QTRY_VERIFY_WITH_TIMEOUT(mappedWindows().contains(window.windowTitle()), 10000);
    QVERIFY(window.isVisible());

    // Hidden (into the tray) and shown again, the same.
    window.hide();
    QTRY_VERIFY_WITH_TIMEOUT(!mappedWindows().contains(window.windowTitle()), 10000);
    showWindowAgain(&window, Activation::KeepFocus);
    QTRY_VERIFY_WITH_TIMEOUT(mappedWindows().contains(window.windowTitle()), 10000);
}

void TestWaylandWindows::arrival_mapsNoCursorAnimation()
{
    // A Wayland client knows neither where the pointer is nor where its
    // windows go: the flash would come up as a window of its own wherever
    // the compositor puts it, and a new window may take the keyboard.
    QTRY_COMPARE_WITH_TIMEOUT(mappedWindows(), QStringList(), 10000);
    CursorFrame frame;
    QVERIFY(!TAnimationForm::arrival(frame, int(CursorShape::Circle)));
    QTest::qWait(500);
    QCOMPARE(mappedWindows(), QStringList());
}

QTEST_MAIN(TestWaylandWindows)
#include "tst_waylandwindows.moc"
