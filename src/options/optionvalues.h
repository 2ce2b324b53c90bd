// The checks of the options window's typed values, without the window:
// the texts as typed go in, the settings they make or the first refusal
// come out.
#pragma once

#include "settings/settings.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace zn {

// The controls whose texts an apply checks, as they stand.
struct OptionTexts {
    QString handleName;
    // As the editor holds it, "\n" between lines.
    QString huzaiMessage;
    QString logFileMaxCount;
    bool logSave = false;
    QString portNo;
    QString autoCloseTimer;
    bool autoClose = false;
};

// What the two free texts showed when the window was filled or last
// applied, and the bytes they came from: an untouched text keeps its
// bytes, even those that CP932 cannot decode.
struct ShownTexts {
    QString handleName;
    QByteArray handleBytes;
    QString huzaiMessage;
    QByteArray huzaiBytes;
};

// The first value refused: the warning as the box shows it, and the
// control that gets the focus.
struct OptionRefusal {
    enum Control { HandleName, LogFileMaxCount, PortNo, HuzaiMessage, AutoCloseTimer };
    Control control;
    QString message;
};

struct OptionValues {
    // The settings in force with HandleName, HuzaiMessage, LogFileMaxCount,
    // PortNo and AutoCloseTimer from the texts. Meaningless when refused.
    Settings settings;
    std::optional<OptionRefusal> refusal;
    // A bad number in a field that is switched off is not refused: the
    // value in force stays, and its edit shows it again. Only the checks
    // before a refusal set these.
    bool logFileMaxCountRestored = false;
    bool autoCloseTimerRestored = false;
};

// The checks in their order: the handle name (blank; no CP932 form, when
// touched; "&|", "\|", ";"), the log size (0 to 9999, while logging), the
// port (1024 to 65535), the absence message (as its editor checks it, the
// untouched bytes for "&|" and "\|" alone), the auto-close seconds (1 to
// 99, while closing). The handle name keeps its bytes trimmed of blanks
// and control characters at both ends.
OptionValues CheckOptionTexts(const OptionTexts &typed, const ShownTexts &shown, const Settings &inForce);

} // namespace zn
