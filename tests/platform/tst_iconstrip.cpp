#include "platform/iconstrip.h"

#include <QGuiApplication>
#include <QImage>
#include <QTest>

using namespace zn;

namespace {
QImage image(int index, int size)
{
    return IconStrip::pixmap(index, size).toImage().convertToFormat(QImage::Format_ARGB32);
}

bool anyPixel(const QImage &img, bool (*test)(QRgb))
{
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (test(img.pixel(x, y)))
                return true;
    return false;
}
} // namespace

class TestIconStrip : public QObject {
    Q_OBJECT
private slots:
    void everyImage_existsAtBothSizes_data();
    void everyImage_existsAtBothSizes();
    void blank_isFullyTransparent();
    void starFrames_differPairwise();
    void absentFrames_haveNoHue();
    void icon_carriesBothSizes();
};

void TestIconStrip::everyImage_existsAtBothSizes_data()
{
    QTest::addColumn<int>("size");
    QTest::addRow("16") << 16;
    QTest::addRow("32") << 32;
    QTest::addRow("24, scaled") << 24;
}

void TestIconStrip::everyImage_existsAtBothSizes()
{
    QFETCH(int, size);
    for (int index = 0; index < IconStrip::Count; ++index) {
        const QImage img = image(index, size);
        QVERIFY2(!img.isNull(), qPrintable(QString::number(index)));
        QCOMPARE(img.size(), QSize(size, size));
        if (index != IconStrip::Blank)
            QVERIFY2(anyPixel(img, [](QRgb p) { return qAlpha(p) > 128; }), qPrintable(QString::number(index)));
    }
    // Outside the strip: transparent, never a null image that would crash a painter.
    QCOMPARE(image(IconStrip::Count, size).size(), QSize(size, size));
    QVERIFY(!anyPixel(image(-1, size), [](QRgb p) { return qAlpha(p) != 0; }));
}

void TestIconStrip::blank_isFullyTransparent()
{
    for (int size : {16, 32})
        QVERIFY(!anyPixel(image(IconStrip::Blank, size), [](QRgb p) { return qAlpha(p) != 0; }));
}

void TestIconStrip::starFrames_differPairwise()
{
    // Equal neighbours would make the shooting star stand still for a frame.
    for (int base : {0, 16})
        for (int size : {16, 32})
            for (int a = 0; a < 16; ++a)
                for (int b = a + 1; b < 16; ++b)
                    QVERIFY2(image(base + a, size) != image(base + b, size),
                             qPrintable(QStringLiteral("%1 and %2 at %3 px").arg(base + a).arg(base + b).arg(size)));
}

void TestIconStrip::absentFrames_haveNoHue()
{
    for (int index = 16; index < 32; ++index) {
        for (int size : {16, 32}) {
            const bool coloured = anyPixel(
                image(index, size), [](QRgb p) { return qAlpha(p) > 0 && QColor::fromRgba(p).hsvSaturation() > 16; });
            QVERIFY2(!coloured, qPrintable(QString::number(index)));
        }
    }
    // The yellow star is not grey: the test above can tell them apart.
    QVERIFY(anyPixel(image(0, 16), [](QRgb p) { return qAlpha(p) > 0 && QColor::fromRgba(p).hsvSaturation() > 128; }));
}

void TestIconStrip::icon_carriesBothSizes()
{
    const QIcon icon = IconStrip::icon(IconStrip::RecvWindow);
    const QList<QSize> sizes = icon.availableSizes();
    QVERIFY(sizes.contains(QSize(16, 16)));
    QVERIFY(sizes.contains(QSize(32, 32)));
    QCOMPARE(icon.pixmap(32).toImage().convertToFormat(QImage::Format_ARGB32), image(IconStrip::RecvWindow, 32));
}

QTEST_MAIN(TestIconStrip)
#include "tst_iconstrip.moc"
