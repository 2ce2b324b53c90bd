#include "settings/scramble.h"

#include "common/text.h"

#include <QRandomGenerator>
#include <QTime>

namespace zn {

QByteArray ScrambleText(QByteArrayView text, quint8 key)
{
    QByteArray out;
    out.reserve(2 + 2 * text.size());
    AppendHexByte(out, key);
    for (const char c : text)
        AppendHexByte(out, static_cast<quint8>(static_cast<quint8>(c) + key));
    return out;
}

QByteArray ScrambleText(QByteArrayView text)
{
    QRandomGenerator generator(static_cast<quint32>(QTime::currentTime().msecsSinceStartOfDay()));
    return ScrambleText(text, static_cast<quint8>(generator.bounded(50, 200)));
}

std::optional<QByteArray> UnscrambleText(QByteArrayView text)
{
    if (text.size() <= 2)
        return QByteArray();
    if (text.size() % 2 != 0)
        return std::nullopt;
    QByteArray out;
    out.reserve(text.size() / 2 - 1);
    int key = -1;
    for (qsizetype i = 0; i < text.size(); i += 2) {
        const int high = DigitValue(text[i], 16);
        const int low = DigitValue(text[i + 1], 16);
        if (high < 0 || low < 0)
            return std::nullopt;
        const int value = high * 16 + low;
        if (key < 0)
            key = value;
        else
            out.append(static_cast<char>(static_cast<quint8>(value - key)));
    }
    return out;
}

} // namespace zn
