// Collects numbered datagrams per sender into complete messages.
#pragma once

#include "net/answerlimiter.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QObject>
#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace zn {

class Clock;
class Frontend;

// One message being collected from one sender address.
struct ReceiveSlot {
    // Entry i holds the payload of fragment i + 1; an empty entry is a
    // fragment not received yet.
    QList<QByteArray> Fragments;
    // Dotted IPv4 text of the source; empty means the slot is free.
    QByteArray SenderAddress;
    // The same source in host byte order, for a cheap comparison.
    quint32 SenderIpv4 = 0;
    // Monotonic milliseconds of the last fragment stored; 0 means idle.
    qint64 LastReceived = 0;

    bool isFree() const { return SenderAddress.isEmpty(); }
};

class Reassembler : public QObject {
    Q_OBJECT
public:
    static constexpr int SlotCount = 20;
    static constexpr qsizetype MaxDatagramSize = 512;
    // A slot that received nothing for longer than this is given up.
    static constexpr qint64 ExpiryMs = 60 * 1000;
    // The notice that data was lost is shown at most once in this time: a
    // flood loses data with nearly every datagram.
    static constexpr qint64 OverflowNoticeIntervalMs = 10 * 1000;
    // The most slots one sender address holds at once. A peer sends the
    // datagrams of one message back to back, so even a busy one rarely
    // holds more than one.
    static constexpr int MaxSlotsPerSender = 4;
    // Slots started per sender: a peer starts one per message of several
    // datagrams (one per addressee), a flood one per datagram.
    static constexpr int StartBurst = 8;
    static constexpr qint64 StartMsPerToken = 1000;

    // Whether a complete message concerns this copy, by its keyword (field
    // 0) and field 1, both exactly as they travel. Asked only for a message
    // that a datagram completes by itself; false drops it before anything
    // is built from it.
    using MessageFilter = std::function<bool(QByteArrayView keyword, QByteArrayView field1)>;

    Reassembler(const Clock &clock, Frontend &frontend, QObject *parent = nullptr);

    // Processes one received datagram from `senderIpv4` (host byte order).
    // Datagrams of 0 bytes or over 512 bytes are ignored, as a failed read is.
    //
    // The slot is chosen as every peer does: a slot of this sender still
    // lacking this fragment, else a free one. Three things differ, so that a
    // flood cannot shut out real peers:
    //  - a datagram that would sit alone in a new slot and completes a
    //    message by itself is handed on without taking a slot at all (the
    //    result is the same, but it never waits for one);
    //  - one sender holds at most MaxSlotsPerSender slots: a new message
    //    beyond them takes the place of that sender's own idlest slot;
    //  - when all slots are collecting, a slot is given up for the new
    //    datagram instead of the new datagram being lost: first the idlest
    //    slot of a sender that starts messages faster than people send them
    //    (more than StartBurst at once, then one in StartMsPerToken); else,
    //    for a sender that is not that fast itself, the idlest slot of the
    //    sender holding the most, when that is clearly more than it holds;
    //    else its own idlest. A fast sender that holds no slot and finds
    //    none of another fast one loses its datagram.
    // Every slot given up is reported (messageGivenUp) so that its sender
    // can be warned, and the notice names whose message was lost, at most
    // once in OverflowNoticeIntervalMs.
    void ReceiveDatagram(QByteArrayView datagram, quint32 senderIpv4);

    // Messages that a datagram completes by itself are first offered to
    // `filter` (none: every message is handed on).
    void setMessageFilter(MessageFilter filter) { m_filter = std::move(filter); }

    // How the overflow notice names a sender address (a handle name from the
    // user list, say); without one, by the address.
    void setSenderName(std::function<QString(const QByteArray &address)> name) { m_senderName = std::move(name); }

    const std::array<ReceiveSlot, SlotCount> &receiveSlots() const { return m_slots; }
    const ReceiveSlot &slot(int i) const { return m_slots.at(i); }
    void clearSlot(int i);
    // Frees every slot, as when the UDP service starts or stops.
    void clearAll();

    // Frees every collecting slot whose last fragment is more than a minute
    // old and returns their sender addresses, one per slot in slot order: the
    // caller warns each with MESSAGE_EXCLAMATION.
    QList<QByteArray> expire();

    // The message held by the concatenated fragments, or nothing yet:
    //   "    3abc"  -> "abc"     "    3ab" -> incomplete
    //   "    3abcd" -> "abcd"    (bytes past the announced length are kept)
    //   "x   3abc"  -> incomplete (the header is not a number)
    // Line breaks within the fragments are dropped and "\|" becomes CR LF
    // before the header is read.
    static std::optional<QByteArray> completeMessage(const QList<QByteArray> &fragments);

signals:
    // A message is complete. Its slot is already free, so a handler that
    // runs a nested event loop may receive further datagrams safely.
    void messageReceived(const QByteArray &message, const QByteArray &senderAddress);
    // The message being collected in a slot of `senderAddress` was given up
    // to make room for another; its datagrams so far are gone.
    void messageGivenUp(const QByteArray &senderAddress);

private:
    // A payload that would be alone in a new slot: true when it completed a
    // message by itself, which was then handed on or dropped by the filter.
    bool handleLonePayload(QByteArrayView payload, quint32 senderIpv4);
    void emitMessage(const QByteArray &message, quint32 senderIpv4);
    // The slot to give up for a new message of `senderIpv4`, which holds
    // `held` slots, when every slot is collecting.
    // -1: the new datagram is to be dropped instead.
    int slotToGiveUp(quint32 senderIpv4, int held, bool senderFast) const;
    // The idlest slot among those `pick` accepts, or -1.
    int idlestSlot(const std::function<bool(const ReceiveSlot &)> &pick) const;
    void giveUp(int i);
    void reportLoss(const QByteArray &sender);
    void noticeOverflow(const QByteArray &lostSender);

    const Clock &m_clock;
    Frontend &m_frontend;
    std::array<ReceiveSlot, SlotCount> m_slots;
    MessageFilter m_filter;
    std::function<QString(const QByteArray &)> m_senderName;
    // Slot starts, by sender address.
    TokenBuckets m_starts;
    // Monotonic time of the last overflow notice; none shown yet when unset.
    std::optional<qint64> m_lastOverflowNotice;
};

} // namespace zn
