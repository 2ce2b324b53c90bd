// Saves the pictures of the about box and the help window for the
// documentation:
//   help_screenshots <directory>
// writes aboutbox.png and helpwindow.png (the options page at the topic of
// the handle name).
#include "app/thelpform.h"
#include "app/tversionform.h"
#include "screenshots.h"

#include <QApplication>
#include <QDir>
#include <QTextBrowser>

using namespace zn;

int main(int argc, char **argv)
{
    test::PictureProgram app(argc, argv, 12);
    if (!app.directory())
        return 2;
    const QDir &out = *app.directory();
    const UrlOpener nowhere = [](const QUrl &) { return true; };

    TVersionForm box(nowhere);
    box.show();
    QApplication::processEvents();
    bool ok = box.grab().save(out.filePath(QStringLiteral("aboutbox.png")));

    THelpForm help(nowhere);
    help.resize(560, 440);
    help.showAt(manual::topic(20));
    QApplication::processEvents();
    help.browser()->scrollToAnchor(QStringLiteral("ctx-20"));
    QApplication::processEvents();
    ok = help.grab().save(out.filePath(QStringLiteral("helpwindow.png"))) && ok;
    return ok ? 0 : 1;
}
