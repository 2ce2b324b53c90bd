#include "common/codec.h"
#include "common/ipv4.h"
#include "common/localpeer.h"
#include "fakeclock.h"
#include "fakefrontend.h"
#include "net/answerlimiter.h"
#include "net/dispatcher.h"
#include "net/messenger.h"
#include "net/reassembly.h"
#include "net/wire.h"
#include "netfakes.h"
#include "peers/roster.h"
#include "session/session.h"
#include "settings/settings.h"

#include <QTest>

using namespace zn;
using namespace zn::test;

namespace {

struct Fixture {
    Settings settings;
    LocalPeer local;
    FakeFrontend frontend;
    RecordingTransport transport;
    RecordingLog log;
    Roster roster{settings, local};
    Messenger messenger{settings, local, roster, transport, log};
    Dispatcher dispatcher{settings, local, roster, messenger, frontend, frontend};

    Fixture()
    {
        local.MachineName = "SELF";
        local.Address = "10.0.0.1";
        settings.HandleName = "me";
        announcePresence(roster, settings, local, frontend);
    }

    void handle(const QByteArray &message) { dispatcher.HandleReceivedMessage(message); }

    // The messages that went out, read back as a peer reads them.
    QList<QByteArray> sentMessages() const
    {
        FakeClock clock;
        FakeFrontend quiet;
        Reassembler reader(clock, quiet);
        QList<QByteArray> messages;
        QObject::connect(&reader, &Reassembler::messageReceived, [&](const QByteArray &m) { messages.append(m); });
        for (const SentDatagram &d : transport.sent)
            reader.ReceiveDatagram(d.datagram, 0x0A000001);
        return messages;
    }
};

} // namespace

class TestDispatcher : public QObject {
    Q_OBJECT
private slots:
    void strToInt_data();
    void strToInt();
    void login_addsPeerAndAnswers();
    void absenceField_data();
    void absenceField();
    void conversionErrors_noBoxAndFewNotices();
    void loginOk_onlyForLocalAddress();
    void infoChange_addsUnknownPeer();
    void logout();
    void ownLogin_addsItselfQuietly();
    void tooFewFields_data();
    void tooFewFields();
    void keywordVariants_ignored_data();
    void keywordVariants_ignored();
    void openCheck_data();
    void openCheck();
    void huzaiCheck_data();
    void huzaiCheck();
    void huzaiMessage();
    void nothingAnswers_oneBoxAtATime();
    void messageExclamation();
    void message_reachesFrontend();
    void longMessage_throughReassembly();
};

void TestDispatcher::strToInt_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");

    QTest::addRow("one") << QByteArray("1") << true << 1;
    QTest::addRow("zero") << QByteArray("0") << true << 0;
    QTest::addRow("leading zeros") << QByteArray("007") << true << 7;
    QTest::addRow("minus") << QByteArray("-1") << true << -1;
    QTest::addRow("plus") << QByteArray("+2") << true << 2;
    QTest::addRow("largest") << QByteArray("2147483647") << true << 2147483647;
    QTest::addRow("smallest") << QByteArray("-2147483648") << true << int(-2147483647 - 1);
    QTest::addRow("too large") << QByteArray("2147483648") << false << 0;
    QTest::addRow("far too large") << QByteArray("99999999999999999999999") << false << 0;
    QTest::addRow("empty") << QByteArray() << false << 0;
    QTest::addRow("sign only") << QByteArray("-") << false << 0;
    QTest::addRow("letters") << QByteArray("abc") << false << 0;
    QTest::addRow("leading blank") << QByteArray(" 1") << false << 0;
    QTest::addRow("trailing blank") << QByteArray("1 ") << false << 0;
    QTest::addRow("hexadecimal") << QByteArray("0x1") << false << 0;
}

void TestDispatcher::strToInt()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    QFETCH(int, value);
    const std::optional<qint32> result = Dispatcher::StrToInt(text);
    QCOMPARE(result.has_value(), ok);
    if (ok)
        QCOMPARE(*result, value);
}

void TestDispatcher::login_addsPeerAndAnswers()
{
    Fixture f;
    f.handle("ZNMESSAGE:LOGIN&|PC1&|alice&|1&|10.0.0.2&|ZN150");
    QCOMPARE(f.roster.count(), 1);
    const TPeer &p = f.roster.peers().at(0);
    QCOMPARE(p.HandleName, QByteArray("alice"));
    QCOMPARE(p.MachineName, QByteArray("PC1"));
    QCOMPARE(p.Address, QByteArray("10.0.0.2"));
    QVERIFY(p.Absent);
    QCOMPARE(f.sentMessages(), QList<QByteArray>{"ZNMESSAGE:LOGIN_OK&|10.0.0.2&|SELF&|me&|0&|10.0.0.1&|ZN150"});
    QCOMPARE(f.transport.sent.at(0).ipv4, BroadcastIPv4);
}

