// What a stream of fragments that never complete costs the GUI thread: 20
// senders each send fragments 2 to 256 of a message whose first fragment
// never comes, then new rounds; every datagram goes through the completion
// test. Usage: bench_reassembly [datagrams=200000]
#include "benchsupport.h"
#include "common/clock.h"
#include "net/reassembly.h"

#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>

using namespace zn;
using zn::bench::QuietFrontend;

int main(int argc, char **argv)
{
    const int datagrams = argc > 1 ? std::atoi(argv[1]) : 200000;
    SystemClock clock;
    QuietFrontend quiet;
    Reassembler reassembler(clock, quiet);
    // A header that announces the longest message, then filler.
    QByteArray first = "\x01"
                       "99999"
        + QByteArray(505, 'x') + '\0';
    QByteArray piece(512, 'y');
    piece[511] = '\0';
    reassembler.ReceiveDatagram(first, 0x0A000001); // one slot that has its header
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < datagrams; ++i) {
        const int sender = i % 20;
        piece[0] = char(2 + (i / 20) % 255);
        reassembler.ReceiveDatagram(piece, 0x0A000001 + sender);
        if ((i / 20) % 255 == 254 && sender == 19) {
            for (int s = 0; s < Reassembler::SlotCount; ++s)
                if (reassembler.slot(s).SenderAddress != "10.0.0.1")
                    reassembler.clearSlot(s);
        }
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    std::printf("%d fragments that never complete: %.1f ms, %.2f us per datagram\n", datagrams, ms,
                ms * 1000 / datagrams);
    return 0;
}
