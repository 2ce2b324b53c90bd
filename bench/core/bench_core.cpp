// Micro-benchmarks of the core paths with Google Benchmark: framing,
// reassembly and dispatch, the roster, the user list and menus, the log.
//
// How to run (a build with libbenchmark-dev installed):
//   nice build/bench/core/bench_core --benchmark_repetitions=3
//        --benchmark_report_aggregates_only=true      (one command line)
// The GUI cases run on the offscreen platform unless QT_QPA_PLATFORM says
// otherwise. Pick cases with --benchmark_filter=Roster (a regular expression).
// Roster and user-list cases print per_peer: the time of one add or update,
// which should stay flat (or grow like log N) from 100 to 10,000 peers.
#include "app/desktopshell.h"
#include "app/tmainform.h"
#include "benchsupport.h"
#include "common/clock.h"
#include "common/codec.h"
#include "common/localpeer.h"
#include "log/logfile.h"
#include "net/reassembly.h"
#include "net/wire.h"
#include "peers/roster.h"
#include "platform/desktopfrontend.h"
#include "session/session.h"
#include "settings/settings.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTreeView>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>
#include <optional>
#include <random>

using namespace zn;
using zn::bench::NoTransport;
using zn::bench::QuietFrontend;

namespace {

constexpr quint32 SenderIpv4 = 0x0A000002; // 10.0.0.2
const QByteArray LocalAddress = "10.0.0.1";

// A text of `bytes` bytes: words of lower-case letters and blanks.
QByteArray filler(qsizetype bytes)
{
    QByteArray text;
    text.reserve(bytes);
    for (qsizetype i = 0; i < bytes; ++i)
        text.append(i % 8 == 7 ? ' ' : char('a' + i % 26));
    return text;
}

// A MESSAGE from PC-SENDER to `to` whose datagrams number `datagrams`.
QList<QByteArray> messageDatagrams(const QByteArray &to, int datagrams)
{
    // Each datagram carries 510 bytes of the body; the body is the message
    // with a five-byte header.
    const qsizetype body = datagrams == 1 ? 200 : (datagrams - 1) * PieceBytes + 100;
    const QByteArray head = MessageMessage(to, "PC-SENDER", "sender", "");
    QList<QByteArray> d = MakeDatagrams(MessageMessage(to, "PC-SENDER", "sender", filler(body - 5 - head.size())));
    Q_ASSERT(d.size() == datagrams);
    return d;
}

// Peer i of a roster: names in an order unrelated to their sort order, so
// that adds land all over the list.
struct PeerNames {
    QByteArray handle, machine, address;
};
std::vector<PeerNames> peerNames(int count)
{
    std::vector<PeerNames> peers;
    peers.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QByteArray n = QByteArray::number(i);
        peers.push_back(
            {"user" + n, "PC" + n, "10.1." + QByteArray::number(i / 250) + '.' + QByteArray::number(i % 250)});
    }
    std::shuffle(peers.begin(), peers.end(), std::mt19937(42));
    return peers;
}

