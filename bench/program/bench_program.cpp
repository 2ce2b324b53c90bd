// The whole desktop program's CPU per received LOGIN_OK, beside a bare recv
// loop that takes the same stream on the same kind of socket.
//
// The real program (the zephinet binary, copied into a folder of its own
// with a settings file there: log off, port 50000) runs on the offscreen
// platform, once started hidden (no tray exists offscreen, so it starts
// minimised, as on a desktop without a tray) and once with its main window
// shown. Everything runs in a network namespace of its own (root needed):
// loopback and one veth pair holding 10.77.0.1, the address the program
// announces, so that nothing reaches a real network.
//
// For each window state, one start of the program:
//   1. The program starts; its own LOGIN opens the 30 s in which answers
//      may list machines. 1,000 LOGIN_OKs from 1,000 machine names
//      (PC0..PC999) addressed to it make the 1,000 rows (none may be
//      dropped). The bench then waits until those 30 s are over, so that
//      what follows is the steady state of a copy that has run a while,
//      and sends one pass of 1,000 updates to warm it up.
//   2. Each round, the measured stream: `datagrams` LOGIN_OKs of those
//      1,000 names in turn, sent over loopback at a steady `rate` a second.
//      They update the 1,000 listed rows. The stream "same" repeats each
//      row's texts, as peers do; "changing" flips each peer's absence flag
//      every time round, so that every update changes a row's icon. The
//      program's CPU (all threads, user and system, from its CPU clock)
//      runs from just before the first datagram to the moment it is idle
//      again after the last.
//   3. Each round, beside it (in turns before and after), a bare process:
//      a blocking recvfrom on a UDP socket bound like the program's
//      (0.0.0.0, 16 MiB receive queue) takes the same stream at the same
//      rate; its CPU runs from before its first datagram to after the last.
// The kernel's drop counter of each socket (/proc/net/udp) says how many
// datagrams did not arrive; CPU is divided by those that did. Medians over
// the rounds.
//
// Usage: bench_program [--perf FILE] [PROGRAM] [datagrams=100000] [rounds=3] [rate=20000] [same|changing]
//   PROGRAM defaults to the build's src/app/zephinet. With --perf, perf
//   records the program (perf record -g) over the last measured stream of
//   each window state, into FILE.hidden and FILE.shown.
#include "benchsupport.h"
#include "net/wire.h"

#include <QByteArray>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <netinet/in.h>
#include <sched.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace zn;
namespace fs = std::filesystem;

