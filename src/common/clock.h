#pragma once

#include <QDateTime>
#include <QElapsedTimer>

namespace zn {

// Time as the program sees it. Expiry uses the monotonic reading, so a jump
// of the wall clock neither holds a slot for ever nor expires it early.
class Clock {
public:
    virtual ~Clock() = default;
    virtual qint64 monotonicMs() const = 0;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    SystemClock() { m_timer.start(); }
    qint64 monotonicMs() const override { return m_timer.elapsed(); }
    QDateTime now() const override { return QDateTime::currentDateTime(); }

private:
    QElapsedTimer m_timer;
};

} // namespace zn
