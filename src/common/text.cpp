#include "common/text.h"

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
        QByteArray out;
        out.reserve(text.size());
        for (const char c : text) {
            out.append(c);
            if (out.endsWith(pattern))
                out.chop(pattern.size());
        }
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

std::optional<qint32> ParseDecimalInt32(QByteArrayView text)
{
    qsizetype i = 0;
    const bool negative = !text.isEmpty() && text[0] == '-';
    if (!text.isEmpty() && (text[0] == '+' || text[0] == '-'))
        ++i;
    if (i == text.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > qint64(std::numeric_limits<qint32>::max()) + 1)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(value);
}

} // namespace zn
