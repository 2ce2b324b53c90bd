#include "settings/settingsstore.h"

#include "common/codec.h"
#include "common/text.h"
#include "settings/scramble.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <limits>
#include <variant>

namespace zn {

namespace {

// ---- The key table -------------------------------------------------------
// Every key of "LocalSetting", "Security", "Font" and "Sort", once, in the
// order the options are written ("Security" between SendSelfCheck and
// LogSave). The type of a key is the type of its field; its default is the
// field's initial value in `Settings`, except the two that depend on the
// machine (HandleName, LogFileName), set in load().

struct SoundFile {
    int index;
};
using Field = std::variant<bool Settings::*, int Settings::*, quint8 Settings::*, quint16 Settings::*,
                           QByteArray Settings::*, QString Settings::*, SoundFile>;

enum class Form {
    Plain,
    LineBreaksEscaped, // HuzaiMessage: CR LF <-> "\n"
    ScrambledTwice,    // Password
    // DesktopNotification, DirectSend: a choice never made is not written, so
    // that the default keeps deciding and files of older copies keep their bytes.
    OmittedWhileNegative,
};

struct Key {
    const char *section;
    const char *name;
    Field field;
    Form form = Form::Plain;
};

constexpr const char *LocalSetting = "LocalSetting";
constexpr const char *Security = "Security";
constexpr const char *Font = "Font";
constexpr const char *Sort = "Sort";

const Key Keys[] = {
    {LocalSetting, "HandleName", &Settings::HandleName},
    {LocalSetting, "PortNo", &Settings::PortNo},
    {LocalSetting, "HuzaiMessage", &Settings::HuzaiMessage, Form::LineBreaksEscaped},
    {LocalSetting, "StartShow", &Settings::StartShow},
    {LocalSetting, "SendAfterClose", &Settings::SendAfterClose},
    {LocalSetting, "RecvAutoOpen", &Settings::RecvAutoOpen},
    {LocalSetting, "SendMachineHide", &Settings::SendMachineHide},
    {LocalSetting, "RecvMachineHide", &Settings::RecvMachineHide},
    {LocalSetting, "RecvDateHide", &Settings::RecvDateHide},
    {LocalSetting, "TaskClipHide", &Settings::TaskClipHide},
    {LocalSetting, "TaskHuzaiHide", &Settings::TaskHuzaiHide},
    {LocalSetting, "ClipRecvInfo", &Settings::ClipRecvInfo},
    {LocalSetting, "ReturnMessagePlus", &Settings::ReturnMessagePlus},
    {LocalSetting, "ReturnRecvHide", &Settings::ReturnRecvHide},
    {LocalSetting, "TaskAnimation", &Settings::TaskAnimation},
    {LocalSetting, "MouseAnimation", &Settings::MouseAnimation},
    {LocalSetting, "RecvOpenCheck", &Settings::RecvOpenCheck},
    {LocalSetting, "HuzaiModeCheck", &Settings::HuzaiModeCheck},
    {LocalSetting, "HuzaiReturnCheck", &Settings::HuzaiReturnCheck},
    {LocalSetting, "HuzaiSetCheck", &Settings::HuzaiSetCheck},
    {LocalSetting, "SendSelfCheck", &Settings::SendSelfCheck},
    {Security, "PasswordOnline", &Settings::PasswordOnline},
    {Security, "PasswordOption", &Settings::PasswordOption},
    {Security, "PasswordRecv", &Settings::PasswordRecv},
    {Security, "PasswordLog", &Settings::PasswordLog},
    {Security, "Password", &Settings::Password, Form::ScrambledTwice},
    {LocalSetting, "LogSave", &Settings::LogSave},
    {LocalSetting, "LogFileName", &Settings::LogFileName},
    {LocalSetting, "LogFileMaxCount", &Settings::LogFileMaxCount},
    {LocalSetting, "SendIP", &Settings::SendIP},
    {LocalSetting, "AutoLocate", &Settings::AutoLocate},
    {LocalSetting, "AutoClose", &Settings::AutoClose},
    {LocalSetting, "ExclamationAutoClose", &Settings::ExclamationAutoClose},
    {LocalSetting, "AutoCloseTimer", &Settings::AutoCloseTimer},
    {LocalSetting, "OnlineCheck", &Settings::OnlineCheck},
    {LocalSetting, "OfflineCheck", &Settings::OfflineCheck},
    {LocalSetting, "OpenCheck", &Settings::OpenCheck},
    {LocalSetting, "RecvCheck", &Settings::RecvCheck},
    {LocalSetting, "IventSound", &Settings::IventSound},
    {LocalSetting, "SoundBeep", &Settings::SoundBeep},
    {LocalSetting, "SoundFileUserOnline", SoundFile{0}},
    {LocalSetting, "SoundFileUserOffline", SoundFile{1}},
    {LocalSetting, "SoundFileRecvMessage", SoundFile{2}},
    // Newer than the others: written after them, so that older files keep their order.
    {LocalSetting, "DesktopNotification", &Settings::DesktopNotification, Form::OmittedWhileNegative},
    {LocalSetting, "Language", &Settings::Language, Form::OmittedWhileNegative},
    {LocalSetting, "DirectSend", &Settings::DirectSend, Form::OmittedWhileNegative},
    {Font, "Size", &Settings::Size},
    {Sort, "SortIndex", &Settings::SortIndex},
    {Sort, "SortUpper", &Settings::SortUpper},
};

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

// A number as stored, or `fallback` when the key is missing or no number.
qint32 readInteger(const std::optional<QByteArray> &stored, qint32 fallback)
{
    return stored ? ParseProfileInteger(*stored).value_or(fallback) : fallback;
}

bool readBoolean(const std::optional<QByteArray> &stored, bool fallback)
{
    return readInteger(stored, fallback ? 1 : 0) != 0;
}

// A password that does not unscramble (not hexadecimal, odd length) reads
// as the empty password, so that start-up always completes.
QByteArray readPassword(const QByteArray &stored)
{
    const auto once = UnscrambleText(stored);
    if (!once)
        return {};
    return UnscrambleText(*once).value_or(QByteArray());
}

QByteArray readBytes(const Key &key, const QByteArray &stored)
{
    switch (key.form) {
    case Form::LineBreaksEscaped: return DecodeHuzaiMessage(stored);
    case Form::ScrambledTwice: return readPassword(stored);
    case Form::Plain:
    case Form::OmittedWhileNegative: break;
    }
    return stored;
}

QByteArray writeBytes(const Key &key, const QByteArray &value)
{
    switch (key.form) {
    case Form::LineBreaksEscaped: return EncodeHuzaiMessage(value);
    case Form::ScrambledTwice: return ScrambleText(ScrambleText(value));
    case Form::Plain:
    case Form::OmittedWhileNegative: break;
    }
    return value;
}

void readKey(const Key &key, const IniDocument &document, Settings &settings)
{
    std::optional<QByteArray> stored = document.value(key.section, key.name);
    // A value that is no CP932 text (UTF-8 typed by hand, say) was written
    // by no copy of the program: the key keeps its default, the others count.
    if (stored && !cp932::isValid(*stored))
        stored.reset();
    std::visit(Overloaded{
                   [&](bool Settings::*field) { settings.*field = readBoolean(stored, settings.*field); },
                   [&](int Settings::*field) { settings.*field = readInteger(stored, settings.*field); },
                   [&](quint8 Settings::*field) {
                       settings.*field = static_cast<quint8>(readInteger(stored, settings.*field));
                   },
                   [&](quint16 Settings::*field) {
                       settings.*field = static_cast<quint16>(readInteger(stored, settings.*field));
                   },
                   [&](QByteArray Settings::*field) {
                       if (stored)
                           settings.*field = readBytes(key, *stored);
                   },
                   [&](QString Settings::*field) {
                       if (stored)
                           settings.*field = cp932::decode(*stored);
                   },
                   [&](SoundFile sound) {
                       if (stored)
                           settings.SoundFiles[sound.index] = cp932::decode(*stored);
                   },
               },
               key.field);
}

// The stored text of one key, or the character that has no CP932 form.
struct Stored {
    QByteArray bytes;
    QString unencodable;
};

Stored encodeText(const QString &text)
{
    const cp932::Encoded encoded = cp932::encode(text);
    return {encoded.bytes, encoded.unencodable};
}

Stored storedValue(const Key &key, const Settings &settings)
{
    return std::visit(Overloaded{
                          [&](bool Settings::*field) {
                              return Stored{QByteArray(settings.*field ? "1" : "0"), {}};
                          },
                          [&](int Settings::*field) {
                              return Stored{QByteArray::number(settings.*field), {}};
                          },
                          [&](quint8 Settings::*field) {
                              return Stored{QByteArray::number(settings.*field), {}};
                          },
                          [&](quint16 Settings::*field) {
                              return Stored{QByteArray::number(settings.*field), {}};
                          },
                          [&](QByteArray Settings::*field) {
                              return Stored{writeBytes(key, settings.*field), {}};
                          },
                          [&](QString Settings::*field) { return encodeText(settings.*field); },
                          [&](SoundFile sound) { return encodeText(settings.SoundFiles[sound.index]); },
                      },
                      key.field);
}

QString withTrailingSlash(const QString &directory)
{
    return directory.endsWith(u'/') ? directory : directory + u'/';
}

constexpr const char *PlacementKeys[] = {"Left", "Top", "Width", "Height"};
constexpr const char *ColumnKeys[] = {"UserList1", "UserList2", "UserList3"};

QList<IniEntry> placementEntries(QByteArrayView section, const Placement &placement, bool withSize)
{
    const int values[] = {placement.left, placement.top, placement.width, placement.height};
    QList<IniEntry> entries;
    for (int i = 0; i < (withSize ? 4 : 2); ++i)
        entries.append({section.toByteArray(), PlacementKeys[i], QByteArray::number(values[i])});
    return entries;
}

} // namespace

// ---- Free functions ------------------------------------------------------

QString ProgramDirectoryFor(const QString &executableDirectory, const QString &configDirectory,
                            const std::function<bool(const QString &)> &isWritable)
{
    const QFileInfo executable(executableDirectory);
    const bool writable =
        executable.isDir() && (isWritable ? isWritable(executableDirectory) : executable.isWritable());
    if (writable || configDirectory.isEmpty())
        return withTrailingSlash(executableDirectory);
    // A failure to create it shows later, as the error of the first write.
    QDir().mkpath(configDirectory);
    return withTrailingSlash(configDirectory);
}

bool IsInstalledCopy(const QString &executableDirectory)
{
    return QFileInfo::exists(executableDirectory + QStringLiteral("/" ZEPHINET_INSTALLED_MARKER));
}

QString ProgramDirectory()
{
    const QString executableDirectory = QCoreApplication::applicationDirPath();
    // An installed copy never writes beside its program, even run by root.
    const bool installed = IsInstalledCopy(executableDirectory);
    return ProgramDirectoryFor(executableDirectory, UserConfigDirectory(), [installed](const QString &directory) {
        return !installed && QFileInfo(directory).isWritable();
    });
}

QString UserConfigDirectory()
{
    // Not AppConfigLocation: that adds the organisation name as a further
    // level, and tests run under their own application names.
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base.isEmpty() ? QString() : base + QStringLiteral("/Zephinet");
}

QString SettingsFileName(const QStringList &parameters)
{
    if (parameters.isEmpty())
        return QStringLiteral("Zephinet.INI");
    QString name = parameters.first();
    name.replace(u'/', u'_');
    name.replace(u'\\', u'_');
    name.replace(u".."_qs, u"__"_qs);
    return QStringLiteral("Zephinet -") + name + QStringLiteral("-.INI");
}

quint8 NormalizeFontSize(int size)
{
    switch (size) {
    case 14: return 14;
    case 12:
    case 0: return 12;
    case 8:
    case 2: return 8;
    default: return 9;
    }
}

std::optional<qint32> ParseProfileInteger(QByteArrayView text)
{
    if (text.size() > 2 && (text.startsWith("0x") || text.startsWith("0X"))) {
        const std::optional<quint64> value =
            ParseDigits(text.sliced(2), 16, quint64(std::numeric_limits<quint32>::max()) + 1);
        if (!value || *value > std::numeric_limits<quint32>::max())
            return std::nullopt;
        return static_cast<qint32>(static_cast<quint32>(*value));
    }
    return ParseDecimalInt32(text);
}

QByteArray EncodeHuzaiMessage(QByteArrayView message)
{
    QByteArray out;
    out.reserve(message.size());
    for (qsizetype i = 0; i < message.size(); ++i) {
        const char c = message[i];
        if (c == '\r' && i + 1 < message.size() && message[i + 1] == '\n') {
            out += "\\n";
            ++i;
        } else if (c == '\r' || c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray DecodeHuzaiMessage(QByteArrayView stored)
{
    QByteArray out;
    out.reserve(stored.size());
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const char c = stored[i];
        if (cp932::isLeadByte(static_cast<unsigned char>(c)) && i + 1 < stored.size()) {
            out += c;
            out += stored[++i];
        } else if (c == '\\' && i + 1 < stored.size() && stored[i + 1] == 'n') {
            out += "\r\n";
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

// ---- SettingsStore -------------------------------------------------------

SettingsStore::SettingsStore(QString filePath, OpenSaveDevice open) : m_file(std::move(filePath), std::move(open))
{}

namespace {
Settings defaultSettings(const QByteArray &machineName, const QString &programDirectory)
{
    Settings settings;
    settings.HandleName = machineName;
    settings.LogFileName = withTrailingSlash(programDirectory) + QStringLiteral("LOG.ZNG");
    settings.ActivePortNo = settings.PortNo;
    return settings;
}

Settings readSettings(const IniDocument &document, Settings settings)
{
    for (const Key &key : Keys)
        readKey(key, document, settings);
    settings.ActivePortNo = settings.PortNo;
    return settings;
}
} // namespace

Settings SettingsStore::load(const QByteArray &machineName, const QString &programDirectory) const
{
    return readSettings(m_file.read(), defaultSettings(machineName, programDirectory));
}

LoadedSettings SettingsStore::loadAtStart(const QByteArray &machineName, const QString &programDirectory,
                                          const QDateTime &now,
                                          const std::function<bool(const QString &, const QString &)> &rename)
{
    LoadedSettings loaded;
    loaded.settings = defaultSettings(machineName, programDirectory);
    // A path that is no file at all (a directory) holds no settings to keep:
    // it is left alone, and each write to it fails and says so.
    if (QFileInfo::exists(filePath()) && !QFileInfo(filePath()).isFile())
        return loaded;
    const IniFile::Contents contents = m_file.readContents();
    if (!contents.readable) {
        loaded.damage = LoadedSettings::Unreadable;
    } else {
        const IniDocument document(contents.bytes);
        const std::optional<qsizetype> damaged = document.firstDamagedLine();
        if (!damaged) {
            loaded.settings = readSettings(document, loaded.settings);
            return loaded;
        }
        loaded.damage = LoadedSettings::Unparsable;
        loaded.damagedLine = *damaged;
    }
    // A second start within the same second finds the first one's name taken.
    const QString stem = filePath() + QStringLiteral(".damaged-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int n = 1; n <= 100 && loaded.keptAs.isEmpty(); ++n) {
        const QString aside = n == 1 ? stem : stem + u'-' + QString::number(n);
        if (QFileInfo::exists(aside) || QFileInfo(aside).isSymLink())
            continue;
        if (!(rename ? rename(filePath(), aside) : QFile::rename(filePath(), aside)))
            break;
        loaded.keptAs = aside;
    }
    holdWrites(loaded.keptAs.isEmpty());
    return loaded;
}

QString LoadedSettings::notice(const QString &settingsPath) const
{
    if (damage == Sound)
        return {};
    const QString path = QFileInfo(settingsPath).absoluteFilePath();
    QString text = damage == Unreadable
        ? QCoreApplication::translate("zn::SettingsStore",
                                      "設定ファイル %1 を読み込めないため、初期設定で起動しました。")
              .arg(path)
        : QCoreApplication::translate("zn::SettingsStore",
                                      "設定ファイル %1 の %2 行目が壊れているため、初期設定で起動しました。")
              .arg(path, QString::number(damagedLine));
    text += u'\n';
    text += keptAs.isEmpty()
        ? QCoreApplication::translate("zn::SettingsStore",
                                      "元のファイルは別の名前にできなかったため、そのまま残してあります。"
                                      "この起動中の設定は保存されません。")
        : QCoreApplication::translate("zn::SettingsStore", "元のファイルは %1 として残してあります。")
              .arg(QFileInfo(keptAs).absoluteFilePath());
    return text;
}

QString SettingsStore::write(const QList<IniEntry> &entries) const
{
    return m_writesHeld ? QString() : m_file.write(entries);
}

QString SettingsStore::saveAll(const Settings &settings) const
{
    QList<IniEntry> entries;
    for (const Key &key : Keys) {
        if (qstrcmp(key.section, LocalSetting) != 0 && qstrcmp(key.section, Security) != 0)
            continue;
        if (key.form == Form::OmittedWhileNegative && settings.*std::get<int Settings::*>(key.field) < 0)
            continue;
        Stored stored = storedValue(key, settings);
        if (!stored.unencodable.isEmpty()) {
            // Never store a path with a character replaced: it would name
            // another file. Nothing is written.
            return CannotWriteText(filePath()) + u'\n'
                + QCoreApplication::translate("zn::SettingsStore", "「%1」はこの文字コードで保存できない文字です。")
                      .arg(stored.unencodable);
        }
        entries.append({key.section, key.name, std::move(stored.bytes)});
    }
    return write(entries);
}

QString SettingsStore::writeFontSize(quint8 size) const
{
    return write({{Font, "Size", QByteArray::number(size)}});
}

QString SettingsStore::writeSort(quint8 index, bool upper) const
{
    return write({{Sort, "SortIndex", QByteArray::number(index)}, {Sort, "SortUpper", QByteArray(upper ? "1" : "0")}});
}

QString SettingsStore::writeHuzaiMessage(const QByteArray &message) const
{
    return write({{LocalSetting, "HuzaiMessage", EncodeHuzaiMessage(message)}});
}

Placement SettingsStore::readPlacement(QByteArrayView section, const Placement &defaults) const
{
    const IniDocument document = m_writesHeld ? IniDocument() : m_file.read();
    const auto get = [&](const char *key, int fallback) { return readInteger(document.value(section, key), fallback); };
    return {get(PlacementKeys[0], defaults.left), get(PlacementKeys[1], defaults.top),
            get(PlacementKeys[2], defaults.width), get(PlacementKeys[3], defaults.height)};
}

std::optional<QPoint> SettingsStore::readPosition(QByteArrayView section) const
{
    const IniDocument document = m_writesHeld ? IniDocument() : m_file.read();
    const auto get = [&](const char *key) -> std::optional<qint32> {
        const std::optional<QByteArray> stored = document.value(section, key);
        return stored ? ParseProfileInteger(*stored) : std::nullopt;
    };
    const std::optional<qint32> left = get(PlacementKeys[0]);
    const std::optional<qint32> top = get(PlacementKeys[1]);
    if (!left || !top)
        return std::nullopt;
    return QPoint(*left, *top);
}

QString SettingsStore::writePlacement(QByteArrayView section, const Placement &placement, bool withSize) const
{
    return write(placementEntries(section, placement, withSize));
}

ColumnWidths SettingsStore::readColumnWidths() const
{
    const IniDocument document = m_writesHeld ? IniDocument() : m_file.read();
    ColumnWidths widths = DefaultColumnWidths;
    for (size_t i = 0; i < widths.size(); ++i)
        widths[i] = readInteger(document.value(PlacementSection::MainForm, ColumnKeys[i]), widths[i]);
    return widths;
}

QString SettingsStore::writeMainPlacement(const Placement &placement, const ColumnWidths &widths) const
{
    QList<IniEntry> entries = placementEntries(PlacementSection::MainForm, placement, true);
    for (size_t i = 0; i < widths.size(); ++i)
        entries.append({PlacementSection::MainForm.toByteArray(), ColumnKeys[i], QByteArray::number(widths[i])});
    return write(entries);
}

} // namespace zn
