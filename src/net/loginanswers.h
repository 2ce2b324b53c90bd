// When this copy answers a LOGIN. A copy that starts into a segment of N
// copies is answered by all N; sent at once, those answers arrive within
// milliseconds and overflow its receive queue long before 10,000. Each copy
// therefore waits a random moment within a spread that grows with its list
// (the list stands for the segment's size), so that the answers reach the
// newcomer at an even rate.
#pragma once

#include <QByteArray>
#include <QSet>

#include <functional>
#include <map>
#include <optional>
#include <random>

namespace zn {

class Clock;

class LoginAnswers {
public:
    // The spread per listed copy beyond the first SpreadFreeRows: 300 ms at
    // 10,000, 100 ms at 5,000. Up to 2,500 answers at once fit the receive
    // queue, so a segment that size is answered at once, as a known peer
    // expects when it refreshes.
    static constexpr qsizetype SpreadFreeRows = 2500;
    static constexpr qint64 SpreadUsPerRow = 40;
    // Answers waiting at most; beyond, they go at once (the limits in front
    // already bound how many LOGINs are answered at all).
    static constexpr qsizetype MaxWaiting = 16384;

    using Send = std::function<void(const QByteArray &address)>;
    LoginAnswers(const Clock &clock, Send send, quint64 seed = std::random_device{}());

    // The spread for a list of `rows`, in ms.
    static qint64 spreadMs(qsizetype rows);
    // Answers the copy at `address` at a random moment within the spread
    // of a list of `rows`: at once when the spread is under a millisecond.
    // A second LOGIN from the same address while its answer waits gets
    // that one answer.
    void answer(const QByteArray &address, qsizetype rows);
    // Sends every answer that is due.
    void sendDue();
    // The monotonic time of the next answer due, none when none waits.
    std::optional<qint64> nextDueMs() const;
    qsizetype waiting() const { return qsizetype(m_due.size()); }

private:
    const Clock &m_clock;
    Send m_send;
    std::mt19937_64 m_random;
    std::multimap<qint64, QByteArray> m_due;
    QSet<QByteArray> m_waiting;
};

} // namespace zn
