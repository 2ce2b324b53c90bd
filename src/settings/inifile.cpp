#include "settings/inifile.h"

#include "common/codec.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace zn {

namespace {

// Case folding of ASCII letters only: bytes above 0x7F are CP932 and must
// compare exactly (a Latin-1 fold would equate unrelated katakana).
bool equalsIgnoringAsciiCase(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// The name of a section header line: "[ name ]" gives "name". A header
// without its closing bracket names the rest of the line.
std::optional<QByteArrayView> headerName(QByteArrayView line)
{
    const QByteArrayView t = line.trimmed();
    if (!t.startsWith('['))
        return std::nullopt;
    QByteArrayView name = t.sliced(1);
    const qsizetype close = name.indexOf(']');
    if (close >= 0)
        name = name.first(close);
    return name.trimmed();
}

// The key of a "key=value" line; nullopt for headers, comments and lines
// that are no assignment.
std::optional<QByteArrayView> keyName(QByteArrayView line)
{
    const QByteArrayView t = line.trimmed();
    if (t.startsWith('[') || t.startsWith(';'))
        return std::nullopt;
    const qsizetype eq = t.indexOf('=');
    if (eq <= 0)
        return std::nullopt;
    const QByteArrayView key = t.first(eq).trimmed();
    if (key.isEmpty())
        return std::nullopt;
    return key;
}

QByteArrayView valueOf(QByteArrayView line)
{
    return line.sliced(line.indexOf('=') + 1).trimmed();
}

} // namespace

IniDocument::IniDocument(QByteArrayView bytes)
{
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype lf = bytes.indexOf('\n', start);
        if (lf < 0) {
            m_lines.append({bytes.sliced(start).toByteArray(), QByteArray()});
            break;
        }
        const bool crlf = lf > start && bytes[lf - 1] == '\r';
        const qsizetype textEnd = crlf ? lf - 1 : lf;
        m_lines.append(
            {bytes.sliced(start, textEnd - start).toByteArray(), crlf ? QByteArray("\r\n") : QByteArray("\n")});
        start = lf + 1;
    }
}

qsizetype IniDocument::findSection(QByteArrayView section) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const auto name = headerName(m_lines[i].text);
        if (name && equalsIgnoringAsciiCase(*name, section))
            return i;
    }
    return -1;
}

qsizetype IniDocument::sectionEnd(qsizetype header) const
{
    qsizetype i = header + 1;
    while (i < m_lines.size() && !headerName(m_lines[i].text))
        ++i;
    return i;
}

std::optional<QByteArray> IniDocument::value(QByteArrayView section, QByteArrayView key) const
{
    const qsizetype header = findSection(section);
    if (header < 0)
        return std::nullopt;
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const auto name = keyName(m_lines[i].text);
        if (name && equalsIgnoringAsciiCase(*name, key))
            return cp932::cutToBytes(valueOf(m_lines[i].text), MaxValueBytes);
    }
    return std::nullopt;
}

void IniDocument::setValue(QByteArrayView section, QByteArrayView key, QByteArrayView value)
{
    QByteArray line = key.toByteArray() + '=' + value.toByteArray();
    for (qsizetype i = key.size() + 1; i < line.size(); ++i) {
        if (line[i] == '\r' || line[i] == '\n')
            line[i] = ' ';
    }
    const QByteArray crlf("\r\n");

    const qsizetype header = findSection(section);
    if (header < 0) {
        if (!m_lines.isEmpty() && m_lines.last().ending.isEmpty())
            m_lines.last().ending = crlf;
        m_lines.append({'[' + section.toByteArray() + ']', crlf});
        m_lines.append({line, crlf});
        return;
    }
    const qsizetype end = sectionEnd(header);
    qsizetype lastKey = header;
    for (qsizetype i = header + 1; i < end; ++i) {
        const auto name = keyName(m_lines[i].text);
        if (!name)
            continue;
        if (equalsIgnoringAsciiCase(*name, key)) {
            m_lines[i].text = line;
            return;
        }
        lastKey = i;
    }
    if (m_lines[lastKey].ending.isEmpty())
        m_lines[lastKey].ending = crlf;
    m_lines.insert(lastKey + 1, {line, crlf});
}

QByteArray IniDocument::toBytes() const
{
    QByteArray out;
    for (const Line &line : m_lines)
        out += line.text + line.ending;
    return out;
}

std::optional<qsizetype> IniDocument::firstDamagedLine() const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QByteArray &text = m_lines[i].text;
        const QByteArrayView trimmed = QByteArrayView(text).trimmed();
        // A comment's bytes mean nothing to the reader and are kept as they are.
        const bool comment = trimmed.startsWith(';');
        // A value's bytes are the key's business: one that is no CP932 text
        // gives that key its default, and the rest of the file still counts.
        const bool header = headerName(text).has_value();
        const bool key = !header && keyName(text).has_value();
        const bool sound = !text.contains('\0')
            && (trimmed.isEmpty() || comment || (header && cp932::isValid(text))
                || (key && cp932::isValid(QByteArrayView(text).first(text.indexOf('=')))));
        if (!sound)
            return i + 1;
    }
    return std::nullopt;
}

QString CannotWriteText(const QString &path)
{
    return QCoreApplication::translate("zn::IniFile", "%1 に書き込めません").arg(QFileInfo(path).absoluteFilePath());
}

IniFile::IniFile(QString path, OpenSaveDevice open) : m_path(std::move(path)), m_open(std::move(open))
{}

IniDocument IniFile::read() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return IniDocument(file.readAll());
}

IniFile::Contents IniFile::readContents() const
{
    Contents contents;
    contents.exists = QFileInfo::exists(m_path);
    if (!contents.exists)
        return contents;
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        contents.readable = false;
        return contents;
    }
    contents.bytes = file.readAll();
    contents.readable = file.error() == QFileDevice::NoError;
    return contents;
}

QString IniFile::write(const QList<IniEntry> &entries) const
{
    QByteArray old;
    const bool exists = QFileInfo::exists(m_path);
    if (exists) {
        QFile file(m_path);
        if (!file.open(QIODevice::ReadOnly))
            return CannotWriteText(m_path);
        old = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return CannotWriteText(m_path);
    }
    IniDocument document(old);
    for (const IniEntry &entry : entries)
        document.setValue(entry.section, entry.key, entry.value);
    const QByteArray bytes = document.toBytes();
    if (exists && bytes == old)
        return {};

    return saveFile(m_path, bytes, m_open) ? QString() : CannotWriteText(m_path);
}

} // namespace zn
