// The firewall check over rulesets as nft prints them (nft-ruleset.json and
// nft-ruleset.txt were listed by nft 1.0.6 from a namespace holding the
// rules): which rules stop UDP of the port, which spare some peers, which
// chains drop by policy, and what is said when nft cannot be read.
#include "diagnosis/firewallcheck.h"

#include <QFile>
#include <QTest>

using namespace zn;

class TestFirewallCheck : public QObject {
    Q_OBJECT
private slots:
    void nftRuleset_rulesOfThePortAndDroppingPolicies();
    void findings_problemsWarningsAndTheWayOut();
    void findings_unreadableWithoutRootIsSaid();
};

namespace {

QByteArray fixture(const char *name)
{
    QFile file(QStringLiteral(ZEPHINET_TEST_DATA "/") + QString::fromLatin1(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// nft answers from the fixtures; every other program is missing.
CommandResult fakeNft(const QString &program, const QStringList &arguments)
{
    if (program != u"nft")
        return {};
    const bool json = arguments.first() == u"-j";
    return {true, 0, fixture(json ? "nft-ruleset.json" : "nft-ruleset.txt"), {}};
}

} // namespace

void TestFirewallCheck::nftRuleset_rulesOfThePortAndDroppingPolicies()
{
    const NftAnalysis analysis = AnalyseNftRuleset(fixture("nft-ruleset.json"), fixture("nft-ruleset.txt"), 50000);
    QStringList rules;
    for (const NftRule &r : analysis.rules)
        rules << QStringLiteral("%1 %2 %3 %4 %5 %6%7 %8")
                     .arg(r.family, r.table, r.chain)
                     .arg(r.handle)
                     .arg(r.verdict, r.portField.isEmpty() ? u"-"_qs : r.portField,
                          r.otherConditions ? u" (some)"_qs : QString(), r.text);
    // Left out: the state rule (no port), the TCP rule, the accept of a set
    // without the port, the forward chain's rule and the rule of port 50001.
    const QStringList expected = {
        u"inet filter input 5 drop dport (some) udp dport 50000 ip saddr != 10.77.0.0/24 drop"_qs,
        u"inet filter input 7 drop dport udp dport { 50000, 50001 } counter packets 0 bytes 0 drop"_qs,
        u"inet filter input 8 reject dport udp dport 49000-51000 reject"_qs,
        u"ip other output 2 drop sport udp sport 50000 drop"_qs,
        u"inet segment input 2 accept dport (some) udp dport 50000 ip saddr 10.77.0.0/24 accept"_qs,
        // After an accept of the port: it stops only what that one did not take.
        u"inet segment input 3 drop dport (some) udp dport 50000 drop"_qs,
    };
    QCOMPARE(rules, expected);
    // The table whose rules accept the port is not named for its policy.
    QCOMPARE(analysis.dropPolicies.size(), 1);
    const NftDropChain &chain = analysis.dropPolicies.first();
    QCOMPARE(chain.family + u' ' + chain.table + u' ' + chain.chain + u' ' + chain.hook, u"inet filter input input"_qs);

    // Port 50001 is in the named set that the first table accepts; the
    // third table accepts only 50000, so its policy drops 50001.
    const NftAnalysis other = AnalyseNftRuleset(fixture("nft-ruleset.json"), {}, 50001);
    QCOMPARE(other.dropPolicies.size(), 1);
    QCOMPARE(other.dropPolicies.first().table, u"segment"_qs);
    QList<qint64> handles;
    for (const NftRule &r : other.rules)
        handles << r.handle;
    QCOMPARE(handles, (QList<qint64>{7, 8, 10, 3}));
    QVERIFY(other.rules.first().text.isEmpty());
}

void TestFirewallCheck::findings_problemsWarningsAndTheWayOut()
{
    const QList<Finding> findings = FirewallFindings(50000, fakeNft);
    QStringList verdicts;
    for (const Finding &f : findings) {
        QCOMPARE(f.check, u"firewall"_qs);
        verdicts << VerdictName(f.verdict);
    }
    QCOMPARE(verdicts,
             (QStringList{u"warning"_qs, u"problem"_qs, u"problem"_qs, u"problem"_qs, u"warning"_qs, u"problem"_qs}));
    const Finding &sport = findings[3];
    QCOMPARE(sport.summary,
             u"nftablesの規則がポート50000のUDPを止めています: table ip other、chain output、handle 2"
             u"「udp sport 50000 drop」"_qs);
    QVERIFY(sport.action.contains(u"sudo nft insert rule ip other output position 2 udp sport 50000 accept"));
    QVERIFY(sport.action.contains(u"sudo nft delete rule ip other output handle 2"));
    QCOMPARE(sport.details.value(u"handle").toInt(), 2);
    QVERIFY(findings.last().summary.contains(u"policy drop"));
    QVERIFY(findings.last().action.contains(u"sudo nft insert rule inet filter input udp dport 50000 accept"));
}

void TestFirewallCheck::findings_unreadableWithoutRootIsSaid()
{
    const auto denied = [](const QString &program, const QStringList &) {
        if (program != u"nft")
            return CommandResult{};
        return CommandResult{true, 1, {}, "Error: cache initialization failed: Operation not permitted\n"};
    };
    const QList<Finding> findings = FirewallFindings(50000, denied);
    QCOMPARE(findings.size(), 1);
    QCOMPARE(findings.first().verdict, Finding::Verdict::Warning);
    QCOMPARE(findings.first().summary, u"nftablesの規則は、root権限がないと読めません。"_qs);
    QCOMPARE(findings.first().action, u"sudo zephinet-cli doctor で確かめてください。"_qs);

    // Without any firewall program there is nothing to read, and that is said.
    const QList<Finding> none =
        FirewallFindings(50000, [](const QString &, const QStringList &) { return CommandResult{}; });
    QCOMPARE(none.size(), 1);
    QCOMPARE(none.first().verdict, Finding::Verdict::Ok);
}

QTEST_MAIN(TestFirewallCheck)
#include "tst_firewallcheck.moc"
