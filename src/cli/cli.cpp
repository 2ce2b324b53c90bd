#include "cli/cli.h"

#include "session/session.h"
#include "cli/absencecommand.h"
#include "cli/sendcommand.h"
#include "common/codec.h"
#include "common/text.h"
#include "session/messagecheck.h"
#include "net/identity.h"
#include "net/messenger.h"
#include "net/reassembly.h"
#include "net/udpservice.h"
#include "peers/roster.h"
#include "platform/unixsignals.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <QTimer>

#include <functional>
#include <utility>

namespace zn {

namespace {
constexpr int DefaultWhoSeconds = 3;
constexpr int DefaultSendSeconds = 3;
constexpr int DefaultAbsenceSeconds = 3;
constexpr int MaxSeconds = 24 * 3600;

void applyOptions(Settings &settings, const CliOptions &options, const QByteArray &machineName)
{
    settings.HandleName = options.handleName.isEmpty() ? machineName : options.handleName;
    settings.PortNo = options.port;
    settings.ActivePortNo = options.port;
    settings.SendIP.clear();
    for (const QString &address : options.sendIp)
        settings.SendIP += address.toLatin1() + "&|";
}

// False, saying so, when the LOGIN of the start went out nowhere: nobody can
// answer, and an empty list would read as nobody online.
bool announced(Session &session, QTextStream &err)
{
    if (!session.messenger().nothingSent())
        return true;
    err << "zephinet-cli: nothing could be sent on any network" << Qt::endl;
    return false;
}

// Runs the event loop for `seconds` (0: until a signal), or until a signal.
void runFor(int seconds)
{
    UnixSignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &UnixSignalWatcher::terminationRequested, qApp, &QCoreApplication::quit);
    if (seconds > 0)
        QTimer::singleShot(seconds * 1000, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
}

// The event loop of send and absence: it ends at a deadline, on SIGINT or
// SIGTERM (interrupted), or when a command quits it.
struct CommandLoop {
    QEventLoop loop;
    bool interrupted = false;

    CommandLoop()
    {
        m_deadline.setSingleShot(true);
        QObject::connect(&m_deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&m_signals, &UnixSignalWatcher::terminationRequested, &loop, [this] {
            interrupted = true;
            loop.quit();
        });
    }
    void run(int seconds)
    {
        m_deadline.start(seconds * 1000);
        loop.exec();
    }
    // Who is online: until `found` holds after a change of the roster, or
    // the time is up.
    void discover(Session &session, const std::function<bool()> &found, int seconds)
    {
        if (found())
            return;
        const auto check = [this, &found] {
            if (found())
                loop.quit();
        };
        QObject::connect(&session.roster(), &Roster::inserted, &loop, check);
        QObject::connect(&session.roster(), &Roster::changed, &loop, check);
        run(seconds);
        QObject::disconnect(&session.roster(), nullptr, &loop, nullptr);
    }
    // A usage error outranks an interruption, which outranks the rest.
    int exitCode(int commandCode) const
    {
        return commandCode != ExitUsage && interrupted ? int(ExitInterrupted) : commandCode;
    }

private:
    QTimer m_deadline;
    UnixSignalWatcher m_signals;
};
} // namespace

QString oneLine(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\\') {
            out += u"\\\\";
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            out += u"\\n";
            ++i;
        } else if (c == u'\r') {
            out += u"\\r";
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            QByteArray hex;
            AppendHexByte(hex, quint8(c));
            out += u"\\x" + QString::fromLatin1(hex);
        } else {
            out += QChar(c);
        }
    }
    return out;
}

