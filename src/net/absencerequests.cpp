#include "net/absencerequests.h"

#include "common/clock.h"

namespace zn {

void AbsenceRequests::expire()
{
    const qint64 now = m_clock.monotonicMs();
    for (auto it = m_askedAt.begin(); it != m_askedAt.end();) {
        if (now - it.value() > ExpiryMs)
            it = m_askedAt.erase(it);
        else
            ++it;
    }
}

void AbsenceRequests::asked(const QByteArray &address)
{
    if (address.isEmpty())
        return;
    expire();
    if (!m_askedAt.contains(address) && m_askedAt.size() >= MaxRequests) {
        auto oldest = m_askedAt.begin();
        for (auto it = m_askedAt.begin(); it != m_askedAt.end(); ++it) {
            if (it.value() < oldest.value())
                oldest = it;
        }
        m_askedAt.erase(oldest);
    }
    m_askedAt.insert(address, m_clock.monotonicMs());
}

bool AbsenceRequests::answered(const QByteArray &sourceAddress, const QByteArray &rosterAddress)
{
    expire();
    for (const QByteArray &address : {sourceAddress, rosterAddress}) {
        if (!address.isEmpty() && m_askedAt.remove(address))
            return true;
    }
    return false;
}

int AbsenceRequests::pending() const
{
    const qint64 now = m_clock.monotonicMs();
    int count = 0;
    for (const qint64 at : m_askedAt) {
        if (now - at <= ExpiryMs)
            ++count;
    }
    return count;
}

} // namespace zn
