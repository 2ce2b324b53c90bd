#pragma once

#include <QFont>

namespace zn {

// The fixed-pitch face of message texts at the display font size: a
// Japanese monospace face where fontconfig has one, else any monospace.
inline QFont MessageFont(int points)
{
    QFont font;
    font.setFamilies({QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("monospace")});
    font.setStyleHint(QFont::Monospace);
    font.setPointSize(points);
    return font;
}

} // namespace zn
