// The one place where text crosses between widgets (QString, "\n") and the
// network and files (CP932 bytes, CR LF).
#pragma once

#include <QByteArray>
#include <QString>

namespace zn::cp932 {

struct Encoded {
    QByteArray bytes;
    // The first character that has no CP932 form, empty when all encoded.
    QString unencodable;
    bool ok() const { return unencodable.isEmpty(); }
};

// Encodes without touching line breaks. Never substitutes "?": a character
// without a CP932 form is reported in `unencodable`.
Encoded encode(QStringView text);

// Decodes; bytes that are not valid CP932 become U+FFFD each.
QString decode(QByteArrayView bytes);

// True when every byte sequence of `bytes` is a CP932 character.
bool isValid(QByteArrayView bytes);

// Text from a widget or the clipboard: LF, lone CR and CR LF all become
// CR LF, then the text is encoded.
Encoded fromWidgetText(QStringView text);

// Bytes for a widget: decoded, with CR LF turned into "\n".
QString toWidgetText(QByteArrayView bytes);

// Encodes text that is known to be encodable (the program's own texts).
QByteArray bytes(QStringView text);

// True for a byte that starts a double-byte character.
constexpr bool isLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The longest prefix of `text` of at most `maxBytes` bytes that does not end
// in the first half of a double-byte character.
QByteArray cutToBytes(QByteArrayView text, qsizetype maxBytes);

// A message naming the character that cannot be sent, for message boxes.
QString unencodableMessage(const QString &character);

} // namespace zn::cp932
