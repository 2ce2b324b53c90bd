#pragma once

#include <QIcon>
#include <QPixmap>

namespace zn {

// The program's images, drawn at 16 and 32 pixels and compiled in from
// resources/icons (drawn by resources/icons/drawicons.cpp):
//   0..15  the frames of a yellow shooting star (0 = at rest, a present peer)
//   16..31 the same frames in grey (16 = absent)
//   32..35 the star with the emblem of the send, receive, absence-message
//          and log windows
//   36     blank
class IconStrip {
public:
    static constexpr int Count = 37;
    static constexpr int Present = 0;
    static constexpr int Absent = 16;
    static constexpr int SendWindow = 32;
    static constexpr int RecvWindow = 33;
    static constexpr int HuzaiWindow = 34;
    static constexpr int LogViewer = 35;
    static constexpr int Blank = 36;

    // The image at `size` pixels: the drawn one at 16 and 32, scaled from the
    // nearest drawn one otherwise. An index outside the strip gives a
    // transparent image.
    static QPixmap pixmap(int index, int size = 16);
    // Both drawn sizes, so that a tray or title bar picks the sharp one.
    static QIcon icon(int index);
};

} // namespace zn
