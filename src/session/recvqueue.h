// The unread messages, oldest first. Nothing is kept across runs: every
// message is already in the log when it is queued.
#pragma once

#include <QByteArray>
#include <QList>

namespace zn {

struct TRecvMessage {
    QByteArray RecvData;           // line breaks as CR LF
    QByteArray HandleName;         // the sender's
    QByteArray MachineName;        // the sender's
    QByteArray RecvTime;           // arrival, formatted for display
    QByteArray SenderAddress = {}; // the datagrams' source, dotted

    friend bool operator==(const TRecvMessage &, const TRecvMessage &) = default;
};

class RecvQueue {
public:
    static constexpr int Capacity = 256;

    // False, storing nothing, when 256 messages are already waiting.
    bool add(TRecvMessage message);
    // The number of waiting messages, 0 to 256.
    int UnreadCount() const { return int(m_messages.size()); }
    bool isEmpty() const { return m_messages.isEmpty(); }
    // The oldest waiting message; the queue must not be empty.
    const TRecvMessage &front() const { return m_messages.first(); }
    // The message queued last; the queue must not be empty.
    const TRecvMessage &newest() const { return m_messages.last(); }
    // Removes and returns the oldest waiting message; the queue must not be empty.
    TRecvMessage TakeRecvMessage() { return m_messages.takeFirst(); }

private:
    // A count of its own, not "an empty machine name marks a free slot": a
    // message whose sender sent no machine name still waits its turn.
    QList<TRecvMessage> m_messages;
};

} // namespace zn
