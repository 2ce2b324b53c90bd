#include "common/ipv4.h"
#include "common/text.h"
#include "net/messagefields.h"
#include "net/wire.h"

#include <QTest>

using namespace zn;

namespace {
// Bytes 1 to 251 over and over: no NUL, no CR LF, and a misplaced slice shows.
QByteArray pattern(qsizetype size)
{
    QByteArray out(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        out[i] = char(i % 251 + 1);
    return out;
}

QByteArray nul()
{
    return QByteArray(1, '\0');
}

QByteArray number(int n)
{
    return QByteArray(1, char(quint8(n)));
}
} // namespace

class TestWire : public QObject {
    Q_OBJECT
private slots:
    void body_data();
    void body();
    void body_tooLong_isRefused();
    void lineBreaks_data();
    void lineBreaks();
    void cut_data();
    void cut();
    void cut_everyLength_rebuildsBody();
    void makeDatagrams_escapesBeforeCutting();
    void makeDatagrams_longestMessage();
    void joinMessage();
    void inetAddr_data();
    void inetAddr();
    void dottedIPv4();
    void messageFields_data();
    void messageFields();
};

void TestWire::body_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArray>("body");

    QTest::addRow("logout") << QByteArray("ZNMESSAGE:LOGOUT&|PC1") << QByteArray("   21ZNMESSAGE:LOGOUT&|PC1");
    QTest::addRow("empty") << QByteArray() << QByteArray("    0");
    QTest::addRow("five digits") << QByteArray(99999, 'x') << QByteArray("99999") + QByteArray(99999, 'x');
    QTest::addRow("crlf counts two") << QByteArray("a\r\nb") << QByteArray("    4a\r\nb");
}

void TestWire::body()
{
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, body);
    QCOMPARE(MakeBody(message).value_or(QByteArray("<none>")), body);
}

void TestWire::body_tooLong_isRefused()
{
    QVERIFY(!MakeBody(QByteArray(100000, 'x')).has_value());
    QVERIFY(MakeDatagrams(QByteArray(100000, 'x')).isEmpty());
}

void TestWire::lineBreaks_data()
{
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QByteArray>("escaped");

    QTest::addRow("crlf") << QByteArray("a\r\nb\r\n") << QByteArray("a\\|b\\|");
    QTest::addRow("two in a row") << QByteArray("\r\n\r\n") << QByteArray("\\|\\|");
    QTest::addRow("lone cr and lf") << QByteArray("a\rb\nc") << QByteArray("a\rb\nc");
    QTest::addRow("lf cr is no line break") << QByteArray("a\n\rb") << QByteArray("a\n\rb");
    QTest::addRow("cr before crlf") << QByteArray("a\r\r\nb") << QByteArray("a\r\\|b");
    QTest::addRow("none") << QByteArray("plain") << QByteArray("plain");
}

void TestWire::lineBreaks()
{
    QFETCH(QByteArray, plain);
    QFETCH(QByteArray, escaped);
    QCOMPARE(EscapeLineBreaks(plain), escaped);
    QCOMPARE(UnescapeLineBreaks(escaped), plain);
    QCOMPARE(EscapeLineBreaks(plain).size(), plain.size());
}

void TestWire::cut_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QList<QByteArray>>("datagrams");

    const QByteArray b508 = pattern(508);
    QTest::addRow("508: one short datagram") << b508 << QList<QByteArray>{number(1) + b508 + nul()};

    const QByteArray b509 = pattern(509);
    QTest::addRow("509: one full datagram ending in two NULs")
        << b509 << QList<QByteArray>{number(1) + b509 + nul() + nul()};

    const QByteArray b510 = pattern(510);
    QTest::addRow("510: one full datagram, no NUL-only datagram after it")
        << b510 << QList<QByteArray>{number(1) + b510 + nul()};

    const QByteArray b1020 = pattern(1020);
    QTest::addRow("1020: two full datagrams, no NUL-only third")
        << b1020 << QList<QByteArray>{number(1) + b1020.left(510) + nul(), number(2) + b1020.mid(510) + nul()};

    const QByteArray b1205 = pattern(1205);
    QTest::addRow("1205: 512, 512, 187") << b1205
                                         << QList<QByteArray>{number(1) + b1205.left(510) + nul(),
                                                              number(2) + b1205.mid(510, 510) + nul(),
                                                              number(3) + b1205.mid(1020) + nul()};
}

