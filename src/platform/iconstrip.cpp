#include "platform/iconstrip.h"

#include <QPixmapCache>

// The images live in a static library, whose resource object the linker
// would drop unless something refers to it.
static void initIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace zn {

namespace {
QString resourcePath(int index, int drawnSize)
{
    return QStringLiteral(":/icons/%1x%1/%2.png").arg(drawnSize).arg(index, 2, 10, QLatin1Char('0'));
}

QPixmap drawn(int index, int drawnSize)
{
    static const bool registered = (initIconResources(), true);
    Q_UNUSED(registered);
    const QString path = resourcePath(index, drawnSize);
    QPixmap pm;
    if (!QPixmapCache::find(path, &pm)) {
        pm.load(path);
        QPixmapCache::insert(path, pm);
    }
    return pm;
}
} // namespace

QPixmap IconStrip::pixmap(int index, int size)
{
    if (index < 0 || index >= Count) {
        QPixmap blank(size, size);
        blank.fill(Qt::transparent);
        return blank;
    }
    if (size == 16 || size == 32)
        return drawn(index, size);
    return drawn(index, size < 24 ? 16 : 32).scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QIcon IconStrip::icon(int index)
{
    QIcon icon;
    for (int size : {16, 32})
        icon.addPixmap(pixmap(index, size));
    return icon;
}

} // namespace zn
