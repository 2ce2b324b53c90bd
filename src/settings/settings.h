// The in-memory record of every setting. Field names are the keys of the
// settings file; sections are noted above each group.
#pragma once

#include <QByteArray>
#include <QString>

#include <array>

namespace zn {

struct Settings {
    // [LocalSetting], in the order the options are written.
    QByteArray HandleName; // default: the machine name
    quint16 PortNo = 50000;
    QByteArray HuzaiMessage; // CR LF line breaks in memory, "\n" in the file
    bool StartShow = false;
    bool SendAfterClose = false;
    bool RecvAutoOpen = false;
    bool SendMachineHide = false;
    bool RecvMachineHide = false;
    bool RecvDateHide = false;
    bool TaskClipHide = false;
    bool TaskHuzaiHide = false;
    bool ClipRecvInfo = true;
    bool ReturnMessagePlus = false;
    bool ReturnRecvHide = false;
    int TaskAnimation = 1;  // 0 none, 1 shooting star, 2 blink
    int MouseAnimation = 1; // 0 none, 1 circle, 2 square
    bool RecvOpenCheck = false;
    bool HuzaiModeCheck = false;
    bool HuzaiReturnCheck = false;
    bool HuzaiSetCheck = false;
    bool SendSelfCheck = true;
    // [Security] is written here, between SendSelfCheck and LogSave.
    bool PasswordOnline = false;
    bool PasswordOption = false;
    bool PasswordRecv = false;
    bool PasswordLog = false;
    QByteArray Password; // plain in memory, scrambled twice in the file
    // [LocalSetting] continued.
    bool LogSave = true;
    QString LogFileName;       // default: program directory + "LOG.ZNG"
    int LogFileMaxCount = 100; // 0 means no limit
    QByteArray SendIP;         // "a.b.c.d&|e.f.g.h&|"
    bool AutoLocate = true;
    bool AutoClose = false;
    bool ExclamationAutoClose = false;
    quint8 AutoCloseTimer = 5; // seconds
    bool OnlineCheck = false;
    bool OfflineCheck = false;
    bool OpenCheck = false;
    bool RecvCheck = false;
    // Where the notices above and delivery warnings go: 1 the desktop's
    // notification server, 0 the notification window, -1 (never chosen,
    // and then not written) the server on Wayland and the window elsewhere.
    // Either way the window is used while no server answers.
    int DesktopNotification = -1;
    // The windows' language, read when the program starts: 0 Japanese,
    // 1 English; the desktop's as 2 once a choice was made (a key is never
    // removed from the file) and as -1 (then not written) before.
    int Language = -1;
    // How a message for one copy goes: 1 to that copy's address alone when
    // it is on a segment of this host, 0 by broadcast to every host as all
    // messages do, -1 (never chosen, and then not written) as 1.
    int DirectSend = -1;
    bool IventSound = false;
    bool SoundBeep = false;
    // SoundFileUserOnline, SoundFileUserOffline, SoundFileRecvMessage,
    // indexed by SoundKind.
    std::array<QString, 3> SoundFiles;

    // [Font]
    quint8 Size = 9; // 8, 9, 12 or 14 points

    // [Sort]
    quint8 SortIndex = 0; // 0 handle name, 1 machine name, 2 address
    bool SortUpper = true;

    // The port in use, fixed at start-up; PortNo changes apply at the next start.
    quint16 ActivePortNo = 50000;

    friend bool operator==(const Settings &, const Settings &) = default;
};

} // namespace zn
