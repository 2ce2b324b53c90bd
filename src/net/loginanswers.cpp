#include "net/loginanswers.h"

#include "common/clock.h"

#include <algorithm>

namespace zn {

LoginAnswers::LoginAnswers(const Clock &clock, Send send, quint64 seed)
    : m_clock(clock), m_send(std::move(send)), m_random(seed)
{}

qint64 LoginAnswers::spreadMs(qsizetype rows)
{
    return qint64(std::max<qsizetype>(0, rows - SpreadFreeRows)) * SpreadUsPerRow / 1000;
}

void LoginAnswers::answer(const QByteArray &address, qsizetype rows)
{
    const qint64 spread = spreadMs(rows);
    if (spread <= 0 || m_due.size() >= size_t(MaxWaiting)) {
        m_send(address);
        return;
    }
    if (m_waiting.contains(address))
        return;
    const qint64 delay = std::uniform_int_distribution<qint64>(0, spread)(m_random);
    m_due.emplace(m_clock.monotonicMs() + delay, address);
    m_waiting.insert(address);
}

void LoginAnswers::sendDue()
{
    const qint64 now = m_clock.monotonicMs();
    while (!m_due.empty() && m_due.begin()->first <= now) {
        const QByteArray address = m_due.begin()->second;
        m_due.erase(m_due.begin());
        m_waiting.remove(address);
        m_send(address);
    }
}

std::optional<qint64> LoginAnswers::nextDueMs() const
{
    if (m_due.empty())
        return std::nullopt;
    return m_due.begin()->first;
}

} // namespace zn
