#include "net/wire.h"

#include "common/text.h"

namespace zn {

QByteArray JoinMessage(QByteArrayView keyword, std::initializer_list<QByteArrayView> fields)
{
    QByteArray out = keyword.toByteArray();
    for (const QByteArrayView field : fields) {
        out += FieldSeparator;
        out += field;
    }
    return out;
}

QByteArray LoginMessage(QByteArrayView machine, QByteArrayView handle, QByteArrayView absenceFlag,
                        QByteArrayView address)
{
    return JoinMessage(keyword::Login, {machine, handle, absenceFlag, address, VersionTag});
}

QByteArray LoginOkMessage(QByteArrayView toAddress, QByteArrayView machine, QByteArrayView handle,
                          QByteArrayView absenceFlag, QByteArrayView address)
{
    return JoinMessage(keyword::LoginOk, {toAddress, machine, handle, absenceFlag, address, VersionTag});
}

QByteArray InfoChangeMessage(QByteArrayView machine, QByteArrayView handle, QByteArrayView absenceFlag,
                             QByteArrayView address)
{
    return JoinMessage(keyword::InfoChange, {machine, handle, absenceFlag, address});
}

QByteArray LogoutMessage(QByteArrayView machine)
{
    return JoinMessage(keyword::Logout, {machine});
}

QByteArray HuzaiCheckMessage(QByteArrayView toAddress, QByteArrayView replyAddress)
{
    return JoinMessage(keyword::HuzaiCheck, {toAddress, replyAddress});
}

QByteArray HuzaiMessageMessage(QByteArrayView toAddress, QByteArrayView machine, QByteArrayView handle,
                               QByteArrayView text)
{
    return JoinMessage(keyword::HuzaiMessage, {toAddress, machine, handle, text});
}

QByteArray MessageMessage(QByteArrayView toAddress, QByteArrayView machine, QByteArrayView handle, QByteArrayView text)
{
    return JoinMessage(keyword::Message, {toAddress, machine, handle, text});
}

QByteArray OpenCheckMessage(QByteArrayView toAddress, QByteArrayView readerHandle)
{
    return JoinMessage(keyword::OpenCheck, {toAddress, readerHandle});
}

QByteArray MessageExclamationMessage(QByteArrayView toAddress, QByteArrayView handle)
{
    return JoinMessage(keyword::MessageExclamation, {toAddress, handle});
}

std::optional<QByteArray> MakeBody(QByteArrayView message)
{
    if (message.size() > MaxMessageBytes)
        return std::nullopt;
    char header[8];
    std::snprintf(header, sizeof header, "%5d", int(message.size()));
    QByteArray body(header);
    body += message;
    return body;
}

QByteArray EscapeLineBreaks(QByteArrayView body)
{
    return ReplaceAll(CrLf, LineBreakEscape, body);
}

QByteArray UnescapeLineBreaks(QByteArrayView text)
{
    return ReplaceAll(LineBreakEscape, CrLf, text);
}

// S is the escaped body followed by one NUL, cut from the front into pieces
// of 510 bytes. A full piece goes out as number + 510 bytes + NUL (512
// bytes), the short final piece as number + its bytes, the last of which is
// the NUL of S. With "\xNN" for the number byte:
//   body of 1205 bytes (a 1200-byte message), S of 1206:
//     "\x01" + S[0..510) + "\0"      512 bytes
//     "\x02" + S[510..1020) + "\0"   512 bytes
//     "\x03" + S[1020..1206)         187 bytes
//   body of 509 bytes, S of 510:  "\x01" + S + "\0"  512 bytes, ending in two NULs
//   body of 508 bytes, S of 509:  "\x01" + S         510 bytes
//   body of 510 bytes, S of 511:  "\x01" + S[0..510) + "\0"  512 bytes, and no more.
// In that last case the final piece would hold only the NUL of S. It is not
// sent: the datagram before it already ends in a NUL and the body is complete
// without it, so receivers would file the lone NUL after the message had
// completed, as the start of another message that never completes.
QList<QByteArray> CutDatagrams(QByteArrayView escapedBody)
{
    QByteArray s = escapedBody.toByteArray();
    s.append('\0');
    QList<QByteArray> datagrams;
    datagrams.reserve(s.size() / PieceBytes + 1);
    int number = 1;
    for (qsizetype offset = 0; offset < s.size(); offset += PieceBytes, ++number) {
        const QByteArrayView piece = QByteArrayView(s).sliced(offset, qMin(PieceBytes, s.size() - offset));
        if (piece.size() == 1 && offset > 0)
            break;
        QByteArray datagram;
        datagram.reserve(MaxDatagramBytes);
        datagram.append(char(quint8(number)));
        datagram.append(piece);
        if (piece.size() == PieceBytes)
            datagram.append('\0');
        datagrams.append(datagram);
    }
    return datagrams;
}

QList<QByteArray> MakeDatagrams(QByteArrayView message)
{
    const std::optional<QByteArray> body = MakeBody(message);
    if (!body)
        return {};
    return CutDatagrams(EscapeLineBreaks(*body));
}

} // namespace zn
