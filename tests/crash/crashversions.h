// The versions of the log and the settings file that the crash writer
// writes one after another, and what each must hold, so that the kill test
// can tell a whole version from a torn one. Version 0 is "no file yet".
#pragma once

#include "common/codec.h"
#include "log/logfile.h"
#include "settings/settingsstore.h"

#include <QDateTime>

namespace zn::test::crash {

inline constexpr int LogLimit = 40; // records the log keeps
inline const QDateTime LogEpoch(QDate(2024, 4, 1), QTime(9, 0));

inline QByteArray logSender()
{
    return PeerLabel(cp932::bytes(u"送信者"), "PC1");
}
inline QByteArray logAddressee()
{
    return PeerLabel(cp932::bytes(u"受信者"), "PC2");
}
inline QDateTime logTime(int k)
{
    return LogEpoch.addSecs(k);
}

// Record k's text: about 1.5 KB with double-byte characters and line breaks,
// so that a file of LogLimit records takes a while to write.
inline QByteArray logText(int k)
{
    QByteArray text = "record " + QByteArray::number(k) + "\r\n";
    const QByteArray line = cp932::bytes(u"ログの行です、ソ表能\\|") + QByteArray::number(k) + "\r\n";
    while (text.size() < 1500)
        text += line;
    return text;
}

// The whole log file after record v was written (newest first).
inline QByteArray expectedLog(int v)
{
    QByteArray out;
    for (int k = v; k > 0 && k > v - LogLimit; --k) {
        out += FormatTimeStamp(logTime(k)) + "\r\n" + logSender() + "\r\n" + logAddressee() + "\r\n"
            + LogFile::EscapeText(logText(k)) + "\r\n";
    }
    return out;
}

// Settings version v: odd versions apply the options (every key of
// "LocalSetting" and "Security"), even ones the main window's placement.
inline Settings optionsOf(int v, const QString &directory)
{
    Settings s;
    s.HandleName = cp932::bytes(u"名前") + QByteArray::number(v);
    s.PortNo = quint16(1024 + v % 60000);
    s.HuzaiMessage = cp932::bytes(u"不在です\r\n") + QByteArray(900, char('a' + v % 26));
    s.Password = "pw" + QByteArray::number(v);
    s.LogFileName = directory + QStringLiteral("/LOG.ZNG");
    s.LogFileMaxCount = LogLimit;
    for (int i = 0; i < 50; ++i)
        s.SendIP += "10.0." + QByteArray::number(v % 250) + '.' + QByteArray::number(i + 1) + "&|";
    s.ActivePortNo = s.PortNo;
    return s;
}

struct MainWindowPlace {
    Placement window;
    ColumnWidths columns;
};

inline MainWindowPlace placementOf(int v)
{
    return {{v, v + 1, 300 + v % 500, 200 + v % 400}, {100 + v % 50, 80, 90}};
}

// Writes settings version v with the real writers.
inline QString writeSettingsVersion(const SettingsStore &store, int v, const QString &directory)
{
    if (v % 2 == 1)
        return store.saveAll(optionsOf(v, directory));
    const MainWindowPlace p = placementOf(v);
    return store.writeMainPlacement(p.window, p.columns);
}

} // namespace zn::test::crash
