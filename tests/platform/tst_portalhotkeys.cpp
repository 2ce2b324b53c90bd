// The hot keys under Wayland, through the desktop portal as a desktop runs
// it: the real portal front end (xdg-desktop-portal) on a private session
// bus, started with a backend of this test that does what a desktop's
// backend does: it takes the shortcuts the front end hands on, records
// them, and reports a key press as the compositor would.
#include "desktopfixture.h"
#include "options/optionformopener.h"
#include "options/toptionform.h"
#include "platform/globalhotkeys.h"

#include <QAction>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace zn;

namespace {

using ShortcutList = QList<std::pair<QString, QVariantMap>>;
const QString PortalFrontend = QStringLiteral("/usr/libexec/xdg-desktop-portal");
const QString BackendName = QStringLiteral("org.freedesktop.impl.portal.desktop.zephinettest");

// The backend's side of the GlobalShortcuts interface.
class ShortcutsBackend : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.impl.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)
public:
    explicit ShortcutsBackend(QDBusConnection bus) : m_bus(std::move(bus)) {}
    uint version() const { return 1; }

    // What the desktop answers a binding: 0 granted, 2 refused.
    uint bindAnswer = 0;
    QString session;
    ShortcutList bound;

    void press(const QString &id, const QString &inSession)
    {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/portal/desktop"),
                                                         QStringLiteral("org.freedesktop.impl.portal.GlobalShortcuts"),
                                                         QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(inSession)) << id << qulonglong(1) << QVariantMap();
        m_bus.send(signal);
    }

    void closeSession()
    {
        m_bus.send(QDBusMessage::createSignal(session, QStringLiteral("org.freedesktop.impl.portal.Session"),
                                              QStringLiteral("Closed")));
    }

public slots:
    uint CreateSession(const QDBusObjectPath &, const QDBusObjectPath &sessionHandle, const QString &,
                       const QVariantMap &, QVariantMap &results)
    {
        session = sessionHandle.path();
        results.insert(QStringLiteral("session_id"), QStringLiteral("zephinettest"));
        return 0;
    }
    uint BindShortcuts(const QDBusObjectPath &, const QDBusObjectPath &, const ShortcutList &shortcuts, const QString &,
                       const QVariantMap &, QVariantMap &results)
    {
        bound = shortcuts;
        results.insert(QStringLiteral("shortcuts"), QVariant::fromValue(shortcuts));
        return bindAnswer;
    }
    uint ListShortcuts(const QDBusObjectPath &, const QDBusObjectPath &, QVariantMap &results)
    {
        results.insert(QStringLiteral("shortcuts"), QVariant::fromValue(bound));
        return 0;
    }

private:
    QDBusConnection m_bus;
};

} // namespace

class TestPortalHotKeys : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void keys_boundThroughThePortal_andFire();
    void desktopKey_showsTheUserList();
    void refusedByTheDesktop_noKeys();
    void portalWithoutGlobalShortcuts_noKeys();

private:
    // The front end, reading the portal files of `portals`.
    bool startFrontend(const QString &portals);
    void stopFrontend();

    QTemporaryDir m_dir;
    QProcess m_frontend;
    std::unique_ptr<ShortcutsBackend> m_backend;
};

void TestPortalHotKeys::initTestCase()
{
    if (QGuiApplication::platformName() != u"wayland")
        QSKIP("needs a Wayland compositor (run through under_weston.sh)");
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("needs a session bus of its own (dbus-run-session)");
    if (!QFile::exists(PortalFrontend))
        QSKIP("needs xdg-desktop-portal");
    qDBusRegisterMetaType<std::pair<QString, QVariantMap>>();
    qDBusRegisterMetaType<ShortcutList>();
    // The exported slots name the list by this name.
    qRegisterMetaType<ShortcutList>("ShortcutList");

    // The backend on a connection of its own, as a separate program would be.
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("backend"));
    QVERIFY(bus.isConnected());
    m_backend = std::make_unique<ShortcutsBackend>(bus);
    QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), m_backend.get(),
                               QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
    QVERIFY(bus.registerService(BackendName));

    QVERIFY(m_dir.isValid());
    QDir(m_dir.path()).mkdir(QStringLiteral("with"));
    QDir(m_dir.path()).mkdir(QStringLiteral("without"));
    QFile file(m_dir.filePath(QStringLiteral("with/zephinettest.portal")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("[portal]\nDBusName=" + BackendName.toLatin1()
               + "\nInterfaces=org.freedesktop.impl.portal.GlobalShortcuts;\nUseIn=zephinettest\n");
    file.close();
    QVERIFY(startFrontend(m_dir.filePath(QStringLiteral("with"))));
}

void TestPortalHotKeys::cleanupTestCase()
{
    stopFrontend();
}

bool TestPortalHotKeys::startFrontend(const QString &portals)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DESKTOP_PORTAL_DIR"), portals);
    env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("zephinettest"));
    m_frontend.setProcessEnvironment(env);
    m_frontend.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_frontend.start(PortalFrontend, {QStringLiteral("--replace")});
    if (!m_frontend.waitForStarted())
        return false;
    // Asking before the front end owns its name would start another one
    // through the bus, with the machine's own portal files.
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    for (int i = 0; i < 200; ++i) {
        if (bus->isServiceRegistered(QStringLiteral("org.freedesktop.portal.Desktop")))
            return true;
        QTest::qWait(50);
    }
    return false;
}

void TestPortalHotKeys::stopFrontend()
{
    m_frontend.terminate();
    m_frontend.waitForFinished();
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    for (int i = 0; i < 200 && bus->isServiceRegistered(QStringLiteral("org.freedesktop.portal.Desktop")); ++i)
        QTest::qWait(50);
}

