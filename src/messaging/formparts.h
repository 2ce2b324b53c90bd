// What the send and receive windows share: their coloured section headers
// and how they restore a stored placement.
#pragma once

#include <QByteArrayView>
#include <QColor>
#include <QMargins>
#include <QSize>
#include <QString>

class QLabel;
class QWidget;

namespace zn {

class Session;

// A bold header in `colour`: "送信先情報" blue, "送信メッセージ" red, ...
QLabel *headerLabel(const QString &text, const QColor &colour, QWidget *parent);

// Places `window` as stored in `section`, by default centred at its design
// size, always fitted onto the screens there are now, frame included
// (keepFrameOnScreens).
void restorePlacement(QWidget *window, const Session &session, QByteArrayView section, QSize designSize);

// The window manager's frame (title bar, borders) around the program's
// windows, as last seen on one that was shown; none before that, nor
// without a window manager.
QMargins knownFrameMargins();

// The frame of a window is known only once the window manager has framed it,
// after it is shown: `window` is then fitted once more, frame included, if
// its frame differs from the one it was placed with, and the frame is
// remembered for the windows placed later.
void keepFrameOnScreens(QWidget *window);

// A new window (placed, not yet shown) that would cover the title bar or the
// left edge of another window of the program that is showing (the user list,
// the message answered, an earlier send window) moves down and right past
// them, by a step at a time, back to the top left of the screen when the next
// step would leave it.
void cascadeClearOfOthers(QWidget *window);
inline constexpr int CascadeStep = 32;

} // namespace zn
