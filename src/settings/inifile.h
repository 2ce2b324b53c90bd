// The settings file: an INI text of CP932 bytes with CR LF line endings,
// read and written the way the profile-string functions of the original
// platform did, so that files of either program read alike.
//
//   [Font]            <- section header; names compare without ASCII case
//   size = 12         <- key "size", value "12" (blanks around both ignored)
//   ; a comment       <- kept as it is, like any line that is neither
#pragma once

#include "common/savefile.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

namespace zn {

// One key to write: section, key, value (CP932 bytes).
struct IniEntry {
    QByteArray section;
    QByteArray key;
    QByteArray value;
};

// The lines of one INI text. Reading never fails: garbage lines, invalid
// CP932 and overlong lines are kept and skipped. Writing changes only the
// line of the key written and keeps every other line byte for byte.
class IniDocument {
public:
    // A value comes back with at most this many bytes, never ending in the
    // first half of a double-byte character.
    static constexpr qsizetype MaxValueBytes = 1023;

    IniDocument() = default;
    explicit IniDocument(QByteArrayView bytes);

    // The value of the first `key` in the first section named `section`;
    // nullopt when either is missing. An empty value is a value.
    std::optional<QByteArray> value(QByteArrayView section, QByteArrayView key) const;

    // Replaces the key's line in place; a new key goes after the last key
    // line of its section, a new section at the end of the text. A value
    // cannot span lines: CR and LF in it are written as blanks, so that no
    // value can add a line (and with it a key) of its own.
    void setValue(QByteArrayView section, QByteArrayView key, QByteArrayView value);

    QByteArray toBytes() const;

    // The first line (counted from 1) that shows the text is damaged, or
    // nullopt for a sound one. Damaged is what no settings file that a
    // program wrote holds, and what the reader would pass over silently:
    // a NUL byte, a header line or a key (what precedes the "=") whose
    // bytes are no CP932 text, or a
    // line that is neither blank, a comment (";", whatever its bytes), a
    // section header ("[...", a missing "]" included) nor a "key=value"
    // with a non-empty key. An unknown section
    // or key, a key outside any section, a value that is no CP932 text, an
    // overlong value or a number out of range is no damage: the reader has
    // rules for those.
    std::optional<qsizetype> firstDamagedLine() const;

private:
    struct Line {
        QByteArray text;
        QByteArray ending; // "\r\n", "\n", or empty for a last line without one
    };
    // Index of the first header of `section`, or -1.
    qsizetype findSection(QByteArrayView section) const;
    // One past the last line of the section whose header is at `header`.
    qsizetype sectionEnd(qsizetype header) const;

    QList<Line> m_lines;
};

// The text of every failed write: the full path of the file, then
// "に書き込めません".
QString CannotWriteText(const QString &path);

// The settings file at one path. Writes go through `open` (the real file
// unless a test makes a step fail).
class IniFile {
public:
    explicit IniFile(QString path, OpenSaveDevice open = {});

    const QString &path() const { return m_path; }

    // The file as it is now; a missing or unreadable file reads as empty.
    IniDocument read() const;

    // The file's bytes and whether they could be read: a missing file is
    // read (and empty); one that exists but cannot be opened or read to
    // the end (no permission, a directory, an I/O error) is not.
    struct Contents {
        bool exists = false;
        bool readable = true;
        QByteArray bytes;
    };
    Contents readContents() const;

    // Applies every entry, in order, to the file as it is now and replaces
    // the file in one step (temporary file, then rename): a failure leaves
    // the old file as it was. Returns the error text, empty on success.
    // A file that exists but cannot be read is not replaced, since its
    // contents would be lost. A write that changes no byte leaves the file
    // untouched.
    [[nodiscard]] QString write(const QList<IniEntry> &entries) const;

private:
    QString m_path;
    OpenSaveDevice m_open;
};

} // namespace zn
