// Stored placements under a real window manager (with_wm.sh inside
// under_xvfb.sh): the frame it adds, not only the client area, ends on the
// screen.
#include "fakefrontend.h"
#include "messaging/formparts.h"
#include "net/netfakes.h"
#include "session/session.h"
#include "settings/settingsstore.h"

#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

using namespace zn;

class TestFrameFit : public QObject {
    Q_OBJECT
private slots:
    void storedPlacement_atTheScreensEdges_keepsTheFrameOnScreen();
};

void TestFrameFit::storedPlacement_atTheScreensEdges_keepsTheFrameOnScreen()
{
    if (QGuiApplication::platformName() != u"xcb")
        QSKIP("needs an X display with a window manager (run through under_xvfb.sh with_wm.sh)");
    QTemporaryDir dir;
    test::FakeFrontend frontend;
    test::RecordingTransport transport;
    Session session(frontend, {}, &transport);
    session.loadSettings(dir.path() + u'/');
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    // A window left at the bottom right, and one as tall as the screen.
    session.writePlacement(PlacementSection::SendForm, {screen.right() - 299, screen.bottom() - 199, 300, 200});
    session.writePlacement(PlacementSection::LogForm, {screen.left(), screen.top(), 300, screen.height()});
    for (const QByteArrayView section : {PlacementSection::SendForm, PlacementSection::LogForm}) {
        QWidget window;
        restorePlacement(&window, session, section, {300, 200});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // The bound is generous, not a timing check: the frame comes when the
        // window manager has framed the window.
        if (!QTest::qWaitFor([&window] { return window.frameGeometry().height() > window.height(); }, 20000))
            QSKIP("no window manager framed the window");
        QTRY_VERIFY2_WITH_TIMEOUT(screen.contains(window.frameGeometry()),
                                  qPrintable(QStringLiteral("%1: frame %2,%3 %4x%5 on %6x%7")
                                                 .arg(QString::fromLatin1(section.toByteArray()))
                                                 .arg(window.frameGeometry().x())
                                                 .arg(window.frameGeometry().y())
                                                 .arg(window.frameGeometry().width())
                                                 .arg(window.frameGeometry().height())
                                                 .arg(screen.width())
                                                 .arg(screen.height())),
                                  20000);
    }
}

QTEST_MAIN(TestFrameFit)
#include "tst_framefit.moc"
