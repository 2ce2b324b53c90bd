// Watches one program for the footprint benchmark, from start to end, by
// what the kernel says of it (/proc), so that any program can be compared.
//
//   procwatch run [--port P] [--settle S] [--idle I] [--after A] -- program args...
//     starts the program and prints, one "key value..." line each:
//       start_ns N        CLOCK_MONOTONIC just before it was started
//       bound_ms X        until a UDP socket of this network namespace is bound to P
//       mem_idle RSS PSS USS  KiB, S seconds after the start
//       idle CPU_MS VOLUNTARY INVOLUNTARY   over the following I seconds, all threads
//       loaded_begin      the moment the caller may load the program
//       mem_loaded RSS PSS  KiB, A seconds later
//     then ends the program (SIGTERM, SIGKILL after 3 s).
//   procwatch first --port P --from IPV4 [--seconds S]
//     prints "first_ns N": CLOCK_MONOTONIC when the first datagram from IPV4
//     reached port P (the same clock in every namespace of the machine).
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fstream>
#include <map>
#include <netinet/in.h>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

long long monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

bool udpPortBound(unsigned port)
{
    std::ifstream in("/proc/net/udp");
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string slot, local;
        fields >> slot >> local;
        const auto colon = local.find(':');
        if (colon != std::string::npos && std::stoul(local.substr(colon + 1), nullptr, 16) == port)
            return true;
    }
    return false;
}

struct Memory {
    long rss = -1, pss = -1, uss = 0; // KiB; uss: the pages no other process maps
};

// Rss, Pss and the private pages from smaps_rollup.
Memory memory(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/smaps_rollup");
    std::string key;
    long value = 0;
    Memory m;
    std::string unit;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        fields >> key >> value >> unit;
        if (key == "Rss:")
            m.rss = value;
        else if (key == "Pss:")
            m.pss = value;
        else if (key == "Private_Clean:" || key == "Private_Dirty:")
            m.uss += value;
    }
    return m;
}

struct Cpu {
    double ms = 0;
    // Per thread: the counts of a thread are gone with it, so that sums
    // over the threads of two moments would go down when one ends.
    std::map<std::string, std::pair<long, long>> switches; // tid: voluntary, involuntary

    // The switches since `before` of the threads alive now.
    std::pair<long, long> switchesSince(const Cpu &before) const
    {
        std::pair<long, long> sum{0, 0};
        for (const auto &[tid, counts] : switches) {
            const auto it = before.switches.find(tid);
            sum.first += counts.first - (it == before.switches.end() ? 0 : it->second.first);
            sum.second += counts.second - (it == before.switches.end() ? 0 : it->second.second);
        }
        return sum;
    }
};

// CPU time of the process and the context switches of all its threads.
Cpu cpu(pid_t pid)
{
    Cpu c;
    const std::string base = "/proc/" + std::to_string(pid);
    {
        std::ifstream in(base + "/stat");
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // Fields after the command name, which may hold blanks.
        std::istringstream fields(stat.substr(stat.rfind(')') + 2));
        std::vector<std::string> f;
        std::string s;
        while (fields >> s)
            f.push_back(s);
        // utime and stime are fields 14 and 15 of stat, 12 and 13 here.
        if (f.size() > 13)
            c.ms = (std::stod(f[11]) + std::stod(f[12])) * 1000.0 / double(sysconf(_SC_CLK_TCK));
    }
    if (DIR *dir = opendir((base + "/task").c_str())) {
        while (dirent *e = readdir(dir)) {
            if (e->d_name[0] == '.')
                continue;
            std::ifstream in(base + "/task/" + e->d_name + "/status");
            std::string line;
            auto &counts = c.switches[e->d_name];
            while (std::getline(in, line)) {
                if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                    counts.first = std::atol(line.c_str() + 24);
                else if (line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                    counts.second = std::atol(line.c_str() + 27);
            }
        }
        closedir(dir);
    }
    return c;
}

void sleepUntil(long long ns)
{
    const long long left = ns - monotonicNs();
    if (left > 0)
        std::this_thread::sleep_for(std::chrono::nanoseconds(left));
}

int run(unsigned port, double settle, double idle, double after, char **argv)
{
    std::printf("start_ns %lld\n", monotonicNs());
    std::fflush(stdout);
    const long long start = monotonicNs();
    const pid_t pid = fork();
    if (pid < 0)
        return 1;
    if (pid == 0) {
        execvp(argv[0], argv);
        std::perror(argv[0]);
        _exit(127);
    }
    bool bound = false;
    while (monotonicNs() - start < 10'000'000'000LL) {
        if (udpPortBound(port)) {
            bound = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (bound)
        std::printf("bound_ms %.1f\n", (monotonicNs() - start) / 1e6);
    else
        std::printf("bound_ms -\n");
    std::fflush(stdout);
    sleepUntil(start + static_cast<long long>(settle * 1e9));
    Memory m = memory(pid);
    std::printf("mem_idle %ld %ld %ld\n", m.rss, m.pss, m.uss);
    std::fflush(stdout);
    const Cpu before = cpu(pid);
    sleepUntil(monotonicNs() + static_cast<long long>(idle * 1e9));
    const Cpu afterIdle = cpu(pid);
    const auto [voluntary, involuntary] = afterIdle.switchesSince(before);
    std::printf("idle %.1f %ld %ld\n", afterIdle.ms - before.ms, voluntary, involuntary);
    std::printf("loaded_begin\n");
    std::fflush(stdout);
    sleepUntil(monotonicNs() + static_cast<long long>(after * 1e9));
    m = memory(pid);
    std::printf("mem_loaded %ld %ld %ld\n", m.rss, m.pss, m.uss);
    std::fflush(stdout);
    kill(pid, SIGTERM);
    for (int i = 0; i < 300; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return 0;
}

int first(unsigned port, const char *from, double seconds)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        std::perror("bind");
        return 1;
    }
    const timeval limit{static_cast<time_t>(seconds), 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    std::printf("listening\n");
    std::fflush(stdout);
    in_addr want{};
    inet_aton(from, &want);
    char buffer[2048];
    for (;;) {
        sockaddr_in sender{};
        socklen_t length = sizeof sender;
        if (recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&sender), &length) < 0)
            return 1;
        if (sender.sin_addr.s_addr == want.s_addr) {
            std::printf("first_ns %lld\n", monotonicNs());
            return 0;
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: procwatch run|first ...\n");
        return 2;
    }
    const std::string mode = argv[1];
    unsigned port = 50000;
    double settle = 5, idle = 60, after = 10, seconds = 10;
    const char *from = "0.0.0.0";
    int i = 2;
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--") {
            ++i;
            break;
        }
        if (i + 1 >= argc)
            return 2;
        if (a == "--port")
            port = unsigned(std::atoi(argv[++i]));
        else if (a == "--settle")
            settle = std::atof(argv[++i]);
        else if (a == "--idle")
            idle = std::atof(argv[++i]);
        else if (a == "--after")
            after = std::atof(argv[++i]);
        else if (a == "--from")
            from = argv[++i];
        else if (a == "--seconds")
            seconds = std::atof(argv[++i]);
        else
            return 2;
    }
    if (mode == "run" && i < argc)
        return run(port, settle, idle, after, argv + i);
    if (mode == "first")
        return first(port, from, seconds);
    std::fprintf(stderr, "usage: procwatch run|first ...\n");
    return 2;
}
