#include "session/recvqueue.h"

namespace zn {

bool RecvQueue::add(TRecvMessage message)
{
    if (m_messages.size() >= Capacity)
        return false;
    m_messages.append(std::move(message));
    return true;
}

} // namespace zn