void TestWire::cut()
{
    QFETCH(QByteArray, body);
    QFETCH(QList<QByteArray>, datagrams);
    const QList<QByteArray> got = CutDatagrams(body);
    QCOMPARE(got.size(), datagrams.size());
    for (qsizetype i = 0; i < got.size(); ++i) {
        QCOMPARE(got[i].size(), datagrams[i].size());
        QCOMPARE(got[i], datagrams[i]);
    }
}

// What a receiver does: payload after the number, up to the first NUL;
// concatenated in number order it must give the body back, and every
// datagram must carry part of the body.
void TestWire::cut_everyLength_rebuildsBody()
{
    for (qsizetype length = 5; length <= 2100; ++length) {
        const QByteArray body = pattern(length);
        const QList<QByteArray> datagrams = CutDatagrams(body);
        QByteArray rebuilt;
        for (qsizetype i = 0; i < datagrams.size(); ++i) {
            const QByteArray &d = datagrams[i];
            QVERIFY2(d.size() >= 3 && d.size() <= MaxDatagramBytes, qPrintable(QString::number(length)));
            QCOMPARE(quint8(d[0]), quint8(i + 1));
            QVERIFY(d.endsWith('\0'));
            const QByteArray payload = d.mid(1, d.indexOf('\0', 1) - 1);
            QVERIFY2(!payload.isEmpty(), qPrintable(QString::number(length)));
            rebuilt += payload;
        }
        QCOMPARE(rebuilt, body);
        QCOMPARE(datagrams.size(), (length + 509) / 510);
    }
}

void TestWire::makeDatagrams_escapesBeforeCutting()
{
    // 1200-byte message, with a line break: the body is 1205 bytes either way.
    QByteArray message = pattern(1200);
    message.replace(600, 2, "\r\n");
    QByteArray escapedBody = QByteArray(" 1200") + message;
    escapedBody.replace(605, 2, "\\|");

    const QList<QByteArray> datagrams = MakeDatagrams(message);
    QCOMPARE(datagrams.size(), 3);
    QCOMPARE(datagrams[0].size(), 512);
    QCOMPARE(datagrams[1].size(), 512);
    QCOMPARE(datagrams[2].size(), 187);
    QCOMPARE(datagrams[0], number(1) + escapedBody.left(510) + nul());
    QCOMPARE(datagrams[1], number(2) + escapedBody.mid(510, 510) + nul());
    QCOMPARE(datagrams[2], number(3) + escapedBody.mid(1020) + nul());
}

void TestWire::makeDatagrams_longestMessage()
{
    const QList<QByteArray> datagrams = MakeDatagrams(pattern(99999));
    QCOMPARE(datagrams.size(), 197);
    QCOMPARE(quint8(datagrams.last()[0]), quint8(197));
    QVERIFY(datagrams.first().startsWith(QByteArray(number(1) + "99999")));
}

void TestWire::joinMessage()
{
    QCOMPARE(JoinMessage(keyword::Logout, {"PC1"}), QByteArray("ZNMESSAGE:LOGOUT&|PC1"));
    QCOMPARE(JoinMessage(keyword::Message, {"a", "", "c"}), QByteArray("ZNMESSAGE:MESSAGE&|a&|&|c"));
    QCOMPARE(JoinMessage(keyword::Login, {}), QByteArray("ZNMESSAGE:LOGIN"));
}

