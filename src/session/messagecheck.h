// The checks every outgoing text passes, in this order, wherever it comes
// from (the send window, the clipboard, the command-line companion).
#pragma once

#include <QByteArray>
#include <QString>

namespace zn {

inline constexpr qsizetype MaxMessageTextBytes = 2048;
// Recipients are walked by a one-byte index on the wire's side.
inline constexpr int MaxRecipients = 255;

struct CheckedText {
    enum Result { Ok, FieldSeparator, LineBreakEscape, Empty, Unencodable, TooLong };
    Result result = Ok;
    // The text as it travels: CP932, line breaks CR LF. Empty unless Ok.
    QByteArray bytes;
    // The refused text for the user, empty when Ok.
    QString message;

    bool ok() const { return result == Ok; }
};

// Text from a widget, the clipboard or standard input: line breaks become
// CR LF, then, in order: "&|", "\|" (both tested byte by byte in CP932, as
// peers read them; a character with no CP932 form cannot make either),
// empty text (unless `allowEmpty`: the clipboard may send an empty text), a
// character with no CP932 form, more than 2048 bytes.
CheckedText CheckMessageText(QStringView text, bool allowEmpty = false);

// The absence message from its editor: line breaks become CR LF, then "&|"
// and "\|" (byte by byte, as above) and a character with no CP932 form are
// refused. An empty text is fine and there is no length limit.
CheckedText CheckHuzaiMessageText(QStringView text);
// The same rule for an absence message kept as bytes (the one in force,
// which may hold bytes that CP932 cannot decode): "&|" and "\|" are refused.
CheckedText CheckHuzaiMessageBytes(const QByteArray &bytes);

// The CP932 length of a widget text with "\n" as CR LF, for the input limit
// while typing: exact for every encodable text.
qsizetype MessageTextBytes(QStringView text);

// The box for more selected recipients than a send window can address.
QString TooManyRecipientsText();

} // namespace zn
