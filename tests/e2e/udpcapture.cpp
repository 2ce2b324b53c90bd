// Test tool: binds a UDP port and prints every datagram as
// "<sender address> <size> <hex bytes>", one line each, until the time is up.
// Usage: udpcapture <port> <seconds>
#include <QCoreApplication>
#include <QNetworkDatagram>
#include <QTextStream>
#include <QTimer>
#include <QUdpSocket>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        QTextStream(stderr) << "usage: udpcapture <port> <seconds>\n";
        return 2;
    }
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::AnyIPv4, args.at(1).toUShort(), QUdpSocket::ShareAddress)) {
        QTextStream(stderr) << "udpcapture: " << socket.errorString() << '\n';
        return 1;
    }
    QTextStream out(stdout);
    QObject::connect(&socket, &QUdpSocket::readyRead, &socket, [&] {
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram d = socket.receiveDatagram();
            out << d.senderAddress().toString() << ' ' << d.data().size() << ' '
                << QString::fromLatin1(d.data().toHex()) << Qt::endl;
        }
    });
    QTimer::singleShot(args.at(2).toInt() * 1000, &app, &QCoreApplication::quit);
    QTextStream(stderr) << "udpcapture: listening\n";
    return app.exec();
}
