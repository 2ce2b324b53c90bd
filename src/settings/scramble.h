// The reversible scrambling that keeps the password out of plain sight in
// the settings file. It is no encryption: the key travels with the text.
//   ScrambleText("ab", 0x32) == "329394"   (0x61 + 0x32, 0x62 + 0x32)
//   UnscrambleText("329394") == "ab"
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace zn {

// The key as two uppercase hexadecimal digits, then (b + key) mod 256 for
// every byte b, two uppercase digits each: 2 + 2n characters for n bytes.
QByteArray ScrambleText(QByteArrayView text, quint8 key);

// As above with a key from 50 to 199, drawn from a generator seeded anew
// from the time of day in milliseconds; two calls in the same millisecond
// draw the same key.
QByteArray ScrambleText(QByteArrayView text);

// The inverse. Two characters or fewer give the empty text. A text that is
// not hexadecimal, or whose length is odd, cannot be unscrambled: nullopt.
std::optional<QByteArray> UnscrambleText(QByteArrayView text);

} // namespace zn
