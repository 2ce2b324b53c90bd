#pragma once

#include <QGuiApplication>
#include <QList>
#include <QRect>
#include <QScreen>

namespace zn {

// The available geometry (without panels and docks) of every screen there is now.
inline QList<QRect> availableScreenGeometries()
{
    QList<QRect> geometries;
    const QList<QScreen *> screens = QGuiApplication::screens();
    for (const QScreen *screen : screens)
        geometries.append(screen->availableGeometry());
    return geometries;
}

} // namespace zn
