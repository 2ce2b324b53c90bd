// The extra destination addresses as the settings file holds them: each
// dotted address followed by "&|", "192.168.1.5&|10.0.0.7&|"; no entry is
// the empty text.
#pragma once

#include <QByteArray>
#include <QByteArrayList>

#include <optional>

namespace zn {

// Peers read the list by an 8-bit field index, the empty field after the
// last entry ending it, and the settings file gives back at most 1023
// characters of a value: a longer list would lose entries at the next start.
inline constexpr qsizetype MaxSendIPEntries = 255;
inline constexpr qsizetype MaxSendIPBytes = 1023;

// Entry 0, 1, 2, ... of the stored text, up to the first empty one.
QByteArrayList SplitSendIP(const QByteArray &stored);
QByteArray JoinSendIP(const QByteArrayList &entries);
// True when the entries, stored, still read back whole.
bool SendIPListFits(const QByteArrayList &entries);

// A typed address in its dotted form, read the way inet_addr reads it:
//   "10.1" -> "10.0.0.1", "192.168.1.010" -> "192.168.1.8" (a leading 0 is octal),
//   "0x7f.1" -> "127.0.0.1"; "255.255.255.255", "300.1.1.1", "a.b" -> nothing.
std::optional<QByteArray> CanonicalSendIP(QByteArrayView typed);

} // namespace zn
