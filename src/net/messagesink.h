#pragma once

#include <QByteArray>

namespace zn {

// Where the dispatcher hands what concerns messaging: the unread queue, the
// read confirmations and the absence-message answers. The session
// implements it.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    // A MESSAGE addressed to this copy (fields 2, 3 and 4), after its sound;
    // `senderAddress` is the datagram source, where its read confirmation
    // goes when the sender is not listed.
    virtual void AddRecvMessage(const QByteArray &machineName, const QByteArray &handleName, const QByteArray &text,
                                const QByteArray &senderAddress) = 0;
    // An OPEN_CHECK addressed to this copy: `readerHandle` opened a message
    // we sent. Whatever the settings; showing it is the dispatcher's part.
    virtual void ReadConfirmed(const QByteArray &readerHandle) = 0;
    // A HUZAI_MESSAGE addressed to this copy, from the datagram source
    // `sourceAddress`. True when this copy asked that machine for it (the
    // request is then answered); false drops the answer unseen.
    virtual bool AcceptAbsenceAnswer(const QByteArray &sourceAddress, const QByteArray &machineName,
                                     const QByteArray &handleName, const QByteArray &text) = 0;
};

} // namespace zn