void TestPortalHotKeys::keys_boundThroughThePortal_andFire()
{
    GlobalHotKeys keys;
    QSignalSpy activated(&keys, &GlobalHotKeys::activated);
    QCOMPARE(keys.service(), GlobalHotKeys::Service::Asking);
    QVERIFY(keys.registerHotKey(1134, 'M', QStringLiteral("オンライン状況")));
    QVERIFY(keys.registerHotKey(1135, 'S', QStringLiteral("メッセージ送信")));
    QVERIFY(keys.registerHotKey(1136, 'R', QStringLiteral("メッセージ受信")));
    QTRY_COMPARE_WITH_TIMEOUT(keys.service(), GlobalHotKeys::Service::Portal, 20000);

    // All three went to the desktop in one binding, with their keys.
    QCOMPARE(m_backend->bound.size(), 3);
    QStringList seen;
    for (const auto &[id, properties] : std::as_const(m_backend->bound)) {
        seen << id + u' ' + properties.value(QStringLiteral("preferred_trigger")).toString() + u' '
                + properties.value(QStringLiteral("description")).toString();
    }
    QCOMPARE(
        seen,
        QStringList({QStringLiteral("1134 CTRL+ALT+m オンライン状況"), QStringLiteral("1135 CTRL+ALT+s メッセージ送信"),
                     QStringLiteral("1136 CTRL+ALT+r メッセージ受信")}));

    // The desktop reports a press through the front end.
    m_backend->press(QStringLiteral("1135"), m_backend->session);
    QTRY_COMPARE_WITH_TIMEOUT(activated.size(), 1, 10000);
    QCOMPARE(activated.at(0).at(0).toInt(), 1135);
    // A key given up no longer fires; another session's press is not ours.
    keys.unregisterHotKey(1135);
    m_backend->press(QStringLiteral("1135"), m_backend->session);
    m_backend->press(QStringLiteral("1134"), QStringLiteral("/org/freedesktop/portal/desktop/session/1_1/other"));
    m_backend->press(QStringLiteral("1136"), m_backend->session);
    QTRY_COMPARE_WITH_TIMEOUT(activated.size(), 2, 10000);
    QCOMPARE(activated.at(1).at(0).toInt(), 1136);
    QTest::qWait(300);
    QCOMPARE(activated.size(), 2);

    // The desktop ends the session: the keys are gone.
    m_backend->closeSession();
    QTRY_COMPARE_WITH_TIMEOUT(keys.service(), GlobalHotKeys::Service::None, 10000);
}

void TestPortalHotKeys::desktopKey_showsTheUserList()
{
    m_backend->bound.clear();
    test::DesktopFixture f;
    f.start(Answer::Ok);
    QTRY_COMPARE_WITH_TIMEOUT(m_backend->bound.size(), 3, 20000);
    QVERIFY(!f.form()->isVisible());
    m_backend->press(QStringLiteral("1134"), m_backend->session);
    QTRY_VERIFY_WITH_TIMEOUT(f.form()->isVisible(), 10000);

    // The options have nothing to say about the keys.
    f.form()->findChild<QAction *>(QStringLiteral("miSettingOption"))->trigger();
    TOptionForm *options = f.shell->options().form();
    QVERIFY(options);
    auto *note = options->findChild<QLabel *>(QStringLiteral("laHotKeys"));
    QVERIFY(note);
    QVERIFY(note->isHidden());
}

void TestPortalHotKeys::refusedByTheDesktop_noKeys()
{
    m_backend->bindAnswer = 2;
    GlobalHotKeys keys;
    QSignalSpy changed(&keys, &GlobalHotKeys::serviceChanged);
    QVERIFY(keys.registerHotKey(1134, 'M'));
    QTRY_COMPARE_WITH_TIMEOUT(keys.service(), GlobalHotKeys::Service::None, 20000);
    QCOMPARE(changed.size(), 1);
    QVERIFY(!keys.registerHotKey(1135, 'S'));
    m_backend->bindAnswer = 0;
}

void TestPortalHotKeys::portalWithoutGlobalShortcuts_noKeys()
{
    // A desktop whose portal has no global shortcuts (a portal backend
    // without them, as most have).
    stopFrontend();
    QVERIFY(startFrontend(m_dir.filePath(QStringLiteral("without"))));
    GlobalHotKeys keys;
    QSignalSpy changed(&keys, &GlobalHotKeys::serviceChanged);
    keys.registerHotKey(1134, 'M');
    QTRY_COMPARE_WITH_TIMEOUT(keys.service(), GlobalHotKeys::Service::None, 20000);
    QCOMPARE(changed.size(), 1);

    // The options, open meanwhile, say that the keys are not to be had
    // and which commands the desktop can bind instead.
    test::DesktopFixture f;
    f.start(Answer::Ok);
    f.form()->findChild<QAction *>(QStringLiteral("miSettingOption"))->trigger();
    TOptionForm *options = f.shell->options().form();
    QVERIFY(options);
    auto *note = options->findChild<QLabel *>(QStringLiteral("laHotKeys"));
    QVERIFY(note);
    // On its page, which is not the page shown first.
    QTRY_VERIFY_WITH_TIMEOUT(!note->isHidden(), 20000);
    for (const char *command : {"zephinet --user-list", "zephinet --send", "zephinet --receive"})
        QVERIFY2(note->text().contains(QLatin1String(command)), command);
    QVERIFY(note->text().contains(QStringLiteral("ホットキー")));
}

QTEST_MAIN(TestPortalHotKeys)
#include "tst_portalhotkeys.moc"
