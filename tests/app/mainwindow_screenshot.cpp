// Saves a picture of the main window with three users, sorted by machine
// name, for the documentation: mainwindow_screenshot <file.png>
#include "common/codec.h"
#include "desktopfixture.h"
#include "peers/roster.h"
#include "screenshots.h"

#include <QApplication>
#include <QTimer>

using namespace zn;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    test::useJapaneseFace();
    test::DesktopFixture desktop;
    Session &session = *desktop.session;
    TMainForm &form = desktop.shell->mainWindow();
    session.local.MachineName = "YAMADA-PC";
    session.settings.ActivePortNo = 0;
    desktop.shell->start();
    Roster &roster = session.roster();
    roster.AddOrUpdatePeer(cp932::bytes(u"山田 太郎"), "YAMADA-PC", "192.168.10.21", false);
    roster.AddOrUpdatePeer(cp932::bytes(u"佐藤 花子"), "SATO-NOTE", "192.168.10.9", true);
    roster.AddOrUpdatePeer(cp932::bytes(u"鈴木 一郎"), "SUZUKI-DEV", "192.168.10.103", false);
    session.sortByColumn(1);
    form.show();
    QTimer::singleShot(300, &app, [&] {
        form.grab().save(QString::fromLocal8Bit(argv[1]));
        // Quitting closes the window; nobody is there to answer its question.
        form.setQuitWithoutAsking(true);
        app.quit();
    });
    return app.exec();
}
