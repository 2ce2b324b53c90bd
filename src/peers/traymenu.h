#pragma once

#include <QString>

class QAction;
class QMenu;

namespace zn {

struct Settings;

// The captions of the two receive entries for `unreadCount` waiting
// messages, and whether they can be chosen:
//   0 -> "クリップボード受信 <未読0通>(&L)", "メッセージ受信 <未読0通>(&R)", disabled
//   2 -> "クリップボード受信 <未読2通>(&L)", "メッセージ受信 <未読2通>(&R)", enabled
struct UnreadCaptions {
    QString clipRecv;
    QString windowRecv;
    bool enabled = false;
};
UnreadCaptions unreadCaptions(int unreadCount);

// The entries of the tray menu. Entries left null are made by
// fillTaskMenu() with their caption and object name; the caller connects
// their commands and fills the three peer submenus when they open
// (fillPeerMenu).
struct TaskMenuItems {
    QAction *miUserListShow = nullptr;
    QAction *miOptionShow = nullptr;
    QAction *miLogShow = nullptr;
    QAction *miLine3 = nullptr;
    QAction *miClipRecv = nullptr;
    QMenu *miClipSend = nullptr;
    QAction *miWindowRecv = nullptr;
    QMenu *miWindowSend = nullptr;
    QAction *miLine10 = nullptr;
    QMenu *miHuzaiRecv = nullptr;
    QAction *miHuzaiMode = nullptr; // checkable; its check mark is AbsentMode
    QAction *miVersion = nullptr;
    QAction *miEnd = nullptr;
    // While a box or prompt is open the menu has no entries (setTaskMenuQuiet).
    bool quiet = false;
};

// Fills the empty menu `pmTaskMenu` in this order (a dash is a separator):
//   オンライン状況(&M), -, 環境設定(&O), ログ参照(&V), - (miLine3),
//   クリップボード受信(&L), クリップボード送信(&C) ▸, -,
//   メッセージ受信(&R), メッセージ送信(&S) ▸, - (miLine10),
//   不在メッセージ受信(&U) ▸, 不在(&H), -, バージョン情報(&V), -, 終了(&E)
// TaskClipHide hides miLine3, miClipRecv and miClipSend; TaskHuzaiHide hides
// miLine10, miHuzaiRecv and miHuzaiMode (applyTaskMenuVisibility).
void fillTaskMenu(QMenu *pmTaskMenu, TaskMenuItems &items, const Settings &settings);

// Shows or hides the clipboard and absence entries as TaskClipHide and
// TaskHuzaiHide say: at the start, and when the options are applied.
void applyTaskMenuVisibility(const TaskMenuItems &items, const Settings &settings);

// While a box or prompt is open (`quiet`), every entry of `pmTaskMenu` is
// hidden: a tray that draws the published menu itself opens it without
// asking the program, and must find nothing to choose. Afterwards the
// entries come back as the settings say.
void setTaskMenuQuiet(QMenu *pmTaskMenu, TaskMenuItems &items, const Settings &settings, bool quiet);

// The tray menu opens: the receive entries show the unread count.
void pmTaskMenuPopup(const TaskMenuItems &items, int unreadCount);

} // namespace zn
