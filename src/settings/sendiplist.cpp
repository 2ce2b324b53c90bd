#include "settings/sendiplist.h"

#include "common/ipv4.h"
#include "common/text.h"

namespace zn {

QByteArrayList SplitSendIP(const QByteArray &stored)
{
    QByteArrayList entries;
    for (int i = 0;; ++i) {
        QByteArray entry = GetField(stored, i);
        if (entry.isEmpty())
            break;
        entries.append(std::move(entry));
    }
    return entries;
}

QByteArray JoinSendIP(const QByteArrayList &entries)
{
    QByteArray stored;
    for (const QByteArray &entry : entries)
        stored += entry + FieldSeparator.toByteArray();
    return stored;
}

bool SendIPListFits(const QByteArrayList &entries)
{
    if (entries.size() > MaxSendIPEntries)
        return false;
    qsizetype bytes = 0;
    for (const QByteArray &entry : entries)
        bytes += entry.size() + FieldSeparator.size();
    return bytes <= MaxSendIPBytes;
}

std::optional<QByteArray> CanonicalSendIP(QByteArrayView typed)
{
    const std::optional<quint32> address = InetAddr(typed);
    if (!address)
        return std::nullopt;
    return DottedIPv4(*address);
}

} // namespace zn
