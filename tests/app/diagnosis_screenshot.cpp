// Saves a picture of the connection checks' window after a real run of the
// checks on this host's network, for the documentation:
// diagnosis_screenshot <directory>. Run it inside a network namespace
// (diagnosis_screenshot.sh does), since the checks announce this copy.
#include "app/desktopshell.h"
#include "app/tmainform.h"
#include "diagnosis/tdiagnosisform.h"
#include "platform/desktopfrontend.h"
#include "screenshots.h"
#include "session/session.h"

#include <QFile>
#include <QTemporaryDir>

using namespace zn;

int main(int argc, char **argv)
{
    test::PictureProgram app(argc, argv);
    if (!app.directory())
        return 2;
    QTemporaryDir dir;
    QFile ini(dir.filePath(QStringLiteral("Zephinet.INI")));
    if (!ini.open(QIODevice::WriteOnly))
        return 1;
    ini.write("[LocalSetting]\r\nHandleName=alice\r\n");
    ini.close();
    DesktopFrontend frontend;
    Session session(frontend, {});
    session.loadSettings(dir.path() + u'/');
    session.settings.LogSave = false;
    DesktopShell shell(session, frontend);
    if (!shell.start())
        return 1;
    shell.miHelpDiagnosisClick();
    TDiagnosisForm *form = shell.diagnosisForm();
    form->resize(640, 500);
    QObject::connect(form, &TDiagnosisForm::diagnosed, &app, [&] {
        form->grab().save(app.directory()->filePath(QStringLiteral("diagnosis.png")));
        shell.mainWindow().setQuitWithoutAsking(true);
        app.quit();
    });
    return app.exec();
}
