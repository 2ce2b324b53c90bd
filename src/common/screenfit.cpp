#include "common/screenfit.h"

#include <algorithm>
#include <limits>

namespace zn {

namespace {

struct Span {
    qint64 begin;
    qint64 length;
};

// How far the spans overlap; 0 when they do not.
qint64 overlap(Span a, Span b)
{
    return std::max<qint64>(0, std::min(a.begin + a.length, b.begin + b.length) - std::max(a.begin, b.begin));
}

// The gap between the spans; 0 when they touch or overlap.
qint64 gap(Span a, Span b)
{
    if (a.begin + a.length < b.begin)
        return b.begin - (a.begin + a.length);
    if (b.begin + b.length < a.begin)
        return a.begin - (b.begin + b.length);
    return 0;
}

// `wanted` placed in `screen`: length within [minimum, screen], then moved in.
Span fit(Span wanted, Span screen, qint64 minimum)
{
    const qint64 length = std::clamp(wanted.length, std::min(minimum, screen.length), screen.length);
    const qint64 begin = std::clamp(wanted.begin, screen.begin, screen.begin + screen.length - length);
    return {begin, length};
}

} // namespace

QRect fitOnScreens(QPoint topLeft, QSize size, const QList<QRect> &available, QSize minimum)
{
    const Span x{topLeft.x(), std::max(0, size.width())};
    const Span y{topLeft.y(), std::max(0, size.height())};
    if (available.isEmpty()) {
        // The far edge must stay an int.
        const qint64 most = std::numeric_limits<int>::max();
        return QRect(topLeft.x(), topLeft.y(), int(std::min(x.length, most - std::max<qint64>(0, x.begin))),
                     int(std::min(y.length, most - std::max<qint64>(0, y.begin))));
    }

    // The screen the rectangle overlaps most; among screens it misses, the
    // nearest (the sum of the horizontal and vertical gaps).
    const QRect *best = nullptr;
    qint64 bestArea = 0;
    qint64 bestGap = std::numeric_limits<qint64>::max();
    for (const QRect &screen : available) {
        const Span sx{screen.x(), screen.width()};
        const Span sy{screen.y(), screen.height()};
        // An empty rectangle still belongs where its corner is.
        const qint64 area = overlap({x.begin, std::max<qint64>(1, x.length)}, sx)
            * overlap({y.begin, std::max<qint64>(1, y.length)}, sy);
        const qint64 distance = gap(x, sx) + gap(y, sy);
        if (area > bestArea || (bestArea == 0 && area == 0 && distance < bestGap)) {
            best = &screen;
            bestArea = area;
            bestGap = distance;
        }
    }
    const Span fx = fit(x, {best->x(), best->width()}, minimum.width());
    const Span fy = fit(y, {best->y(), best->height()}, minimum.height());
    return QRect(int(fx.begin), int(fy.begin), int(fx.length), int(fy.length));
}

QRect fitFrameOnScreens(QPoint frameTopLeft, QSize clientSize, QMargins frame, const QList<QRect> &available,
                        QSize minimumClient)
{
    const auto grown = [](int length, int before, int after) {
        const qint64 most = std::numeric_limits<int>::max();
        return int(std::clamp<qint64>(qint64(std::max(0, length)) + std::max(0, before) + std::max(0, after), 0, most));
    };
    const QSize frameSize(grown(clientSize.width(), frame.left(), frame.right()),
                          grown(clientSize.height(), frame.top(), frame.bottom()));
    const QSize minimumFrame(grown(minimumClient.width(), frame.left(), frame.right()),
                             grown(minimumClient.height(), frame.top(), frame.bottom()));
    return fitOnScreens(frameTopLeft, frameSize, available, minimumFrame);
}

} // namespace zn
