// The open windows of one kind that follow the display font size: 100
// slots. A window takes the first empty slot when it is made and gives it
// back when it goes; one made while all are taken keeps the size it opened
// with. The send windows and the absence-message windows each have one.
#pragma once

#include <QPointer>

#include <algorithm>
#include <array>

namespace zn {

template <typename Window>
class WindowList {
public:
    static constexpr int Slots = 100;

    bool take(Window *window)
    {
        for (QPointer<Window> &slot : m_slots) {
            if (!slot) {
                slot = window;
                return true;
            }
        }
        return false;
    }

    void release(Window *window)
    {
        for (QPointer<Window> &slot : m_slots) {
            if (slot == window)
                slot = nullptr;
        }
    }

    int count() const
    {
        return int(std::count_if(m_slots.cbegin(), m_slots.cend(), [](const auto &s) { return !s.isNull(); }));
    }

    // The font-size command reaches every window in a slot.
    void applyFontSize(int points)
    {
        for (const QPointer<Window> &slot : m_slots) {
            if (slot)
                slot->setDisplayFontSize(points);
        }
    }

private:
    std::array<QPointer<Window>, Slots> m_slots;
};

} // namespace zn
