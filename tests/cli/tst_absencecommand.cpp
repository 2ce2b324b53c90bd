#include "cli/absencecommand.h"
#include "cli/commandline.h"
#include "commandfixture.h"
#include "common/codec.h"

#include <QTest>

using namespace zn;
using zn::test::CommandFixture;

class TestAbsenceCommand : public QObject {
    Q_OBJECT
private slots:
    void ask_printsEachOutcomeWithItsExitCode();
    void answers_onlyAskedForAndOncePerUser();
    void json_oneObjectPerUser();
};

namespace {
// Online: 田中 (absent), sato, and two users of one handle name.
struct Fixture : CommandFixture {
    Fixture()
        : CommandFixture({{cp932::bytes(u"田中"), "PC1", "10.0.0.1", true},
                          {"sato", "PC2", "10.0.0.2", false},
                          {"twin", "PC5", "10.0.0.5", false},
                          {"twin", "PC6", "10.0.0.6", false}})
    {}
};
const QByteArray Away = cp932::bytes(u"≪不在メッセージです≫") + "\r\n\r\nout\r\nback at 3 \\o/";
} // namespace

void TestAbsenceCommand::ask_printsEachOutcomeWithItsExitCode()
{
    QCOMPARE(AbsenceMessageOfAnswer(Away), QByteArray("out\r\nback at 3 \\o/"));
    QCOMPARE(AbsenceMessageOfAnswer("no opening"), QByteArray("no opening"));

    Fixture f;
    AbsenceCommand command(f.session, {u"田中"_qs, u"PC2"_qs, u"carol"_qs}, false, f.out);
    QVERIFY(!command.resolve());
    command.act();
    QCOMPARE(
        f.transport.messages(),
        (QList<QByteArray>{HuzaiCheckMessage("10.0.0.1", "10.0.0.99"), HuzaiCheckMessage("10.0.0.2", "10.0.0.99")}));
    QCOMPARE(f.output, u"not-online: carol\n"_qs);
    QVERIFY(!command.allReplied());
    f.answer("10.0.0.1", "PC1", cp932::bytes(u"田中"), Away);
    f.answer("10.0.0.2", "PC2", "sato", "Nothing");
    QVERIFY(command.allReplied());
    QCOMPARE(f.output, u"not-online: carol\nabsent: 田中 (PC1): out\\nback at 3 \\\\o/\nno-message: sato (PC2)\n"_qs);
    // Not online comes before no absence message.
    QCOMPARE(command.exitCode(true), int(ExitNotOnline));

    Fixture g;
    AbsenceCommand some(g.session, {u"PC1"_qs, u"sato"_qs}, false, g.out);
    QVERIFY(some.resolve());
    some.act();
    g.answer("10.0.0.2", "PC2", "sato", "Nothing");
    QCOMPARE(some.exitCode(true), int(ExitUnconfirmed)); // PC1 still to answer
    some.reportUnreplied();
    QCOMPARE(g.output, u"no-message: sato (PC2)\nno-answer: 田中 (PC1)\n"_qs);
    QCOMPARE(some.exitCode(true), int(ExitUnconfirmed));

    Fixture h;
    AbsenceCommand nothing(h.session, {u"sato"_qs}, false, h.out);
    nothing.act();
    h.answer("10.0.0.2", "PC2", "sato", "Nothing");
    QCOMPARE(nothing.exitCode(true), int(ExitNoAbsenceMessage));

    Fixture k;
    AbsenceCommand shared(k.session, {u"twin"_qs, u"PC1"_qs}, false, k.out);
    shared.act();
    QCOMPARE(k.transport.sent.size(), 1);
    k.answer("10.0.0.1", "PC1", "x", Away);
    QCOMPARE(shared.exitCode(true), int(ExitUsage));
}

void TestAbsenceCommand::answers_onlyAskedForAndOncePerUser()
{
    Fixture f;
    int all = 0;
    // The same user twice, by handle and by machine name: asked once.
    AbsenceCommand command(f.session, {u"sato"_qs, u"PC2"_qs, u"PC1"_qs}, false, f.out);
    connect(&command, &AbsenceCommand::repliedByAll, this, [&all] { ++all; });
    command.act();
    QCOMPARE(f.transport.sent.size(), 2);
    // A machine nobody asked answers, from an address nobody asked.
    f.answer("10.0.0.6", "PC6", "twin", Away);
    f.answer("10.0.0.2", "PC2", "sato", Away);
    f.answer("10.0.0.2", "PC2", "sato", "Nothing"); // a second answer to one request
    QCOMPARE(f.output, u"absent: sato (PC2): out\\nback at 3 \\\\o/\nabsent: sato (PC2): out\\nback at 3 \\\\o/\n"_qs);
    QCOMPARE(all, 0);
    f.answer("10.0.0.1", "PC1", cp932::bytes(u"田中"), Away);
    QCOMPARE(all, 1);
    QCOMPARE(command.exitCode(true), int(ExitOk));
}

void TestAbsenceCommand::json_oneObjectPerUser()
{
    Fixture f;
    AbsenceCommand command(f.session, {u"PC1"_qs, u"nobody"_qs}, true, f.out);
    command.act();
    f.answer("10.0.0.1", "PC1", cp932::bytes(u"田中"), Away);
    QCOMPARE(f.output,
             u"{\"outcome\":\"not-online\",\"user\":\"nobody\"}\n"
             "{\"handleName\":\"田中\",\"machineName\":\"PC1\",\"message\":\"out\\nback at 3 \\\\o/\","
             "\"outcome\":\"absent\",\"user\":\"PC1\"}\n"_qs);
}

QTEST_GUILESS_MAIN(TestAbsenceCommand)
#include "tst_absencecommand.moc"
