#include "diagnosis/systemchecks.h"

#include "common/ipv4.h"
#include "net/identity.h"

#include <QCoreApplication>
#include <QJsonArray>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zn {

namespace {

QString dotted(quint32 ipv4)
{
    return QString::fromLatin1(DottedIPv4(ipv4));
}

quint32 maskOf(int prefixLength)
{
    return prefixLength <= 0 ? 0 : prefixLength >= 32 ? 0xFFFFFFFFu : ~((1u << (32 - prefixLength)) - 1);
}

QString joined(const QList<BroadcastAddress> &addresses)
{
    QStringList texts;
    for (const BroadcastAddress &a : addresses)
        texts.append(a.text());
    return texts.join(QCoreApplication::translate("Diagnosis", "、"));
}

QString interfaceOf(const QList<BroadcastAddress> &addresses, quint32 ipv4)
{
    for (const BroadcastAddress &a : addresses)
        if (a.ipv4 == ipv4)
            return a.interfaceName;
    return QString();
}

} // namespace

PortState ProbePort(quint16 port, qint64 selfPid)
{
    PortState state;
    state.holders = UdpPortHolders(port);
    for (const PortHolder &holder : state.holders) {
        if (holder.pid == selfPid) {
            state.kind = PortState::ThisCopy;
            return state;
        }
    }
    // The same bind as the program's: without address reuse, so that it
    // fails exactly where a copy would.
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd >= 0) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_ANY);
        const bool bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
        ::close(fd);
        if (bound)
            return state;
    }
    if (state.holders.isEmpty())
        state.kind = PortState::Unknown;
    else if (IsZephinetProgram(state.holders.first().name))
        state.kind = PortState::Zephinet;
    else
        state.kind = PortState::Other;
    return state;
}

bool IsZephinetProgram(const QString &processName)
{
    return processName == u"zephinet" || processName == u"zephinet-cli";
}

Finding PortFinding(quint16 port, const PortState &state)
{
    Finding f;
    f.check = QStringLiteral("port");
    QJsonArray holders;
    for (const PortHolder &h : state.holders)
        holders.append(QJsonObject{{u"pid"_qs, h.pid}, {u"program"_qs, h.name}});
    static const char *const kinds[] = {"free", "this-copy", "zephinet", "other-program", "unknown-program"};
    f.details = {{u"port"_qs, port}, {u"state"_qs, QString::fromLatin1(kinds[state.kind])}, {u"holders"_qs, holders}};
    const PortHolder first = state.holders.value(0);
    switch (state.kind) {
    case PortState::Free:
        f.summary = QCoreApplication::translate("Diagnosis", "ポート%1（UDP）は空いています。").arg(port);
        f.meaning = QCoreApplication::translate("Diagnosis", "このマシンでZephinetをこのポートで起動できます。");
        break;
    case PortState::ThisCopy:
        f.summary = QCoreApplication::translate("Diagnosis", "ポート%1（UDP）はこのZephinetが使っています。").arg(port);
        break;
    case PortState::Zephinet:
        f.summary =
            QCoreApplication::translate("Diagnosis", "ポート%1（UDP）は起動中の「%2」（プロセスID %3）が使っています。")
                .arg(port)
                .arg(first.name)
                .arg(first.pid);
        f.meaning = QCoreApplication::translate(
            "Diagnosis", "このマシンでは、同じポートのZephinetをもう一つ起動することはできません。");
        break;
    case PortState::Other:
        f.verdict = Finding::Verdict::Problem;
        f.summary = QCoreApplication::translate("Diagnosis", "ポート%1（UDP）は「%2」（プロセスID %3）が使っています。")
                        .arg(port)
                        .arg(first.name)
                        .arg(first.pid);
        f.meaning = QCoreApplication::translate(
            "Diagnosis", "Zephinetはこのポートで起動できず、ほかのZephinetからのデータはそのプログラムに届きます。");
        f.action =
            QCoreApplication::translate("Diagnosis",
                                        "「%1」を終了するか、そのプログラムのポートを変えてください。Zephinetのポートを"
                                        "変えるときは、全員のポート番号をそろえる必要があります。")
                .arg(first.name);
        break;
    case PortState::Unknown:
        f.verdict = Finding::Verdict::Problem;
        f.summary =
            QCoreApplication::translate(
                "Diagnosis", "ポート%1（UDP）は別のプログラムが使っていますが、どのプログラムかはわかりません。")
                .arg(port);
        f.meaning = QCoreApplication::translate("Diagnosis",
                                                "ほかのユーザのプログラムは、root権限がないと名前がわかりません。");
        f.action = QCoreApplication::translate("Diagnosis",
                                               "sudo zephinet-cli doctor で、使っているプログラムを確かめてください。");
        break;
    }
    return f;
}

