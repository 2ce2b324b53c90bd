// Draws the icon strip into PNG files: drawicons <directory>
// writes <directory>/16x16/NN.png and <directory>/32x32/NN.png for NN = 00..36.
// The images are checked in; run this (target `icons`) only to change the art.
// drawicons --theme <directory> <name> <size>...
// writes the program's icon, the star at rest, into an icon theme's folders:
// <directory>/<size>x<size>/apps/<name>.png (the build does this).
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <cstdio>

namespace {

struct Palette {
    QColor body;
    QColor edge;
};

QPainterPath starPath(QPointF centre, qreal outer, qreal inner, qreal turnDegrees)
{
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const qreal angle = qDegreesToRadians(-90.0 + turnDegrees) + i * M_PI / 5;
        const qreal r = (i % 2 == 0) ? outer : inner;
        const QPointF p(centre.x() + r * qCos(angle), centre.y() + r * qSin(angle));
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    path.closeSubpath();
    return path;
}

// Frame f of the shooting star. The star crosses the square from the lower
// left to the upper right, spinning a fifth of a turn per sixteen frames (so
// frame 15 leads seamlessly into frame 0), with a tail behind it whose two
// sparks twinkle. Frame 0, the resting icon, has the star in the middle.
void paintShootingStar(QPainter &p, int frame, qreal s, const Palette &colours)
{
    const int along = (frame + 8) % 16;
    const qreal u = along / 15.0;
    const QPointF centre(s * (0.22 + 0.56 * u), s * (0.78 - 0.56 * u));
    const QPointF back(-s * 0.42, s * 0.42);

    QLinearGradient tail(centre + back, centre);
    QColor faded = colours.body;
    faded.setAlpha(0);
    tail.setColorAt(0, faded);
    tail.setColorAt(1, colours.body);
    p.setPen(QPen(QBrush(tail), s / 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + back, centre);

    p.setPen(Qt::NoPen);
    p.setBrush(colours.body);
    for (int spark = 0; spark < 2; ++spark) {
        const qreal r = s * (((frame + spark) % 3) == 0 ? 0.07 : 0.035);
        const QPointF at = centre + back * (0.55 + 0.3 * spark) + QPointF(s * 0.09, s * 0.09) * (spark ? -1 : 1);
        p.drawEllipse(at, r, r);
    }

    p.setPen(QPen(colours.edge, s / 16));
    p.setBrush(colours.body);
    p.drawPath(starPath(centre, s * 0.3, s * 0.13, frame * 72.0 / 16));
}

void paintEmblem(QPainter &p, int kind, qreal s)
{
    p.setPen(QPen(Qt::black, s / 16));
    p.setBrush(Qt::white);
    const QRectF box(s * 0.5, s * 0.5, s * 0.47, s * 0.47);
    switch (kind) {
    case 0: // window: a title bar
        p.drawRect(box);
        p.fillRect(QRectF(box.left(), box.top(), box.width(), box.height() / 3), QColor(0, 0, 160));
        break;
    case 1: // page: lines of text
        p.drawRect(box);
        for (int i = 1; i <= 3; ++i)
            p.drawLine(QPointF(box.left() + s / 16, box.top() + i * box.height() / 4),
                       QPointF(box.right() - s / 16, box.top() + i * box.height() / 4));
        break;
    case 2: // tick
        p.setPen(QPen(QColor(200, 0, 0), s / 8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(box.left(), box.center().y()), QPointF(box.center().x(), box.bottom()));
        p.drawLine(QPointF(box.center().x(), box.bottom()), QPointF(box.right(), box.top()));
        break;
    default: // list: rows with bullets
        p.drawRect(box);
        for (int i = 1; i <= 3; ++i) {
            const qreal y = box.top() + i * box.height() / 4;
            p.fillRect(QRectF(box.left() + s / 16, y - s / 32, s / 16, s / 16), QColor(30, 110, 30));
            p.drawLine(QPointF(box.left() + s * 3 / 16, y), QPointF(box.right() - s / 16, y));
        }
        break;
    }
}

QImage draw(int index, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (index == 36)
        return image;
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const Palette yellow{QColor(255, 214, 0), QColor(176, 112, 0)};
    // Pure greys: the absent images carry no hue at all.
    const Palette grey{QColor(160, 160, 160), QColor(96, 96, 96)};
    if (index < 32) {
        paintShootingStar(p, index % 16, size, index < 16 ? yellow : grey);
    } else {
        paintShootingStar(p, 0, size, yellow);
        paintEmblem(p, index - 32, size);
    }
    return image;
}

bool save(const QImage &image, const QString &file)
{
    if (image.save(file))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    return false;
}

int drawTheme(const QDir &out, const QString &name, const QStringList &sizes)
{
    for (const QString &text : sizes) {
        const int size = text.toInt();
        if (size < 16 || size > 1024) {
            std::fprintf(stderr, "not an icon size: %s\n", qPrintable(text));
            return 2;
        }
        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        if (!out.mkpath(folder) || !save(draw(0, size), out.filePath(folder + u'/' + name + QStringLiteral(".png"))))
            return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.size() >= 4 && args[0] == QStringLiteral("--theme"))
        return drawTheme(QDir(args[1]), args[2], args.mid(3));
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: drawicons <directory>\n       drawicons --theme <directory> <name> <size>...\n");
        return 2;
    }
    const QDir out(args[0]);
    for (int size : {16, 32}) {
        const QString folder = QStringLiteral("%1x%1").arg(size);
        if (!out.mkpath(folder))
            return 1;
        for (int index = 0; index < 37; ++index) {
            if (!save(draw(index, size),
                      out.filePath(folder + QStringLiteral("/%1.png").arg(index, 2, 10, QLatin1Char('0')))))
                return 1;
        }
    }
    return 0;
}
