#include "common/codec.h"

#include <QCoreApplication>
#include <QStringDecoder>
#include <QStringEncoder>

namespace zn::cp932 {

namespace {
constexpr const char *CodecName = "CP932";

// The converter is IBM's flavour of the code page, which swaps three control
// bytes (0x1A, 0x1C, 0x7F) against the Windows table; every other byte maps
// alike. These two permutations undo the swap on either side.
QString toConverterControls(QStringView text)
{
    QString out = text.toString();
    for (QChar &c : out) {
        switch (c.unicode()) {
        case 0x1A: c = QChar(0x1C); break;
        case 0x1C: c = QChar(0x7F); break;
        case 0x7F: c = QChar(0x1A); break;
        default: break;
        }
    }
    return out;
}

void fromConverterControls(QString &text)
{
    for (QChar &c : text) {
        switch (c.unicode()) {
        case 0x1C: c = QChar(0x1A); break;
        case 0x7F: c = QChar(0x1C); break;
        case 0x1A: c = QChar(0x7F); break;
        default: break;
        }
    }
}

QString normaliseLineBreaks(QStringView text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            out += u"\r\n";
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else if (c == u'\n') {
            out += u"\r\n";
        } else {
            out += c;
        }
    }
    return out;
}
} // namespace

Encoded encode(QStringView text)
{
    QStringEncoder encoder(CodecName, QStringConverter::Flag::Stateless);
    Encoded result;
    result.bytes = encoder.encode(toConverterControls(text));
    if (!encoder.hasError())
        return result;
    // Find the offending character so that the user can be told which.
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype len = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        QStringEncoder one(CodecName, QStringConverter::Flag::Stateless);
        (void)QByteArray(one.encode(text.sliced(i, len)));
        if (one.hasError()) {
            result.unencodable = text.sliced(i, len).toString();
            break;
        }
        i += len - 1;
    }
    if (result.unencodable.isEmpty())
        result.unencodable = QStringLiteral("\uFFFD");
    result.bytes.clear();
    return result;
}

QString decode(QByteArrayView bytes)
{
    QStringDecoder decoder(CodecName, QStringConverter::Flag::Stateless);
    QString whole = decoder.decode(bytes);
    if (!decoder.hasError()) {
        fromConverterControls(whole);
        return whole;
    }
    // The converter's own replacement (U+001A) cannot be told apart from a
    // real 0x1A byte, so decode character by character instead.
    QString out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const qsizetype len = (isLeadByte(lead) && i + 1 < bytes.size()) ? 2 : 1;
        QStringDecoder one(CodecName, QStringConverter::Flag::Stateless);
        QString ch = one.decode(bytes.sliced(i, len));
        fromConverterControls(ch);
        if (one.hasError() || ch.isEmpty()) {
            out += QChar(QChar::ReplacementCharacter);
            i += 1;
        } else {
            out += ch;
            i += len;
        }
    }
    return out;
}

bool isValid(QByteArrayView bytes)
{
    QStringDecoder decoder(CodecName, QStringConverter::Flag::Stateless);
    (void)QString(decoder.decode(bytes));
    return !decoder.hasError();
}

Encoded fromWidgetText(QStringView text)
{
    return encode(normaliseLineBreaks(text));
}

QString toWidgetText(QByteArrayView bytes)
{
    QString text = decode(bytes);
    text.replace(u"\r\n"_qs, u"\n"_qs);
    return text;
}

QByteArray bytes(QStringView text)
{
    return encode(text).bytes;
}

QByteArray cutToBytes(QByteArrayView text, qsizetype maxBytes)
{
    if (text.size() <= maxBytes)
        return text.toByteArray();
    qsizetype i = 0;
    while (i < maxBytes) {
        const qsizetype len = isLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
        if (i + len > maxBytes)
            break;
        i += len;
    }
    return text.first(i).toByteArray();
}

QString unencodableMessage(const QString &character)
{
    uint code = character.isEmpty() ? 0 : character.at(0).unicode();
    if (character.size() == 2)
        code = QChar::surrogateToUcs4(character.at(0), character.at(1));
    return QCoreApplication::translate("zn::Codec", "「%1」(U+%2) はこの文字コードで送信できない文字です。")
        .arg(character, QString::number(code, 16).toUpper().rightJustified(4, u'0'));
}

} // namespace zn::cp932
