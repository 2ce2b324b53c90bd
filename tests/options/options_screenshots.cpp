// Saves the pictures of the options window and the password windows for
// the documentation:
//   options_screenshots <directory>
// writes options-local.png, options-setting.png, options-log.png,
// options-network.png, options-ivent.png, options-sound.png, passcheck.png
// and passchange.png.
#include "common/codec.h"
#include "net/transport.h"
#include "options/toptionform.h"
#include "options/tpasschangeform.h"
#include "options/tpasscheckform.h"
#include "platform/desktopfrontend.h"
#include "screenshots.h"
#include "session/session.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
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
    test::PictureProgram app(argc, argv);
    if (!app.directory())
        return 2;
    const QDir &out = *app.directory();
    QTemporaryDir dir;
    DesktopFrontend frontend;
    NoTransport transport;
    Session session(frontend, {}, &transport);
    session.loadSettings(dir.path() + u'/');
    session.local.MachineName = "YAMADA-PC";
    session.local.Address = "192.168.10.21";
    session.local.SocketStarted = true;
    Settings &s = session.settings;
    s.HandleName = cp932::bytes(u"山田 太郎");
    s.HuzaiMessage = cp932::bytes(u"ただいま会議中です。\r\n15時には戻ります。");
    s.SendIP = "192.168.20.5&|10.0.0.7&|";
    s.IventSound = true;
    s.SoundFiles = {QStringLiteral("/usr/share/sounds/online.wav"), QStringLiteral("/usr/share/sounds/offline.wav"),
                    QStringLiteral("/usr/share/sounds/message.wav")};
    s.AutoClose = true;
    s.PasswordOption = true;
    s.Password = "secret";

    auto *form = new TOptionForm(session, frontend);
    form->show();
    const std::pair<QWidget *, const char *> pages[] = {{form->tsLocal, "local"}, {form->tsSetting, "setting"},
                                                        {form->tsLog, "log"},     {form->tsNetwork, "network"},
                                                        {form->tsIvent, "ivent"}, {form->tsSound, "sound"}};
    QTimer::singleShot(300, &app, [&] {
        for (const auto &[page, name] : pages) {
            form->pcOption->setCurrentWidget(page);
            QApplication::processEvents();
            form->grab().save(out.filePath(QStringLiteral("options-%1.png").arg(QLatin1String(name))));
        }
        form->close();

        TPassCheckForm check(s.Password, frontend);
        check.laTitle->setText(QStringLiteral("オプションウィンドウを開くにはパスワードが必要です。"));
        check.show();
        TPassChangeForm change(s.Password, frontend);
        change.show();
        QApplication::processEvents();
        check.grab().save(out.filePath(QStringLiteral("passcheck.png")));
        change.grab().save(out.filePath(QStringLiteral("passchange.png")));
        app.quit();
    });
    return app.exec();
}
