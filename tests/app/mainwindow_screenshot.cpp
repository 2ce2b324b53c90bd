// Saves a picture of the main window with three users, sorted by machine
// name, for the documentation: mainwindow_screenshot <file.png>
#include "platform/desktopfrontend.h"
#include "session/session.h"
#include "app/tmainform.h"
#include "net/transport.h"
#include "peers/roster.h"
#include "common/codec.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

using namespace zn;

namespace {
struct NoTransport : DatagramTransport {
    bool sendDatagram(quint32, const QByteArray &) override { return true; }
};
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Noto Sans CJK JP")});
    QApplication::setFont(font);
    QTemporaryDir dir;
    DesktopFrontend frontend;
    NoTransport transport;
    Session session(frontend, {}, &transport);
    session.loadSettings(dir.path() + u'/');
    session.local.MachineName = "YAMADA-PC";
    session.settings.ActivePortNo = 0;
    TMainForm form(session, frontend);
    form.FormCreate();
    Roster &roster = session.roster();
    roster.AddOrUpdatePeer(cp932::bytes(u"山田 太郎"), "YAMADA-PC", "192.168.10.21", false);
    roster.AddOrUpdatePeer(cp932::bytes(u"佐藤 花子"), "SATO-NOTE", "192.168.10.9", true);
    roster.AddOrUpdatePeer(cp932::bytes(u"鈴木 一郎"), "SUZUKI-DEV", "192.168.10.103", false);
    session.sortByColumn(1);
    form.show();
    QTimer::singleShot(300, &app, [&] {
        form.grab().save(QString::fromLocal8Bit(argv[1]));
        app.quit();
    });
    return app.exec();
}