void TestDispatcher::absenceField_data()
{
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<bool>("absent");

    QTest::addRow("1") << QByteArray("1") << true << true;
    QTest::addRow("0") << QByteArray("0") << true << false;
    QTest::addRow("256: low byte 0") << QByteArray("256") << true << false;
    QTest::addRow("257") << QByteArray("257") << true << true;
    QTest::addRow("-1") << QByteArray("-1") << true << true;
    QTest::addRow("abc") << QByteArray("abc") << false << false;
    QTest::addRow("empty") << QByteArray() << false << false;
    QTest::addRow("blank") << QByteArray(" ") << false << false;
    QTest::addRow("CP932 text") << cp932::bytes(u"不在") << false << false;
}

void TestDispatcher::absenceField()
{
    QFETCH(QByteArray, field);
    QFETCH(bool, ok);
    QFETCH(bool, absent);

    for (const QByteArray kind : {"ZNMESSAGE:LOGIN", "ZNMESSAGE:INFO_CHANGE"}) {
        Fixture f;
        f.handle(kind + "&|PC1&|alice&|" + field + "&|10.0.0.2");
        QCOMPARE(f.roster.count(), ok ? 1 : 0);
        if (ok) {
            QCOMPARE(f.roster.peers().at(0).Absent, absent);
            QVERIFY(f.frontend.boxes.isEmpty());
        } else {
            // Said in the notification window: text from the network never opens a box.
            QVERIFY(f.frontend.boxes.isEmpty());
            QCOMPARE(f.frontend.notices.size(), 1);
            QCOMPARE(f.frontend.notices.at(0).text,
                     QStringLiteral("'") + cp932::decode(field) + QStringLiteral("' は整数ではありません"));
            QVERIFY(f.transport.sent.isEmpty());
            QVERIFY(f.frontend.sounds.isEmpty());
        }
    }
    Fixture f;
    f.handle("ZNMESSAGE:LOGIN_OK&|10.0.0.1&|PC1&|alice&|" + field + "&|10.0.0.2&|ZN150");
    QCOMPARE(f.roster.count(), ok ? 1 : 0);
    QVERIFY(f.frontend.boxes.isEmpty());
    QCOMPARE(f.frontend.notices.size(), ok ? 0 : 1);
}

void TestDispatcher::conversionErrors_noBoxAndFewNotices()
{
    // 20 bad LOGINs and INFO_CHANGEs a second for 30 s, from one source and
    // then each from a new one: the notification window says it once per
    // source and at most once per 10 s, and nothing opens a box.
    for (const bool manySources : {false, true}) {
        Fixture f;
        FakeClock clock;
        AnswerLimiter limiter(clock);
        Dispatcher dispatcher(f.settings, f.local, f.roster, f.messenger, f.frontend, f.frontend, &limiter);
        for (int i = 0; i < 30 * 20; ++i) {
            const QByteArray source = manySources
                ? "10.1." + QByteArray::number(i / 250) + '.' + QByteArray::number(i % 250 + 1)
                : QByteArray("10.0.0.9");
            const QByteArray kind = i % 2 ? "ZNMESSAGE:INFO_CHANGE" : "ZNMESSAGE:LOGIN";
            dispatcher.HandleReceivedMessage(kind + "&|BAD" + QByteArray::number(i) + "&|x&|abc&|" + source, source);
            if (i == 300) // a real peer in the middle of it
                dispatcher.HandleReceivedMessage("ZNMESSAGE:LOGIN&|PC2&|bob&|0&|10.0.0.3", "10.0.0.3");
            clock.advance(50);
        }
        qInfo("%s: boxes in 30 s: %lld, notices: %lld", manySources ? "600 sources" : "one source",
              qlonglong(f.frontend.boxes.size()), qlonglong(f.frontend.notices.size()));
        QVERIFY(f.frontend.boxes.isEmpty());
        QCOMPARE(f.frontend.notices.size(), manySources ? 3 : 1);
        QCOMPARE(f.frontend.notices.at(0).text, QStringLiteral("'abc' は整数ではありません"));
        // The good one went through; the bad ones were dropped.
        QCOMPARE(f.roster.count(), 1);
        QCOMPARE(f.roster.peers().at(0).MachineName, QByteArray("PC2"));
        QCOMPARE(f.sentMessages().size(), 1);
    }
}

