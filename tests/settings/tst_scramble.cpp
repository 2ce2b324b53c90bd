#include "settings/scramble.h"

#include <QTest>

using namespace zn;

class TestScramble : public QObject {
    Q_OBJECT
private slots:
    void scramble_fixedKey_data();
    void scramble_fixedKey();
    void scramble_drawnKey_inRangeAndReversible();
    void unscramble_data();
    void unscramble();
};

void TestScramble::scramble_fixedKey_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("key");
    QTest::addColumn<QByteArray>("scrambled");

    QTest::addRow("empty") << QByteArray() << 0x32 << QByteArray("32");
    QTest::addRow("ascii") << QByteArray("ab") << 0x32 << QByteArray("329394");
    QTest::addRow("wraps past 255") << QByteArray("\xff\xce", 2) << 0x32 << QByteArray("323100");
    QTest::addRow("uppercase digits") << QByteArray("\x0a") << 199 << QByteArray("C7D1");
}

void TestScramble::scramble_fixedKey()
{
    QFETCH(QByteArray, text);
    QFETCH(int, key);
    QFETCH(QByteArray, scrambled);
    QCOMPARE(ScrambleText(text, quint8(key)), scrambled);
    QCOMPARE(UnscrambleText(scrambled), std::optional<QByteArray>(text));
}

void TestScramble::scramble_drawnKey_inRangeAndReversible()
{
    const QByteArray text("pass\x82\xa0word");
    for (int i = 0; i < 20; ++i) {
        const QByteArray s = ScrambleText(text);
        QCOMPARE(s.size(), 2 + 2 * text.size());
        const int key = s.first(2).toInt(nullptr, 16);
        QVERIFY2(key >= 50 && key <= 199, s.constData());
        QCOMPARE(UnscrambleText(s), std::optional<QByteArray>(text));
    }
}

void TestScramble::unscramble_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("plain");

    QTest::addRow("empty") << QByteArray() << true << QByteArray();
    QTest::addRow("key only") << QByteArray("64") << true << QByteArray();
    QTest::addRow("two characters of garbage") << QByteArray("zz") << true << QByteArray();
    QTest::addRow("lowercase") << QByteArray("329394").toLower() << true << QByteArray("ab");
    QTest::addRow("odd length") << QByteArray("32939") << false << QByteArray();
    QTest::addRow("not hex") << QByteArray("32XY94") << false << QByteArray();
    QTest::addRow("not hex key") << QByteArray("G29394") << false << QByteArray();
    QTest::addRow("sign") << QByteArray("32-394") << false << QByteArray();
    QTest::addRow("blank") << QByteArray("32 394") << false << QByteArray();
}

void TestScramble::unscramble()
{
    QFETCH(QByteArray, stored);
    QFETCH(bool, valid);
    QFETCH(QByteArray, plain);
    const auto result = UnscrambleText(stored);
    QCOMPARE(result.has_value(), valid);
    if (valid)
        QCOMPARE(*result, plain);
}

QTEST_GUILESS_MAIN(TestScramble)
#include "tst_scramble.moc"