namespace {
// The East Asian wide and full-width blocks a CP932 text can hold, and the
// other wide blocks of the same scripts, as [first, last] code points.
constexpr std::pair<char32_t, char32_t> WideRanges[] = {
    {0x1100, 0x115F},   // Hangul initial consonants
    {0x2E80, 0x303E},   // CJK radicals, ideographic punctuation, U+3000 ideographic space
    {0x3041, 0x33FF},   // kana, bopomofo, CJK compatibility
    {0x3400, 0x4DBF},   // CJK extension A
    {0x4E00, 0x9FFF},   // CJK unified ideographs
    {0xA000, 0xA4CF},   // Yi
    {0xAC00, 0xD7A3},   // Hangul syllables
    {0xF900, 0xFAFF},   // CJK compatibility ideographs
    {0xFE30, 0xFE4F},   // CJK compatibility forms
    {0xFF00, 0xFF60},   // full-width forms (the half-width katakana follow at U+FF61)
    {0xFFE0, 0xFFE6},   // full-width signs
    {0x1F300, 0x1F64F}, // pictographs and emoticons
    {0x1F900, 0x1F9FF},
    {0x20000, 0x3FFFD}, // CJK extensions B and later
};

int codePointWidth(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format:
        return 0;
    default:
        break;
    }
    for (const auto &[first, last] : WideRanges) {
        if (c < first)
            break;
        if (c <= last)
            return 2;
    }
    return 1;
}
} // namespace

int displayWidth(QStringView text)
{
    int width = 0;
    for (const char32_t c : text.toUcs4())
        width += codePointWidth(c);
    return width;
}

CliFrontend::CliFrontend(QTextStream &err)
    : m_err(err)
{
}

Answer CliFrontend::showMessageBox(const QString &text, int flags)
{
    m_err << "zephinet-cli: " << text << Qt::endl;
    return (flags & mb::ButtonMask) == mb::YesNo ? Answer::No : Answer::Ok;
}

void CliFrontend::showEventNotice(const QString &text, bool important)
{
    m_err << (important ? "zephinet-cli: notice (important): " : "zephinet-cli: notice: ") << text << Qt::endl;
}

QString describeMessage(const QByteArray &message, const QByteArray &sender, const QString &time, bool json)
{
    const QByteArray keyword = GetField(message, 0);
    const QByteArray prefix = "ZNMESSAGE:";
    const QString kind = keyword.startsWith(prefix) ? cp932::decode(keyword.mid(prefix.size()))
                                                    : cp932::decode(keyword);
    QStringList fields;
    for (int i = 1; i < 256; ++i) {
        // Stop after the last separator; a trailing empty field is kept.
        qsizetype at = 0;
        for (int n = 0; n < i && at >= 0; ++n) {
            at = message.indexOf(FieldSeparator, at);
            if (at >= 0)
                at += FieldSeparator.size();
        }
        if (at < 0)
            break;
        fields << cp932::decode(GetField(message, i));
    }
    if (json) {
        QJsonObject object{{u"time"_qs, time},
                           {u"from"_qs, QString::fromLatin1(sender)},
                           {u"kind"_qs, kind},
                           {u"fields"_qs, QJsonArray::fromStringList(fields)}};
        return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    }
    QStringList shown;
    for (const QString &field : fields)
        shown << oneLine(field);
    return time + u' ' + QString::fromLatin1(sender) + u' ' + oneLine(kind)
           + (shown.isEmpty() ? QString() : u' ' + shown.join(u" | "_qs));
}

QString describePeers(const QList<TPeer> &peers, bool json)
{
    if (json) {
        QJsonArray array;
        for (const TPeer &p : peers)
            array.append(QJsonObject{{u"handleName"_qs, cp932::decode(p.HandleName)},
                                     {u"machineName"_qs, cp932::decode(p.MachineName)},
                                     {u"address"_qs, cp932::decode(p.Address)},
                                     {u"absent"_qs, p.Absent}});
        return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
    }
    QList<QStringList> rows{{u"HANDLE"_qs, u"MACHINE"_qs, u"ADDRESS"_qs, u"STATE"_qs}};
    for (const TPeer &p : peers)
        rows.append({oneLine(cp932::decode(p.HandleName)), oneLine(cp932::decode(p.MachineName)),
                     oneLine(cp932::decode(p.Address)), p.Absent ? u"absent"_qs : u"present"_qs});
    int widths[3] = {0, 0, 0};
    for (const QStringList &row : rows)
        for (int c = 0; c < 3; ++c)
            widths[c] = qMax(widths[c], displayWidth(row[c]));
    // Padded by columns on the terminal, not by characters: a kanji takes two.
    QString out;
    for (const QStringList &row : rows) {
        for (int c = 0; c < 3; ++c)
            out += row[c] + QString(widths[c] + 2 - displayWidth(row[c]), u' ');
        out += row[3] + u'\n';
    }
    return out;
}