void TestDispatcher::loginOk_onlyForLocalAddress()
{
    Fixture f;
    f.handle("ZNMESSAGE:LOGIN_OK&|10.0.0.7&|PC1&|alice&|0&|10.0.0.2&|ZN150");
    QCOMPARE(f.roster.count(), 0);
    f.handle("ZNMESSAGE:LOGIN_OK&|10.0.0.1&|PC1&|alice&|1&|10.0.0.2&|ZN150");
    QCOMPARE(f.roster.count(), 1);
    const TPeer &p = f.roster.peers().at(0);
    QCOMPARE(p.HandleName, QByteArray("alice"));
    QCOMPARE(p.MachineName, QByteArray("PC1"));
    QCOMPARE(p.Address, QByteArray("10.0.0.2"));
    QVERIFY(p.Absent);
    QVERIFY(f.transport.sent.isEmpty());
}

void TestDispatcher::infoChange_addsUnknownPeer()
{
    Fixture f;
    f.handle("ZNMESSAGE:INFO_CHANGE&|PC1&|alice&|0&|10.0.0.2");
    QCOMPARE(f.roster.count(), 1);
    QCOMPARE(f.frontend.sounds, QList<SoundKind>{SoundKind::UserOnline});
    f.handle("ZNMESSAGE:INFO_CHANGE&|PC1&|alicia&|1&|10.0.0.2");
    QCOMPARE(f.roster.count(), 1);
    QCOMPARE(f.roster.peers().at(0).HandleName, QByteArray("alicia"));
    QVERIFY(f.roster.peers().at(0).Absent);
    QCOMPARE(f.frontend.sounds.size(), 1);
    QVERIFY(f.transport.sent.isEmpty());
}

void TestDispatcher::logout()
{
    Fixture f;
    f.handle("ZNMESSAGE:LOGIN&|PC1&|alice&|0&|10.0.0.2");
    f.frontend.clear();
    f.handle("ZNMESSAGE:LOGOUT&|PC9");
    QCOMPARE(f.roster.count(), 1);
    QVERIFY(f.frontend.sounds.isEmpty());
    f.handle("ZNMESSAGE:LOGOUT&|PC1");
    QCOMPARE(f.roster.count(), 0);
    QCOMPARE(f.frontend.sounds, QList<SoundKind>{SoundKind::UserOffline});
}

void TestDispatcher::ownLogin_addsItselfQuietly()
{
    Fixture f;
    f.settings.OnlineCheck = true;
    f.handle("ZNMESSAGE:LOGIN&|SELF&|me&|0&|10.0.0.1&|ZN150");
    const QList<QByteArray> answers = f.sentMessages();
    QCOMPARE(answers.size(), 1);
    f.handle(answers.at(0));
    QCOMPARE(f.roster.count(), 1);
    QVERIFY(f.frontend.sounds.isEmpty());
    QVERIFY(f.frontend.notices.isEmpty());
}

