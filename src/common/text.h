// Byte-wise text procedures of the datagram layout and the settings file.
// Every text here is CP932 bytes; positions and comparisons count bytes,
// never characters, exactly as every peer on the network reads them.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace zn {

inline constexpr QByteArrayView FieldSeparator = "&|";
inline constexpr QByteArrayView LineBreakEscape = "\\|";
inline constexpr QByteArrayView CrLf = "\r\n";

// Field `index` (0-based) of `text` split at `separator`; empty past the last.
//   GetToken(";", "a;;b", 0) == "a", 1 == "", 2 == "b", 3 == ""
QByteArray GetToken(QByteArrayView separator, QByteArrayView text, int index);

// GetToken with the field separator "&|".
QByteArray GetField(QByteArrayView text, int index);

// Replaces occurrences of `pattern` until none is left, as if the first
// occurrence from the start were replaced again and again. With an empty
// replacement, removals that join into a new occurrence are removed too:
//   ReplaceAll("\r\n", "", "\r\r\n\n") == ""
QByteArray ReplaceAll(QByteArrayView pattern, QByteArrayView replacement, QByteArrayView text);

// True when `text` holds "&|" or "\|". The scan is byte-wise on purpose: a
// double-byte character whose second byte is 0x5C followed by "|" counts.
bool ContainsReservedSequence(QByteArrayView text);

// The value of one digit in `base` (2 to 16, letters in either case), or -1
// when `c` is none: DigitValue('7', 8) == 7, DigitValue('b', 16) == 11,
// DigitValue('8', 8) == -1.
int DigitValue(char c, int base);

// The value of `digits`, every byte a digit of `base`; nothing when empty or
// when any byte is not such a digit (no sign, no blanks, no prefix). Values
// above `ceiling` (at most 2^59) read as `ceiling`, so no length can wrap:
//   ParseDigits("255", 10, 1000) -> 255, ParseDigits("ff", 16, 1000) -> 255,
//   ParseDigits("99999999999999999999", 10, 1000) -> 1000, ParseDigits("1a", 10, 9) -> nothing
std::optional<quint64> ParseDigits(QByteArrayView digits, int base, quint64 ceiling);

// `value` as two upper-case hexadecimal digits: 0x0A -> "0A".
void AppendHexByte(QByteArray &out, quint8 value);

// A decimal integer: an optional sign, then digits only, within 32 bits.
//   "12" -> 12, "-7" -> -7, "" / "+" / " 1" / "1a" / "2147483648" -> nullopt
std::optional<qint32> ParseDecimalInt32(QByteArrayView text);

} // namespace zn
