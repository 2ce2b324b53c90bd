#include "options/optionvalues.h"

#include "common/codec.h"
#include "common/text.h"
#include "session/messagecheck.h"

#include <QCoreApplication>

namespace zn {

namespace {

// Blanks and control characters cut from both ends, as a handle name is kept.
QString trimmedName(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && text.at(end - 1).unicode() <= 0x20)
        --end;
    return text.mid(begin, end - begin);
}

QByteArray trimmedBytes(const QByteArray &bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && quint8(bytes.at(begin)) <= 0x20)
        ++begin;
    while (end > begin && quint8(bytes.at(end - 1)) <= 0x20)
        --end;
    return bytes.mid(begin, end - begin);
}

// The number in `text` when it lies within [low, high].
std::optional<qint32> numberWithin(const QString &text, qint32 low, qint32 high)
{
    const std::optional<qint32> n = ParseDecimalInt32(text.toUtf8());
    if (!n || *n < low || *n > high)
        return std::nullopt;
    return n;
}

std::optional<OptionRefusal> checkHandleName(const OptionTexts &typed, const ShownTexts &shown, Settings &now)
{
    const auto refused = [](const QString &message) {
        return std::optional<OptionRefusal>({OptionRefusal::HandleName, message});
    };
    if (trimmedName(typed.handleName).isEmpty())
        return refused(QCoreApplication::translate("zn::OptionValues", "ハンドル名を指定してください。"));
    const bool touched = typed.handleName != shown.handleName;
    const cp932::Encoded typedBytes = cp932::encode(typed.handleName);
    if (!typedBytes.ok() && touched)
        return refused(cp932::unencodableMessage(typedBytes.unencodable));
    const QByteArray handle = touched ? typedBytes.bytes : shown.handleBytes;
    if (handle.contains(FieldSeparator))
        return refused(QCoreApplication::translate("zn::OptionValues", "ハンドル名に「&|」は使用できません。"));
    if (handle.contains(LineBreakEscape))
        return refused(QCoreApplication::translate("zn::OptionValues", "ハンドル名に「\\|」は使用できません。"));
    if (handle.contains(';'))
        return refused(QCoreApplication::translate("zn::OptionValues", "ハンドル名に「;」は使用できません。"));
    // Blanks and control characters are single bytes in CP932, never half
    // of a double-byte character, so the bytes trim as the text does.
    now.HandleName = trimmedBytes(handle);
    return std::nullopt;
}

} // namespace

OptionValues CheckOptionTexts(const OptionTexts &typed, const ShownTexts &shown, const Settings &inForce)
{
    OptionValues values{inForce, {}};
    Settings &now = values.settings;
    if ((values.refusal = checkHandleName(typed, shown, now)))
        return values;

    if (const auto logSize = numberWithin(typed.logFileMaxCount, 0, 9999)) {
        now.LogFileMaxCount = *logSize;
    } else if (typed.logSave) {
        values.refusal = {OptionRefusal::LogFileMaxCount,
                          QCoreApplication::translate("zn::OptionValues",
                                                      "ログファイルサイズは0～9999までの数値で設定してください。")};
        return values;
    } else {
        values.logFileMaxCountRestored = true;
    }

    const auto port = numberWithin(typed.portNo, 1024, 65535);
    if (!port) {
        values.refusal = {
            OptionRefusal::PortNo,
            QCoreApplication::translate("zn::OptionValues", "ポート番号は1024～65535までの数値で設定してください。")};
        return values;
    }
    now.PortNo = quint16(*port);

    const CheckedText huzai = typed.huzaiMessage == shown.huzaiMessage ? CheckHuzaiMessageBytes(shown.huzaiBytes)
                                                                       : CheckHuzaiMessageText(typed.huzaiMessage);
    if (!huzai.ok()) {
        values.refusal = {OptionRefusal::HuzaiMessage, huzai.message};
        return values;
    }
    now.HuzaiMessage = huzai.bytes;

    if (const auto seconds = numberWithin(typed.autoCloseTimer, 1, 99)) {
        now.AutoCloseTimer = quint8(*seconds);
    } else if (typed.autoClose) {
        values.refusal = {
            OptionRefusal::AutoCloseTimer,
            QCoreApplication::translate("zn::OptionValues", "待機秒数は1～99までの数値で設定してください。")};
    } else {
        values.autoCloseTimerRestored = true;
    }
    return values;
}

} // namespace zn
