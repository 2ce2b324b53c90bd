#include "cli/absencecommand.h"
#include "cli/commandline.h"
#include "cli/doctorcommand.h"
#include "cli/sendcommand.h"
#include "cli/watchcommand.h"
#include "cli/whocommand.h"

#include <QCoreApplication>
#include <QTextStream>

using namespace zn;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zephinet-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    const CommandLine line = ParseCommandLine(QCoreApplication::arguments());
    if (line.exitCode >= 0) {
        (line.exitCode == ExitOk ? out : err) << line.output;
        return line.exitCode;
    }
    if (line.command == u"who")
        return runWho(line.options, out, err);
    if (line.command == u"watch")
        return runWatch(line.options, out, err);
    if (line.command == u"doctor")
        return runDoctor(line.options, out, err);
    if (line.command == u"absence")
        return runAbsence(line.options, line.users, out, err);
    return runSend(line.options, line.users, out, err);
}
