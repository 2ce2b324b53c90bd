#include "net/reassembly.h"

#include "common/clock.h"
#include "common/frontend.h"
#include "common/ipv4.h"
#include "common/text.h"
#include "net/wire.h"

namespace zn {

namespace {

constexpr qsizetype HeaderSize = 5;

// The five header bytes as "%5d" writes them: blanks, then decimal digits.
std::optional<qsizetype> parseLengthHeader(QByteArrayView header)
{
    qsizetype i = 0;
    while (i < header.size() && header[i] == ' ')
        ++i;
    // Five digits at most: the ceiling is never reached.
    const std::optional<quint64> value = ParseDigits(header.sliced(i), 10, quint64(1) << 32);
    if (!value)
        return std::nullopt;
    return qsizetype(*value);
}

} // namespace

Reassembler::Reassembler(const Clock &clock, Frontend &frontend, QObject *parent)
    : QObject(parent), m_clock(clock), m_frontend(frontend),
      m_starts(clock, StartBurst, StartMsPerToken, AnswerLimiter::MaxKeys)
{}

std::optional<QByteArray> Reassembler::completeMessage(const QList<QByteArray> &fragments)
{
    // A cheap look first, so that a stream of fragments that cannot complete
    // does not cost a full join each. It decides only what the full test
    // would decide too: the join can only shrink (CR LF pairs go, "\|"
    // becomes CR LF of the same length), and when the first six bytes of the
    // fragments hold no CR, LF or backslash, the header is their first five.
    qsizetype total = 0;
    QByteArray head;
    for (const QByteArray &f : fragments) {
        total += f.size();
        if (head.size() <= HeaderSize)
            head += f.first(qMin(f.size(), HeaderSize + 1 - head.size()));
    }
    if (total < HeaderSize)
        return std::nullopt;
    if (head.size() > HeaderSize && !head.contains('\r') && !head.contains('\n') && !head.contains('\\')) {
        const std::optional<qsizetype> announced = parseLengthHeader(QByteArrayView(head).first(HeaderSize));
        if (!announced || total < *announced + HeaderSize)
            return std::nullopt;
    }

    QByteArray joined;
    for (const QByteArray &f : fragments)
        joined += f;
    const QByteArray body = ReplaceAll(LineBreakEscape, CrLf, ReplaceAll(CrLf, {}, joined));
    if (body.size() < HeaderSize)
        return std::nullopt;
    const std::optional<qsizetype> length = parseLengthHeader(QByteArrayView(body).first(HeaderSize));
    if (!length || body.size() < *length + HeaderSize)
        return std::nullopt;
    return body.sliced(HeaderSize);
}

namespace {

// Field 0 and field 1 of `message`, split at the first two "&|" exactly as
// the dispatcher splits them.
std::pair<QByteArrayView, QByteArrayView> keywordAndField1(QByteArrayView message)
{
    const qsizetype first = message.indexOf(FieldSeparator);
    if (first < 0)
        return {message, {}};
    const QByteArrayView rest = message.sliced(first + FieldSeparator.size());
    const qsizetype second = rest.indexOf(FieldSeparator);
    return {message.first(first), second < 0 ? rest : rest.first(second)};
}

} // namespace

bool Reassembler::handleLonePayload(QByteArrayView payload, quint32 senderIpv4)
{
    // Without a CR the join changes nothing but "\|" into CR LF, which keeps
    // every length and every field separator where it is; without a
    // backslash among the first six bytes the header is the first five.
    // Then the payload can be judged where it lies, and a message for
    // another copy is dropped before anything is built from it.
    if (!payload.contains('\r') && !payload.first(qMin(payload.size(), HeaderSize + 1)).contains('\\')) {
        if (payload.size() < HeaderSize)
            return false;
        const std::optional<qsizetype> length = parseLengthHeader(payload.first(HeaderSize));
        if (!length || payload.size() < *length + HeaderSize)
            return false;
        const QByteArrayView raw = payload.sliced(HeaderSize);
        if (m_filter) {
            const auto [keyword, field1] = keywordAndField1(raw);
            if (!keyword.contains('\\') && !field1.contains('\\') && !m_filter(keyword, field1))
                return true;
        }
        emitMessage(raw.contains(LineBreakEscape) ? UnescapeLineBreaks(raw) : raw.toByteArray(), senderIpv4);
        return true;
    }
    std::optional<QByteArray> message = completeMessage({payload.toByteArray()});
    if (!message)
        return false;
    emitMessage(*message, senderIpv4);
    return true;
}

void Reassembler::emitMessage(const QByteArray &message, quint32 senderIpv4)
{
    emit messageReceived(message, DottedIPv4(senderIpv4));
}

void Reassembler::noticeOverflow(const QByteArray &lostSender)
{
    const qint64 now = m_clock.monotonicMs();
    if (m_lastOverflowNotice && now - *m_lastOverflowNotice < OverflowNoticeIntervalMs)
        return;
    m_lastOverflowNotice = now;
    const QString name = m_senderName ? m_senderName(lostSender) : QString::fromLatin1(lostSender);
    m_frontend.showEventNotice(tr("一度に大量のデータを受信しました。一部のデータが正常に受信できませんでした。"
                                  "もし、このメッセージが続けて出るようなら、一度、Zephinetを再起動してください。"
                                  "失われたのは「%1」からのメッセージです。")
                                   .arg(name),
                               true);
}

int Reassembler::idlestSlot(const std::function<bool(const ReceiveSlot &)> &pick) const
{
    int chosen = -1;
    for (int i = 0; i < SlotCount; ++i) {
        const ReceiveSlot &s = m_slots[i];
        if (!s.isFree() && pick(s) && (chosen < 0 || s.LastReceived < m_slots[chosen].LastReceived))
            chosen = i;
    }
    return chosen;
}

int Reassembler::slotToGiveUp(quint32 senderIpv4, int held, bool senderFast) const
{
    // The idlest slot is what a flood from many addresses wins every time
    // from a peer whose datagrams come a fraction of a second apart; the
    // rate at which an address starts messages tells the two apart.
    const int ofFast =
        idlestSlot([&](const ReceiveSlot &s) { return s.SenderIpv4 != senderIpv4 && !m_starts.has(s.SenderAddress); });
    if (ofFast >= 0)
        return ofFast;
    const auto own = [&](const ReceiveSlot &s) { return s.SenderIpv4 == senderIpv4; };
    if (senderFast)
        return held > 0 ? idlestSlot(own) : -1;

    // Slots held by each other sender; at most 20 distinct, so plain counts.
    std::array<int, SlotCount> count{};
    int most = 0;
    for (int i = 0; i < SlotCount; ++i) {
        if (m_slots[i].SenderIpv4 == senderIpv4)
            continue;
        for (int j = 0; j <= i; ++j) {
            if (m_slots[j].SenderIpv4 == m_slots[i].SenderIpv4) {
                most = qMax(most, ++count[j]);
                break;
            }
        }
    }
    // Taking from a sender that holds just one more would only swap the
    // roles, and the two would push each other out in turn.
    if (held > 0 && most <= held + 1)
        return idlestSlot(own);
    return idlestSlot([&](const ReceiveSlot &s) {
        if (s.SenderIpv4 == senderIpv4)
            return false;
        int n = 0;
        for (const ReceiveSlot &t : m_slots)
            n += t.SenderIpv4 == s.SenderIpv4 ? 1 : 0;
        return n == most;
    });
}

void Reassembler::giveUp(int i)
{
    const QByteArray sender = m_slots[i].SenderAddress;
    clearSlot(i);
    reportLoss(sender);
}

void Reassembler::reportLoss(const QByteArray &sender)
{
    noticeOverflow(sender);
    emit messageGivenUp(sender);
}

void Reassembler::ReceiveDatagram(QByteArrayView datagram, quint32 senderIpv4)
{
    if (datagram.isEmpty() || datagram.size() > MaxDatagramSize)
        return;

    const qsizetype index = (static_cast<unsigned char>(datagram[0]) + 255) % 256;
    QByteArrayView payload = datagram.sliced(1);
    if (const qsizetype nul = payload.indexOf('\0'); nul >= 0)
        payload = payload.first(nul);

    // Every slot is looked at; the last fitting one wins:
    //   a slot of this sender still lacking this fragment (candidate), else
    //   the last free slot. A repeated fragment thus starts a new slot.
    int candidate = -1;
    int freeSlot = -1;
    int held = 0;
    for (int i = 0; i < SlotCount; ++i) {
        const ReceiveSlot &s = m_slots[i];
        if (s.isFree()) {
            freeSlot = i;
        } else if (s.SenderIpv4 == senderIpv4) {
            ++held;
            if (s.Fragments.size() <= index || s.Fragments[index].isEmpty())
                candidate = i;
        }
    }
    if (candidate < 0) {
        // Senders follow a body of exactly 510 bytes with a datagram that
        // holds only its number and the NUL, after the message completed.
        // A slot opened for it would never complete and would bring its
        // sender a false delivery warning a minute later.
        if (payload.isEmpty())
            return;
        // In a new slot the payload would be all there is.
        if (handleLonePayload(payload, senderIpv4))
            return;
    }
    int chosen = candidate;
    if (chosen < 0) {
        // A new message. A sender at its share makes room among its own
        // slots; otherwise a free slot, else one given up (see the header).
        const QByteArray sender = DottedIPv4(senderIpv4);
        const bool fast = !m_starts.take(sender);
        if (held >= MaxSlotsPerSender) {
            chosen = idlestSlot([&](const ReceiveSlot &s) { return s.SenderIpv4 == senderIpv4; });
        } else if (freeSlot >= 0) {
            chosen = freeSlot;
        } else {
            chosen = slotToGiveUp(senderIpv4, held, fast);
            if (chosen < 0) {
                // The message this datagram starts is lost.
                reportLoss(sender);
                return;
            }
        }
        if (!m_slots[chosen].isFree())
            giveUp(chosen);
    }

    ReceiveSlot &slot = m_slots[chosen];
    if (slot.isFree()) {
        slot.SenderAddress = DottedIPv4(senderIpv4);
        slot.SenderIpv4 = senderIpv4;
    }
    // 0 marks an idle slot, and a monotonic clock may read 0 at its start.
    slot.LastReceived = qMax<qint64>(1, m_clock.monotonicMs());
    if (slot.Fragments.size() <= index) {
        slot.Fragments.resize(index);
        slot.Fragments.append(payload.toByteArray());
    } else {
        slot.Fragments[index] = payload.toByteArray();
    }

    std::optional<QByteArray> message = completeMessage(slot.Fragments);
    if (!message)
        return;
    // Free the slot before handing the message on: the handler may show a
    // modal box in which further datagrams are received.
    clearSlot(chosen);
    emitMessage(*message, senderIpv4);
}

void Reassembler::clearSlot(int i)
{
    ReceiveSlot &slot = m_slots.at(i);
    slot.Fragments.clear();
    slot.SenderAddress.clear();
    slot.SenderIpv4 = 0;
    slot.LastReceived = 0;
}

void Reassembler::clearAll()
{
    for (int i = 0; i < SlotCount; ++i)
        clearSlot(i);
}

QList<QByteArray> Reassembler::expire()
{
    const qint64 now = m_clock.monotonicMs();
    QList<QByteArray> senders;
    for (int i = 0; i < SlotCount; ++i) {
        const ReceiveSlot &slot = m_slots[i];
        if (slot.LastReceived == 0 || slot.isFree())
            continue;
        if (now > slot.LastReceived + ExpiryMs) {
            senders.append(slot.SenderAddress);
            clearSlot(i);
        }
    }
    return senders;
}

} // namespace zn
