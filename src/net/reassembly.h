// Collects numbered datagrams per sender into complete messages.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QObject>

#include <array>
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

    Reassembler(const Clock &clock, Frontend &frontend, QObject *parent = nullptr);

    // Processes one received datagram from `senderIpv4` (host byte order).
    // Datagrams of 0 bytes or over 512 bytes are ignored, as a failed read is.
    void ReceiveDatagram(QByteArrayView datagram, quint32 senderIpv4);

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

private:
    const Clock &m_clock;
    Frontend &m_frontend;
    std::array<ReceiveSlot, SlotCount> m_slots;
};

} // namespace zn
