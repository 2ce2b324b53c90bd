#include "cli/cli.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <cstdio>

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
    if (line.command == u"absence")
        return runAbsence(line.options, line.users, out, err);

    QString text;
    if (line.options.text) {
        text = *line.options.text;
    } else {
        QFile input;
        if (!input.open(stdin, QIODevice::ReadOnly)) {
            err << "zephinet-cli: standard input cannot be read" << Qt::endl;
            return ExitUsage;
        }
        text = TextFromInput(input.readAll());
    }
    return runSend(line.options, line.users, text, out, err);
}
