// Test peer for the whole-program tests: a peer that speaks the datagram
// layout through the project's own wire code, does what its standard input
// tells it, and reports on standard output everything it sends and receives,
// each line starting with the monotonic clock in milliseconds (the same
// clock in every process of the machine).
//
// Usage: testpeer [--port N] [--handle NAME] [--machine NAME] [--address IP]
//   (defaults: 50000, the machine name, the host name's first label, the
//   first address of an up broadcast interface)
// Commands, one a line (texts in UTF-8, "\n" in a text is a line break):
//   login                       broadcast LOGIN
//   logout                      broadcast LOGOUT
//   message TO DROP TEXT        a MESSAGE to the peer at address TO, by
//                               broadcast as every peer sends it; DROP is "-"
//                               or the numbers of datagrams to leave out, "2,3"
//   huzaicheck TO               a HUZAI_CHECK to the peer at address TO, by
//                               broadcast, answers asked to this peer's address
//   gap MS                      from now on, MS milliseconds between the
//                               datagrams of one message (default 0)
//   quit
// Reports, fields separated by tabs:
//   <ms> ready <address> <machine>
//   <ms> sent <number>/<count> <size>     and   <ms> dropped <number>/<count> <size>
//   <ms> datagram <from> <number> <size>
//   <ms> message <from> <kind> <field 1> <field 2> ...
//                               a complete message, kind without "ZNMESSAGE:",
//                               fields decoded, CR LF shown as "\n"
#include "common/codec.h"
#include "common/text.h"
#include "net/identity.h"
#include "net/reassembly.h"
#include "net/wire.h"

#include <QCoreApplication>
#include <QHash>
#include <QNetworkDatagram>
#include <QSocketNotifier>
#include <QTextStream>
#include <QUdpSocket>

#include <ctime>
#include <unistd.h>

using namespace zn;

namespace {

QTextStream out(stdout);

void report(const QString &line)
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    out << qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000 << u'\t' << line << Qt::endl;
}

QString shown(QByteArrayView bytes)
{
    QString text = cp932::decode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\\n"));
    text.replace(u'\t', QStringLiteral("\\t"));
    return text;
}

class Peer {
public:
    Peer(quint16 port, QByteArray machine, QByteArray handle, QByteArray address)
        : m_port(port), m_machine(std::move(machine)), m_handle(std::move(handle)), m_address(std::move(address))
    {}

    bool start()
    {
        if (!m_socket.bind(QHostAddress::AnyIPv4, m_port, QUdpSocket::DontShareAddress)) {
            QTextStream(stderr) << "testpeer: " << m_socket.errorString() << Qt::endl;
            return false;
        }
        QObject::connect(&m_socket, &QUdpSocket::readyRead, [this] { receive(); });
        report(QStringLiteral("ready\t") + QString::fromLatin1(m_address) + u'\t' + QString::fromLatin1(m_machine));
        return true;
    }

    // One command line; false for "quit".
    bool run(const QString &line)
    {
        const QString command = line.section(u' ', 0, 0);
        if (command == u"login") {
            send(LoginMessage(m_machine, m_handle, "0", m_address), {});
        } else if (command == u"logout") {
            send(LogoutMessage(m_machine), {});
        } else if (command == u"message") {
            const QByteArray to = line.section(u' ', 1, 1).toLatin1();
            const QString drop = line.section(u' ', 2, 2);
            QString text = line.section(u' ', 3);
            text.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
            const cp932::Encoded encoded = cp932::fromWidgetText(text);
            if (to.isEmpty() || drop.isEmpty() || !encoded.ok()) {
                QTextStream(stderr) << "testpeer: bad message command: " << line << Qt::endl;
                return true;
            }
            QList<int> dropped;
            if (drop != u"-") {
                for (const QString &n : drop.split(u','))
                    dropped << n.toInt();
            }
            send(MessageMessage(to, m_machine, m_handle, encoded.bytes), dropped);
        } else if (command == u"huzaicheck") {
            send(HuzaiCheckMessage(line.section(u' ', 1, 1).toLatin1(), m_address), {});
        } else if (command == u"gap") {
            m_gapMs = line.section(u' ', 1, 1).toInt();
        } else if (command == u"quit") {
            return false;
        } else if (!command.isEmpty()) {
            QTextStream(stderr) << "testpeer: unknown command: " << line << Qt::endl;
        }
        return true;
    }

private:
    void send(const QByteArray &message, const QList<int> &dropped)
    {
        const QList<QByteArray> datagrams = MakeDatagrams(message);
        for (qsizetype i = 0; i < datagrams.size(); ++i) {
            const int number = int(i + 1);
            const QString which =
                QStringLiteral("%1/%2\t%3").arg(number).arg(datagrams.size()).arg(datagrams[i].size());
            if (i > 0 && m_gapMs > 0)
                usleep(useconds_t(m_gapMs) * 1000);
            if (dropped.contains(number)) {
                report(QStringLiteral("dropped\t") + which);
                continue;
            }
            if (m_socket.writeDatagram(datagrams[i], QHostAddress::Broadcast, m_port) != datagrams[i].size())
                QTextStream(stderr) << "testpeer: " << m_socket.errorString() << Qt::endl;
            report(QStringLiteral("sent\t") + which);
        }
    }

