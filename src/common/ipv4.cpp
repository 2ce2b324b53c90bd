#include "common/ipv4.h"

#include "common/text.h"

namespace zn {

namespace {
// One part of an address: decimal, octal after a leading 0, hex after 0x.
// Values are capped above 32 bits, so that overflow cannot wrap.
std::optional<quint64> parseAddressPart(QByteArrayView part)
{
    int base = 10;
    if (part.size() > 1 && part[0] == '0' && (part[1] == 'x' || part[1] == 'X')) {
        base = 16;
        part = part.sliced(2);
    } else if (part.size() > 1 && part[0] == '0') {
        base = 8;
        part = part.sliced(1);
    }
    return ParseDigits(part, base, quint64(1) << 33);
}
} // namespace

std::optional<quint32> InetAddr(QByteArrayView address)
{
    quint64 parts[4] = {};
    int count = 0;
    qsizetype start = 0;
    while (true) {
        if (count == 4)
            return std::nullopt;
        qsizetype end = address.indexOf('.', start);
        if (end < 0)
            end = address.size();
        const std::optional<quint64> part = parseAddressPart(address.sliced(start, end - start));
        if (!part)
            return std::nullopt;
        parts[count++] = *part;
        if (end == address.size())
            break;
        start = end + 1;
    }
    // The leading parts are one byte each; the last fills what is left.
    quint64 value = 0;
    for (int i = 0; i < count - 1; ++i) {
        if (parts[i] > 0xFF)
            return std::nullopt;
        value |= parts[i] << (8 * (3 - i));
    }
    const quint64 last = parts[count - 1];
    if (last > (quint64(0xFFFFFFFF) >> (8 * (count - 1))))
        return std::nullopt;
    value |= last;
    if (value == BroadcastIPv4)
        return std::nullopt;
    return quint32(value);
}

QByteArray DottedIPv4(quint32 ipv4)
{
    // Every received datagram names its sender this way: one allocation,
    // and the digits written by hand (a formatted print costs more than the
    // rest of a datagram's handling).
    char text[16];
    char *at = text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const unsigned part = (ipv4 >> shift) & 0xFF;
        if (part >= 100)
            *at++ = char('0' + part / 100);
        if (part >= 10)
            *at++ = char('0' + part / 10 % 10);
        *at++ = char('0' + part % 10);
        if (shift > 0)
            *at++ = '.';
    }
    return QByteArray(text, at - text);
}

} // namespace zn
