#include "cli/watchcommand.h"

#include "cli/clisession.h"
#include "cli/commandline.h"
#include "cli/terminaltext.h"
#include "common/clock.h"
#include "net/reassembly.h"
#include "net/udpservice.h"

#include <QDateTime>
#include <QTextStream>

namespace zn {

int runWatch(const CliOptions &options, QTextStream &out, QTextStream &err)
{
    CliFrontend frontend(err);
    SystemClock clock;
    UdpService udp;
    Reassembler reassembler(clock, frontend);
    if (!udp.start(options.port)) {
        err << "zephinet-cli: " << QString::fromUtf8(SocketStartFailureText) << Qt::endl;
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

} // namespace zn