QString BroadcastAddress::text() const
{
    return interfaceName + u' ' + dotted(ipv4) + u'/' + QString::number(prefixLength);
}

QList<BroadcastAddress> BroadcastAddresses(const QList<InterfaceCandidate> &interfaces)
{
    QList<BroadcastAddress> out;
    for (const InterfaceCandidate &c : interfaces) {
        if (!c.up || !c.running || c.loopback || !c.canBroadcast)
            continue;
        for (qsizetype i = 0; i < c.addresses.size(); ++i) {
            bool ok = false;
            const quint32 ipv4 = c.addresses[i].toIPv4Address(&ok);
            if (!ok || ipv4 == 0 || (ipv4 >> 24) == 127)
                continue;
            out.append({c.name, ipv4, c.prefixLengths.value(i, 32)});
        }
    }
    return out;
}

std::optional<BroadcastAddress> SegmentOf(const QList<BroadcastAddress> &addresses, quint32 ipv4)
{
    for (const BroadcastAddress &a : addresses) {
        const quint32 mask = maskOf(a.prefixLength);
        if ((a.ipv4 & mask) == (ipv4 & mask))
            return a;
    }
    return std::nullopt;
}

Finding InterfacesFinding(const QList<InterfaceCandidate> &interfaces)
{
    Finding f;
    f.check = QStringLiteral("interfaces");
    const QList<BroadcastAddress> addresses = BroadcastAddresses(interfaces);
    QJsonArray list;
    for (const BroadcastAddress &a : addresses)
        list.append(QJsonObject{
            {u"interface"_qs, a.interfaceName}, {u"address"_qs, dotted(a.ipv4)}, {u"prefixLength"_qs, a.prefixLength}});
    f.details = {{u"addresses"_qs, list}};
    if (addresses.isEmpty()) {
        f.verdict = Finding::Verdict::Problem;
        f.summary = QCoreApplication::translate("Diagnosis", "ブロードキャストのできるIPv4アドレスがありません。");
        f.meaning = QCoreApplication::translate(
            "Diagnosis", "ネットワークにつながっていないため、ほかのZephinetとは通信できません。");
        f.action = QCoreApplication::translate(
            "Diagnosis", "ネットワークの接続（ケーブル、Wi-Fi）と、IPv4アドレスの設定を確認してください。");
        return f;
    }
    const BroadcastAddress &chosen = addresses.first();
    f.details.insert(u"announced"_qs, dotted(chosen.ipv4));
    if (addresses.size() == 1) {
        f.summary = QCoreApplication::translate("Diagnosis", "ブロードキャストのできるIPv4アドレスは %1 です。")
                        .arg(chosen.text());
        f.meaning = QCoreApplication::translate("Diagnosis", "Zephinetはこのアドレス（%1）で名乗ります。")
                        .arg(dotted(chosen.ipv4));
        return f;
    }
    f.verdict = Finding::Verdict::Warning;
    f.summary = QCoreApplication::translate("Diagnosis", "ブロードキャストのできるIPv4アドレスが%1個あります: %2。")
                    .arg(addresses.size())
                    .arg(joined(addresses));
    f.meaning = QCoreApplication::translate(
                    "Diagnosis",
                    "Zephinetが名乗るのは最初の%1（%2）だけです。ほかのセグメントの相手にもこのアドレスで"
                    "表示され、返信や開封通知もこのアドレスに送られるため、そこへの経路がない相手からは届きません。")
                    .arg(dotted(chosen.ipv4), chosen.interfaceName);
    f.action = QCoreApplication::translate(
        "Diagnosis",
        "使わないインターフェースを止めるか、ほかのセグメントの相手とはこのアドレスで通信できるようにしてください。");
    return f;
}

