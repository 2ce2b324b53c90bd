// Test tool: pictures of the X display in $DISPLAY.
//   xscreenshot FILE.png [X Y W H]   saves the screen, or a part of it, as PNG
//   xscreenshot --print X Y W H      prints "<hash> <colours>" of that part:
//                                    a hash of its pixels, to tell two grabs
//                                    apart, and how many colours it holds
// Exit status 1 when the grab or the file failed.
#include <QCryptographicHash>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QSet>
#include <QTextStream>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool print = !args.isEmpty() && args.first() == u"--print";
    if (print)
        args.removeFirst();
    if ((print && args.size() != 4) || (!print && args.size() != 1 && args.size() != 5)) {
        QTextStream(stderr) << "usage: xscreenshot FILE.png [X Y W H] | xscreenshot --print X Y W H\n";
        return 2;
    }
    const qsizetype first = print ? 0 : 1;
    int x = 0, y = 0, w = -1, h = -1;
    if (args.size() > first) {
        x = args.at(first).toInt();
        y = args.at(first + 1).toInt();
        w = args.at(first + 2).toInt();
        h = args.at(first + 3).toInt();
    }
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 1;
    const QImage image = screen->grabWindow(0, x, y, w, h).toImage().convertToFormat(QImage::Format_RGB32);
    if (image.isNull())
        return 1;
    if (!print)
        return image.save(args.first(), "PNG") ? 0 : 1;

    QCryptographicHash hash(QCryptographicHash::Sha1);
    QSet<QRgb> colours;
    for (int row = 0; row < image.height(); ++row) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(row));
        hash.addData(QByteArrayView(reinterpret_cast<const char *>(line), qsizetype(image.width()) * 4));
        for (int column = 0; column < image.width(); ++column)
            colours.insert(line[column] & 0xFFFFFFu);
    }
    QTextStream(stdout) << hash.result().toHex() << ' ' << colours.size() << '\n';
    return 0;
}
