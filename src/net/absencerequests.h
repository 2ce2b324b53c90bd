// The absence-message requests this copy sent and whose answers it still
// expects. An answer is shown only when it comes from a machine asked
// within the last minute, and only one answer per request: any copy on the
// network can send HUZAI_MESSAGE, and each unasked-for answer would
// otherwise open a window or a box.
#pragma once

#include <QByteArray>
#include <QHash>

namespace zn {

class Clock;

class AbsenceRequests {
public:
    static constexpr qint64 ExpiryMs = 60 * 1000;
    // The table never holds more; the oldest request gives way to a new one.
    static constexpr int MaxRequests = 1024;

    explicit AbsenceRequests(const Clock &clock) : m_clock(clock) {}

    // A HUZAI_CHECK went to `address`. Asking again renews the time and
    // still expects one answer: the two answers cannot be told apart.
    void asked(const QByteArray &address);
    // An answer arrived from the datagram source `sourceAddress`; the
    // answering machine is listed under `rosterAddress` (empty when not in
    // the roster). True, consuming the request, when either address was
    // asked within the last minute and has not answered yet.
    bool answered(const QByteArray &sourceAddress, const QByteArray &rosterAddress);
    int pending() const;

private:
    void expire();

    const Clock &m_clock;
    QHash<QByteArray, qint64> m_askedAt; // address -> monotonic ms of the request
};

} // namespace zn
