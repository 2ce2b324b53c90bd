#include "diagnosis/segmentprobe.h"

#include "common/codec.h"
#include "common/ipv4.h"
#include "diagnosis/systemchecks.h"
#include "net/messagefields.h"
#include "net/messenger.h"
#include "net/udpservice.h"
#include "net/wire.h"
#include "session/session.h"

#include <QCoreApplication>
#include <QJsonArray>

namespace zn {

namespace {

// The message of a datagram that holds a whole one: piece number 1, the
// five-digit length, the message and the closing NUL.
//   "\x01   21ZNMESSAGE:LOGOUT&|PC1\0" -> "ZNMESSAGE:LOGOUT&|PC1"
QByteArray wholeMessage(const QByteArray &datagram)
{
    if (datagram.size() < 7 || datagram[0] != 1 || !datagram.endsWith('\0'))
        return {};
    const QByteArray message = datagram.mid(6, datagram.size() - 7);
    bool ok = false;
    return datagram.mid(1, 5).trimmed().toInt(&ok) == message.size() && ok ? message : QByteArray();
}

QString where(const QList<BroadcastAddress> &addresses, quint32 source)
{
    const std::optional<BroadcastAddress> segment = SegmentOf(addresses, source);
    const QString address = QString::fromLatin1(DottedIPv4(source));
    return segment ? QCoreApplication::translate("Diagnosis", "%1（%2）").arg(address, segment->interfaceName)
                   : address;
}

} // namespace

SegmentProbe::SegmentProbe(Session &session, QObject *parent) : QObject(parent), m_session(session)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_nothingSent = m_nothingSent || m_session.messenger().nothingSent();
        emit finished();
    });
}

void SegmentProbe::listen()
{
    if (m_listening)
        return;
    m_listening = true;
    connect(&m_session.udp(), &UdpService::datagramReceived, this, &SegmentProbe::received);
}

void SegmentProbe::run(int seconds, bool announce)
{
    listen();
    m_seconds = seconds;
    if (announce)
        m_nothingSent = !m_session.messenger().SendLogin();
    else
        m_nothingSent = m_session.messenger().nothingSent();
    m_timer.start(qMax(seconds, 1) * 1000);
}

void SegmentProbe::received(const QByteArray &datagram, quint32 sender)
{
    if (!m_timer.isActive() && m_seconds > 0)
        return;
    const QByteArray message = wholeMessage(datagram);
    const MessageFields f(message);
    QByteArray machine;
    QByteArray handle;
    if (f[0] == keyword::Login || f[0] == keyword::InfoChange) {
        machine = f.bytes(1);
        handle = f.bytes(2);
    } else if (f[0] == keyword::LoginOk) {
        machine = f.bytes(2);
        handle = f.bytes(3);
    } else {
        return;
    }
    if (machine.isEmpty())
        return;
    if (machine == m_session.local.MachineName) {
        if (!m_ownSources.contains(sender))
            m_ownSources.append(sender);
        return;
    }
    for (Heard &h : m_heard) {
        if (h.machineName == machine) {
            if (!h.sources.contains(sender))
                h.sources.append(sender);
            return;
        }
    }
    m_heard.append({machine, handle, {sender}});
}

Finding SegmentProbe::finding(const QList<BroadcastAddress> &addresses) const
{
    Finding f;
    f.check = QStringLiteral("segment");
    QStringList lines;
    QJsonArray peers;
    for (const Heard &h : m_heard) {
        QStringList from;
        QJsonArray sources;
        for (const quint32 s : h.sources) {
            from.append(where(addresses, s));
            const std::optional<BroadcastAddress> segment = SegmentOf(addresses, s);
            sources.append(QJsonObject{{u"address"_qs, QString::fromLatin1(DottedIPv4(s))},
                                       {u"interface"_qs, segment ? segment->interfaceName : QString()}});
        }
        const QString handle = cp932::decode(h.handleName);
        const QString machine = cp932::decode(h.machineName);
        lines.append(QCoreApplication::translate("Diagnosis", "%1（%2）: %3から")
                         .arg(handle, machine, from.join(QCoreApplication::translate("Diagnosis", "、"))));
        peers.append(QJsonObject{{u"handleName"_qs, handle}, {u"machineName"_qs, machine}, {u"from"_qs, sources}});
    }
    QStringList own;
    QJsonArray ownList;
    for (const quint32 s : m_ownSources) {
        own.append(where(addresses, s));
        ownList.append(QString::fromLatin1(DottedIPv4(s)));
    }
    f.details = {{u"seconds"_qs, m_seconds},
                 {u"peers"_qs, peers},
                 {u"ownAnnouncementHeard"_qs, !m_ownSources.isEmpty()},
                 {u"ownAnnouncementFrom"_qs, ownList},
                 {u"sent"_qs, !m_nothingSent}};
    if (m_nothingSent) {
        f.verdict = Finding::Verdict::Problem;
        f.summary =
            QCoreApplication::translate("Diagnosis", "告知（LOGIN）をどのネットワークにも送信できませんでした。");
        f.meaning = QCoreApplication::translate("Diagnosis", "ほかのZephinetには、このマシンが見えません。");
        f.action = QCoreApplication::translate("Diagnosis", "上のインターフェースと経路の項目を確認してください。");
        return f;
    }
    if (m_heard.isEmpty()) {
        f.verdict = Finding::Verdict::Warning;
        f.summary =
            QCoreApplication::translate("Diagnosis", "%1秒のあいだ、ほかのZephinetからの応答はありませんでした。")
                .arg(m_seconds);
        f.meaning = QCoreApplication::translate(
            "Diagnosis",
            "このセグメントでほかにZephinetが起動していないか、相手のファイアウォールが止めているか、"
            "相手のポート番号が違います。");
        f.action = QCoreApplication::translate(
            "Diagnosis",
            "相手のマシンでも診断（zephinet-cli doctor、またはヘルプ → 接続の診断）を実行し、"
            "ポート番号をそろえてください。ルータの向こうの相手は「メッセージを送るマシンのIPアドレス」に加えてください。");
    } else {
        f.summary = QCoreApplication::translate("Diagnosis", "%1秒のあいだに%2台のZephinetが応答しました:")
                        .arg(m_seconds)
                        .arg(m_heard.size())
            + u'\n' + lines.join(u'\n');
    }
    if (m_ownSources.isEmpty()) {
        f.verdict = Finding::Verdict::Problem;
        f.summary += u'\n' + QCoreApplication::translate("Diagnosis", "自分の告知は戻ってきませんでした。");
        f.meaning = QCoreApplication::translate(
            "Diagnosis", "このマシンのファイアウォールが、ポートの送信か受信を止めているおそれがあります。");
        f.action = QCoreApplication::translate("Diagnosis", "上のファイアウォールの項目を確認してください。");
    } else {
        f.summary += u'\n'
            + QCoreApplication::translate("Diagnosis", "自分の告知も受信しました: %1から。")
                  .arg(own.join(QCoreApplication::translate("Diagnosis", "、")));
    }
    return f;
}

} // namespace zn