    void receive()
    {
        while (m_socket.hasPendingDatagrams()) {
            const QNetworkDatagram d = m_socket.receiveDatagram(Reassembler::MaxDatagramSize + 1);
            const QByteArray data = d.data();
            if (data.isEmpty())
                continue;
            const QString from = QHostAddress(d.senderAddress().toIPv4Address()).toString();
            const int number = quint8(data.at(0));
            report(QStringLiteral("datagram\t%1\t%2\t%3").arg(from).arg(number).arg(data.size()));
            // Fragments per sender, as the program collects them.
            QList<QByteArray> &fragments = m_fragments[from];
            if (fragments.size() < number)
                fragments.resize(number);
            QByteArray payload = data.mid(1);
            payload.truncate(payload.indexOf('\0') < 0 ? payload.size() : payload.indexOf('\0'));
            fragments[number - 1] = payload;
            const std::optional<QByteArray> message = Reassembler::completeMessage(fragments);
            if (!message)
                continue;
            m_fragments.remove(from);
            QString line = QStringLiteral("message\t") + from + u'\t'
                + shown(GetField(*message, 0)).remove(QStringLiteral("ZNMESSAGE:"));
            for (int f = 1; f <= 6; ++f) {
                const QByteArray field = GetField(*message, f);
                if (field.isEmpty() && GetField(*message, f + 1).isEmpty())
                    break;
                line += u'\t' + shown(field);
            }
            report(line);
        }
    }

    int m_gapMs = 0;
    quint16 m_port;
    QByteArray m_machine;
    QByteArray m_handle;
    QByteArray m_address;
    QUdpSocket m_socket;
    QHash<QString, QList<QByteArray>> m_fragments;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    quint16 port = 50000;
    QByteArray handle, machine = GetMachineName(), address = GetLocalAddress();
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        const QString &option = args.at(i);
        const QString &value = args.at(i + 1);
        if (option == u"--port")
            port = value.toUShort();
        else if (option == u"--handle")
            handle = cp932::fromWidgetText(value).bytes;
        else if (option == u"--machine")
            machine = cp932::fromWidgetText(value).bytes;
        else if (option == u"--address")
            address = value.toLatin1();
        else {
            QTextStream(stderr) << "usage: testpeer [--port N] [--handle NAME] [--machine NAME] [--address IP]\n";
            return 2;
        }
    }
    if ((args.size() - 1) % 2 != 0) {
        QTextStream(stderr) << "usage: testpeer [--port N] [--handle NAME] [--machine NAME] [--address IP]\n";
        return 2;
    }
    if (handle.isEmpty())
        handle = machine;

    Peer peer(port, machine, handle, address);
    if (!peer.start())
        return 1;

    // Commands come line by line while datagrams keep arriving.
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            input.setEnabled(false);
            app.quit();
            return;
        }
        pending.append(buffer, n);
        qsizetype end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(end));
            pending.remove(0, end + 1);
            if (!peer.run(line)) {
                app.quit();
                return;
            }
        }
    });
    return app.exec();
}