bool HasUsableNetwork(const QList<InterfaceCandidate> &interfaces)
{
    return !AddressFromInterfaces(interfaces).isEmpty();
}

int runWho(const CliOptions &options, QTextStream &out, QTextStream &err)
{
    CliFrontend frontend(err);
    Session session(frontend, {});
    session.local.MachineName = GetMachineName();
    applyOptions(session.settings, options, session.local.MachineName);
    if (!HasUsableNetwork(SystemInterfaces())) {
        err << "zephinet-cli: no usable IPv4 network interface" << Qt::endl;
        return ExitNoNetwork;
    }
    if (!session.startSocketService())
        return ExitPortInUse;
    if (!announced(session, err))
        return ExitNoNetwork;
    runFor(options.seconds < 0 ? DefaultWhoSeconds : qMax(options.seconds, 1));
    QList<TPeer> others;
    for (const TPeer &peer : session.roster().peers())
        if (peer.MachineName != session.local.MachineName)
            others.append(peer);
    out << describePeers(others, options.json);
    if (options.json)
        out << '\n';
    out.flush();
    session.shutdown();  // LOGOUT
    return ExitOk;
}

int runWatch(const CliOptions &options, QTextStream &out, QTextStream &err)
{
    CliFrontend frontend(err);
    SystemClock clock;
    UdpService udp;
    Reassembler reassembler(clock, frontend);
    if (!udp.start(options.port)) {
        err << "zephinet-cli: " << SocketStartFailureText.toString() << Qt::endl;
        return ExitPortInUse;
    }
    QObject::connect(&udp, &UdpService::datagramReceived, &reassembler, &Reassembler::ReceiveDatagram);
    QObject::connect(&reassembler, &Reassembler::messageReceived, &reassembler,
                     [&out, &options](const QByteArray &message, const QByteArray &sender) {
                         const QString time = QDateTime::currentDateTime().toString(u"HH:mm:ss.zzz"_qs);
                         out << describeMessage(message, sender, time, options.json) << Qt::endl;
                     });
    err << "zephinet-cli: watching UDP port " << udp.port() << Qt::endl;
    runFor(options.seconds < 0 ? 0 : options.seconds);
    udp.stop();
    return ExitOk;
}

CommandLine ParseCommandLine(const QStringList &arguments)
{
    CommandLine line;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A headless Zephinet peer.\n"
        "  who            announce this peer, collect the answers, print the online users, log out\n"
        "  watch          print every message on the port, one line each, until interrupted\n"
        "  send USER...   send a text (--text, else standard input) to each user, named by\n"
        "                 machine name or else by handle name\n"
        "  absence USER...  ask each user for the absence message and print it\n"
        "Exit codes: 0 done; 1 port in use; 2 bad arguments or a refused text; 3 no network,\n"
        "or nothing could be sent on any;\n"
        "4 a user is not online; 5 --wait ran out, or an absence answer is missing;\n"
        "6 a user is present or has no absence message; 130 interrupted."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
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
                                     QStringLiteral("How long to listen (who, send, absence: 3; watch: until interrupted)."),
                                     QStringLiteral("seconds"));
    const QCommandLineOption wait(QStringLiteral("wait"),
                                  QStringLiteral("send: wait up to this long for every read confirmation."),
                                  QStringLiteral("seconds"));
    const QCommandLineOption text(QStringLiteral("text"),
                                  QStringLiteral("send: the text (default: standard input)."), QStringLiteral("text"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print JSON."));
    parser.addOptions({help, port, name, sendIp, seconds, wait, text, json});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("who, watch, send or absence"));
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
    bool ok = true;
    const uint portNumber = parser.value(port).toUInt(&ok);
    if (!ok || portNumber == 0 || portNumber > 65535)
        return refuse(u"the port must be a number from 1 to 65535"_qs);
    line.options.port = quint16(portNumber);
    if (parser.isSet(name)) {
        const auto encoded = cp932::encode(parser.value(name));
        if (!encoded.ok() || encoded.bytes.isEmpty() || ContainsReservedSequence(encoded.bytes)
            || encoded.bytes.contains(';'))
            return refuse(u"the handle name must be non-empty CP932 text without \"&|\", \"\\|\" or \";\""_qs);
        line.options.handleName = encoded.bytes;
    }
    line.options.sendIp = parser.values(sendIp);
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
    } else if (line.command == u"who" || line.command == u"watch") {
        if (!positional.isEmpty())
            return refuse(line.command + u" takes no USER"_qs);
        if (parser.isSet(wait) || parser.isSet(text))
            return refuse(u"--wait and --text belong to send"_qs);
    } else {
        return refuse(u"the command must be who, watch, send or absence\n"_qs + parser.helpText());
    }
    return line;
}

