#pragma once

namespace zn {

// Whether the program's tray icons are StatusNotifierItems on the session
// bus, drawn by a panel that reports a click as Activate (QSystemTrayIcon::
// Trigger), a middle click as SecondaryActivate (MiddleClick) and never a
// double click, and that shows an icon's menu itself from what the icon
// publishes over D-Bus. The alternative is an icon docked in an X11 tray,
// which reports double clicks and leaves the menu to the program.
//
// Qt chooses once, when the first tray icon of the program is made: a
// StatusNotifierWatcher with a registered host on the session bus at that
// moment. A watcher that appears later changes nothing for Qt's icons, so
// this asks the same question once, at its first call (before the first
// icon is made), and keeps the answer.
bool trayIsStatusNotifier();

} // namespace zn
