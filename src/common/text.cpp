#include "common/text.h"

#include <cstring>
#include <limits>

namespace zn {

QByteArray GetToken(QByteArrayView separator, QByteArrayView text, int index)
{
    if (index < 0 || separator.isEmpty())
        return index == 0 ? text.toByteArray() : QByteArray();
    qsizetype start = 0;
    for (int i = 0; i < index; ++i) {
        const qsizetype at = text.indexOf(separator, start);
        if (at < 0)
            return {};
        start = at + separator.size();
    }
    const qsizetype end = text.indexOf(separator, start);
    return text.sliced(start, (end < 0 ? text.size() : end) - start).toByteArray();
}

QByteArray GetField(QByteArrayView text, int index)
{
    return GetToken(FieldSeparator, text, index);
}

QByteArray ReplaceAll(QByteArrayView pattern, QByteArrayView replacement, QByteArrayView text)
{
    if (pattern.isEmpty())
        return text.toByteArray();
    if (replacement.isEmpty()) {
        // A removal can join its neighbours into a new occurrence; removing
        // from an output stack yields the text left when none remains, in one pass.
        // Every received message passes here, nearly always without the pattern.
        if (!text.contains(pattern))
            return text.toByteArray();
        QByteArray out(text.size(), Qt::Uninitialized);
        char *const stack = out.data();
        const qsizetype p = pattern.size();
        qsizetype n = 0;
        for (const char c : text) {
            stack[n++] = c;
            if (n >= p && std::memcmp(stack + n - p, pattern.data(), size_t(p)) == 0)
                n -= p;
        }
        out.truncate(n);
        return out;
    }
    QByteArray out = text.toByteArray();
    // Bounded: a replacement that recreated the pattern would loop for ever.
    for (int pass = 0; pass < 64 && out.contains(pattern); ++pass)
        out.replace(pattern.toByteArray(), replacement.toByteArray());
    return out;
}

bool ContainsReservedSequence(QByteArrayView text)
{
    return text.contains(FieldSeparator) || text.contains(LineBreakEscape);
}

int DigitValue(char c, int base)
{
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'z')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'Z')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

std::optional<quint64> ParseDigits(QByteArrayView digits, int base, quint64 ceiling)
{
    Q_ASSERT(base >= 2 && base <= 16 && ceiling <= (quint64(1) << 59));
    if (digits.isEmpty())
        return std::nullopt;
    quint64 value = 0;
    for (const char c : digits) {
        const int digit = DigitValue(c, base);
        if (digit < 0)
            return std::nullopt;
        value = qMin(value * quint64(base) + quint64(digit), ceiling);
    }
    return value;
}

void AppendHexByte(QByteArray &out, quint8 value)
{
    constexpr char HexDigits[] = "0123456789ABCDEF";
    out.append(HexDigits[value >> 4]);
    out.append(HexDigits[value & 0x0F]);
}

std::optional<qint32> ParseDecimalInt32(QByteArrayView text)
{
    const bool negative = text.startsWith('-');
    if (negative || text.startsWith('+'))
        text = text.sliced(1);
    // One past the magnitude of the smallest value marks "too large".
    constexpr quint64 Limit = quint64(std::numeric_limits<qint32>::max()) + 1;
    const std::optional<quint64> magnitude = ParseDigits(text, 10, Limit + 1);
    if (!magnitude || *magnitude > (negative ? Limit : Limit - 1))
        return std::nullopt;
    return qint32(negative ? -qint64(*magnitude) : qint64(*magnitude));
}

} // namespace zn
