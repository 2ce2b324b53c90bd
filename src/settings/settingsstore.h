// Where the settings file lives, and the reading and writing of `Settings`
// and of the window placements in it.
#pragma once

#include "settings/inifile.h"
#include "settings/settings.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

namespace zn {

// Section names of the window placements.
namespace PlacementSection {
inline constexpr QByteArrayView MainForm = "MainFormLocate";
inline constexpr QByteArrayView SendForm = "SendFormLocate";
inline constexpr QByteArrayView RecvForm = "RecvFormLocate";
inline constexpr QByteArrayView LogForm = "LogFormLocate";
inline constexpr QByteArrayView HuzaiSetForm = "HuzaiSetFormLocate";
inline constexpr QByteArrayView HuzaiForm = "HuzaiFormLocate";
inline constexpr QByteArrayView IventForm = "IventFormLocate"; // Left and Top only
} // namespace PlacementSection

// A window's position and size in screen pixels.
struct Placement {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const Placement &, const Placement &) = default;
};

// Widths of the user-list columns "名前", "マシン名", "IPアドレス".
using ColumnWidths = std::array<int, 3>;
inline constexpr ColumnWidths DefaultColumnWidths{200, 120, 90};

// The directory of the settings file (and of the default log and of a log
// named by a relative path), ending in "/": the executable's directory when
// it is writable and the program is not installed, else the user's
// configuration directory, created when missing. `isWritable` decides for a
// directory (a test stands in for permissions, which do not bind root).
QString ProgramDirectory();
// Whether the program in `executableDirectory` is installed in a prefix: its
// desktop entry is where the install puts it, relative to the program.
bool IsInstalledCopy(const QString &executableDirectory);
QString ProgramDirectoryFor(const QString &executableDirectory, const QString &configDirectory,
                            const std::function<bool(const QString &directory)> &isWritable = {});
// The user's configuration directory for the program: "~/.config/Zephinet"
// (under $XDG_CONFIG_HOME when set), whatever the application's names are.
QString UserConfigDirectory();

// The settings file's name from the command-line parameters (without the
// program's own path): "Zephinet.INI" without any, else "Zephinet -" +
// the first + "-.INI"; the rest are ignored. The name must stay inside the
// program directory, so each "/" and "\" of the parameter and each dot of
// a ".." becomes "_":  "../x" gives "Zephinet -__x-.INI".
QString SettingsFileName(const QStringList &parameters);

// The display font size for a stored `Size`: 14 -> 14; 12, 0 -> 12;
// 8, 2 -> 8; everything else -> 9.
quint8 NormalizeFontSize(int size);

// An integer as stored: "0x1F90" or "0X1f90" is hexadecimal (at most 32
// bits, wrapping like a 32-bit integer), anything else decimal with an
// optional sign within 32 bits. nullopt when it is no number ("abc", "0x").
std::optional<qint32> ParseProfileInteger(QByteArrayView text);

// The absence message on one line: each CR LF, from the front, becomes the
// two characters "\n", and back. A lone CR or LF also becomes "\n", since
// no value may break its line. Decoding steps over double-byte characters:
// in "ソn" (83 5C 6E) the 5C is half of "ソ", not a backslash.
QByteArray EncodeHuzaiMessage(QByteArrayView message);
QByteArray DecodeHuzaiMessage(QByteArrayView stored);

// What start-up found in the settings file. A damaged file (one that
// exists but cannot be read, or that IniDocument::firstDamagedLine finds
// damaged) is not read at all: the settings are the defaults, and the file
// is renamed "<name>.damaged-YYYYMMDD-HHMMSS" beside itself, so that no
// write puts defaults where the user's values were. A directory in the
// file's place is no damaged file: the settings are the defaults, and it
// stays where it is (writes to it fail and say so).
struct LoadedSettings {
    enum Damage { Sound, Unreadable, Unparsable };
    Settings settings;
    Damage damage = Sound;
    qsizetype damagedLine = 0; // the first damaged line of an unparsable file
    // The damaged file's new path; empty when it could not be renamed, and
    // the store then writes nothing for the rest of the run.
    QString keptAs;
    // What the user is told, once; empty for a sound file.
    QString notice(const QString &settingsPath) const;
};

// The settings file at one full path. Every method reads or writes the
// file anew; writers return the error text ("<path> に書き込めません"),
// empty on success, and write all their keys or none.
class SettingsStore {
public:
    explicit SettingsStore(QString filePath, OpenSaveDevice open = {});

    const QString &filePath() const { return m_file.path(); }

    // Every key of "LocalSetting", "Security", "Font" and "Sort"; missing or
    // unreadable keys take their defaults. `Size` comes back as stored (low
    // 8 bits); the caller maps it with NormalizeFontSize and writes it back.
    Settings load(const QByteArray &machineName, const QString &programDirectory) const;

    // load() for start-up, after the file was checked for damage; `now`
    // names the damaged file. `rename` moves a file (QFile::rename unless a
    // test makes it fail).
    LoadedSettings loadAtStart(const QByteArray &machineName, const QString &programDirectory, const QDateTime &now,
                               const std::function<bool(const QString &from, const QString &to)> &rename = {});

    // While held, every writer writes nothing and reports success, and the
    // placements read as their defaults: the damaged file that could not be
    // moved aside stays as it is and is not read.
    void holdWrites(bool on) { m_writesHeld = on; }
    bool writesHeld() const { return m_writesHeld; }

    // Every key of "LocalSetting" and "Security", in their table order.
    [[nodiscard]] QString saveAll(const Settings &settings) const;

    [[nodiscard]] QString writeFontSize(quint8 size) const;
    [[nodiscard]] QString writeSort(quint8 index, bool upper) const;
    [[nodiscard]] QString writeHuzaiMessage(const QByteArray &message) const;

    // "Left", "Top", "Width", "Height" of a window section.
    Placement readPlacement(QByteArrayView section, const Placement &defaults) const;
    // "Left" and "Top" of a window section; nullopt when either is missing
    // or no number. Any position counts, negative ones too (a monitor above
    // or left of the first).
    std::optional<QPoint> readPosition(QByteArrayView section) const;
    [[nodiscard]] QString writePlacement(QByteArrayView section, const Placement &placement,
                                         bool withSize = true) const;

    // The main window's placement with its column widths `UserList1` to
    // `UserList3`.
    ColumnWidths readColumnWidths() const;
    [[nodiscard]] QString writeMainPlacement(const Placement &placement, const ColumnWidths &widths) const;

private:
    [[nodiscard]] QString write(const QList<IniEntry> &entries) const;

    IniFile m_file;
    bool m_writesHeld = false;
};

} // namespace zn
