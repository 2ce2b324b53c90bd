#include "net/answerlimiter.h"

#include "common/clock.h"

#include <algorithm>

namespace zn {

TokenBuckets::TokenBuckets(const Clock &clock, int burst, qint64 msPerToken, qsizetype maxKeys)
    : m_clock(clock), m_burstMs(qint64(burst) * msPerToken), m_msPerToken(msPerToken), m_maxKeys(maxKeys)
{
}

// A bucket is the time at which it is full again: it holds a token while
// that time lies less than burst - 1 tokens ahead of now.
bool TokenBuckets::has(const QByteArray &key) const
{
    const auto it = m_full.constFind(key);
    return it == m_full.cend() || *it - m_clock.monotonicMs() <= m_burstMs - m_msPerToken;
}

bool TokenBuckets::take(const QByteArray &key)
{
    const qint64 now = m_clock.monotonicMs();
    auto it = m_full.find(key);
    if (it == m_full.end()) {
        // Any key gives way; it starts full when it comes again.
        if (m_full.size() >= m_maxKeys)
            m_full.erase(m_full.begin());
        m_full.insert(key, now + m_msPerToken);
        return true;
    }
    const qint64 at = std::max(*it, now);
    if (at - now > m_burstMs - m_msPerToken)
        return false;
    *it = at + m_msPerToken;
    return true;
}

AnswerLimiter::AnswerLimiter(const Clock &clock)
    : m_bySource(clock, PerPeerBurst, PerPeerMsPerToken, MaxKeys)
    , m_byMachine(clock, PerPeerBurst, PerPeerMsPerToken, MaxKeys)
    , m_newPeers(clock, NewPeerBurst, NewPeerMsPerToken, 1)
    , m_absenceAnswers(clock, AbsenceBurst, AbsenceMsPerToken, 1)
{
}

bool AnswerLimiter::allowLogin(const QByteArray &sourceAddress, const QByteArray &machineName,
                               const std::function<bool()> &listed)
{
    // Nothing is spent unless all agree.
    if (!m_bySource.has(sourceAddress) || !m_byMachine.has(machineName))
        return false;
    const bool newPeer = !listed();
    if (newPeer && !m_newPeers.take({}))
        return false;
    m_bySource.take(sourceAddress);
    m_byMachine.take(machineName);
    return true;
}

bool AnswerLimiter::allowAbsenceAnswer(const QByteArray &sourceAddress)
{
    if (!m_bySource.has(sourceAddress) || !m_absenceAnswers.take({}))
        return false;
    m_bySource.take(sourceAddress);
    return true;
}

} // namespace zn