void TestWire::inetAddr_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<quint32>("ipv4");

    QTest::addRow("dotted") << QByteArray("192.168.1.20") << true << 0xC0A80114u;
    QTest::addRow("zeros") << QByteArray("0.0.0.0") << true << 0u;
    QTest::addRow("subnet broadcast") << QByteArray("10.0.255.255") << true << 0x0A00FFFFu;
    QTest::addRow("loopback") << QByteArray("127.0.0.1") << true << 0x7F000001u;
    QTest::addRow("leading zero is octal") << QByteArray("010.001.0.9") << true << 0x08010009u;
    QTest::addRow("hex parts") << QByteArray("0xC0.0XA8.0x1.0x14") << true << 0xC0A80114u;
    QTest::addRow("two parts") << QByteArray("10.1") << true << 0x0A000001u;
    QTest::addRow("three parts") << QByteArray("172.16.258") << true << 0xAC100102u;
    QTest::addRow("one part") << QByteArray("3232235796") << true << 0xC0A80114u;
    QTest::addRow("broadcast refused") << QByteArray("255.255.255.255") << false << 0u;
    QTest::addRow("broadcast as one part") << QByteArray("0xffffffff") << false << 0u;
    QTest::addRow("part over 255") << QByteArray("1.2.3.256") << false << 0u;
    QTest::addRow("last of two over 24 bits") << QByteArray("1.16777216") << false << 0u;
    QTest::addRow("one part over 32 bits") << QByteArray("4294967296") << false << 0u;
    QTest::addRow("huge part") << QByteArray("99999999999999999999999.1") << false << 0u;
    // 2^64 + 1 in each base: a value that wrapped would read as 1.
    QTest::addRow("first part 2^64+1") << QByteArray("18446744073709551617.2.3.4") << false << 0u;
    QTest::addRow("last part 2^64+1") << QByteArray("1.2.3.18446744073709551617") << false << 0u;
    QTest::addRow("one part 2^64+1") << QByteArray("18446744073709551617") << false << 0u;
    QTest::addRow("hex part 2^64+1") << QByteArray("0x10000000000000001.2.3.4") << false << 0u;
    QTest::addRow("octal part 2^64+1") << QByteArray("02000000000000000000001.2.3.4") << false << 0u;
    QTest::addRow("one part 2^32+1") << QByteArray("4294967297") << false << 0u;
    QTest::addRow("last of two 2^32+1") << QByteArray("1.4294967297") << false << 0u;
    QTest::addRow("eight in octal") << QByteArray("08.1.1.1") << false << 0u;
    QTest::addRow("bare 0x") << QByteArray("0x.1.1.1") << false << 0u;
    QTest::addRow("five parts") << QByteArray("1.2.3.4.5") << false << 0u;
    QTest::addRow("trailing dot") << QByteArray("1.2.3.4.") << false << 0u;
    QTest::addRow("empty part") << QByteArray("1..3.4") << false << 0u;
    QTest::addRow("name") << QByteArray("server") << false << 0u;
    QTest::addRow("space") << QByteArray(" 1.2.3.4") << false << 0u;
    QTest::addRow("sign") << QByteArray("1.2.+3.4") << false << 0u;
    QTest::addRow("empty") << QByteArray() << false << 0u;
}

void TestWire::inetAddr()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    QFETCH(quint32, ipv4);
    const std::optional<quint32> parsed = InetAddr(text);
    QCOMPARE(parsed.has_value(), valid);
    if (valid)
        QCOMPARE(*parsed, ipv4);
}

void TestWire::dottedIPv4()
{
    QCOMPARE(DottedIPv4(0x0A000001u), QByteArray("10.0.0.1"));
    QCOMPARE(DottedIPv4(0xFFFFFFFFu), QByteArray("255.255.255.255"));
    QCOMPARE(DottedIPv4(0u), QByteArray("0.0.0.0"));
    // Parts of one, two and three digits, zeros inside them kept.
    QCOMPARE(DottedIPv4(0xC0A80A63u), QByteArray("192.168.10.99"));
    QCOMPARE(DottedIPv4(0x64095A00u), QByteArray("100.9.90.0"));
}

void TestWire::messageFields_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArrayList>("fields");
    QTest::addRow("null") << QByteArray() << QByteArrayList{""};
    QTest::addRow("keyword only") << QByteArray("ZNMESSAGE:LOGOUT") << QByteArrayList{"ZNMESSAGE:LOGOUT"};
    QTest::addRow("empty fields") << QByteArray("K&|&|a&|") << QByteArrayList{"K", "", "a", ""};
    QTest::addRow("separator in the last field read")
        << QByteArray("K&|to&|m&|h&|a&|b&|c") << QByteArrayList{"K", "to", "m", "h", "a", "b"};
    QTest::addRow("separators run together") << QByteArray("K&&|&|||&|&") << QByteArrayList{"K&", "", "||", "&"};
    QTest::addRow("line breaks and escapes")
        << QByteArray("K&|a\r\n\\|&&|&|\\") << QByteArrayList{"K", "a\r\n\\|&", "", "\\"};
}

// Split once, the fields are those GetField reads one by one: each empty
// field past the end a null array, as GetField gives it.
void TestWire::messageFields()
{
    QFETCH(QByteArray, message);
    QFETCH(QByteArrayList, fields);
    const MessageFields split(message);
    for (int i = 0; i < MessageFields::Count; ++i) {
        const QByteArray field = GetField(message, i);
        QCOMPARE(split.bytes(i), i < fields.size() ? fields.at(i) : QByteArray());
        QCOMPARE(split.bytes(i), field);
        QCOMPARE(split.bytes(i).isNull(), field.isNull());
        QCOMPARE(split[i].size(), field.size());
    }
}

QTEST_GUILESS_MAIN(TestWire)
#include "tst_wire.moc"
