#include "platform/iconstrip.h"

#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace zn {

namespace {
QPainterPath starPath(QPointF centre, qreal outer, qreal inner)
{
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const qreal angle = -M_PI / 2 + i * M_PI / 5;
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

void paintEmblem(QPainter &p, int kind, qreal s)
{
    p.setPen(QPen(Qt::black, s / 16));
    p.setBrush(Qt::white);
    const QRectF box(s * 0.5, s * 0.5, s * 0.48, s * 0.48);
    switch (kind) {
    case 0: // window
        p.drawRect(box);
        p.fillRect(QRectF(box.left(), box.top(), box.width(), box.height() / 4), QColor(0, 0, 160));
        break;
    case 1: // page
        p.drawRect(box);
        for (int i = 1; i <= 3; ++i)
            p.drawLine(QPointF(box.left() + s / 16, box.top() + i * box.height() / 4),
                       QPointF(box.right() - s / 16, box.top() + i * box.height() / 4));
        break;
    case 2: // tick
        p.setPen(QPen(QColor(200, 0, 0), s / 8));
        p.drawLine(QPointF(box.left(), box.center().y()), QPointF(box.center().x(), box.bottom()));
        p.drawLine(QPointF(box.center().x(), box.bottom()), QPointF(box.right(), box.top()));
        break;
    default: // log: a book
        p.setBrush(QColor(30, 110, 30));
        p.drawRect(box);
        p.drawLine(QPointF(box.center().x(), box.top()), QPointF(box.center().x(), box.bottom()));
        break;
    }
}
} // namespace

QPixmap IconStrip::pixmap(int index, int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    if (index < 0 || index >= Blank)
        return pm;
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const bool grey = index >= 16 && index < 32;
    const int frame = index < 32 ? index % 16 : 0;
    const QColor body = grey ? QColor(150, 150, 150) : QColor(250, 205, 20);
    const QColor edge = grey ? QColor(90, 90, 90) : QColor(170, 110, 0);

    // The star travels along a circle, one sixteenth per frame, its tail behind it.
    p.translate(s / 2, s / 2);
    p.rotate(frame * 22.5);
    p.translate(-s / 2, -s / 2);
    QLinearGradient tail(QPointF(0, s), QPointF(s * 0.55, s * 0.45));
    tail.setColorAt(0, Qt::transparent);
    tail.setColorAt(1, body);
    p.setPen(QPen(QBrush(tail), s / 8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.05, s * 0.95), QPointF(s * 0.5, s * 0.5));
    p.setPen(QPen(edge, s / 20));
    p.setBrush(body);
    p.drawPath(starPath(QPointF(s * 0.6, s * 0.4), s * 0.38, s * 0.16));
    if (index >= 32) {
        p.resetTransform();
        paintEmblem(p, index - 32, s);
    }
    return pm;
}

QIcon IconStrip::icon(int index)
{
    QIcon icon;
    for (int size : {16, 24, 32, 48})
        icon.addPixmap(pixmap(index, size));
    return icon;
}

} // namespace zn