namespace {

constexpr quint16 ProgramPort = 50000;
constexpr quint16 BarePort = 50001;
constexpr int Names = 1000;
constexpr char ProgramAddress[] = "10.77.0.1";
constexpr int QueueBytes = 16 << 20;
// How long after its own LOGIN an answer may list a machine.
constexpr double AnswerWindowMs = 30 * 1000;

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void sleepMs(double ms)
{
    const timespec ts{time_t(ms / 1000), long(std::fmod(ms, 1000.0) * 1e6)};
    nanosleep(&ts, nullptr);
}

// The CPU time of a whole process (every thread, user and system) in ms.
double processCpuMs(pid_t pid)
{
    clockid_t clock{};
    timespec ts{};
    if (clock_getcpuclockid(pid, &clock) != 0 || clock_gettime(clock, &ts) != 0)
        return -1;
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// The drops column of the socket bound to `port`, or -1 when none is.
long socketDrops(quint16 port)
{
    std::ifstream udp("/proc/net/udp");
    std::string line;
    char wanted[8];
    std::snprintf(wanted, sizeof wanted, ":%04X", port);
    std::getline(udp, line);
    while (std::getline(udp, line)) {
        // sl local_address rem_address ... drops: the local address is the second field.
        std::istringstream fields(line);
        std::string sl, local, word, last;
        fields >> sl >> local;
        if (local.size() < 5 || local.compare(local.size() - 5, 5, wanted) != 0)
            continue;
        while (fields >> word)
            last = word;
        return std::atol(last.c_str());
    }
    return -1;
}

bool run(const std::string &command)
{
    return std::system(command.c_str()) == 0;
}

// A namespace of its own: loopback, and a veth pair holding the address the
// program announces, with a default route so that its broadcasts have a way.
bool ownNetwork()
{
    if (::unshare(CLONE_NEWNET) != 0) {
        std::fprintf(stderr, "bench_program: cannot make a network namespace (%s); run it as root\n",
                     std::strerror(errno));
        return false;
    }
    return run(std::string("ip link set lo up && ip link add zb0 type veth peer name zb1"
                           " && ip addr add ")
               + ProgramAddress
               + "/24 brd 10.77.0.255 dev zb0 && ip link set zb1 up && ip link set zb0 up"
                 " && ip route add default dev zb0");
}

QByteArray loginOk(int i, bool changing)
{
    const int name = i % Names;
    const QByteArray n = QByteArray::number(name);
    const QByteArray absent = changing && (i / Names) % 2 ? "1" : "0";
    const QByteArray machine = "PC" + n, handle = "user" + n;
    const QByteArray address = "10.1." + QByteArray::number(name / 250) + "." + QByteArray::number(name % 250 + 1);
    return MakeDatagrams(LoginOkMessage(ProgramAddress, machine, handle, absent, address)).value(0);
}

class Sender {
public:
    Sender() : m_fd(::socket(AF_INET, SOCK_DGRAM, 0)) {}
    ~Sender() { ::close(m_fd); }

    // The datagrams to the port on loopback, `rate` a second in steps of 1 ms.
    void send(quint16 port, const std::vector<QByteArray> &datagrams, int rate) const
    {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const double start = nowMs();
        size_t next = 0;
        for (long step = 1; next < datagrams.size(); ++step) {
            const size_t due = std::min(datagrams.size(), size_t(double(rate) * double(step) / 1000.0));
            for (; next < due; ++next) {
                const QByteArray &d = datagrams[next];
                (void)::sendto(m_fd, d.constData(), size_t(d.size()), 0, reinterpret_cast<const sockaddr *>(&to),
                               sizeof to);
            }
            const double wait = start + double(step) - nowMs();
            if (wait > 0)
                sleepMs(wait);
        }
    }

private:
    int m_fd;
};

struct Measure {
    double cpuMs = 0;
    long received = 0;
    long dropped = 0;
    double perDatagramUs() const { return received > 0 ? cpuMs * 1000 / double(received) : 0; }
};

// Waits until the process has used less than 0.5 ms of CPU in 100 ms, at
// most `limitMs`; returns its CPU time then.
double cpuWhenIdle(pid_t pid, double limitMs)
{
    const double until = nowMs() + limitMs;
    double last = processCpuMs(pid);
    while (nowMs() < until) {
        sleepMs(100);
        const double now = processCpuMs(pid);
        if (now - last < 0.5)
            return now;
        last = now;
    }
    return last;
}

class Program {
public:
    Program(const fs::path &binary, bool shown) : m_dir(makeDir())
    {
        fs::copy_file(binary, m_dir / "zephinet");
        std::ofstream ini(m_dir / "Zephinet.INI", std::ios::binary);
        // StartShow=1 starts it hidden (minimised where there is no tray).
        ini << "[LocalSetting]\r\nHandleName=bench\r\nPortNo=" << ProgramPort << "\r\nStartShow=" << (shown ? 0 : 1)
            << "\r\nTaskAnimation=0\r\nMouseAnimation=0\r\nLogSave=0\r\n";
        ini.close();
        m_pid = ::fork();
        if (m_pid == 0) {
            const std::string out = (m_dir / "out.log").string();
            const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            // No session bus: the program neither finds nor disturbs another copy's.
            ::unsetenv("DBUS_SESSION_BUS_ADDRESS");
            const std::string program = (m_dir / "zephinet").string();
            ::execl(program.c_str(), program.c_str(), static_cast<char *>(nullptr));
            ::_exit(127);
        }
    }
    ~Program()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            const double until = nowMs() + 5000;
            int status = 0;
            while (::waitpid(m_pid, &status, WNOHANG) == 0) {
                if (nowMs() > until) {
                    ::kill(m_pid, SIGKILL);
                    ::waitpid(m_pid, &status, 0);
                    break;
                }
                sleepMs(20);
            }
        }
        std::error_code ignored;
        fs::remove_all(m_dir, ignored);
    }
    pid_t pid() const { return m_pid; }

