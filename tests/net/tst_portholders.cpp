#include "net/portholders.h"
#include "net/udpservice.h"
#include "netfakes.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTest>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zn;
using namespace zn::test;

namespace {

// A UDP socket of this process on a free port of `family`; -1 when the
// family is not available here.
int boundSocket(int family, quint16 &port)
{
    const int fd = ::socket(family, SOCK_DGRAM, 0);
    if (fd < 0)
        return -1;
    sockaddr_storage address{};
    socklen_t length = family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
    address.ss_family = sa_family_t(family);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), length) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(family == AF_INET ? reinterpret_cast<sockaddr_in &>(address).sin_port
                                   : reinterpret_cast<sockaddr_in6 &>(address).sin6_port);
    return fd;
}

// Another program, `sleep`, holding the socket `fd`: it inherits it, and
// this process lets its own copy go.
pid_t passToSleep(int fd)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::execlp("sleep", "sleep", "60", static_cast<char *>(nullptr));
        ::_exit(127);
    }
    ::close(fd);
    return child;
}

void endChild(pid_t child)
{
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

} // namespace

class TestPortHolders : public QObject {
    Q_OBJECT
private slots:
    void ownSocket_foundOnBothFamilies();
    void otherProgram_namedInStartFailureBox();
};

void TestPortHolders::ownSocket_foundOnBothFamilies()
{
    const PortHolder self{::getpid(), QFileInfo(QCoreApplication::applicationFilePath()).fileName()};
    for (const int family : {AF_INET, AF_INET6}) {
        quint16 port = 0;
        const int fd = boundSocket(family, port);
        if (fd < 0) {
            QVERIFY2(family == AF_INET6, "no IPv4 socket");
            continue; // a machine without IPv6
        }
        QCOMPARE(UdpPortHolders(port), QList<PortHolder>{self});
        // This process's own socket is no other program's.
        QCOMPARE(PortHolderLine(port), QString());
        ::close(fd);
        QCOMPARE(UdpPortHolders(port), QList<PortHolder>{});
    }
}

void TestPortHolders::otherProgram_namedInStartFailureBox()
{
    quint16 port = 0;
    const int fd = boundSocket(AF_INET, port);
    QVERIFY(fd >= 0);
    const pid_t child = passToSleep(fd);
    QVERIFY(child > 0);
    // Until exec has replaced the forked copy, the holder is named after this test.
    QTRY_COMPARE_WITH_TIMEOUT(UdpPortHolders(port), (QList<PortHolder>{{child, QStringLiteral("sleep")}}), 10000);

    UdpService service;
    RecordingFrontend frontend;
    QVERIFY(!StartSocketService(service, port, frontend));
    endChild(child);
    QCOMPARE(frontend.boxes.size(), 1);
    QCOMPARE(frontend.boxes[0].text,
             QStringLiteral("ソケットサービスを開始できませんでした。すでに同じポート番号でZephinetが起動されているか、"
                            "ソケットサービスが組み込まれていません。\nポート番号%1は「sleep」（プロセスID %2）が"
                            "使用しています。")
                 .arg(port)
                 .arg(child));
    QCOMPARE(frontend.boxes[0].flags, 0x30);
}

QTEST_GUILESS_MAIN(TestPortHolders)
#include "tst_portholders.moc"
