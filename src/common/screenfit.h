// Fitting a stored window rectangle onto the screens there are now. A
// settings file may come from another machine, from a desk with a second
// monitor, or be edited by hand ("Left=-5000", "Height=0x7fffffff").
#pragma once

#include <QList>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace zn {

// The rectangle at `topLeft` of `size` moved onto the screen among
// `available` (each screen's available geometry) that it overlaps most, or
// the nearest one when it overlaps none, and clamped to it: the size at most
// the screen's, at least `minimum` (or the screen's, if smaller), the whole
// rectangle inside the screen. Without screens the rectangle stays as it
// is, its size cut to what a QRect can hold. Sizes and positions may be any
// int; no arithmetic overflows.
//   ({-5000, 99999}, {400, 0x7fffffff}) on 1920×1080 -> (0, 0, 400, 1080)
//   a window on a second monitor that is gone  -> the same size, on the first
QRect fitOnScreens(QPoint topLeft, QSize size, const QList<QRect> &available, QSize minimum);

// The same for a window as it is placed: by its frame's top-left, with the
// size of its client area, and `frame` (the window manager's title bar and
// borders) around that. The whole frame is fitted; the result is the frame's
// rectangle, whose client area is the result less `frame`. A client area
// fitted alone would leave the frame's extra under a panel or past the edge.
//   ({0, 100}, {400, 768}, frame 1/22/1/1) on 1024×768 -> (0, 0, 402, 768):
//   the client 400×745 at (1, 22)
QRect fitFrameOnScreens(QPoint frameTopLeft, QSize clientSize, QMargins frame, const QList<QRect> &available,
                        QSize minimumClient);

} // namespace zn