Finding RoutesFinding(const QList<InterfaceCandidate> &interfaces, std::optional<quint32> limitedSource)
{
    Finding f;
    f.check = QStringLiteral("routes");
    const QList<BroadcastAddress> addresses = BroadcastAddresses(interfaces);
    const QList<quint32> directed = DirectedBroadcasts(interfaces, limitedSource);
    QStringList directedTexts;
    QJsonArray directedList;
    for (const quint32 b : directed) {
        const std::optional<BroadcastAddress> segment = SegmentOf(addresses, b);
        const QString name = segment ? segment->interfaceName : QString();
        directedTexts.append(
            name.isEmpty() ? dotted(b) : QCoreApplication::translate("Diagnosis", "%1（%2）").arg(dotted(b), name));
        directedList.append(QJsonObject{{u"address"_qs, dotted(b)}, {u"interface"_qs, name}});
    }
    const QString directedText = directedTexts.join(QCoreApplication::translate("Diagnosis", "、"));
    f.details = {{u"limitedBroadcast"_qs, bool(limitedSource)}, {u"directedBroadcasts"_qs, directedList}};
    if (limitedSource) {
        const QString source = dotted(*limitedSource);
        const QString name = interfaceOf(addresses, *limitedSource);
        f.details.insert(u"limitedBroadcastSource"_qs, source);
        f.summary =
            QCoreApplication::translate("Diagnosis", "255.255.255.255へのブロードキャストは%1（%2）から送られます。")
                .arg(source, name.isEmpty() ? QStringLiteral("?") : name);
        if (!directed.isEmpty())
            f.meaning =
                QCoreApplication::translate(
                    "Diagnosis", "それが届かないほかのセグメントには、Zephinetは直接ブロードキャスト %1 にも送ります。")
                    .arg(directedText);
        return f;
    }
    if (!directed.isEmpty()) {
        f.verdict = Finding::Verdict::Warning;
        f.summary = QCoreApplication::translate(
            "Diagnosis", "既定の経路（デフォルトルート）がないため、システムは255.255.255.255への送信を拒みます。");
        f.meaning =
            QCoreApplication::translate("Diagnosis",
                                        "Zephinetはその代わりに、各セグメントの直接ブロードキャスト %1 に送ります。"
                                        "同じセグメントの相手にはこれで届きます。")
                .arg(directedText);
        f.action = QCoreApplication::translate(
            "Diagnosis",
            "ルータの向こうの相手は、オプションの「メッセージを送るマシンのIPアドレス」に加えてください。");
        return f;
    }
    f.verdict = Finding::Verdict::Problem;
    f.summary = QCoreApplication::translate("Diagnosis", "ブロードキャストを送れる経路がありません。");
    f.meaning = QCoreApplication::translate(
        "Diagnosis",
        "Zephinetは何も送信できず、通知ウィンドウに「ネットワークにデータを送信できませんでした。"
        "ネットワークの接続と設定を確認してください。」と表示します。");
    f.action = QCoreApplication::translate("Diagnosis", "IPv4アドレスとネットマスク、経路の設定を確認してください。");
    return f;
}

Finding ExtraAddressesFinding(const QByteArrayList &entries, const QList<InterfaceCandidate> &interfaces,
                              const RouteLookup &route)
{
    Finding f;
    f.check = QStringLiteral("send-ip");
    const QList<BroadcastAddress> addresses = BroadcastAddresses(interfaces);
    QStringList lines;
    QJsonArray list;
    bool unroutable = false;
    for (const QByteArray &entry : entries) {
        const QString text = QString::fromLatin1(entry);
        QJsonObject item{{u"entry"_qs, text}};
        const std::optional<quint32> ipv4 = InetAddr(entry);
        if (!ipv4) {
            unroutable = true;
            item.insert(u"routable"_qs, false);
            lines.append(QCoreApplication::translate("Diagnosis", "%1: IPv4アドレスとして読めません。").arg(text));
            list.append(item);
            continue;
        }
        item.insert(u"address"_qs, dotted(*ipv4));
        const std::optional<quint32> source = route(*ipv4);
        item.insert(u"routable"_qs, bool(source));
        if (!source) {
            unroutable = true;
            lines.append(QCoreApplication::translate("Diagnosis", "%1: 経路がなく、送れません。").arg(text));
            list.append(item);
            continue;
        }
        const QString name = interfaceOf(addresses, *source);
        item.insert(u"interface"_qs, name);
        item.insert(u"source"_qs, dotted(*source));
        const std::optional<BroadcastAddress> segment = SegmentOf(addresses, *ipv4);
        item.insert(u"onLink"_qs, bool(segment));
        if (segment)
            lines.append(QCoreApplication::translate("Diagnosis", "%1: %2 のセグメントにあり、直接送ります。")
                             .arg(text, segment->text()));
        else
            lines.append(QCoreApplication::translate("Diagnosis", "%1: ルータを経由して%2（%3）から送ります。")
                             .arg(text, name.isEmpty() ? QStringLiteral("?") : name, dotted(*source)));
        list.append(item);
    }
    f.details = {{u"entries"_qs, list}};
    if (entries.isEmpty()) {
        f.summary = QCoreApplication::translate("Diagnosis", "追加の送信先（SendIP）はありません。");
        return f;
    }
    f.summary = lines.join(u'\n');
    if (unroutable) {
        f.verdict = Finding::Verdict::Problem;
        f.meaning = QCoreApplication::translate("Diagnosis", "送れない送信先のZephinetには、何も届きません。");
        f.action = QCoreApplication::translate(
            "Diagnosis", "オプションの「メッセージを送るマシンのIPアドレス」で、アドレスと経路を確認してください。");
    } else {
        f.meaning = QCoreApplication::translate(
            "Diagnosis", "相手からの応答が届くには、相手の送信先にもこのマシンのアドレスが必要です。");
    }
    return f;
}

} // namespace zn
