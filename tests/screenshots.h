// What the programs that draw the documentation's pictures share.
#pragma once

#include <QApplication>

namespace zn::test {

// Japanese texts in the CJK face whatever the machine's own font is; at
// `pixelSize` when one is given.
inline void useJapaneseFace(int pixelSize = 0)
{
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Noto Sans CJK JP")});
    if (pixelSize > 0)
        font.setPixelSize(pixelSize);
    QApplication::setFont(font);
}

} // namespace zn::test
