// Writes the seed inputs of the fuzz targets from what the program really
// sends and writes: a peer's messenger sends every kind of message to this
// copy (through a recording transport), and a log file is written by the
// real log writer. Not a test; run it when the wire code or the log format
// changes and commit what changed:
//   build/fuzz/fuzz_makeseeds fuzz/corpus
// Seeds are named "seed-*"; the fuzzers' own finds have hash names.
#include "common/codec.h"
#include "common/localpeer.h"
#include "fakeclock.h"
#include "fakefrontend.h"
#include "log/logfile.h"
#include "net/messenger.h"
#include "net/netfakes.h"
#include "net/wire.h"
#include "peers/roster.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

using namespace zn;

namespace {

QString outDir;
int written = 0;

void writeSeed(const QString &target, const QString &name, const QByteArray &bytes)
{
    QDir().mkpath(outDir + u'/' + target);
    QFile file(outDir + u'/' + target + QStringLiteral("/seed-") + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
    ++written;
}

struct Sent {
    QString name;
    QList<QByteArray> datagrams;
    QByteArray message; // the text of a message of one datagram or more, unframed
};

// The peer PC2 ("peer", 10.0.0.2) talking to this copy SELF ("self", 10.0.0.1).
QList<Sent> peerTraffic()
{
    Settings settings;
    settings.HandleName = "peer";
    settings.LogSave = false;
    LocalPeer local;
    local.MachineName = "PC2";
    local.Address = "10.0.0.2";
    test::FakeFrontend frontend;
    Roster roster(settings, local);
    roster.AddOrUpdatePeer("self", "SELF", "10.0.0.1", false);
    test::RecordingTransport transport;
    test::RecordingLog log;
    Messenger messenger(settings, local, roster, transport, log);

    QList<Sent> out;
    auto record = [&](const QString &name, const std::function<void()> &send) {
        transport.sent.clear();
        send();
        Sent sent{name, {}, {}};
        QByteArray joined;
        for (const test::SentDatagram &d : std::as_const(transport.sent)) {
            // Only the first copy of a message (the broadcast, or the one address).
            if (!sent.datagrams.isEmpty() && d.datagram.at(0) == '\x01')
                break;
            sent.datagrams.append(d.datagram);
            joined += d.datagram.sliced(
                1, d.datagram.indexOf('\0', 1) < 0 ? d.datagram.size() - 1 : d.datagram.indexOf('\0', 1) - 1);
        }
        // The unframed text: the pieces joined, escapes undone, header gone.
        sent.message = joined.sliced(5).replace("\\|", "\r\n");
        out.append(sent);
    };
    const QByteArray japanese = cp932::bytes(u"こんにちは、表示の確認です。ソフト予定表");
    record(QStringLiteral("login"), [&] { messenger.SendLogin(); });
    record(QStringLiteral("loginok"), [&] { messenger.SendLoginOk("10.0.0.1"); });
    record(QStringLiteral("infochange"), [&] { messenger.SendInfoChange(); });
    record(QStringLiteral("logout"), [&] { messenger.SendLogout(); });
    record(QStringLiteral("huzaicheck"), [&] { messenger.SendHuzaiCheck("10.0.0.1"); });
    record(QStringLiteral("huzainothing"), [&] { messenger.SendHuzaiMessage("Nothing", "10.0.0.1"); });
    record(QStringLiteral("huzaimessage"), [&] {
        messenger.SendHuzaiMessage(cp932::bytes(u"≪不在メッセージです≫") + "\r\n\r\n" + japanese, "10.0.0.1");
    });
    record(QStringLiteral("message"), [&] { messenger.SendMessageTo("hello", "SELF"); });
    record(QStringLiteral("message-lines"),
           [&] { messenger.SendMessageTo(japanese + "\r\nline 2\r\n\r\n>quote", "SELF"); });
    // A body of exactly one piece, and one of several datagrams.
    const QByteArray head = JoinMessage(keyword::Message, {"10.0.0.1", "PC2", "peer", ""});
    record(QStringLiteral("message-510"), [&] { messenger.SendMessageTo(QByteArray(505 - head.size(), 'x'), "SELF"); });
    record(QStringLiteral("message-long"), [&] { messenger.SendMessageTo(japanese.repeated(30) + "\r\nend", "SELF"); });
    record(QStringLiteral("opencheck"), [&] { messenger.SendOpenCheck("SELF"); });
    record(QStringLiteral("exclamation"), [&] { messenger.SendMessageExclamation("10.0.0.1"); });
    // The second of two asked-for answers arrives while the box of the first is open.
    local.MachineName = "PC3";
    record(QStringLiteral("huzainothing-pc3"), [&] { messenger.SendHuzaiMessage("Nothing", "10.0.0.1"); });
    local.MachineName = "PC2";
    local.AbsentMode = true;
    settings.HandleName = "<b>A&B</b>";
    record(QStringLiteral("login-absent"), [&] { messenger.SendLogin(); });
    return out;
}

QByteArray logFile(int records)
{
    QTemporaryDir dir;
    Settings settings;
    settings.LogFileName = dir.filePath(QStringLiteral("LOG.ZNG"));
    settings.LogFileMaxCount = 0;
    test::FakeClock clock;
    test::FakeFrontend frontend;
    LogFile log(settings, clock, frontend);
    const QByteArray self = PeerLabel("self", "SELF");
    const QByteArray peer = PeerLabel("peer", "PC2");
    const QByteArray texts[] = {"hello", cp932::bytes(u"日本語の\r\n二行目"), "lone\nfeed", "", "a\\|b"};
    for (int i = 0; i < records; ++i) {
        clock.advance(3600 * 1000 + 1000);
        const bool received = i % 2 == 0;
        log.WriteLog(received ? peer : self, received ? self : peer, texts[i % 5]);
    }
    QFile file(settings.LogFileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

int main(int argc, char **argv)
{
    // The time stamps as a Japanese desktop writes them.
    qputenv("LC_ALL", "ja_JP.UTF-8");
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus directory>\n", argv[0]);
        return 2;
    }
    outDir = QString::fromLocal8Bit(argv[1]);

    // The session states (fuzz_message.cpp): present and absent, the viewer
    // open with a known sender, a box open with the sender asked, a full queue.
    const struct {
        const char *name;
        quint8 state;
    } states[] = {{"present", 0x00}, {"absent-viewer", 0xC5}, {"box-asked-reader", 0x78}, {"full", 0x42}};

    const QList<Sent> traffic = peerTraffic();
    QByteArray twoAnswers("\x78\x00", 2);
    for (const Sent &sent : traffic) {
        if (sent.name.startsWith(QStringLiteral("huzainothing")))
            twoAnswers += (twoAnswers.size() > 2 ? QByteArray("\xFF") : QByteArray()) + sent.datagrams.first();
    }
    writeSeed(QStringLiteral("message"), QStringLiteral("huzainothing-twice-box-asked"), twoAnswers);
    for (const Sent &sent : traffic) {
        QByteArray datagrams; // fuzz_datagrams: sender, length, bytes
        QByteArray separated; // fuzz_message: separated by 0xFF
        for (const QByteArray &d : sent.datagrams) {
            datagrams += char(2);
            datagrams += char(d.size() >> 8);
            datagrams += char(d.size() & 0xFF);
            datagrams += d;
            separated += (separated.isEmpty() ? QByteArray() : QByteArray("\xFF")) + d;
        }
        writeSeed(QStringLiteral("datagrams"), sent.name, datagrams);
        for (const auto &state : states) {
            QByteArray prefix;
            prefix.append(char(state.state)).append('\0');
            writeSeed(QStringLiteral("message"), sent.name + u'-' + QLatin1String(state.name), prefix + separated);
        }
        writeSeed(QStringLiteral("message"), sent.name + QStringLiteral("-framed"),
                  QByteArray("\x4D\x01", 2) + sent.message);
    }

    writeSeed(QStringLiteral("log"), QStringLiteral("empty"), {});
    writeSeed(QStringLiteral("log"), QStringLiteral("one"), logFile(1));
    writeSeed(QStringLiteral("log"), QStringLiteral("five"), logFile(5));
    writeSeed(QStringLiteral("log"), QStringLiteral("cut"), logFile(3).chopped(7));
    std::printf("%d seeds written under %s\n", written, argv[1]);
    return 0;
}
