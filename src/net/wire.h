// The datagram layout every peer speaks: message texts, their framing into a
// body with a length header, the line-break escape and the numbered pieces.
// All functions are pure; every length counts CP932 bytes.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QtGlobal>

#include <initializer_list>
#include <optional>

namespace zn {

// Field 0 of each message kind.
namespace keyword {
inline constexpr QByteArrayView Login = "ZNMESSAGE:LOGIN";
inline constexpr QByteArrayView LoginOk = "ZNMESSAGE:LOGIN_OK";
inline constexpr QByteArrayView InfoChange = "ZNMESSAGE:INFO_CHANGE";
inline constexpr QByteArrayView Logout = "ZNMESSAGE:LOGOUT";
inline constexpr QByteArrayView HuzaiCheck = "ZNMESSAGE:HUZAI_CHECK";
inline constexpr QByteArrayView HuzaiMessage = "ZNMESSAGE:HUZAI_MESSAGE";
inline constexpr QByteArrayView Message = "ZNMESSAGE:MESSAGE";
inline constexpr QByteArrayView OpenCheck = "ZNMESSAGE:OPEN_CHECK";
inline constexpr QByteArrayView MessageExclamation = "ZNMESSAGE:MESSAGE_EXCLAMATION";
} // namespace keyword

// Sent in LOGIN and LOGIN_OK; no receiver examines it.
inline constexpr QByteArrayView VersionTag = "ZN150";

// The header holds the length in five decimal digits.
inline constexpr qsizetype MaxMessageBytes = 99999;
inline constexpr qsizetype PieceBytes = 510;
inline constexpr qsizetype MaxDatagramBytes = 512;

// The keyword followed by the fields, joined by "&|", nothing after the last:
//   JoinMessage(keyword::Logout, {"PC1"}) == "ZNMESSAGE:LOGOUT&|PC1"
QByteArray JoinMessage(QByteArrayView keyword, std::initializer_list<QByteArrayView> fields);

// One builder per kind, fields in the order they travel.
QByteArray LoginMessage(QByteArrayView machine, QByteArrayView handle, QByteArrayView absenceFlag,
                        QByteArrayView address);
QByteArray LoginOkMessage(QByteArrayView toAddress, QByteArrayView machine, QByteArrayView handle,
                          QByteArrayView absenceFlag, QByteArrayView address);
QByteArray InfoChangeMessage(QByteArrayView machine, QByteArrayView handle, QByteArrayView absenceFlag,
                             QByteArrayView address);
QByteArray LogoutMessage(QByteArrayView machine);
QByteArray HuzaiCheckMessage(QByteArrayView toAddress, QByteArrayView replyAddress);
QByteArray HuzaiMessageMessage(QByteArrayView toAddress, QByteArrayView machine, QByteArrayView handle,
                               QByteArrayView text);
QByteArray MessageMessage(QByteArrayView toAddress, QByteArrayView machine, QByteArrayView handle, QByteArrayView text);
QByteArray OpenCheckMessage(QByteArrayView toAddress, QByteArrayView readerHandle);
QByteArray MessageExclamationMessage(QByteArrayView toAddress, QByteArrayView handle);

// The length of the message as "%5d" followed by the message:
//   MakeBody("ZNMESSAGE:LOGOUT&|PC1") == "   21ZNMESSAGE:LOGOUT&|PC1"
// Nothing for a message longer than 99999 bytes, which five digits cannot frame.
std::optional<QByteArray> MakeBody(QByteArrayView message);

// CR LF -> "\|". Lone CR and lone LF stay; the length is kept, so the header
// of an escaped body stays true.
QByteArray EscapeLineBreaks(QByteArrayView body);
// "\|" -> CR LF, as receivers read it.
QByteArray UnescapeLineBreaks(QByteArrayView text);

// Cuts an escaped body into its numbered datagrams (see wire.cpp for a worked example).
QList<QByteArray> CutDatagrams(QByteArrayView escapedBody);

// Body, escape and cut in one: the datagrams of one message, in sending
// order. Empty when the message cannot be framed.
QList<QByteArray> MakeDatagrams(QByteArrayView message);

} // namespace zn