QString TextFromInput(const QByteArray &input)
{
    QString text = QString::fromUtf8(input);
    if (text.endsWith(u"\r\n"))
        text.chop(2);
    else if (text.endsWith(u'\n') || text.endsWith(u'\r'))
        text.chop(1);
    return text;
}

int runSend(const CliOptions &options, const QStringList &users, const QString &text, QTextStream &out,
            QTextStream &err)
{
    const CheckedText checked = CheckMessageText(text);
    if (!checked.ok()) {
        err << "zephinet-cli: " << checked.message << Qt::endl;
        return ExitUsage;
    }
    if (users.size() > MaxRecipients) {
        err << "zephinet-cli: " << TooManyRecipientsText() << Qt::endl;
        return ExitUsage;
    }
    for (const QString &user : users) {
        if (!cp932::encode(user).ok() || user.isEmpty()) {
            err << "zephinet-cli: no user can be named \"" << oneLine(user) << "\"" << Qt::endl;
            return ExitUsage;
        }
    }

    CliFrontend frontend(err);
    Session session(frontend, {});
    session.local.MachineName = GetMachineName();
    applyOptions(session.settings, options, session.local.MachineName);
    session.settings.LogSave = false;  // the companion keeps no log
    if (!HasUsableNetwork(SystemInterfaces())) {
        err << "zephinet-cli: no usable IPv4 network interface" << Qt::endl;
        return ExitNoNetwork;
    }
    if (!session.startSocketService())
        return ExitPortInUse;
    if (!announced(session, err))
        return ExitNoNetwork;

    SendCommand command(session, users, checked.bytes, options.json, out);
    CommandLoop loop;
    loop.discover(session, [&command] { return command.resolve(); },
                  options.seconds < 0 ? DefaultSendSeconds : options.seconds);
    const bool waited = options.wait >= 0;
    if (!loop.interrupted) {
        command.send();
        if (waited && !command.allConfirmed()) {
            QObject::connect(&command, &SendCommand::confirmedByAll, &loop.loop, &QEventLoop::quit);
            loop.run(options.wait);
            if (!loop.interrupted)
                command.reportUnconfirmed();
        }
    }
    session.shutdown();  // LOGOUT
    return loop.exitCode(command.exitCode(waited));
}

int runAbsence(const CliOptions &options, const QStringList &users, QTextStream &out, QTextStream &err)
{
    for (const QString &user : users) {
        if (!cp932::encode(user).ok() || user.isEmpty()) {
            err << "zephinet-cli: no user can be named \"" << oneLine(user) << "\"" << Qt::endl;
            return ExitUsage;
        }
    }

    CliFrontend frontend(err);
    Session session(frontend, {});
    session.local.MachineName = GetMachineName();
    applyOptions(session.settings, options, session.local.MachineName);
    session.settings.LogSave = false;
    if (!HasUsableNetwork(SystemInterfaces())) {
        err << "zephinet-cli: no usable IPv4 network interface" << Qt::endl;
        return ExitNoNetwork;
    }
    if (!session.startSocketService())
        return ExitPortInUse;
    if (!announced(session, err))
        return ExitNoNetwork;

    AbsenceCommand command(session, users, options.json, out);
    const int seconds = options.seconds < 0 ? DefaultAbsenceSeconds : options.seconds;
    CommandLoop loop;
    loop.discover(session, [&command] { return command.resolve(); }, seconds);
    if (!loop.interrupted) {
        command.ask();
        if (!command.allAnswered()) {
            QObject::connect(&command, &AbsenceCommand::answeredByAll, &loop.loop, &QEventLoop::quit);
            loop.run(seconds);
            if (!loop.interrupted)
                command.reportUnanswered();
        }
    }
    session.shutdown();  // LOGOUT
    return loop.exitCode(command.exitCode());
}

} // namespace zn