    // True once the program's socket is bound.
    bool waitForPort(double limitMs) const
    {
        const double until = nowMs() + limitMs;
        while (nowMs() < until) {
            if (socketDrops(ProgramPort) >= 0)
                return true;
            if (::waitpid(m_pid, nullptr, WNOHANG) != 0)
                return false;
            sleepMs(10);
        }
        return false;
    }
    std::string output() const
    {
        std::ifstream in(m_dir / "out.log");
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

private:
    static fs::path makeDir()
    {
        char name[] = "/tmp/bench_program.XXXXXX";
        return fs::path(::mkdtemp(name));
    }
    fs::path m_dir;
    pid_t m_pid = -1;
};

// The bare loop in a child process; its result comes back through a pipe.
Measure bareLoop(const Sender &sender, const std::vector<QByteArray> &stream, int rate)
{
    int result[2];
    int ready[2];
    if (::pipe(result) != 0 || ::pipe(ready) != 0)
        std::exit(1);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        (void)::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &QueueBytes, sizeof QueueBytes) != 0)
            (void)::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &QueueBytes, sizeof QueueBytes);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(BarePort);
        at.sin_addr.s_addr = htonl(INADDR_ANY);
        if (::bind(fd, reinterpret_cast<const sockaddr *>(&at), sizeof at) != 0)
            ::_exit(1);
        (void)::write(ready[1], "r", 1);
        const double start = processCpuMs(0);
        const long received = bench::receiveUntilEndMark(fd);
        const double values[2] = {processCpuMs(0) - start, double(received)};
        (void)::write(result[1], values, sizeof values);
        ::_exit(0);
    }
    char byte;
    (void)::read(ready[0], &byte, 1);
    const long dropsBefore = socketDrops(BarePort);
    sender.send(BarePort, stream, rate);
    const long dropsAfter = socketDrops(BarePort);
    sleepMs(20);
    sender.send(BarePort, {QByteArray(1, 'E')}, rate);
    double values[2] = {};
    (void)::read(result[0], values, sizeof values);
    ::waitpid(pid, nullptr, 0);
    for (const int fd : {result[0], result[1], ready[0], ready[1]})
        ::close(fd);
    return {values[0], long(values[1]), dropsAfter - dropsBefore};
}

// Starts the program and makes its 1,000 rows; returns once the window in
// which answers may list machines has closed, so that what follows is the
// steady state of a copy that has run for a while.
std::unique_ptr<Program> startWithRows(const fs::path &binary, bool shown, const Sender &sender, int rate)
{
    auto program = std::make_unique<Program>(binary, shown);
    if (!program->waitForPort(20000)) {
        std::fprintf(stderr, "bench_program: the program did not bind its port:\n%s\n", program->output().c_str());
        return nullptr;
    }
    // Its LOGIN went out as it bound the port: the answers may list machines now.
    const double login = nowMs();
    std::vector<QByteArray> rows;
    for (int i = 0; i < Names; ++i)
        rows.push_back(loginOk(i, false));
    const long dropsBefore = socketDrops(ProgramPort);
    sender.send(ProgramPort, rows, 10000);
    cpuWhenIdle(program->pid(), 10000);
    if (socketDrops(ProgramPort) != dropsBefore) {
        std::fprintf(stderr, "bench_program: the program dropped some of the answers that make its rows\n");
        return nullptr;
    }
    sleepMs(std::max(0.0, login + AnswerWindowMs + 1000 - nowMs()));
    sender.send(ProgramPort, rows, rate);
    cpuWhenIdle(program->pid(), 10000);
    return program;
}

