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
    // Every arriving message is stamped, twice (the queue and the log): the
    // local time's offset is looked up (a time zone read) once a second, not
    // for every stamp.
    QDateTime now() const override
    {
        struct Second {
            qint64 epochSecond = -1;
            int offsetSeconds = 0;
        };
        thread_local Second last;
        const qint64 ms = QDateTime::currentMSecsSinceEpoch();
        const qint64 second = ms / 1000;
        if (second != last.epochSecond) {
            last.offsetSeconds = QDateTime::fromMSecsSinceEpoch(ms).offsetFromUtc();
            last.epochSecond = second;
        }
        return QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, last.offsetSeconds);
    }

private:
    QElapsedTimer m_timer;
};

} // namespace zn
