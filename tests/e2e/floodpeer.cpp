// Test tool: a hostile neighbour. Sends one copy of the program a paced
// stream of datagrams for a given time, from its own address and from many
// others of its host, and prints what it sent.
//
// Usage: floodpeer TARGET RATE SECONDS SOURCE_BASE SOURCE_COUNT MESSAGES_TO_TARGET [MIX]
//   TARGET              the copy's address; every datagram goes there
//   RATE                datagrams a second
//   SOURCE_BASE/COUNT   consecutive addresses of this host to send from
//                       (each must be one of the host's own)
//   MESSAGES_TO_TARGET  MESSAGEs addressed to the copy, spread over the time
//   MIX                 "mixed" (the default); "infochange": every datagram
//                       an INFO_CHANGE in an ever new machine name, each from
//                       the next source, naming it; "fragments": see below
//                       (MESSAGES_TO_TARGET unused by both)
// The mixed one, in turns of 20 datagrams:
//   5  garbage: 1 byte; 513 and 600 bytes; 512 bytes without a NUL; length
//      headers that are no number or claim more than follows; fragment
//      numbers 0 and 255
//   5  the first fragment of a 1200-byte message, each from the next source,
//      never completed
//   3  LOGIN in one machine name from this host's own address
//   3  LOGIN in ever new machine names, each from the next source, naming it
//   2  MESSAGE addressed to another copy
//   2  MESSAGE addressed to the copy while any are left, else to another
// With the mix "fragments", every datagram is the first fragment of a 1200-byte
// message to the copy, never completed, from the sources in turn.
// Printed, tab-separated, with the monotonic clock in milliseconds:
//   start <ms>              as the first datagram goes
//   end <ms> sent <total> logins_one_source <n> logins_many_names <n> messages_to_target <n>
//   (with MIX infochange, every one sent is an INFO_CHANGE in a new name)
#include "common/ipv4.h"
#include "net/wire.h"

#include <QByteArray>
#include <QList>

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

using namespace zn;

namespace {

constexpr quint16 Port = 50000;

struct Outgoing {
    QByteArray datagram;
    quint32 source = 0; // 0: the host's own address, as routing picks it
};

qint64 nowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

QByteArray firstDatagram(const QByteArray &message)
{
    return MakeDatagrams(message).value(0);
}

enum class Mix { Mixed, InfoChange, Fragments };

class Flood {
public:
    Flood(quint32 target, quint32 base, quint32 count, int messagesToTarget, qint64 total, Mix mix)
        : m_infoChanges(mix == Mix::InfoChange), m_fragmentsOnly(mix == Mix::Fragments), m_target(DottedIPv4(target)),
          m_base(base), m_count(count), m_messagesLeft(messagesToTarget),
          m_messageEvery(messagesToTarget > 0 ? qMax<qint64>(1, total / 20 / messagesToTarget) : 0)
    {
        QByteArray text;
        while (text.size() < 1200)
            text += "never to be completed ";
        m_incomplete = firstDatagram(MessageMessage(m_target, "GHOST", "ghost", text.left(1200)));
    }

    Outgoing next()
    {
        if (m_infoChanges) {
            ++m_sent;
            const quint32 source = nextSource();
            const QByteArray name = "I" + QByteArray::number(++m_infoChangesManyNames);
            return {firstDatagram(InfoChangeMessage(name, name, "0", DottedIPv4(source))), source};
        }
        const qint64 i = m_sent++;
        if (m_fragmentsOnly)
            return {m_incomplete, nextSource()};
        const qint64 turn = i / 20;
        switch (i % 20) {
        case 0: return {QByteArray("\x01", 1)};
        case 1: return {QByteArray(513 + int(turn % 88), 'x')};
        case 2: return {QByteArray(1, '\x01') + QByteArray(511, 'A')};
        case 3:
            return {QByteArray("\x01"
                               "abcdeZNMESSAGE:LOGIN&|X&|x&|0&|1.2.3.4",
                               37)
                    + '\0'};
        case 4:
            switch (turn % 3) {
            case 0: return {"\x01" + (*MakeBody("ZNMESSAGE:LOGOUT&|X")).replace(0, 5, "99999") + '\0'};
            case 1: return {'\0' + firstDatagram(LogoutMessage("NUMBER0")).mid(1)};
            default: return {'\xFF' + firstDatagram(LogoutMessage("NUMBER255")).mid(1)};
            }
        case 5:
        case 6:
        case 7:
        case 8:
        case 9: return {m_incomplete, nextSource()};
        case 10:
        case 11:
        case 12: ++m_loginsOneSource; return {firstDatagram(LoginMessage("FLOODER", "flooder", "0", "10.77.0.3"))};
        case 13:
        case 14:
        case 15: {
            const quint32 source = nextSource();
            ++m_loginsManyNames;
            const QByteArray name = "F" + QByteArray::number(m_loginsManyNames);
            return {firstDatagram(LoginMessage(name, name, "0", DottedIPv4(source))), source};
        }
        case 16:
        case 17: return {firstDatagram(MessageMessage("10.77.0.99", "OTHER", "other", "not for you"))};
        default:
            if (m_messagesLeft > 0 && i % 20 == 18 && turn % m_messageEvery == 0) {
                --m_messagesLeft;
                ++m_messagesToTarget;
                const quint32 source = nextSource();
                const QByteArray n = QByteArray::number(m_messagesToTarget);
                const QByteArray machine = "M" + n, handle = "m" + n, text = "flood message " + n;
                return {firstDatagram(MessageMessage(m_target, machine, handle, text)), source};
            }
            return {firstDatagram(MessageMessage("10.77.0.98", "OTHER", "other", "nor this"))};
        }
    }

