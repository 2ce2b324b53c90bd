#include "diagnosis/firewallcheck.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <tuple>

namespace zn {

namespace {

constexpr int CommandTimeoutMs = 10000;

using SetKey = QString; // "family table name"

// Whether an nftables value (a number, a range, an anonymous or named set)
// holds `port`.
bool holdsPort(const QJsonValue &value, quint16 port, const QHash<SetKey, QJsonArray> &sets, const QString &prefix)
{
    if (value.isDouble())
        return value.toInt() == port;
    if (value.isString()) {
        const QString name = value.toString();
        if (!name.startsWith(u'@'))
            return false;
        const QJsonArray elements = sets.value(prefix + name.mid(1));
        for (const QJsonValue &e : elements)
            if (holdsPort(e, port, sets, prefix))
                return true;
        return false;
    }
    const QJsonObject object = value.toObject();
    if (object.contains(u"range")) {
        const QJsonArray range = object.value(u"range").toArray();
        return range.size() == 2 && range[0].toInt() <= port && port <= range[1].toInt();
    }
    if (object.contains(u"set")) {
        const QJsonValue set = object.value(u"set");
        if (!set.isArray())
            return holdsPort(set, port, sets, prefix);
        for (const QJsonValue &e : set.toArray())
            if (holdsPort(e, port, sets, prefix))
                return true;
    }
    if (object.contains(u"elem"))
        return holdsPort(object.value(u"elem").toObject().value(u"val"), port, sets, prefix);
    return false;
}

// Whether a protocol value names UDP: "udp", 17, or a set holding either.
bool namesUdp(const QJsonValue &value)
{
    if (value.isString())
        return value.toString() == u"udp";
    if (value.isDouble())
        return value.toInt() == 17;
    if (value.isArray()) {
        for (const QJsonValue &e : value.toArray())
            if (namesUdp(e))
                return true;
        return false;
    }
    return namesUdp(value.toObject().value(u"set"));
}

bool comparisonHolds(const QString &op, bool contained)
{
    return op == u"!=" ? !contained : contained;
}

// "table inet filter { # handle 1" ... "udp dport 50000 drop # handle 4":
// each rule's text by "family table handle".
QHash<QString, QString> ruleTexts(const QByteArray &text)
{
    QHash<QString, QString> out;
    static const QRegularExpression tableLine(QStringLiteral("^table (\\S+) (\\S+) \\{"));
    static const QRegularExpression ruleLine(QStringLiteral("^\\s+(\\S.*\\S) # handle (\\d+)$"));
    QString table;
    for (const QString &line : QString::fromUtf8(text).split(u'\n')) {
        if (const QRegularExpressionMatch m = tableLine.match(line); m.hasMatch()) {
            table = m.captured(1) + u' ' + m.captured(2);
            continue;
        }
        const QRegularExpressionMatch m = ruleLine.match(line);
        if (!m.hasMatch() || m.captured(1).endsWith(u'{'))
            continue;
        out.insert(table + u' ' + m.captured(2), m.captured(1));
    }
    return out;
}

QString tableName(const QString &family, const QString &table)
{
    return family + u' ' + table;
}

} // namespace

CommandResult RunSystemCommand(const QString &program, const QStringList &arguments)
{
    CommandResult result;
    QProcess process;
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(CommandTimeoutMs))
        return result;
    result.started = true;
    if (!process.waitForFinished(CommandTimeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

NftAnalysis AnalyseNftRuleset(const QByteArray &json, const QByteArray &text, quint16 port)
{
    NftAnalysis analysis;
    const QJsonArray items = QJsonDocument::fromJson(json).object().value(u"nftables").toArray();
    const QHash<QString, QString> texts = ruleTexts(text);
    QHash<SetKey, QJsonArray> sets;
    QHash<QString, QJsonObject> chains; // "family table chain"
    for (const QJsonValue &item : items) {
        const QJsonObject o = item.toObject();
        if (o.contains(u"set")) {
            const QJsonObject s = o.value(u"set").toObject();
            sets.insert(tableName(s.value(u"family").toString(), s.value(u"table").toString()) + u' '
                            + s.value(u"name").toString(),
                        s.value(u"elem").toArray());
        } else if (o.contains(u"chain")) {
            const QJsonObject c = o.value(u"chain").toObject();
            chains.insert(tableName(c.value(u"family").toString(), c.value(u"table").toString()) + u' '
                              + c.value(u"name").toString(),
                          c);
        }
    }
    QHash<QString, bool> acceptedInTable;
    QHash<QString, bool> acceptedInChain;
    for (const QJsonValue &item : items) {
        const QJsonObject r = item.toObject().value(u"rule").toObject();
        if (r.isEmpty())
            continue;
        NftRule rule;
        rule.family = r.value(u"family").toString();
        rule.table = r.value(u"table").toString();
        rule.chain = r.value(u"chain").toString();
        rule.handle = r.value(u"handle").toInteger();
        if (rule.family != u"ip" && rule.family != u"inet" && rule.family != u"netdev")
            continue;
        const QString table = tableName(rule.family, rule.table);
        const QString chainKey = table + u' ' + rule.chain;
        if (chains.value(chainKey).value(u"hook").toString() == u"forward")
            continue;
        bool excluded = false;
        bool other = false;
        for (const QJsonValue &e : r.value(u"expr").toArray()) {
            const QJsonObject expr = e.toObject();
            for (const QString &verdict : {u"drop"_qs, u"reject"_qs, u"accept"_qs})
                if (expr.contains(verdict) && rule.verdict.isEmpty())
                    rule.verdict = verdict;
            if (expr.contains(u"jump") || expr.contains(u"goto") || expr.contains(u"return"))
                excluded = true; // not a verdict on the datagram itself
            if (!expr.contains(u"match"))
                continue; // counters, logs, limits
            const QJsonObject match = expr.value(u"match").toObject();
            const QString op = match.value(u"op").toString();
            const QJsonObject left = match.value(u"left").toObject();
            const QJsonValue right = match.value(u"right");
            const QJsonObject payload = left.value(u"payload").toObject();
            const QString field = payload.value(u"field").toString();
            const QString protocol = payload.value(u"protocol").toString();
            if ((field == u"dport" || field == u"sport") && !protocol.isEmpty()) {
                if (protocol != u"udp" && protocol != u"th") {
                    excluded = true;
                } else if (!comparisonHolds(op, holdsPort(right, port, sets, table + u' '))) {
                    excluded = true;
                } else {
                    rule.portField = field;
                }
            } else if (left.value(u"meta").toObject().value(u"key").toString() == u"l4proto"
                       || (protocol == u"ip" && field == u"protocol")) {
                if (!comparisonHolds(op, namesUdp(right)))
                    excluded = true;
            } else {
                other = true;
            }
        }
        rule.otherConditions = other;
        if (excluded || rule.verdict.isEmpty())
            continue;
        // A rule that names no port is kept only when it stops everything.
        if (rule.portField.isEmpty() && other)
            continue;
        if (rule.verdict == u"accept") {
            acceptedInTable[table] = true;
            acceptedInChain[chainKey] = true;
        } else if (acceptedInChain.value(chainKey)) {
            // An accept before it in the chain lets some of the port's data through.
            rule.otherConditions = true;
        }
        rule.text = texts.value(table + u' ' + QString::number(rule.handle));
        analysis.rules.append(rule);
    }
    for (auto it = chains.cbegin(); it != chains.cend(); ++it) {
        const QJsonObject &c = it.value();
        const QString family = c.value(u"family").toString();
        const QString hook = c.value(u"hook").toString();
        if (c.value(u"policy").toString() != u"drop" || (family != u"ip" && family != u"inet")
            || (hook != u"input" && hook != u"output"))
            continue;
        if (acceptedInTable.value(tableName(family, c.value(u"table").toString())))
            continue;
        analysis.dropPolicies.append({family, c.value(u"table").toString(), c.value(u"name").toString(), hook});
    }
    std::sort(analysis.dropPolicies.begin(), analysis.dropPolicies.end(),
              [](const NftDropChain &a, const NftDropChain &b) {
                  return std::tie(a.family, a.table, a.chain) < std::tie(b.family, b.table, b.chain);
              });
    return analysis;
}

namespace {

bool needsRoot(const CommandResult &result)
{
    const QByteArray err = result.err.toLower();
    return err.contains("not permitted") || err.contains("permission denied") || err.contains("root");
}

void nftFindings(quint16 port, const RunCommand &run, QList<Finding> &out, QStringList &read, QStringList &unreadable)
{
    const CommandResult json = run(QStringLiteral("nft"), {u"-j"_qs, u"list"_qs, u"ruleset"_qs});
    if (!json.started)
        return;
    if (json.exitCode != 0) {
        unreadable.append(QStringLiteral("nftables"));
        return;
    }
    read.append(QStringLiteral("nftables"));
    const CommandResult text = run(QStringLiteral("nft"), {u"-a"_qs, u"list"_qs, u"ruleset"_qs});
    const NftAnalysis analysis = AnalyseNftRuleset(json.out, text.exitCode == 0 ? text.out : QByteArray(), port);
    for (const NftRule &rule : analysis.rules) {
        if (rule.verdict == u"accept")
            continue;
        Finding f;
        f.check = QStringLiteral("firewall");
        f.verdict = rule.otherConditions ? Finding::Verdict::Warning : Finding::Verdict::Problem;
        const QString where = QCoreApplication::translate("Diagnosis", "table %1 %2、chain %3、handle %4")
                                  .arg(rule.family, rule.table, rule.chain)
                                  .arg(rule.handle);
        f.summary = QCoreApplication::translate("Diagnosis", "nftablesの規則がポート%1のUDPを止めています: %2")
                        .arg(port)
                        .arg(where);
        if (!rule.text.isEmpty())
            f.summary += QCoreApplication::translate("Diagnosis", "「%1」").arg(rule.text);
        f.meaning = rule.otherConditions
            ? QCoreApplication::translate("Diagnosis",
                                          "条件（アドレス、インターフェースなど）に当てはまるデータだけを捨てます。"
                                          "同じセグメントの相手が当てはまらないか確認してください。")
            : QCoreApplication::translate("Diagnosis",
                                          "この規則があると、ほかのZephinetとのデータがこのマシンで捨てられます。");
        const QString chain = rule.family + u' ' + rule.table + u' ' + rule.chain;
        f.action =
            QCoreApplication::translate("Diagnosis",
                                        "sudo nft insert rule %1 position %2 udp %3 %4 accept でその前に許可する規則を"
                                        "入れるか、sudo nft delete rule %1 handle %2 で規則を削除してください。")
                .arg(chain)
                .arg(rule.handle)
                .arg(rule.portField.isEmpty() ? u"dport"_qs : rule.portField)
                .arg(port);
        f.details = {{u"source"_qs, u"nftables"_qs}, {u"family"_qs, rule.family}, {u"table"_qs, rule.table},
                     {u"chain"_qs, rule.chain},      {u"handle"_qs, rule.handle}, {u"verdict"_qs, rule.verdict},
                     {u"rule"_qs, rule.text}};
        out.append(f);
    }
    for (const NftDropChain &chain : analysis.dropPolicies) {
        Finding f;
        f.check = QStringLiteral("firewall");
        f.verdict = Finding::Verdict::Problem;
        f.summary = QCoreApplication::translate(
                        "Diagnosis",
                        "nftablesのtable %1 %2、chain %3（%4）は許可していないデータを捨て（policy drop）、"
                        "ポート%5のUDPを許可する規則がありません。")
                        .arg(chain.family, chain.table, chain.chain, chain.hook)
                        .arg(port);
        f.meaning = QCoreApplication::translate("Diagnosis", "ほかのZephinetとのデータがこのマシンで捨てられます。");
        f.action = QCoreApplication::translate("Diagnosis",
                                               "sudo nft insert rule %1 %2 %3 udp dport %4 accept で許可してください。")
                       .arg(chain.family, chain.table, chain.chain)
                       .arg(port);
        f.details = {{u"source"_qs, u"nftables"_qs},
                     {u"family"_qs, chain.family},
                     {u"table"_qs, chain.table},
                     {u"chain"_qs, chain.chain},
                     {u"policy"_qs, u"drop"_qs}};
        out.append(f);
    }
}

// The legacy tables, which nftables does not list. Only when the kernel has
// them: asking would otherwise load them.
void legacyFindings(quint16 port, const RunCommand &run, QList<Finding> &out, QStringList &read,
                    QStringList &unreadable)
{
    QFile names(QStringLiteral("/proc/net/ip_tables_names"));
    if (!names.exists())
        return;
    const CommandResult save = run(QStringLiteral("iptables-legacy-save"), {});
    if (!save.started)
        return;
    if (save.exitCode != 0 || (save.out.isEmpty() && needsRoot(save))) {
        unreadable.append(QStringLiteral("iptables"));
        return;
    }
    read.append(QStringLiteral("iptables"));
    static const QRegularExpression portSpec(QStringLiteral("--(d|s)ports? (\\S+)"));
    for (const QString &line : QString::fromUtf8(save.out).split(u'\n')) {
        if (!line.startsWith(u"-A ") || !(line.contains(u"-j DROP") || line.contains(u"-j REJECT")))
            continue;
        if (line.contains(u"-p ") && !line.contains(u"-p udp"))
            continue;
        const QRegularExpressionMatch m = portSpec.match(line);
        if (!m.hasMatch())
            continue;
        bool holds = false;
        for (const QString &part : m.captured(2).split(u',')) {
            const QStringList range = part.split(u':');
            holds |= range.size() == 2 ? range[0].toUInt() <= port && port <= range[1].toUInt() : part.toUInt() == port;
        }
        if (!holds)
            continue;
        Finding f;
        f.check = QStringLiteral("firewall");
        f.verdict = Finding::Verdict::Problem;
        f.summary = QCoreApplication::translate("Diagnosis", "iptablesの規則がポート%1のUDPを止めています: %2")
                        .arg(port)
                        .arg(line);
        f.meaning = QCoreApplication::translate(
            "Diagnosis", "この規則があると、ほかのZephinetとのデータがこのマシンで捨てられます。");
        f.action = QCoreApplication::translate("Diagnosis", "sudo iptables-legacy -D %1 で規則を削除してください。")
                       .arg(line.mid(3));
        f.details = {{u"source"_qs, u"iptables"_qs}, {u"rule"_qs, line}};
        out.append(f);
    }
}

void ufwFindings(quint16 port, const RunCommand &run, QList<Finding> &out, QStringList &read, QStringList &unreadable)
{
    const CommandResult status = run(QStringLiteral("ufw"), {u"status"_qs});
    if (!status.started)
        return;
    if (status.exitCode != 0) {
        unreadable.append(QStringLiteral("ufw"));
        return;
    }
    read.append(QStringLiteral("ufw"));
    const QString text = QString::fromUtf8(status.out);
    if (!text.contains(u"Status: active"))
        return;
    const QString portText = QString::number(port);
    for (const QString &line : text.split(u'\n')) {
        if (line.contains(u"ALLOW") && (line.startsWith(portText) || line.startsWith(u"Zephinet")))
            return;
    }
    Finding f;
    f.check = QStringLiteral("firewall");
    f.verdict = Finding::Verdict::Problem;
    f.summary =
        QCoreApplication::translate("Diagnosis", "ufwが有効で、ポート%1のUDPを許可する規則がありません。").arg(port);
    f.meaning = QCoreApplication::translate("Diagnosis", "ほかのZephinetからのデータがこのマシンで捨てられます。");
    f.action = QCoreApplication::translate("Diagnosis",
                                           "sudo ufw allow from 192.168.1.0/24 to any port %1 proto udp "
                                           "のように、セグメントのアドレスから許可してください。")
                   .arg(port);
    f.details = {{u"source"_qs, u"ufw"_qs}};
    out.append(f);
}

} // namespace

QList<Finding> FirewallFindings(quint16 port, const RunCommand &run)
{
    QList<Finding> out;
    QStringList read;
    QStringList unreadable;
    nftFindings(port, run, out, read, unreadable);
    legacyFindings(port, run, out, read, unreadable);
    ufwFindings(port, run, out, read, unreadable);
    if (!unreadable.isEmpty()) {
        Finding f;
        f.check = QStringLiteral("firewall");
        f.verdict = Finding::Verdict::Warning;
        f.summary = QCoreApplication::translate("Diagnosis", "%1の規則は、root権限がないと読めません。")
                        .arg(unreadable.join(QCoreApplication::translate("Diagnosis", "、")));
        f.meaning =
            QCoreApplication::translate("Diagnosis", "ファイアウォールがポート%1を止めているかどうかはわかりません。")
                .arg(port);
        f.action = QCoreApplication::translate("Diagnosis", "sudo zephinet-cli doctor で確かめてください。");
        f.details = {{u"unreadable"_qs, QJsonArray::fromStringList(unreadable)}};
        out.append(f);
    }
    if (out.isEmpty()) {
        Finding f;
        f.check = QStringLiteral("firewall");
        f.summary = read.isEmpty()
            ? QCoreApplication::translate("Diagnosis",
                                          "ファイアウォール（nftables、iptables、ufw）は見つかりませんでした。")
            : QCoreApplication::translate("Diagnosis", "%1に、ポート%2のUDPを止める規則はありません。")
                  .arg(read.join(QCoreApplication::translate("Diagnosis", "、")))
                  .arg(port);
        f.details = {{u"read"_qs, QJsonArray::fromStringList(read)}};
        out.append(f);
    }
    return out;
}

} // namespace zn