void TestDispatcher::tooFewFields_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArrayList>("calls");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("sent");

    const QByteArrayList none;
    QTest::addRow("LOGIN") << QByteArray("ZNMESSAGE:LOGIN") << QByteArrayList{"notice"} << 0 << 0;
    QTest::addRow("LOGIN without address")
        << QByteArray("ZNMESSAGE:LOGIN&|PC1&|a&|0") << QByteArrayList{"sound"} << 1 << 0;
    QTest::addRow("LOGIN_OK") << QByteArray("ZNMESSAGE:LOGIN_OK") << none << 0 << 0;
    QTest::addRow("LOGIN_OK addressed") << QByteArray("ZNMESSAGE:LOGIN_OK&|10.0.0.1") << QByteArrayList{"notice"} << 0
                                        << 0;
    QTest::addRow("INFO_CHANGE") << QByteArray("ZNMESSAGE:INFO_CHANGE") << QByteArrayList{"notice"} << 0 << 0;
    QTest::addRow("LOGOUT") << QByteArray("ZNMESSAGE:LOGOUT") << none << 0 << 0;
    QTest::addRow("OPEN_CHECK") << QByteArray("ZNMESSAGE:OPEN_CHECK") << none << 0 << 0;
    QTest::addRow("OPEN_CHECK addressed")
        << QByteArray("ZNMESSAGE:OPEN_CHECK&|10.0.0.1") << QByteArrayList{"confirmed", "notice"} << 0 << 0;
    QTest::addRow("HUZAI_CHECK") << QByteArray("ZNMESSAGE:HUZAI_CHECK") << none << 0 << 0;
    // The answer has no address to go to.
    QTest::addRow("HUZAI_CHECK addressed") << QByteArray("ZNMESSAGE:HUZAI_CHECK&|10.0.0.1") << none << 0 << 0;
    QTest::addRow("HUZAI_MESSAGE") << QByteArray("ZNMESSAGE:HUZAI_MESSAGE") << none << 0 << 0;
    QTest::addRow("HUZAI_MESSAGE addressed")
        << QByteArray("ZNMESSAGE:HUZAI_MESSAGE&|10.0.0.1") << QByteArrayList{"absence"} << 0 << 0;
    QTest::addRow("MESSAGE_EXCLAMATION") << QByteArray("ZNMESSAGE:MESSAGE_EXCLAMATION") << none << 0 << 0;
    QTest::addRow("MESSAGE_EXCLAMATION addressed")
        << QByteArray("ZNMESSAGE:MESSAGE_EXCLAMATION&|10.0.0.1") << QByteArrayList{"notice"} << 0 << 0;
    QTest::addRow("MESSAGE") << QByteArray("ZNMESSAGE:MESSAGE") << none << 0 << 0;
    QTest::addRow("MESSAGE addressed") << QByteArray("ZNMESSAGE:MESSAGE&|10.0.0.1")
                                       << QByteArrayList{"sound", "message"} << 0 << 0;
    QTest::addRow("empty") << QByteArray() << none << 0 << 0;
}

void TestDispatcher::tooFewFields()
{
    QFETCH(QByteArray, message);
    QFETCH(QByteArrayList, calls);
    QFETCH(int, rows);
    QFETCH(int, sent);
    Fixture f;
    f.settings.OpenCheck = true;
    f.handle(message);
    QCOMPARE(f.frontend.calls, calls);
    QCOMPARE(f.roster.count(), rows);
    QCOMPARE(f.transport.sent.size(), sent);
}

void TestDispatcher::keywordVariants_ignored_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addRow("trailing blank") << QByteArray("ZNMESSAGE:LOGIN &|PC1&|a&|0&|10.0.0.2");
    QTest::addRow("lower case") << QByteArray("znmessage:login&|PC1&|a&|0&|10.0.0.2");
    QTest::addRow("mixed case") << QByteArray("ZNMESSAGE:Login&|PC1&|a&|0&|10.0.0.2");
    QTest::addRow("leading blank") << QByteArray(" ZNMESSAGE:LOGIN&|PC1&|a&|0&|10.0.0.2");
    QTest::addRow("prefix of LOGIN_OK") << QByteArray("ZNMESSAGE:LOGIN_&|10.0.0.1&|PC1&|a&|0&|10.0.0.2");
    QTest::addRow("MESSAGE trailing blank") << QByteArray("ZNMESSAGE:MESSAGE &|10.0.0.1&|PC1&|a&|hi");
    QTest::addRow("no prefix") << QByteArray("MESSAGE&|10.0.0.1&|PC1&|a&|hi");
}

void TestDispatcher::keywordVariants_ignored()
{
    QFETCH(QByteArray, message);
    Fixture f;
    f.handle(message);
    QVERIFY(f.frontend.calls.isEmpty());
    QCOMPARE(f.roster.count(), 0);
    QVERIFY(f.transport.sent.isEmpty());
}

void TestDispatcher::openCheck_data()
{
    QTest::addColumn<bool>("openCheck");
    QTest::addColumn<QByteArray>("address");
    QTest::addColumn<bool>("shown");
    QTest::addRow("on, addressed") << true << QByteArray("10.0.0.1") << true;
    QTest::addRow("off, addressed") << false << QByteArray("10.0.0.1") << false;
    QTest::addRow("on, other peer") << true << QByteArray("10.0.0.2") << false;
}

