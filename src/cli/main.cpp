#include "cli/cli.h"
#include "common/codec.h"
#include "common/text.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

using namespace zn;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zephinet-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A headless Zephinet peer.\n"
        "  who    announce this peer, collect the answers, print the online users, log out\n"
        "  watch  print every message on the port, one line each, until interrupted"));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("who or watch"));
    const QCommandLineOption port({QStringLiteral("p"), QStringLiteral("port")},
                                  QStringLiteral("UDP port (default 50000)."), QStringLiteral("port"),
                                  QStringLiteral("50000"));
    const QCommandLineOption name({QStringLiteral("n"), QStringLiteral("name")},
                                  QStringLiteral("Handle name to announce (default: the machine name)."),
                                  QStringLiteral("name"));
    const QCommandLineOption sendIp({QStringLiteral("a"), QStringLiteral("send-ip")},
                                    QStringLiteral("Extra address to send to, besides the broadcast; repeatable."),
                                    QStringLiteral("address"));
    const QCommandLineOption seconds({QStringLiteral("t"), QStringLiteral("seconds")},
                                     QStringLiteral("How long to listen (who: 3; watch: until interrupted)."),
                                     QStringLiteral("seconds"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print JSON."));
    parser.addOptions({port, name, sendIp, seconds, json});
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    CliOptions options;
    bool ok = true;
    const uint portNumber = parser.value(port).toUInt(&ok);
    if (!ok || portNumber == 0 || portNumber > 65535) {
        err << "zephinet-cli: the port must be a number from 1 to 65535" << Qt::endl;
        return ExitUsage;
    }
    options.port = quint16(portNumber);
    if (parser.isSet(name)) {
        const auto encoded = cp932::encode(parser.value(name));
        if (!encoded.ok() || encoded.bytes.isEmpty() || ContainsReservedSequence(encoded.bytes)
            || encoded.bytes.contains(';')) {
            err << "zephinet-cli: the handle name must be non-empty CP932 text without \"&|\", \"\\|\" or \";\""
                << Qt::endl;
            return ExitUsage;
        }
        options.handleName = encoded.bytes;
    }
    options.sendIp = parser.values(sendIp);
    if (parser.isSet(seconds)) {
        options.seconds = parser.value(seconds).toInt(&ok);
        if (!ok || options.seconds < 0) {
            err << "zephinet-cli: --seconds takes a whole number of seconds" << Qt::endl;
            return ExitUsage;
        }
    }
    options.json = parser.isSet(json);

    if (positional.size() != 1 || (positional.first() != u"who" && positional.first() != u"watch")) {
        err << parser.helpText();
        return ExitUsage;
    }
    return positional.first() == u"who" ? runWho(options, out, err) : runWatch(options, out, err);
}
