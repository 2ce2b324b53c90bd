// Fuzz target: anything a network can send, through reassembly and dispatch.
// The input is a sequence of datagrams, each: sender (1 byte), length
// (2 bytes, big-endian), then that many bytes.
#include "common/clock.h"
#include "common/frontend.h"
#include "common/localpeer.h"
#include "common/logwriter.h"
#include "net/dispatcher.h"
#include "net/messagesink.h"
#include "net/messenger.h"
#include "net/reassembly.h"
#include "net/transport.h"
#include "peers/roster.h"
#include "session/session.h"
#include "settings/settings.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

using namespace zn;

namespace {
struct Quiet final : Frontend, MessageSink, DatagramTransport, LogWriter, Clock {
    int openBoxes = 0;
    Answer showMessageBox(const QString &, int) override
    {
        // A box that nests in another one is the fault the guard prevents.
        if (++openBoxes > 1)
            std::abort();
        --openBoxes;
        return Answer::Ok;
    }
    void showEventNotice(const QString &, bool) override {}
    void playEventSound(SoundKind) override {}
    void openAbsenceWindow(const QByteArray &, const QByteArray &, const QByteArray &) override {}
    void AddRecvMessage(const QByteArray &, const QByteArray &, const QByteArray &, const QByteArray &) override {}
    void ReadConfirmed(const QByteArray &) override {}
    // Every answer counts as asked for, so that the display paths are fuzzed too.
    bool AcceptAbsenceAnswer(const QByteArray &, const QByteArray &, const QByteArray &, const QByteArray &) override
    {
        return true;
    }
    bool sendDatagram(quint32, const QByteArray &datagram) override
    {
        if (datagram.size() < 2 || datagram.size() > 512)
            std::abort();
        return true;
    }
    bool WriteLog(const QByteArray &, const QByteArray &, const QByteArray &) override { return true; }
    qint64 ms = 0;
    qint64 monotonicMs() const override { return ms; }
    QDateTime now() const override { return {}; }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    Quiet quiet;
    Settings settings;
    settings.OpenCheck = settings.OnlineCheck = settings.OfflineCheck = true;
    settings.HuzaiMessage = "away";
    LocalPeer local;
    local.MachineName = "SELF";
    local.Address = "10.0.0.1";
    local.AbsentMode = true;
    Roster roster(settings, local);
    announcePresence(roster, settings, local, quiet);
    Messenger messenger(settings, local, roster, quiet, quiet);
    Dispatcher dispatcher(settings, local, roster, messenger, quiet, quiet);
    Reassembler reassembler(quiet, quiet);
    QObject::connect(&reassembler, &Reassembler::messageReceived, &reassembler,
                     [&](const QByteArray &message) { dispatcher.HandleReceivedMessage(message); });

    size_t at = 0;
    while (at + 3 <= size) {
        const quint32 sender = 0x0A000000u + data[at];
        const size_t length = (size_t(data[at + 1]) << 8) | data[at + 2];
        at += 3;
        const size_t take = length < size - at ? length : size - at;
        reassembler.ReceiveDatagram(QByteArrayView(reinterpret_cast<const char *>(data + at), qsizetype(take)), sender);
        at += take;
        quiet.ms += 7000;
        reassembler.expire();
    }
    // The roster never holds one machine twice.
    for (qsizetype i = 0; i < roster.count(); ++i)
        if (roster.indexOfMachine(roster.peers().at(i).MachineName) != i)
            std::abort();
    return 0;
}
