// The yardstick of the footprint benchmark: the least a Qt Widgets program
// of this kind holds — a main window with a table, a tray icon and a bound
// UDP socket — and nothing else.
// Usage: minimalqt [port=50000]
#include <QApplication>
#include <QHeaderView>
#include <QMainWindow>
#include <QNetworkDatagram>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTableWidget>
#include <QUdpSocket>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const quint16 port = argc > 1 ? quint16(std::atoi(argv[1])) : 50000;
    QMainWindow window;
    auto *table = new QTableWidget(0, 3, &window);
    table->setHorizontalHeaderLabels({QStringLiteral("name"), QStringLiteral("machine"), QStringLiteral("address")});
    window.setCentralWidget(table);
    window.resize(300, 400);
    window.show();
    QSystemTrayIcon tray(app.style()->standardIcon(QStyle::SP_ComputerIcon));
    tray.show();
    QUdpSocket socket;
    if (!socket.bind(QHostAddress::AnyIPv4, port))
        return 1;
    QObject::connect(&socket, &QUdpSocket::readyRead, &socket, [&] {
        while (socket.hasPendingDatagrams())
            socket.receiveDatagram();
    });
    return app.exec();
}
