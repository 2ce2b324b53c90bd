#include "net/answerlimiter.h"

#include "common/clock.h"

#include <algorithm>

namespace zn {

TokenBuckets::TokenBuckets(const Clock &clock, int burst, qint64 msPerToken, qsizetype maxKeys)
    : m_clock(clock), m_burstMs(qint64(burst) * msPerToken), m_msPerToken(msPerToken), m_maxKeys(maxKeys)
{}

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
    : m_clock(clock), m_bySource(clock, PerPeerBurst, PerPeerMsPerToken, MaxKeys),
      m_byMachine(clock, PerPeerBurst, PerPeerMsPerToken, MaxKeys),
      m_byAddressee(clock, PerAddresseeBurst, PerAddresseeMsPerToken, MaxKeys),
      m_newPeersBySource(clock, NewPeerPerSourceBurst, NewPeerPerSourceMsPerToken, MaxKeys),
      m_newPeers(clock, NewPeerBurst, NewPeerMsPerToken, 1),
      m_absenceAnswers(clock, AbsenceBurst, AbsenceMsPerToken, 1),
      m_infoChangeBySource(clock, PerPeerBurst, PerPeerMsPerToken, MaxKeys),
      m_infoChangeNew(clock, InfoChangeNewBurst, InfoChangeNewMsPerToken, 1)
{}

bool AnswerLimiter::allowLogin(const QByteArray &sourceAddress, const QByteArray &machineName,
                               const QByteArray &answerAddress, const std::function<bool()> &listed)
{
    // Nothing is spent unless all agree.
    if (!m_bySource.has(sourceAddress) || !m_byMachine.has(machineName) || !m_byAddressee.has(answerAddress))
        return false;
    const bool newPeer = !listed();
    const bool newName = newPeer && m_lastNewName.value(sourceAddress) != machineName;
    if ((newName && !m_newPeersBySource.has(sourceAddress)) || (newPeer && !m_newPeers.take({})))
        return false;
    if (newName) {
        m_newPeersBySource.take(sourceAddress);
        if (m_lastNewName.size() >= MaxKeys)
            m_lastNewName.clear();
        m_lastNewName.insert(sourceAddress, machineName);
    }
    m_bySource.take(sourceAddress);
    m_byMachine.take(machineName);
    m_byAddressee.take(answerAddress);
    return true;
}

bool AnswerLimiter::allowAbsenceAnswer(const QByteArray &sourceAddress, const QByteArray &answerAddress)
{
    const bool byAddressee = !answerAddress.isEmpty();
    if (!m_bySource.has(sourceAddress) || (byAddressee && !m_byAddressee.has(answerAddress))
        || !m_absenceAnswers.take({}))
        return false;
    m_bySource.take(sourceAddress);
    if (byAddressee)
        m_byAddressee.take(answerAddress);
    return true;
}

void AnswerLimiter::loginSent()
{
    m_loginSentMs = m_clock.monotonicMs();
}

bool AnswerLimiter::allowNewFromLoginOk() const
{
    return m_loginSentMs && m_clock.monotonicMs() - *m_loginSentMs <= LoginAnswerWindowMs;
}

bool AnswerLimiter::allowNewFromInfoChange(const QByteArray &sourceAddress)
{
    // Buckets of their own: INFO_CHANGEs in new names, however many, leave
    // the LOGINs of real newcomers their tokens.
    if (!m_infoChangeBySource.has(sourceAddress) || !m_infoChangeNew.take({}))
        return false;
    m_infoChangeBySource.take(sourceAddress);
    return true;
}

bool AnswerLimiter::allowNetworkNotice(const QByteArray &sourceAddress)
{
    const qint64 now = m_clock.monotonicMs();
    if (m_noticedSources.contains(sourceAddress) || (m_lastNoticeMs && now - *m_lastNoticeMs < NetworkNoticeMs))
        return false;
    // Forgetting them all lets each be told once more, at the overall rate.
    if (m_noticedSources.size() >= MaxNoticedSources)
        m_noticedSources.clear();
    m_noticedSources.insert(sourceAddress);
    m_lastNoticeMs = now;
    return true;
}

} // namespace zn
