// Saves the picture of the log viewer for the documentation:
//   logviewer_screenshot <directory>
// writes logviewer.png: the third of four records, a two-line message
// received from a colleague, so that both step buttons and the reply are on.
#include "common/codec.h"
#include "desktopfixture.h"
#include "log/logfile.h"
#include "messaging/messagecenter.h"
#include "messaging/tlogform.h"
#include "peers/roster.h"
#include "screenshots.h"

#include <QDir>
#include <QPainter>
#include <QTimer>

using namespace zn;

int main(int argc, char **argv)
{
    // Time stamps as a Japanese desktop writes them (午前/午後).
    test::PictureProgram app(argc, argv);
    if (!app.directory())
        return 2;
    const QDir &out = *app.directory();
    test::DesktopFixture desktop({}, test::DesktopFixture::Time::Fake);
    test::FakeClock &clock = desktop.clock;
    clock.wall = QDateTime(QDate(2026, 12, 8), QTime(14, 5, 12));
    Session &session = *desktop.session;
    DesktopShell &shell = *desktop.shell;
    session.local.MachineName = "YAMADA-PC";
    session.settings.HandleName = cp932::bytes(u"山田 太郎");
    session.settings.ActivePortNo = 0;
    session.settings.MouseAnimation = 0;
    shell.start();

    const QByteArray self = PeerLabel(session.settings.HandleName, session.local.MachineName);
    const QByteArray sato = PeerLabel(cp932::bytes(u"佐藤 花子"), "SATO-NOTE");
    const QByteArray suzuki = PeerLabel(cp932::bytes(u"鈴木 一郎"), "SUZUKI-DEV");
    LogFile &log = session.log();
    log.WriteLog(self, suzuki, cp932::bytes(u"明日の定例は10時からです。"));
    clock.advance(7 * 60 * 1000 + 31 * 1000);
    log.WriteLog(sato, self,
                 cp932::bytes(u"資料を共有フォルダに置きました。\r\n"
                              u"「2026年度計画」フォルダの中です。\r\n確認をお願いします。"));
    clock.advance(2 * 60 * 1000 + 4 * 1000);
    log.WriteLog(self, sato, cp932::bytes(u"ありがとうございます。確認します。"));
    clock.advance(40 * 60 * 1000);
    log.WriteLog(suzuki, self, cp932::bytes(u"了解です。"));

    MessageCenter &messages = shell.messages();
    messages.miShowLogShowClick();
    TLogForm *viewer = messages.logForm();
    viewer->resize(400, 330);
    viewer->btNextClick();
    viewer->btNextClick();

    QTimer::singleShot(300, &app, [&] {
        // The caption with the counter above the window, as a title bar shows it.
        const QPixmap window = viewer->grab();
        const int bar = viewer->fontMetrics().height() + 10;
        QImage picture(window.width(), window.height() + bar, QImage::Format_RGB32);
        picture.fill(QColor(214, 219, 233));
        QPainter p(&picture);
        p.setPen(Qt::black);
        p.drawText(QRect(8, 0, window.width() - 16, bar), Qt::AlignVCenter | Qt::AlignLeft, viewer->windowTitle());
        p.drawPixmap(0, bar, window);
        p.end();
        picture.save(out.filePath(QStringLiteral("logviewer.png")));
        app.quit();
    });
    const int result = app.exec();
    shell.stop();
    return result;
}
