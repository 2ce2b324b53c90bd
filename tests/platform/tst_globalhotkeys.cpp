#include "platform/globalhotkeys.h"

#include <QApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

using namespace zn;

namespace {
// Presses keys as a person would, through the X server.
bool press(const QString &keys)
{
    return QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), keys}) == 0;
}
} // namespace

class TestGlobalHotKeys : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void registeredKey_firesWithCtrlAlt();
    void keyHeldByAnotherProgram_isRefused();
};

void TestGlobalHotKeys::initTestCase()
{
    if (QGuiApplication::platformName() != u"xcb")
        QSKIP("needs an X display (run through under_xvfb.sh)");
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("needs xdotool");
}

void TestGlobalHotKeys::registeredKey_firesWithCtrlAlt()
{
    GlobalHotKeys keys;
    QVERIFY(keys.registerHotKey(1134, 'M'));
    QVERIFY(keys.registerHotKey(1135, 'S'));
    QSignalSpy activated(&keys, &GlobalHotKeys::activated);

    QVERIFY(press(QStringLiteral("ctrl+alt+s")));
    QTRY_COMPARE(activated.size(), 1);
    QCOMPARE(activated.at(0).at(0).toInt(), 1135);
    // Caps Lock on does not stop the key.
    QVERIFY(press(QStringLiteral("Caps_Lock")));
    QVERIFY(press(QStringLiteral("ctrl+alt+m")));
    QVERIFY(press(QStringLiteral("Caps_Lock")));
    QTRY_COMPARE(activated.size(), 2);
    QCOMPARE(activated.at(1).at(0).toInt(), 1134);

    // Without both modifiers, and after unregistering, nothing fires.
    keys.unregisterHotKey(1134);
    QVERIFY(press(QStringLiteral("ctrl+alt+m")));
    QVERIFY(press(QStringLiteral("ctrl+s")));
    QTest::qWait(200);
    QCOMPARE(activated.size(), 2);
}

void TestGlobalHotKeys::keyHeldByAnotherProgram_isRefused()
{
    // Another client holds Ctrl+Alt+Q first.
    xcb_connection_t *other = xcb_connect(nullptr, nullptr);
    QVERIFY(!xcb_connection_has_error(other));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(other);
    xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, 'q');
    QVERIFY(codes);
    xcb_generic_error_t *error =
        xcb_request_check(other,
                          xcb_grab_key_checked(other, 1, root, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1, codes[0],
                                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    QVERIFY(!error);

    GlobalHotKeys keys;
    QVERIFY(!keys.registerHotKey(1, 'Q'));
    QVERIFY(keys.registerHotKey(2, 'W'));

    free(codes);
    xcb_key_symbols_free(symbols);
    xcb_disconnect(other);
}

QTEST_MAIN(TestGlobalHotKeys)
#include "tst_globalhotkeys.moc"
