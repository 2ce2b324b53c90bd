#include "cli/commandline.h"

#include "common/codec.h"
#include "common/text.h"
#include "common/version.h"

#include <QCommandLineParser>

namespace zn {

namespace {
constexpr int MaxSeconds = 24 * 3600;
} // namespace

CommandLine ParseCommandLine(const QStringList &arguments)
{
    CommandLine line;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A headless Zephinet peer.\n"
                       "  who            announce this peer, collect the answers, print the online users, log out\n"
                       "  watch          print every message on the port, one line each, until interrupted\n"
                       "  send USER...   send a text (--text, else standard input) to each user, named by\n"
                       "                 machine name or else by handle name\n"
                       "  absence USER...  ask each user for the absence message and print it\n"
                       "  doctor         check the port, interfaces, routes, firewall, the copies on the segment\n"
                       "                 and the extra addresses; say what each finding means and what to do\n"
                       "Exit codes: 0 done; 1 port in use; 2 bad arguments or a refused text; 3 no network,\n"
                       "or nothing could be sent on any;\n"
                       "4 a user is not online; 5 --wait ran out, or an absence answer is missing;\n"
                       "6 a user is present or has no absence message; 7 doctor found a problem; 130 interrupted."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version."));
    const QCommandLineOption port({QStringLiteral("p"), QStringLiteral("port")},
                                  QStringLiteral("UDP port (default 50000)."), QStringLiteral("port"),
                                  QStringLiteral("50000"));
    const QCommandLineOption name({QStringLiteral("n"), QStringLiteral("name")},
                                  QStringLiteral("Handle name to announce (default: the machine name)."),
                                  QStringLiteral("name"));
    const QCommandLineOption sendIp({QStringLiteral("a"), QStringLiteral("send-ip")},
                                    QStringLiteral("Extra address to send to, besides the broadcast; repeatable."),
                                    QStringLiteral("address"));
    const QCommandLineOption broadcast(
        QStringLiteral("broadcast"),
        QStringLiteral("Send messages for one user by broadcast too, not to that user's address alone\n"
                       "(for networks that rewrite addresses)."));
    const QCommandLineOption seconds(
        {QStringLiteral("t"), QStringLiteral("seconds")},
        QStringLiteral("How long to listen (who, send, absence, doctor: 3; watch: until interrupted)."),
        QStringLiteral("seconds"));
    const QCommandLineOption wait(QStringLiteral("wait"),
                                  QStringLiteral("send: wait up to this long for every read confirmation."),
                                  QStringLiteral("seconds"));
    const QCommandLineOption text(QStringLiteral("text"), QStringLiteral("send: the text (default: standard input)."),
                                  QStringLiteral("text"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print JSON."));
    parser.addOptions({help, version, port, name, sendIp, broadcast, seconds, wait, text, json});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("who, watch, send, absence or doctor"));
    parser.addPositionalArgument(QStringLiteral("USER"), QStringLiteral("send and absence: the users"),
                                 QStringLiteral("[USER...]"));

    auto refuse = [&line](const QString &reason) {
        line.exitCode = ExitUsage;
        line.output = u"zephinet-cli: "_qs + reason + u'\n';
        return line;
    };
    if (!parser.parse(arguments))
        return refuse(parser.errorText() + u"\n"_qs + parser.helpText());
    if (parser.isSet(help)) {
        line.exitCode = ExitOk;
        line.output = parser.helpText();
        return line;
    }
    if (parser.isSet(version)) {
        line.exitCode = ExitOk;
        line.output = u"zephinet-cli "_qs + ProgramVersion() + u" ("_qs + ReleaseDate() + u")\n"_qs;
        return line;
    }
    bool ok = true;
    const uint portNumber = parser.value(port).toUInt(&ok);
    if (!ok || portNumber == 0 || portNumber > 65535)
        return refuse(u"the port must be a number from 1 to 65535"_qs);
    line.options.port = quint16(portNumber);
    line.options.portGiven = parser.isSet(port);
    if (parser.isSet(name)) {
        const auto encoded = cp932::encode(parser.value(name));
        if (!encoded.ok() || encoded.bytes.isEmpty() || ContainsReservedSequence(encoded.bytes)
            || encoded.bytes.contains(';'))
            return refuse(u"the handle name must be non-empty CP932 text without \"&|\", \"\\|\" or \";\""_qs);
        line.options.handleName = encoded.bytes;
    }
    line.options.sendIp = parser.values(sendIp);
    line.options.broadcastOnly = parser.isSet(broadcast);
    const auto readSeconds = [&](const QCommandLineOption &option, int &into) {
        if (!parser.isSet(option))
            return true;
        into = parser.value(option).toInt(&ok);
        return ok && into >= 0 && into <= MaxSeconds;
    };
    if (!readSeconds(seconds, line.options.seconds))
        return refuse(u"--seconds takes a whole number of seconds up to 86400"_qs);
    if (!readSeconds(wait, line.options.wait))
        return refuse(u"--wait takes a whole number of seconds up to 86400"_qs);
    if (parser.isSet(text))
        line.options.text = parser.value(text);
    line.options.json = parser.isSet(json);

    QStringList positional = parser.positionalArguments();
    line.command = positional.isEmpty() ? QString() : positional.takeFirst();
    if (line.command == u"send") {
        if (positional.isEmpty())
            return refuse(u"send needs at least one USER"_qs);
        line.users = positional;
    } else if (line.command == u"absence") {
        if (positional.isEmpty())
            return refuse(u"absence needs at least one USER"_qs);
        if (parser.isSet(wait) || parser.isSet(text))
            return refuse(u"--wait and --text belong to send"_qs);
        line.users = positional;
    } else if (line.command == u"who" || line.command == u"watch" || line.command == u"doctor") {
        if (!positional.isEmpty())
            return refuse(line.command + u" takes no USER"_qs);
        if (parser.isSet(wait) || parser.isSet(text))
            return refuse(u"--wait and --text belong to send"_qs);
    } else {
        return refuse(u"the command must be who, watch, send, absence or doctor\n"_qs + parser.helpText());
    }
    return line;
}

} // namespace zn