void TestDispatcher::openCheck()
{
    QFETCH(bool, openCheck);
    QFETCH(QByteArray, address);
    QFETCH(bool, shown);
    Fixture f;
    f.settings.OpenCheck = openCheck;
    f.handle("ZNMESSAGE:OPEN_CHECK&|" + address + "&|" + cp932::bytes(u"鈴木"));
    QCOMPARE(f.frontend.notices.size(), shown ? 1 : 0);
    if (shown) {
        QCOMPARE(f.frontend.notices.at(0).text, QStringLiteral("「鈴木」に送信したメッセージが確認されました。"));
        QVERIFY(!f.frontend.notices.at(0).important);
    }
}

void TestDispatcher::huzaiCheck_data()
{
    QTest::addColumn<bool>("absentMode");
    QTest::addColumn<QByteArray>("huzaiMessage");
    QTest::addColumn<QByteArray>("answer");
    QTest::addRow("absent with message") << true << QByteArray("out\r\nback at 3")
                                         << cp932::bytes(u"≪不在メッセージです≫") + "\r\n\r\nout\r\nback at 3";
    QTest::addRow("absent, empty message") << true << QByteArray() << QByteArray("Nothing");
    QTest::addRow("present with message") << false << QByteArray("out") << QByteArray("Nothing");
}

void TestDispatcher::huzaiCheck()
{
    QFETCH(bool, absentMode);
    QFETCH(QByteArray, huzaiMessage);
    QFETCH(QByteArray, answer);
    Fixture f;
    f.local.AbsentMode = absentMode;
    f.settings.HuzaiMessage = huzaiMessage;
    f.handle("ZNMESSAGE:HUZAI_CHECK&|10.0.0.2&|10.0.0.5");
    QVERIFY(f.transport.sent.isEmpty());
    f.handle("ZNMESSAGE:HUZAI_CHECK&|10.0.0.1&|10.0.0.5");
    QCOMPARE(f.sentMessages(), QList<QByteArray>{"ZNMESSAGE:HUZAI_MESSAGE&|10.0.0.5&|SELF&|me&|" + answer});
}

void TestDispatcher::huzaiMessage()
{
    Fixture f;
    f.handle("ZNMESSAGE:HUZAI_MESSAGE&|10.0.0.1&|PC1&|" + cp932::bytes(u"田中") + "&|Nothing");
    QCOMPARE(f.frontend.boxes.size(), 1);
    QCOMPARE(f.frontend.boxes.at(0).text,
             QStringLiteral("「田中」は不在ではないか、不在メッセージが設定されていません。"));
    QCOMPARE(f.frontend.boxes.at(0).flags, 0x40);
    QVERIFY(f.frontend.absenceWindows.isEmpty());

    f.handle("ZNMESSAGE:HUZAI_MESSAGE&|10.0.0.2&|PC1&|tanaka&|away");
    QVERIFY(f.frontend.absenceWindows.isEmpty());
    f.handle("ZNMESSAGE:HUZAI_MESSAGE&|10.0.0.1&|PC1&|tanaka&|away\r\nuntil 5");
    f.handle("ZNMESSAGE:HUZAI_MESSAGE&|10.0.0.1&|PC2&|sato&|lunch");
    QCOMPARE(f.frontend.absenceWindows.size(), 2);
    QCOMPARE(f.frontend.absenceWindows.at(0).machineName, QByteArray("PC1"));
    QCOMPARE(f.frontend.absenceWindows.at(0).handleName, QByteArray("tanaka"));
    QCOMPARE(f.frontend.absenceWindows.at(0).text, QByteArray("away\r\nuntil 5"));
    QCOMPARE(f.frontend.absenceWindows.at(1).machineName, QByteArray("PC2"));
    QCOMPARE(f.frontend.boxes.size(), 1);
}