    void report(qint64 endMs) const
    {
        std::printf(
            "end\t%lld\tsent\t%lld\tlogins_one_source\t%lld\tlogins_many_names\t%lld\tmessages_to_target\t%lld\n",
            static_cast<long long>(endMs), static_cast<long long>(m_sent), static_cast<long long>(m_loginsOneSource),
            static_cast<long long>(m_loginsManyNames), static_cast<long long>(m_messagesToTarget));
    }

private:
    quint32 nextSource() { return m_base + quint32(m_nextSource++ % m_count); }

    bool m_infoChanges;
    bool m_fragmentsOnly;
    QByteArray m_target;
    quint32 m_base;
    quint32 m_count;
    qint64 m_messagesLeft;
    qint64 m_messageEvery;
    QByteArray m_incomplete;
    qint64 m_sent = 0;
    qint64 m_nextSource = 0;
    qint64 m_loginsOneSource = 0;
    qint64 m_loginsManyNames = 0;
    qint64 m_messagesToTarget = 0;
    qint64 m_infoChangesManyNames = 0;
};

std::optional<quint32> parseAddress(const char *text)
{
    in_addr a{};
    if (inet_pton(AF_INET, text, &a) != 1)
        return std::nullopt;
    return ntohl(a.s_addr);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 7 && argc != 8) {
        std::fprintf(stderr,
                     "usage: floodpeer TARGET RATE SECONDS SOURCE_BASE SOURCE_COUNT MESSAGES_TO_TARGET [MIX]\n");
        return 2;
    }
    const QByteArray mixName = argc == 8 ? QByteArray(argv[7]) : QByteArray("mixed");
    const std::optional<Mix> mix = mixName == "mixed" ? std::optional(Mix::Mixed)
        : mixName == "infochange"                     ? std::optional(Mix::InfoChange)
        : mixName == "fragments"                      ? std::optional(Mix::Fragments)
                                                      : std::nullopt;
    const std::optional<quint32> target = parseAddress(argv[1]);
    const std::optional<quint32> base = parseAddress(argv[4]);
    const int rate = std::atoi(argv[2]);
    const int seconds = std::atoi(argv[3]);
    const int count = std::atoi(argv[5]);
    const int messages = mix == Mix::Mixed ? std::atoi(argv[6]) : 0;
    if (!target || !base || !mix || rate <= 0 || seconds <= 0 || count <= 0 || messages < 0) {
        std::fprintf(stderr, "floodpeer: bad arguments\n");
        return 2;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) {
        std::perror("floodpeer: socket");
        return 1;
    }
    const int queue = 4 << 20;
    (void)::setsockopt(fd, SOL_SOCKET, SO_SNDBUFFORCE, &queue, sizeof queue);

    const qint64 total = qint64(rate) * seconds;
    Flood flood(*target, *base, quint32(count), messages, total, *mix);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(Port);
    to.sin_addr.s_addr = htonl(*target);

    // Paced in steps of a millisecond; a late step sends what it owes.
    const qint64 start = nowNs();
    std::printf("start\t%lld\n", static_cast<long long>(start / 1000000));
    std::fflush(stdout);
    qint64 sent = 0;
    qint64 failed = 0;
    while (sent < total) {
        const qint64 due = qMin(total, (nowNs() - start) * rate / 1000000000 + 1);
        for (; sent < due; ++sent) {
            const Outgoing out = flood.next();
            // The source address rides along with each datagram (IP_PKTINFO).
            alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
            iovec iov{const_cast<char *>(out.datagram.constData()), size_t(out.datagram.size())};
            msghdr msg{};
            msg.msg_name = &to;
            msg.msg_namelen = sizeof to;
            msg.msg_iov = &iov;
            msg.msg_iovlen = 1;
            if (out.source != 0) {
                msg.msg_control = control;
                msg.msg_controllen = sizeof control;
                cmsghdr *c = CMSG_FIRSTHDR(&msg);
                c->cmsg_level = IPPROTO_IP;
                c->cmsg_type = IP_PKTINFO;
                c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
                in_pktinfo info{};
                info.ipi_spec_dst.s_addr = htonl(out.source);
                std::memcpy(CMSG_DATA(c), &info, sizeof info);
            }
            if (::sendmsg(fd, &msg, 0) != ssize_t(out.datagram.size()))
                ++failed;
        }
        timespec pause{0, 1000000};
        nanosleep(&pause, nullptr);
    }
    flood.report(nowNs() / 1000000);
    if (failed > 0)
        std::fprintf(stderr, "floodpeer: %lld datagrams could not be sent\n", static_cast<long long>(failed));
    ::close(fd);
    return failed * 100 > total ? 1 : 0;
}
