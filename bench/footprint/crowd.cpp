// Loads a copy for the footprint benchmark: N peers answer it at once
// (LOGIN_OK from N machine names) and then M of them send it a message.
// Usage: crowd TARGET_IPV4 [peers=1000] [messages=256] [port=50000]
#include "net/wire.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace zn;

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: crowd TARGET_IPV4 [peers] [messages] [port]\n");
        return 2;
    }
    const QByteArray target = argv[1];
    const int peers = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int messages = argc > 3 ? std::atoi(argv[3]) : 256;
    const int port = argc > 4 ? std::atoi(argv[4]) : 50000;
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    inet_aton(argv[1], &to.sin_addr);
    const auto send = [&](const QByteArray &message) {
        for (const QByteArray &d : MakeDatagrams(message))
            sendto(fd, d.constData(), size_t(d.size()), 0, reinterpret_cast<sockaddr *>(&to), sizeof to);
    };
    const auto name = [](int i) { return QByteArray("PC" + QByteArray::number(i)); };
    const auto handle = [](int i) { return QByteArray("user" + QByteArray::number(i)); };
    const auto address = [](int i) {
        return QByteArray("10.78." + QByteArray::number(i / 250) + '.' + QByteArray::number(i % 250 + 1));
    };
    for (int i = 0; i < peers; ++i) {
        send(LoginOkMessage(target, name(i), handle(i), "0", address(i)));
        // Paced a little, as answers from many machines are: the socket's
        // buffer would drop a burst of thousands.
        if (i % 100 == 99)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    for (int i = 0; i < messages; ++i) {
        const int from = i % (peers > 0 ? peers : 1);
        send(MessageMessage(target, name(from), handle(from),
                            QByteArray("message " + QByteArray::number(i) + " of the footprint benchmark")));
        if (i % 32 == 31)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::printf("sent %d LOGIN_OK and %d MESSAGE to %s\n", peers, messages, target.constData());
    close(fd);
    return 0;
}