void TestDispatcher::nothingAnswers_oneBoxAtATime()
{
    Fixture f;
    // Answers were asked of PC1, PC2 and PC3, one each.
    QByteArrayList asked{"PC1", "PC2", "PC3"};
    f.frontend.absenceAnswerAsked = [&](const QByteArray &, const QByteArray &machine) {
        return asked.removeOne(machine);
    };
    const auto nothing = [](const QByteArray &n) -> QByteArray {
        return "ZNMESSAGE:HUZAI_MESSAGE&|10.0.0.1&|PC" + n + "&|user" + n + "&|Nothing";
    };
    int deepest = 0;
    bool flooded = false;
    // Answers keep arriving while the box is open, as in its nested loop.
    f.frontend.whileBoxOpen = [&] {
        deepest = qMax(deepest, f.frontend.openBoxes);
        if (f.frontend.openBoxes > 1 || flooded)
            return; // a second box: the test fails below instead of recursing
        flooded = true;
        for (int i = 0; i < 100; ++i)
            f.handle(nothing("9")); // never asked: dropped
        f.handle(nothing("3"));
        f.handle(nothing("2"));
        f.handle(nothing("2")); // a second answer to one request
        // An absence text still opens its window meanwhile.
        f.handle("ZNMESSAGE:HUZAI_MESSAGE&|10.0.0.1&|PC4&|sato&|lunch");
    };
    asked.append("PC4"); // the window's answer
    f.handle(nothing("1"));
    QCOMPARE(deepest, 1);
    QCOMPARE(f.frontend.absenceWindows.size(), 1);
    // The asked-for answers in turn, one box after the other.
    QCOMPARE(f.frontend.boxes.size(), 3);
    QCOMPARE(f.frontend.boxes.at(0).text,
             QStringLiteral("「user1」は不在ではないか、不在メッセージが設定されていません。"));
    QCOMPARE(f.frontend.boxes.at(1).text,
             QStringLiteral("「user3」は不在ではないか、不在メッセージが設定されていません。"));
    QCOMPARE(f.frontend.boxes.at(2).text,
             QStringLiteral("「user2」は不在ではないか、不在メッセージが設定されていません。"));
    QCOMPARE(f.frontend.openBoxes, 0);

    // Once the boxes are closed, the next asked-for answer shows one again.
    f.frontend.whileBoxOpen = nullptr;
    asked.append("PC1");
    f.handle(nothing("1"));
    QCOMPARE(f.frontend.boxes.size(), 4);
    f.handle(nothing("1"));
    QCOMPARE(f.frontend.boxes.size(), 4);
}

void TestDispatcher::messageExclamation()
{
    Fixture f;
    f.handle("ZNMESSAGE:MESSAGE_EXCLAMATION&|10.0.0.2&|bob");
    QVERIFY(f.frontend.notices.isEmpty());
    f.handle("ZNMESSAGE:MESSAGE_EXCLAMATION&|10.0.0.1&|" + cp932::bytes(u"高橋"));
    QCOMPARE(f.frontend.notices.size(), 1);
    QCOMPARE(f.frontend.notices.at(0).text,
             QStringLiteral("約1分前に「高橋」に送信したメッセージは正常に送信されませんでした。"
                            "必要があれば、再度送信してください。"));
    QVERIFY(f.frontend.notices.at(0).important);
}

void TestDispatcher::message_reachesFrontend()
{
    Fixture f;
    f.handle("ZNMESSAGE:MESSAGE&|10.0.0.2&|PC1&|alice&|not for us");
    QVERIFY(f.frontend.calls.isEmpty());
    f.handle("ZNMESSAGE:MESSAGE&|10.0.0.1&|PC1&|alice&|hello\r\nworld");
    QCOMPARE(f.frontend.calls, (QByteArrayList{"sound", "message"}));
    QCOMPARE(f.frontend.sounds, QList<SoundKind>{SoundKind::MessageArrived});
    QCOMPARE(f.frontend.messages.at(0).machineName, QByteArray("PC1"));
    QCOMPARE(f.frontend.messages.at(0).handleName, QByteArray("alice"));
    QCOMPARE(f.frontend.messages.at(0).text, QByteArray("hello\r\nworld"));
}

void TestDispatcher::longMessage_throughReassembly()
{
    // A peer sends a long text; it arrives here through reassembly.
    Fixture sender;
    sender.local.MachineName = "PC1";
    sender.local.Address = "10.0.0.2";
    sender.settings.HandleName = "alice";
    sender.roster.AddOrUpdatePeer("me", "SELF", "10.0.0.1", false);
    QByteArray text;
    for (int i = 0; i < 150; ++i)
        text += "line " + QByteArray::number(i) + "\r\n";
    QVERIFY(sender.messenger.SendMessageTo(text, "SELF"));
    QVERIFY(sender.transport.sent.size() > 2);

    Fixture f;
    FakeClock clock;
    Reassembler reassembler(clock, f.frontend);
    QObject::connect(&reassembler, &Reassembler::messageReceived, [&](const QByteArray &m) { f.handle(m); });
    for (const SentDatagram &d : std::as_const(sender.transport.sent))
        reassembler.ReceiveDatagram(d.datagram, 0x0A000002);
    QCOMPARE(f.frontend.messages.size(), 1);
    QCOMPARE(f.frontend.messages.at(0).text, text);
}

QTEST_GUILESS_MAIN(TestDispatcher)
#include "tst_dispatcher.moc"
