#include "common/text.h"

#include <QTest>

using namespace zn;

class TestText : public QObject {
    Q_OBJECT
private slots:
    void getField_data();
    void getField();
    void getToken_otherSeparator();
    void replaceAll_data();
    void replaceAll();
    void reserved_data();
    void reserved();
    void parseDigits_data();
    void parseDigits();
};

void TestText::getField_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("field");

    QTest::addRow("first") << QByteArray("ZNMESSAGE:LOGOUT&|PC1") << 0 << QByteArray("ZNMESSAGE:LOGOUT");
    QTest::addRow("last") << QByteArray("ZNMESSAGE:LOGOUT&|PC1") << 1 << QByteArray("PC1");
    QTest::addRow("past the last") << QByteArray("ZNMESSAGE:LOGOUT&|PC1") << 2 << QByteArray();
    QTest::addRow("far past") << QByteArray("a&|b") << 255 << QByteArray();
    QTest::addRow("negative") << QByteArray("a&|b") << -1 << QByteArray();
    QTest::addRow("adjacent separators") << QByteArray("a&|&|c") << 1 << QByteArray();
    QTest::addRow("after adjacent") << QByteArray("a&|&|c") << 2 << QByteArray("c");
    QTest::addRow("trailing separator") << QByteArray("1.2.3.4&|5.6.7.8&|") << 2 << QByteArray();
    QTest::addRow("empty text") << QByteArray() << 0 << QByteArray();
    QTest::addRow("lone ampersand") << QByteArray("a&b|c&|d") << 0 << QByteArray("a&b|c");
    QTest::addRow("overlapping &&|") << QByteArray("a&&|b") << 0 << QByteArray("a&");
}

void TestText::getField()
{
    QFETCH(QByteArray, text);
    QFETCH(int, index);
    QFETCH(QByteArray, field);
    QCOMPARE(GetField(text, index), field);
}

void TestText::getToken_otherSeparator()
{
    QCOMPARE(GetToken(";", "a;;b", 0), QByteArray("a"));
    QCOMPARE(GetToken(";", "a;;b", 1), QByteArray());
    QCOMPARE(GetToken(";", "a;;b", 2), QByteArray("b"));
    QCOMPARE(GetToken(";", "a;;b", 3), QByteArray());
}

void TestText::replaceAll_data()
{
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<QByteArray>("replacement");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("result");

    QTest::addRow("escape CR LF") << QByteArray("\r\n") << QByteArray("\\|") << QByteArray("a\r\nb\r\n")
                                  << QByteArray("a\\|b\\|");
    QTest::addRow("lone CR and LF kept") << QByteArray("\r\n") << QByteArray("\\|") << QByteArray("a\rb\nc\n\r")
                                         << QByteArray("a\rb\nc\n\r");
    QTest::addRow("unescape") << QByteArray("\\|") << QByteArray("\r\n") << QByteArray("x\\|\\|y")
                              << QByteArray("x\r\n\r\ny");
    QTest::addRow("removal joins") << QByteArray("\r\n") << QByteArray() << QByteArray("\r\r\n\n") << QByteArray();
    QTest::addRow("removal keeps lone") << QByteArray("\r\n") << QByteArray() << QByteArray("\n\r\nA\r")
                                        << QByteArray("\nA\r");
    QTest::addRow("removal of a longer pattern joins")
        << QByteArray("abc") << QByteArray() << QByteArray("xaabcbcy") << QByteArray("xy");
    QTest::addRow("absence message encoding")
        << QByteArray("\r\n") << QByteArray("\\n") << QByteArray("line1\r\nline2") << QByteArray("line1\\nline2");
}

void TestText::replaceAll()
{
    QFETCH(QByteArray, pattern);
    QFETCH(QByteArray, replacement);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, result);
    QCOMPARE(ReplaceAll(pattern, replacement, text), result);
}

void TestText::reserved_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("reserved");
    QTest::addRow("plain") << QByteArray("hello | & \\") << false;
    QTest::addRow("field separator") << QByteArray("a&|b") << true;
    QTest::addRow("escape") << QByteArray("a\\|b") << true;
    // 0x95 0x5C is one double-byte character whose second byte is a backslash.
    QTest::addRow("double-byte 0x5C then bar") << QByteArray("\x95\x5c|") << true;
    QTest::addRow("double-byte 0x5C alone") << QByteArray("\x95\x5c") << false;
}

void TestText::reserved()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, reserved);
    QCOMPARE(ContainsReservedSequence(text), reserved);
}

void TestText::parseDigits_data()
{
    QTest::addColumn<QByteArray>("digits");
    QTest::addColumn<int>("base");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<quint64>("value");

    QTest::addRow("decimal") << QByteArray("0042") << 10 << true << quint64(42);
    QTest::addRow("hex either case") << QByteArray("0fF") << 16 << true << quint64(0xFF);
    QTest::addRow("octal") << QByteArray("777") << 8 << true << quint64(0777);
    QTest::addRow("8 is no octal digit") << QByteArray("78") << 8 << false << quint64(0);
    QTest::addRow("g is no hex digit") << QByteArray("1g") << 16 << false << quint64(0);
    QTest::addRow("a is no decimal digit") << QByteArray("1a") << 10 << false << quint64(0);
    QTest::addRow("empty") << QByteArray() << 10 << false << quint64(0);
    QTest::addRow("sign") << QByteArray("+1") << 10 << false << quint64(0);
    QTest::addRow("blank") << QByteArray("1 ") << 10 << false << quint64(0);
    QTest::addRow("at the ceiling") << QByteArray("1000") << 10 << true << quint64(1000);
    QTest::addRow("above it") << QByteArray("1001") << 10 << true << quint64(1000);
    // 2^64 + 1: wrapping would give 1.
    QTest::addRow("far above, no wrap") << QByteArray("18446744073709551617") << 10 << true << quint64(1000);
    QTest::addRow("far above in hex") << QByteArray("10000000000000001") << 16 << true << quint64(1000);
}

void TestText::parseDigits()
{
    QFETCH(QByteArray, digits);
    QFETCH(int, base);
    QFETCH(bool, ok);
    QFETCH(quint64, value);
    const std::optional<quint64> parsed = ParseDigits(digits, base, 1000);
    QCOMPARE(parsed.has_value(), ok);
    if (ok)
        QCOMPARE(*parsed, value);
}

QTEST_GUILESS_MAIN(TestText)
#include "tst_text.moc"
