#pragma once

#include <QColor>
#include <QPointer>
#include <QRegion>
#include <QTimer>
#include <QWidget>

namespace zn {

class TAnimationForm;

// Shapes of MouseAnimation. Values above 2 (only an edited settings file
// gives them) show the circle, the default; 0 and below show nothing.
enum class CursorShape { Circle = 1, Square = 2 };

// The visible part of the cursor animation at `frame`, in window
// coordinates, with (125, 125) the point under the mouse pointer:
//   0..4   circle: the ellipse in the square (100+5c, 100+5c)-(150-5c, 150-5c),
//          50 shrinking to 10 pixels across;
//          square: that square for an even frame, for an odd one the
//          diamond with the corners at the middles of its sides
//   5..9   a line one pixel high, 1 + 16(c-5) wide, centred: 1 to 65 pixels
//   10..14 the 80-pixel line (85, 125)-(165, 126) with a gap of 16(c-10)
//          pixels opening from its centre
//   15..   empty (the window closes)
// Rectangles include their left and top edge, not their right and bottom.
QRegion cursorRegion(int frame, int shape);

// The one step counter of the whole program's cursor animation, owned by
// the program and handed to every animation window. Creating a window
// resets it to 0 and every step of every open window advances it, so the
// open windows step through one sequence together.
class CursorFrame {
public:
    CursorFrame() = default;
    CursorFrame(const CursorFrame &) = delete;
    CursorFrame &operator=(const CursorFrame &) = delete;
    // The open window steps through this counter: it goes with it.
    ~CursorFrame();
    int value() const { return m_value; }

private:
    friend class TAnimationForm;
    int m_value = 0;
    // The window that arrivals restart, if one is open.
    QPointer<TAnimationForm> m_open;
};

// The flash at the mouse pointer when a message arrives: a window of
// 242 × 223 on top of all others that takes no input, whose visible part
// is cursorRegion() painted in a random colour, stepping every 50 ms and
// closing itself at frame 15 (about 750 ms).
class TAnimationForm : public QWidget {
    Q_OBJECT
public:
    static constexpr int StepMilliseconds = 50;
    static constexpr int LastFrame = 14;

    // A message arrived. At most one animation window is open at a time:
    // when one is, its sequence restarts at frame 0 instead of a second
    // window opening, so a flood of messages never piles up windows.
    // Returns the window, or null for MouseAnimation 0 (no animation) and
    // under Wayland, where no client can follow the pointer.
    static TAnimationForm *arrival(CursorFrame &cursorFrame, int mouseAnimation);

    // Resets `cursorFrame` to 0, shows frame 0 at the mouse pointer and
    // starts stepping. The window deletes itself when it closes.
    TAnimationForm(CursorFrame &cursorFrame, int mouseAnimation);
    ~TAnimationForm() override;

    // The sequence starts again at frame 0.
    void restart(int mouseAnimation);
    // One step: the shape of frame CursorFrame (or closing at frame 15),
    // then CursorFrame + 1. The timer calls it.
    void step();

    QColor colour() const { return m_colour; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void place();

    CursorFrame &m_cursorFrame;
    int m_shape;
    QColor m_colour;
    QTimer m_timer;
};

} // namespace zn
