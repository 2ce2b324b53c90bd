// Draws the icon strip into PNG files: drawicons <directory>
// writes <directory>/16x16/NN.png and <directory>/32x32/NN.png for NN = 00..36.
// The images are checked in; run this (target `icons`) only to change the art.
// drawicons --theme <directory> <name> <size>...
// writes the program's icon, the star at rest, into an icon theme's folders:
// <directory>/<size>x<size>/apps/<name>.png and, drawn from the same shapes,
// <directory>/scalable/apps/<name>.svg (the build does this).
#include <QDir>
#include <QFile>
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
const Palette Yellow{QColor(255, 214, 0), QColor(176, 112, 0)};

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
// The shapes of a frame in a square of side s, for the painter and the SVG.
struct ShootingStar {
    QPointF tailStart;
    QPointF centre;
    qreal tailWidth;
    QPointF sparkAt[2];
    qreal sparkRadius[2];
    QPainterPath star;
    qreal edgeWidth;
};

ShootingStar shootingStar(int frame, qreal s)
{
    const int along = (frame + 8) % 16;
    const qreal u = along / 15.0;
    const QPointF centre(s * (0.22 + 0.56 * u), s * (0.78 - 0.56 * u));
    const QPointF back(-s * 0.42, s * 0.42);
    ShootingStar shape{centre + back, centre, s / 7, {}, {}, starPath(centre, s * 0.3, s * 0.13, frame * 72.0 / 16),
                       s / 16};
    for (int spark = 0; spark < 2; ++spark) {
        shape.sparkRadius[spark] = s * (((frame + spark) % 3) == 0 ? 0.07 : 0.035);
        shape.sparkAt[spark] = centre + back * (0.55 + 0.3 * spark) + QPointF(s * 0.09, s * 0.09) * (spark ? -1 : 1);
    }
    return shape;
}

void paintShootingStar(QPainter &p, int frame, qreal s, const Palette &colours)
{
    const ShootingStar shape = shootingStar(frame, s);
    QLinearGradient tail(shape.tailStart, shape.centre);
    QColor faded = colours.body;
    faded.setAlpha(0);
    tail.setColorAt(0, faded);
    tail.setColorAt(1, colours.body);
    p.setPen(QPen(QBrush(tail), shape.tailWidth, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(shape.tailStart, shape.centre);

    p.setPen(Qt::NoPen);
    p.setBrush(colours.body);
    for (int spark = 0; spark < 2; ++spark)
        p.drawEllipse(shape.sparkAt[spark], shape.sparkRadius[spark], shape.sparkRadius[spark]);

    p.setPen(QPen(colours.edge, shape.edgeWidth));
    p.setBrush(colours.body);
    p.drawPath(shape.star);
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
    const Palette yellow = Yellow;
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

QString number(qreal value)
{
    return QString::number(value, 'f', 2);
}

// The star at rest as SVG, the same shapes as the PNG files at any size.
QByteArray restingStarSvg(const Palette &colours)
{
    constexpr qreal s = 256;
    const ShootingStar shape = shootingStar(0, s);
    QString path;
    for (int i = 0; i < shape.star.elementCount(); ++i) {
        const QPainterPath::Element e = shape.star.elementAt(i);
        path += (e.isMoveTo() ? u'M' : u'L') + number(e.x) + u',' + number(e.y) + u' ';
    }
    const QString body = colours.body.name(), edge = colours.edge.name();
    QString svg =
        u"<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n"_qs
        + u"<defs><linearGradient id=\"tail\" gradientUnits=\"userSpaceOnUse\" x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\">"
          u"<stop offset=\"0\" stop-color=\"%5\" stop-opacity=\"0\"/><stop offset=\"1\" stop-color=\"%5\"/>"
          u"</linearGradient></defs>\n"_qs.arg(number(shape.tailStart.x()), number(shape.tailStart.y()),
                                               number(shape.centre.x()), number(shape.centre.y()), body)
        + u"<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" stroke=\"url(#tail)\" stroke-width=\"%5\" "
          u"stroke-linecap=\"round\"/>\n"_qs.arg(number(shape.tailStart.x()), number(shape.tailStart.y()),
                                                 number(shape.centre.x()), number(shape.centre.y()),
                                                 number(shape.tailWidth));
    for (int spark = 0; spark < 2; ++spark)
        svg += u"<circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"%4\"/>\n"_qs.arg(
            number(shape.sparkAt[spark].x()), number(shape.sparkAt[spark].y()), number(shape.sparkRadius[spark]), body);
    svg +=
        u"<path d=\"%1Z\" fill=\"%2\" stroke=\"%3\" stroke-width=\"%4\" stroke-linejoin=\"bevel\"/>\n</svg>\n"_qs.arg(
            path, body, edge, number(shape.edgeWidth));
    return svg.toUtf8();
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
    QFile svg(out.filePath(QStringLiteral("scalable/apps/") + name + QStringLiteral(".svg")));
    if (!out.mkpath(QStringLiteral("scalable/apps")) || !svg.open(QIODevice::WriteOnly)
        || svg.write(restingStarSvg(Yellow)) < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(svg.fileName()));
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