Measure measureProgram(const Program &program, const Sender &sender, const std::vector<QByteArray> &stream, int rate,
                       const std::string &perfFile)
{
    pid_t perf = -1;
    if (!perfFile.empty()) {
        perf = ::fork();
        if (perf == 0) {
            const std::string pid = std::to_string(program.pid());
            ::execlp("perf", "perf", "record", "-q", "-g", "-F", "4000", "-p", pid.c_str(), "-o", perfFile.c_str(),
                     static_cast<char *>(nullptr));
            ::_exit(127);
        }
        sleepMs(500);
    }
    const long dropsBefore = socketDrops(ProgramPort);
    const double before = processCpuMs(program.pid());
    sender.send(ProgramPort, stream, rate);
    const double after = cpuWhenIdle(program.pid(), 30000);
    const long dropped = socketDrops(ProgramPort) - dropsBefore;
    if (perf > 0) {
        ::kill(perf, SIGINT);
        ::waitpid(perf, nullptr, 0);
    }
    return {after - before, long(stream.size()) - dropped, dropped};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string perfFile;
    if (args.size() >= 2 && args[0] == "--perf") {
        perfFile = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    fs::path binary = fs::canonical("/proc/self/exe").parent_path() / "../../src/app/zephinet";
    if (!args.empty() && !args[0].empty() && !std::isdigit(static_cast<unsigned char>(args[0][0]))) {
        binary = args[0];
        args.erase(args.begin());
    }
    const int datagrams = args.size() > 0 ? std::atoi(args[0].c_str()) : 100000;
    const int rounds = args.size() > 1 ? std::atoi(args[1].c_str()) : 3;
    const int rate = args.size() > 2 ? std::atoi(args[2].c_str()) : 20000;
    const bool changing = args.size() > 3 && args[3] == "changing";
    if (!fs::exists(binary)) {
        std::fprintf(stderr, "bench_program: no program at %s\n", binary.c_str());
        return 1;
    }
    binary = fs::canonical(binary);
    if (!ownNetwork())
        return 1;

    std::vector<QByteArray> stream;
    stream.reserve(size_t(datagrams));
    for (int i = 0; i < datagrams; ++i)
        stream.push_back(loginOk(i + Names, changing));
    const Sender sender;
    std::printf("%s: %d LOGIN_OK (%s) from %d names, %d a second, %d rounds\n", binary.c_str(), datagrams,
                changing ? "each changes its row" : "texts repeated", Names, rate, rounds);
    for (const bool shown : {false, true}) {
        std::vector<double> ours, bare, ratio;
        long ourDrops = 0, bareDrops = 0, ourReceived = 0, bareReceived = 0;
        std::printf("%s: starting, making 1,000 rows, waiting for the answer window to close\n",
                    shown ? "shown " : "hidden");
        std::fflush(stdout);
        const std::unique_ptr<Program> program = startWithRows(binary, shown, sender, rate);
        if (!program)
            return 1;
        for (int round = 0; round < rounds; ++round) {
            struct {
                Measure program, bare;
            } r;
            const std::string perf =
                perfFile.empty() || round != rounds - 1 ? std::string() : perfFile + (shown ? ".shown" : ".hidden");
            // In turns, so that neither always comes first.
            if (round % 2 == 1)
                r.bare = bareLoop(sender, stream, rate);
            r.program = measureProgram(*program, sender, stream, rate, perf);
            if (round % 2 == 0)
                r.bare = bareLoop(sender, stream, rate);
            ours.push_back(r.program.perDatagramUs());
            bare.push_back(r.bare.perDatagramUs());
            ratio.push_back(r.program.perDatagramUs() / r.bare.perDatagramUs());
            ourDrops += r.program.dropped;
            bareDrops += r.bare.dropped;
            ourReceived += r.program.received;
            bareReceived += r.bare.received;
            std::printf("  %s round %d: program %.2f us/datagram, bare %.2f us/datagram, ratio %.2f\n",
                        shown ? "shown " : "hidden", round + 1, r.program.perDatagramUs(), r.bare.perDatagramUs(),
                        ratio.back());
            std::fflush(stdout);
        }
        std::printf("%s: program %.2f us/datagram (%ld taken, %ld dropped), bare recv %.2f us/datagram "
                    "(%ld taken, %ld dropped), ratio %.2f (median of %d)\n",
                    shown ? "shown " : "hidden", median(ours), ourReceived, ourDrops, median(bare), bareReceived,
                    bareDrops, median(ratio), rounds);
        std::fflush(stdout);
    }
    return 0;
}
