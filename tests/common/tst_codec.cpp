#include "common/codec.h"

#include <QTest>

using namespace zn;

class TestCodec : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_windowsMapping();
    void encode_refusesAndNamesUnencodable();
    void decode_invalidBytesBecomeReplacement();
    void widgetText_lineBreaks();
    void cutToBytes_keepsDoubleByteWhole();
    void controlBytes_mapToThemselves();
};

void TestCodec::controlBytes_mapToThemselves()
{
    QByteArray all;
    for (int b = 0; b < 0x80; ++b)
        all.append(char(b));
    const QString text = cp932::decode(all);
    QCOMPARE(text.size(), 0x80);
    for (int b = 0; b < 0x80; ++b)
        QCOMPARE(text.at(b).unicode(), ushort(b));
    QCOMPARE(cp932::encode(text).bytes, all);
}

void TestCodec::roundTrip_windowsMapping()
{
    // The Windows mapping: 0x5C is a backslash, 0x8160 the full-width tilde,
    // 0x8740 a circled one.
    const QString text = QStringLiteral("表示\\～①ｱ");
    const auto e = cp932::encode(text);
    QVERIFY(e.ok());
    QCOMPARE(e.bytes, QByteArray("\x95\x5c\x8e\xa6\x5c\x81\x60\x87\x40\xb1"));
    QCOMPARE(cp932::decode(e.bytes), text);
}

void TestCodec::encode_refusesAndNamesUnencodable()
{
    const auto e = cp932::encode(QStringLiteral("ok \U0001F600 then"));
    QVERIFY(!e.ok());
    QCOMPARE(e.unencodable, QStringLiteral("\U0001F600"));
    QVERIFY(e.bytes.isEmpty());
    QVERIFY(cp932::unencodableMessage(e.unencodable).contains(QStringLiteral("U+1F600")));
}

void TestCodec::decode_invalidBytesBecomeReplacement()
{
    // 0xFF is never valid; a lead byte at the end has no second byte. A real
    // 0x1A byte stays itself.
    const QString s = cp932::decode(QByteArray("a\xff"
                                               "b\x1a"
                                               "\x82\xa0\x81",
                                               7));
    QCOMPARE(s, QStringLiteral("a\uFFFDb\u001Aあ\uFFFD"));
}

void TestCodec::widgetText_lineBreaks()
{
    const auto e = cp932::fromWidgetText(u"a\nb\rc\r\nd");
    QCOMPARE(e.bytes, QByteArray("a\r\nb\r\nc\r\nd"));
    QCOMPARE(cp932::toWidgetText("a\r\nb"), QStringLiteral("a\nb"));
}

void TestCodec::cutToBytes_keepsDoubleByteWhole()
{
    const QByteArray text("ab\x82\xa0\x82\xa2");
    QCOMPARE(cp932::cutToBytes(text, 3), QByteArray("ab"));
    QCOMPARE(cp932::cutToBytes(text, 4), QByteArray("ab\x82\xa0"));
    QCOMPARE(cp932::cutToBytes(text, 10), text);
}

QTEST_GUILESS_MAIN(TestCodec)
#include "tst_codec.moc"