void perPeer(benchmark::State &state, qint64 count)
{
    state.counters["per_peer"] =
        benchmark::Counter(double(count), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// ---- framing, reassembly and dispatch ----

void BM_FrameMessage2048(benchmark::State &state)
{
    const QByteArray head = MessageMessage(LocalAddress, "PC-SENDER", "sender", "");
    const QByteArray message = MessageMessage(LocalAddress, "PC-SENDER", "sender", filler(2048 - head.size()));
    Q_ASSERT(message.size() == 2048);
    for (auto _ : state) {
        QList<QByteArray> datagrams = MakeDatagrams(message);
        benchmark::DoNotOptimize(datagrams);
    }
    state.SetBytesProcessed(state.iterations() * message.size());
}
BENCHMARK(BM_FrameMessage2048);

// A session with a frontend and transport that do nothing, no log on disk.
struct QuietSession {
    QuietFrontend frontend;
    NoTransport transport;
    Session session{frontend, {}, &transport};
    QuietSession()
    {
        session.local.MachineName = "SELF";
        session.local.Address = LocalAddress;
        session.settings.LogSave = false;
    }
};

// A MESSAGE addressed here, through reassembly and the dispatcher into the
// unread queue; each is taken out again (with its read confirmation).
void BM_ReceiveMessage(benchmark::State &state)
{
    QuietSession q;
    const QList<QByteArray> datagrams = messageDatagrams(LocalAddress, int(state.range(0)));
    for (auto _ : state) {
        for (const QByteArray &d : datagrams)
            q.session.reassembler().ReceiveDatagram(d, SenderIpv4);
        if (q.session.recvQueue().isEmpty()) {
            state.SkipWithError("the message did not arrive");
            break;
        }
        q.session.TakeRecvMessage();
    }
    state.counters["datagrams"] = double(datagrams.size());
}
BENCHMARK(BM_ReceiveMessage)->ArgName("datagrams")->Arg(1)->Arg(5);

// Traffic addressed to another copy on the segment: a one-datagram MESSAGE
// and a LOGIN_OK, both dropped unbuilt.
void BM_DispatchForOthers(benchmark::State &state)
{
    QuietSession q;
    const QList<QByteArray> message = messageDatagrams("10.0.0.9", 1);
    const QList<QByteArray> loginOk = MakeDatagrams(LoginOkMessage("10.0.0.9", "PC7", "user7", "0", "10.0.0.7"));
    for (auto _ : state) {
        q.session.reassembler().ReceiveDatagram(message.first(), SenderIpv4);
        q.session.reassembler().ReceiveDatagram(loginOk.first(), SenderIpv4);
    }
    if (q.session.roster().count() != 0 || !q.session.recvQueue().isEmpty())
        state.SkipWithError("traffic for another copy was acted on");
    state.SetItemsProcessed(state.iterations() * 2);
}
BENCHMARK(BM_DispatchForOthers);

// ---- roster ----

struct RosterFixture {
    Settings settings;
    LocalPeer local;
    QuietFrontend frontend;
    RosterFixture() { local.MachineName = "SELF"; }
    // The sounds and notices a session's roster gives.
    void announce(Roster &roster) { announcePresence(roster, settings, local, frontend); }
};

void fill(Roster &roster, const std::vector<PeerNames> &peers)
{
    for (const PeerNames &p : peers)
        roster.AddOrUpdatePeer(p.handle, p.machine, p.address, false);
}

// N new peers announce themselves one after another (as a join does).
void BM_RosterAdd(benchmark::State &state)
{
    RosterFixture f;
    const auto peers = peerNames(int(state.range(0)));
    std::optional<Roster> roster;
    for (auto _ : state) {
        state.PauseTiming();
        roster.emplace(f.settings, f.local);
        f.announce(*roster);
        state.ResumeTiming();
        fill(*roster, peers);
    }
    if (roster->count() != state.range(0))
        state.SkipWithError("peers missing");
    perPeer(state, state.range(0));
}
BENCHMARK(BM_RosterAdd)->ArgName("peers")->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Every listed peer announces itself again, as on a refresh; every tenth
// one toggles its absence.
void BM_RosterUpdate(benchmark::State &state)
{
    RosterFixture f;
    const auto peers = peerNames(int(state.range(0)));
    Roster roster(f.settings, f.local);
    f.announce(roster);
    fill(roster, peers);
    bool absent = false;
    for (auto _ : state) {
        absent = !absent;
        for (size_t i = 0; i < peers.size(); ++i)
            roster.AddOrUpdatePeer(peers[i].handle, peers[i].machine, peers[i].address, absent && i % 10 == 0);
    }
    perPeer(state, state.range(0));
}
BENCHMARK(BM_RosterUpdate)->ArgName("peers")->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Peers change their handle names (INFO_CHANGE), each followed by a new
// peer joining: the new row must find the list in order.
void BM_RosterRenameThenAdd(benchmark::State &state)
{
    RosterFixture f;
    const int count = int(state.range(0));
    const auto peers = peerNames(count);
    std::optional<Roster> roster;
    constexpr int Rounds = 100;
    for (auto _ : state) {
        state.PauseTiming();
        roster.emplace(f.settings, f.local);
        f.announce(*roster);
        fill(*roster, peers);
        state.ResumeTiming();
        for (int i = 0; i < Rounds; ++i) {
            const PeerNames &p = peers[size_t(i * 7919) % peers.size()];
            roster->AddOrUpdatePeer("renamed" + QByteArray::number(i), p.machine, p.address, false);
            roster->AddOrUpdatePeer("joined" + QByteArray::number(i), "NEW" + QByteArray::number(i), "10.2.0.1", false);
        }
    }
    perPeer(state, Rounds);
}
BENCHMARK(BM_RosterRenameThenAdd)->ArgName("peers")->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// A click on the sorted column's header: all N rows in the other direction.
void BM_RosterSort(benchmark::State &state)
{
    RosterFixture f;
    const auto peers = peerNames(int(state.range(0)));
    Roster roster(f.settings, f.local);
    f.announce(roster);
    fill(roster, peers);
    for (auto _ : state)
        roster.columnClicked(Roster::HandleColumn);
    perPeer(state, state.range(0));
}
BENCHMARK(BM_RosterSort)->ArgName("peers")->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Peers leave one after another (LOGOUT), then come back.
void BM_RosterRemove(benchmark::State &state)
{
    RosterFixture f;
    const auto peers = peerNames(int(state.range(0)));
    std::optional<Roster> roster;
    for (auto _ : state) {
        state.PauseTiming();
        roster.emplace(f.settings, f.local);
        f.announce(*roster);
        fill(*roster, peers);
        state.ResumeTiming();
        for (const PeerNames &p : peers)
            roster->RemovePeer(p.machine);
    }
    perPeer(state, state.range(0));
}
BENCHMARK(BM_RosterRemove)->ArgName("peers")->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// ---- the desktop windows (offscreen) ----

// The desktop over a session of its own, its main window shown, with the
// settings of a temporary directory.
struct Desktop {
    QTemporaryDir dir;
    DesktopFrontend frontend;
    NoTransport transport;
    Session session{frontend, {}, &transport};
    std::unique_ptr<DesktopShell> shell;
    Desktop()
    {
        frontend.setAutoAnswer(Answer::Ok);
        session.loadSettings(dir.path() + u'/');
        session.local.MachineName = "SELF";
        session.local.Address = LocalAddress;
        session.settings.LogSave = false;
        session.settings.MouseAnimation = 0;
        shell = std::make_unique<DesktopShell>(session, frontend);
        shell->mainWindow().show();
        QApplication::processEvents();
    }
    ~Desktop() { shell->mainWindow().setQuitWithoutAsking(true); }
};

// N peers join while the user list shows them; the list is laid out and
// painted once the event loop runs again, as after one read of the socket.
void BM_UserListAdd(benchmark::State &state)
{
    const auto peers = peerNames(int(state.range(0)));
    std::unique_ptr<Desktop> desktop;
    for (auto _ : state) {
        state.PauseTiming();
        desktop.reset();
        desktop = std::make_unique<Desktop>();
        state.ResumeTiming();
        fill(desktop->session.roster(), peers);
        QApplication::processEvents();
    }
    perPeer(state, state.range(0));
}
BENCHMARK(BM_UserListAdd)
    ->ArgName("peers")
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(3);

// Every listed peer announces itself again while the list is shown, with
// every row selected (the command states follow the selection).
void BM_UserListUpdate(benchmark::State &state)
{
    const auto peers = peerNames(int(state.range(0)));
    Desktop desktop;
    fill(desktop.session.roster(), peers);
    desktop.shell->mainWindow().userList()->selectAll();
    QApplication::processEvents();
    bool absent = false;
    for (auto _ : state) {
        absent = !absent;
        for (size_t i = 0; i < peers.size(); ++i)
            desktop.session.roster().AddOrUpdatePeer(peers[i].handle, peers[i].machine, peers[i].address,
                                                     absent && i % 10 == 0);
        QApplication::processEvents();
    }
    perPeer(state, state.range(0));
}
BENCHMARK(BM_UserListUpdate)->ArgName("peers")->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// A menu opened and closed again, as the user does, with 1,000 peers listed.
void openMenus(benchmark::State &state, const std::function<QList<QMenu *>(DesktopShell &)> &menus)
{
    Desktop desktop;
    fill(desktop.session.roster(), peerNames(1000));
    QApplication::processEvents();
    const QList<QMenu *> opened = menus(*desktop.shell);
    for (auto _ : state) {
        for (QMenu *menu : opened) {
            menu->popup(QPoint(0, 0));
            menu->hide();
        }
    }
    for (QMenu *menu : opened) {
        if (menu->actions().size() < 1000 && menu != desktop.shell->taskMenu())
            state.SkipWithError("a peer menu is not filled");
    }
}

void BM_TrayMenuOpen(benchmark::State &state)
{
    openMenus(state, [](DesktopShell &shell) { return QList<QMenu *>{shell.taskMenu()}; });
}
BENCHMARK(BM_TrayMenuOpen)->Unit(benchmark::kMicrosecond);

// The tray's three peer submenus and the send list of the global key.
void BM_PeerMenusOpen(benchmark::State &state)
{
    openMenus(state, [](DesktopShell &shell) {
        const TaskMenuItems &tray = shell.taskMenuItems();
        return QList<QMenu *>{tray.miClipSend, tray.miWindowSend, tray.miHuzaiRecv, shell.sendList()};
    });
}
BENCHMARK(BM_PeerMenusOpen)->Unit(benchmark::kMillisecond);

// ---- the log ----

struct LogFixture {
    QTemporaryDir dir;
    Settings settings;
    SystemClock clock;
    QuietFrontend frontend;
    LogFile log{settings, clock, frontend};
    // A log file of `records` records of a realistic size; the limit keeps it there.
    explicit LogFixture(int records)
    {
        settings.LogFileName = dir.filePath(u"LOG.ZNG"_qs);
        settings.LogFileMaxCount = records;
        const QByteArray record = cp932::bytes(u"2026年12月08日 午後 2時05分12秒\r\n") + PeerLabel("alice", "PC-ALICE")
            + "\r\n" + PeerLabel("me", "SELF") + "\r\n"
            + "Meeting moved to room 2 at three o'clock.\\|Please bring the printed agenda."
              "\\|Thanks, see you there.\r\n";
        QFile file(settings.LogFileName);
        if (file.open(QIODevice::WriteOnly))
            file.write(record.repeated(records));
    }
};

// One record written at the top of a log of N records (the oldest drops).
void BM_WriteLog(benchmark::State &state)
{
    LogFixture f(int(state.range(0)));
    const QByteArray text = "Meeting moved to room 2 at three o'clock.\r\nPlease bring the printed agenda.";
    for (auto _ : state) {
        if (!f.log.WriteLog(PeerLabel("alice", "PC-ALICE"), PeerLabel("me", "SELF"), text) || !f.log.flush()) {
            state.SkipWithError("the write failed");
            break;
        }
    }
}
BENCHMARK(BM_WriteLog)->ArgName("records")->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_LoadLog(benchmark::State &state)
{
    LogFixture f(int(state.range(0)));
    for (auto _ : state) {
        LoadedLog loaded = f.log.LoadLog();
        if (loaded.records.size() != state.range(0)) {
            state.SkipWithError("records missing");
            break;
        }
        benchmark::DoNotOptimize(loaded);
    }
}
BENCHMARK(BM_LoadLog)->ArgName("records")->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
