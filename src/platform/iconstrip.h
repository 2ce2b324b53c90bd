#pragma once

#include <QIcon>
#include <QPixmap>

namespace zn {

// The program's 16 × 16 images, painted rather than loaded:
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
    static constexpr int Blank = 36;

    static QPixmap pixmap(int index, int size = 16);
    static QIcon icon(int index);
};

} // namespace zn
