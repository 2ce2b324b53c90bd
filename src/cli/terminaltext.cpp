#include "cli/terminaltext.h"

#include "common/codec.h"
#include "common/text.h"
#include "peers/roster.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <utility>

namespace zn {

QString oneLine(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\\') {
            out += u"\\\\";
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            out += u"\\n";
            ++i;
        } else if (c == u'\r') {
            out += u"\\r";
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            QByteArray hex;
            AppendHexByte(hex, quint8(c));
            out += u"\\x" + QString::fromLatin1(hex);
        } else {
            out += QChar(c);
        }
    }
    return out;
}

namespace {
// The East Asian wide and full-width blocks a CP932 text can hold, and the
// other wide blocks of the same scripts, as [first, last] code points.
constexpr std::pair<char32_t, char32_t> WideRanges[] = {
    {0x1100, 0x115F},                       // Hangul initial consonants
    {0x2E80, 0x303E},                       // CJK radicals, ideographic punctuation, U+3000 ideographic space
    {0x3041, 0x33FF},                       // kana, bopomofo, CJK compatibility
    {0x3400, 0x4DBF},                       // CJK extension A
    {0x4E00, 0x9FFF},                       // CJK unified ideographs
    {0xA000, 0xA4CF},                       // Yi
    {0xAC00, 0xD7A3},                       // Hangul syllables
    {0xF900, 0xFAFF},                       // CJK compatibility ideographs
    {0xFE30, 0xFE4F},                       // CJK compatibility forms
    {0xFF00, 0xFF60},                       // full-width forms (the half-width katakana follow at U+FF61)
    {0xFFE0, 0xFFE6},                       // full-width signs
    {0x1F300, 0x1F64F},                     // pictographs and emoticons
    {0x1F900, 0x1F9FF}, {0x20000, 0x3FFFD}, // CJK extensions B and later
};

int codePointWidth(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format: return 0;
    default: break;
    }
    for (const auto &[first, last] : WideRanges) {
        if (c < first)
            break;
        if (c <= last)
            return 2;
    }
    return 1;
}
} // namespace

int displayWidth(QStringView text)
{
    int width = 0;
    for (const char32_t c : text.toUcs4())
        width += codePointWidth(c);
    return width;
}

QString describeMessage(const QByteArray &message, const QByteArray &sender, const QString &time, bool json)
{
    const QByteArray keyword = GetField(message, 0);
    const QByteArray prefix = "ZNMESSAGE:";
    const QString kind =
        keyword.startsWith(prefix) ? cp932::decode(keyword.mid(prefix.size())) : cp932::decode(keyword);
    QStringList fields;
    for (int i = 1; i < 256; ++i) {
        // Stop after the last separator; a trailing empty field is kept.
        qsizetype at = 0;
        for (int n = 0; n < i && at >= 0; ++n) {
            at = message.indexOf(FieldSeparator, at);
            if (at >= 0)
                at += FieldSeparator.size();
        }
        if (at < 0)
            break;
        fields << cp932::decode(GetField(message, i));
    }
    if (json) {
        QJsonObject object{{u"time"_qs, time},
                           {u"from"_qs, QString::fromLatin1(sender)},
                           {u"kind"_qs, kind},
                           {u"fields"_qs, QJsonArray::fromStringList(fields)}};
        return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
    }
    QStringList shown;
    for (const QString &field : fields)
        shown << oneLine(field);
    return time + u' ' + QString::fromLatin1(sender) + u' ' + oneLine(kind)
        + (shown.isEmpty() ? QString() : u' ' + shown.join(u" | "_qs));
}

QString describePeers(const QList<TPeer> &peers, bool json)
{
    if (json) {
        QJsonArray array;
        for (const TPeer &p : peers)
            array.append(QJsonObject{{u"handleName"_qs, cp932::decode(p.HandleName)},
                                     {u"machineName"_qs, cp932::decode(p.MachineName)},
                                     {u"address"_qs, cp932::decode(p.Address)},
                                     {u"absent"_qs, p.Absent}});
        return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
    }
    QList<QStringList> rows{{u"HANDLE"_qs, u"MACHINE"_qs, u"ADDRESS"_qs, u"STATE"_qs}};
    for (const TPeer &p : peers)
        rows.append({oneLine(cp932::decode(p.HandleName)), oneLine(cp932::decode(p.MachineName)),
                     oneLine(cp932::decode(p.Address)), p.Absent ? u"absent"_qs : u"present"_qs});
    int widths[3] = {0, 0, 0};
    for (const QStringList &row : rows)
        for (int c = 0; c < 3; ++c)
            widths[c] = qMax(widths[c], displayWidth(row[c]));
    // Padded by columns on the terminal, not by characters: a kanji takes two.
    QString out;
    for (const QStringList &row : rows) {
        for (int c = 0; c < 3; ++c)
            out += row[c] + QString(widths[c] + 2 - displayWidth(row[c]), u' ');
        out += row[3] + u'\n';
    }
    return out;
}

} // namespace zn
