// IPv4 addresses as texts: how peers and the settings file write them.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

#include <optional>

namespace zn {

// 255.255.255.255, the limited broadcast.
inline constexpr quint32 BroadcastIPv4 = 0xFFFFFFFFu;

// An IPv4 address as the classic inet_addr reads it, in host byte order:
// one to four parts joined by ".", each decimal, octal with a leading 0 or
// hexadecimal with 0x; the last part fills the remaining bytes:
//   "192.168.1.5" -> 0xC0A80105, "10.1" -> 0x0A000001, "010.0.0.1" -> 0x08000001
// Nothing for any other text, and for 255.255.255.255 (all bits set), which
// is the same value inet_addr uses to say that parsing failed.
std::optional<quint32> InetAddr(QByteArrayView address);

// "a.b.c.d" of an address in host byte order, first byte first.
QByteArray DottedIPv4(quint32 ipv4);

} // namespace zn
