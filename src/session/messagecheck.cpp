#include "session/messagecheck.h"

#include "common/codec.h"
#include "common/text.h"

#include <QCoreApplication>

namespace zn {

namespace {

// The bytes the reserved-sequence tests look at when some character has no
// CP932 form: each such character stands as one neutral byte, which can
// neither make nor break a sequence around it.
QByteArray bytesForSequenceTests(QStringView text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype len = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const cp932::Encoded one = cp932::encode(text.sliced(i, len));
        out += one.ok() ? one.bytes : QByteArray(1, '\x01');
        i += len - 1;
    }
    return out;
}

QString normalised(QStringView text)
{
    QString out = text.toString();
    out.replace(u"\r\n"_qs, u"\n"_qs);
    out.replace(u'\r', u'\n');
    out.replace(u"\n"_qs, u"\r\n"_qs);
    return out;
}

} // namespace

CheckedText CheckMessageText(QStringView text, bool allowEmpty)
{
    const QString crlf = normalised(text);
    const cp932::Encoded encoded = cp932::encode(crlf);
    const QByteArray tested = encoded.ok() ? encoded.bytes : bytesForSequenceTests(crlf);
    CheckedText checked;
    if (tested.contains(FieldSeparator)) {
        checked.result = CheckedText::FieldSeparator;
        checked.message =
            QCoreApplication::translate("zn::MessageCheck", "送信メッセージに「&|」を含めることはできません。");
    } else if (tested.contains(LineBreakEscape)) {
        checked.result = CheckedText::LineBreakEscape;
        checked.message =
            QCoreApplication::translate("zn::MessageCheck", "送信メッセージに「\\|」を含めることはできません。");
    } else if (crlf.isEmpty() && !allowEmpty) {
        checked.result = CheckedText::Empty;
        checked.message = QCoreApplication::translate("zn::MessageCheck", "送信するメッセージを入力してください。");
    } else if (!encoded.ok()) {
        checked.result = CheckedText::Unencodable;
        checked.message = cp932::unencodableMessage(encoded.unencodable);
    } else if (encoded.bytes.size() > MaxMessageTextBytes) {
        checked.result = CheckedText::TooLong;
        checked.message = QCoreApplication::translate(
            "zn::MessageCheck", "送信メッセージが最大文字数（2048文字）を越えているため、送信することができません。");
    } else {
        checked.bytes = encoded.bytes;
    }
    return checked;
}

CheckedText CheckHuzaiMessageBytes(const QByteArray &bytes)
{
    CheckedText checked;
    if (bytes.contains(FieldSeparator)) {
        checked.result = CheckedText::FieldSeparator;
        checked.message =
            QCoreApplication::translate("zn::MessageCheck", "不在通知メッセージ内に「&|」は使用できません。");
    } else if (bytes.contains(LineBreakEscape)) {
        checked.result = CheckedText::LineBreakEscape;
        checked.message =
            QCoreApplication::translate("zn::MessageCheck", "不在通知メッセージ内に「\\|」は使用できません。");
    } else {
        checked.bytes = bytes;
    }
    return checked;
}

CheckedText CheckHuzaiMessageText(QStringView text)
{
    const QString crlf = normalised(text);
    const cp932::Encoded encoded = cp932::encode(crlf);
    CheckedText checked = CheckHuzaiMessageBytes(encoded.ok() ? encoded.bytes : bytesForSequenceTests(crlf));
    if (checked.ok() && !encoded.ok()) {
        checked.result = CheckedText::Unencodable;
        checked.message = cp932::unencodableMessage(encoded.unencodable);
        checked.bytes.clear();
    }
    return checked;
}

qsizetype MessageTextBytes(QStringView text)
{
    qsizetype bytes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\n')
            bytes += 2;
        else if (c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F)) // ASCII, half-width katakana
            bytes += 1;
        else
            bytes += 2;
        // A surrogate pair is one character, never encodable: refused when sent.
        if (text[i].isHighSurrogate() && i + 1 < text.size())
            ++i;
    }
    return bytes;
}

QString TooManyRecipientsText()
{
    return QCoreApplication::translate("zn::MessageCheck",
                                       "一度に送信できるのは%1ユーザまでです。送信先ユーザの選択を減らしてください。")
        .arg(MaxRecipients);
}

} // namespace zn
