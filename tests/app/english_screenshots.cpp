// Saves the pictures of the windows in English for the documentation:
//   english_screenshots <directory>
// writes en-mainwindow.png (three users, one away), en-sendform.png (a
// message to two of them), en-options.png (the general settings) and
// en-helpwindow.png (the manual at the topic of the handle name).
#include "app/thelpform.h"
#include "app/translations.h"
#include "common/codec.h"
#include "desktopfixture.h"
#include "messaging/messagecenter.h"
#include "messaging/tsendform.h"
#include "options/toptionform.h"
#include "peers/roster.h"
#include "screenshots.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>

using namespace zn;

int main(int argc, char **argv)
{
    qputenv("LC_ALL", "en_US.UTF-8");
    QApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!installQtTranslations(app))
        return 3;
    test::useJapaneseFace();
    test::DesktopFixture desktop;
    Session &session = *desktop.session;
    DesktopShell &shell = *desktop.shell;
    session.local.MachineName = "MORGAN-PC";
    session.settings.HandleName = "Alex Morgan";
    session.settings.ActivePortNo = 0;
    shell.start();
    Roster &roster = session.roster();
    roster.AddOrUpdatePeer("Alex Morgan", "MORGAN-PC", "192.168.10.21", false);
    roster.AddOrUpdatePeer("Sam Lee", "LEE-NOTE", "192.168.10.9", true);
    roster.AddOrUpdatePeer("Kim Ortiz", "ORTIZ-DEV", "192.168.10.103", false);
    session.sortByColumn(1);
    TMainForm &form = shell.mainWindow();
    form.show();
    TSendForm *send =
        shell.messages().openSendWindow({{"Sam Lee", "LEE-NOTE"}, {"Kim Ortiz", "ORTIZ-DEV"}},
                                        u"Hello both,\nthe 3 pm meeting moves to room 2.\nSee you there."_qs);
    auto *options = new TOptionForm(session, desktop.frontend);
    options->pcOption->setCurrentWidget(options->tsSetting);
    options->show();
    THelpForm help([](const QUrl &) { return true; });
    help.resize(560, 440);
    help.showAt(manual::topic(20));

    QTimer::singleShot(300, &app, [&] {
        form.grab().save(out.filePath(QStringLiteral("en-mainwindow.png")));
        send->grab().save(out.filePath(QStringLiteral("en-sendform.png")));
        options->grab().save(out.filePath(QStringLiteral("en-options.png")));
        help.browser()->scrollToAnchor(QStringLiteral("ctx-20"));
        QApplication::processEvents();
        help.grab().save(out.filePath(QStringLiteral("en-helpwindow.png")));
        send->close();
        options->close();
        // Quitting closes the window; nobody is there to answer its question.
        form.setQuitWithoutAsking(true);
        app.quit();
    });
    return app.exec();
}
