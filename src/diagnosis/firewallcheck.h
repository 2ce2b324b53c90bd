// The firewall check: the rules of nftables, of the legacy iptables tables
// and ufw's state that stop UDP to or from the port. Read-only: it runs the
// tools' listing commands and changes nothing.
#pragma once

#include "diagnosis/finding.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <functional>

namespace zn {

struct CommandResult {
    bool started = false; // false: the program is not installed
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
using RunCommand = std::function<CommandResult(const QString &program, const QStringList &arguments)>;
// Runs a program without a shell, waiting at most 10 seconds.
CommandResult RunSystemCommand(const QString &program, const QStringList &arguments);

// One nftables rule that acts on UDP of the port, from `nft -j list ruleset`.
struct NftRule {
    QString family;
    QString table;
    QString chain;
    qint64 handle = 0;
    QString verdict;      // "drop", "reject" or "accept"
    QString portField;    // "dport" or "sport"; empty when the rule names no port
    bool otherConditions; // addresses, interfaces, states: it may spare some peers
    QString text;         // the rule as `nft -a list ruleset` writes it, when known
};
// A base chain that drops what no rule accepts.
struct NftDropChain {
    QString family;
    QString table;
    QString chain;
    QString hook; // "input", "output", ...
};
struct NftAnalysis {
    QList<NftRule> rules;             // drop, reject and accept rules that touch the port
    QList<NftDropChain> dropPolicies; // of IPv4 input and output chains without an accept for the port
};
// `json`: `nft -j list ruleset`; `text`: `nft -a list ruleset` (may be empty).
NftAnalysis AnalyseNftRuleset(const QByteArray &json, const QByteArray &text, quint16 port);

// The firewall's findings, one per rule or chain in the way, else one that
// says none was found or what could not be read.
QList<Finding> FirewallFindings(quint16 port, const RunCommand &run);

} // namespace zn
