#include "settings/sendiplist.h"

#include <QTest>

using namespace zn;

class TestSendIPList : public QObject {
    Q_OBJECT
private slots:
    void canonical_data();
    void canonical();
    void split_stopsAtFirstEmptyEntry();
    void fits_at255EntriesAnd1023Characters();
};

void TestSendIPList::canonical_data()
{
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<QByteArray>("listed"); // empty: refused

    QTest::addRow("dotted") << QByteArray("192.168.1.5") << QByteArray("192.168.1.5");
    QTest::addRow("two parts") << QByteArray("10.1") << QByteArray("10.0.0.1");
    QTest::addRow("three parts") << QByteArray("172.16.258") << QByteArray("172.16.1.2");
    QTest::addRow("one number") << QByteArray("3232235777") << QByteArray("192.168.1.1");
    QTest::addRow("leading zero is octal") << QByteArray("192.168.1.010") << QByteArray("192.168.1.8");
    QTest::addRow("hexadecimal part") << QByteArray("0x7f.1") << QByteArray("127.0.0.1");
    QTest::addRow("zero") << QByteArray("0") << QByteArray("0.0.0.0");
    QTest::addRow("all bits set") << QByteArray("255.255.255.255") << QByteArray();
    QTest::addRow("all bits set, one number") << QByteArray("4294967295") << QByteArray();
    QTest::addRow("part above 255") << QByteArray("300.1.1.1") << QByteArray();
    QTest::addRow("last part too big") << QByteArray("10.16777216") << QByteArray();
    QTest::addRow("octal digit 8") << QByteArray("1.2.3.08") << QByteArray();
    QTest::addRow("five parts") << QByteArray("1.2.3.4.5") << QByteArray();
    QTest::addRow("empty part") << QByteArray("1..3.4") << QByteArray();
    QTest::addRow("trailing dot") << QByteArray("1.2.3.") << QByteArray();
    QTest::addRow("letters") << QByteArray("host.local") << QByteArray();
    QTest::addRow("blank") << QByteArray(" 1.2.3.4") << QByteArray();
    QTest::addRow("empty") << QByteArray() << QByteArray();
}

void TestSendIPList::canonical()
{
    QFETCH(QByteArray, typed);
    QFETCH(QByteArray, listed);
    const std::optional<QByteArray> got = CanonicalSendIP(typed);
    if (listed.isEmpty())
        QVERIFY2(!got, got ? got->constData() : "");
    else
        QCOMPARE(got.value_or("refused"), listed);
}

void TestSendIPList::split_stopsAtFirstEmptyEntry()
{
    QCOMPARE(SplitSendIP("192.168.1.5&|10.0.0.7&|"), QByteArrayList({"192.168.1.5", "10.0.0.7"}));
    QCOMPARE(SplitSendIP(""), QByteArrayList());
    // A list cut by the 1023-character read keeps its whole entries and the cut one.
    QCOMPARE(SplitSendIP("1.2.3.4&|5.6"), QByteArrayList({"1.2.3.4", "5.6"}));
    QCOMPARE(SplitSendIP("1.2.3.4&|&|5.6.7.8&|"), QByteArrayList({"1.2.3.4"}));
    QCOMPARE(JoinSendIP({"192.168.1.5", "10.0.0.7"}), QByteArray("192.168.1.5&|10.0.0.7&|"));
    QCOMPARE(JoinSendIP({}), QByteArray());
}

void TestSendIPList::fits_at255EntriesAnd1023Characters()
{
    // 255 short entries: 255 * 9 = 2295 characters would not fit; 0.0.0.1 is 7
    // characters, 9 with its separator.
    QByteArrayList entries(113, "0.0.0.1"); // 1017 characters
    QVERIFY(SendIPListFits(entries));
    entries.append("1.2.3.4"); // 1026
    QVERIFY(!SendIPListFits(entries));

    QByteArrayList exact;
    for (int i = 0; i < 60; ++i)
        exact.append("192.168.100.200"); // 60 * 17 = 1020
    QVERIFY(SendIPListFits(exact));
    exact.append("1"); // 1023
    QVERIFY(SendIPListFits(exact));
    exact.last() = "12"; // 1024
    QVERIFY(!SendIPListFits(exact));

    // The entry count binds on its own only for entries shorter than any
    // dotted address; it still holds for whatever the list holds.
    QVERIFY(SendIPListFits(QByteArrayList(255, "1")));
    QVERIFY(!SendIPListFits(QByteArrayList(256, "1")));
}

QTEST_GUILESS_MAIN(TestSendIPList)
#include "tst_sendiplist.moc"
