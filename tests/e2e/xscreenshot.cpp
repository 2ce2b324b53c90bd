// Test tool: pictures of the X display in $DISPLAY.
//   xscreenshot FILE.png [X Y W H]   saves the screen, or a part of it, as PNG
//   xscreenshot --print X Y W H [N MS]
//                                    prints "<hash> <colours>" of that part:
//                                    a hash of its pixels, to tell two grabs
//                                    apart, and how many colours it holds;
//                                    N grabs MS milliseconds apart, a line each
//   xscreenshot --spans X Y W H      prints "<x> <width>" of each run of columns
//                                    of that part that hold more than one
//                                    colour: the icons on a plain panel
// Exit status 1 when the grab or the file failed.
#include <QCryptographicHash>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QSet>
#include <QTextStream>
#include <QThread>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool spans = !args.isEmpty() && args.first() == u"--spans";
    const bool print = spans || (!args.isEmpty() && args.first() == u"--print");
    if (print)
        args.removeFirst();
    if ((print && args.size() != 4 && args.size() != 6) || (!print && args.size() != 1 && args.size() != 5)) {
        QTextStream(stderr)
            << "usage: xscreenshot FILE.png [X Y W H] | xscreenshot --print X Y W H [N MS] | --spans X Y W H\n";
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
    const auto grab = [&] { return screen->grabWindow(0, x, y, w, h).toImage().convertToFormat(QImage::Format_RGB32); };
    if (!print) {
        const QImage image = grab();
        return !image.isNull() && image.save(args.first(), "PNG") ? 0 : 1;
    }

    QTextStream out(stdout);
    if (spans) {
        const QImage image = grab();
        if (image.isNull())
            return 1;
        int start = -1;
        for (int column = 0; column <= image.width(); ++column) {
            bool plain = true;
            for (int row = 1; column < image.width() && row < image.height() && plain; ++row)
                plain = image.pixel(column, row) == image.pixel(column, 0);
            if (!plain && start < 0)
                start = column;
            if (plain && start >= 0) {
                out << x + start << ' ' << column - start << Qt::endl;
                start = -1;
            }
        }
        return 0;
    }
    const int count = args.size() == 6 ? std::max(1, args.at(4).toInt()) : 1;
    const int gap = args.size() == 6 ? std::max(0, args.at(5).toInt()) : 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            QThread::msleep(gap);
        const QImage image = grab();
        if (image.isNull())
            return 1;
        QCryptographicHash hash(QCryptographicHash::Sha1);
        QSet<QRgb> colours;
        for (int row = 0; row < image.height(); ++row) {
            const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(row));
            hash.addData(QByteArrayView(reinterpret_cast<const char *>(line), qsizetype(image.width()) * 4));
            for (int column = 0; column < image.width(); ++column)
                colours.insert(line[column] & 0xFFFFFFu);
        }
        out << hash.result().toHex() << ' ' << colours.size() << Qt::endl;
    }
    return 0;
}
