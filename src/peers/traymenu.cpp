#include "peers/traymenu.h"

#include "settings/settings.h"

#include <QCoreApplication>
#include <QMenu>

namespace zn {

UnreadCaptions unreadCaptions(int unreadCount)
{
    return {QCoreApplication::translate("zn::TrayMenu", "クリップボード受信 <未読%n通>(&L)", nullptr, unreadCount),
            QCoreApplication::translate("zn::TrayMenu", "メッセージ受信 <未読%n通>(&R)", nullptr, unreadCount),
            unreadCount > 0};
}

namespace {
void addAction(QMenu *menu, QAction *&action, const QString &caption, const QString &name)
{
    if (!action) {
        action = new QAction(caption, menu);
        action->setObjectName(name);
    }
    menu->addAction(action);
}

void addSubmenu(QMenu *menu, QMenu *&submenu, const QString &caption, const QString &name)
{
    if (!submenu) {
        submenu = new QMenu(caption, menu);
        submenu->setObjectName(name);
        submenu->menuAction()->setObjectName(name);
    }
    menu->addMenu(submenu);
}

QAction *addSeparator(QMenu *menu, const QString &name = {})
{
    QAction *line = menu->addSeparator();
    line->setObjectName(name);
    return line;
}
} // namespace

void fillTaskMenu(QMenu *pmTaskMenu, TaskMenuItems &items, const Settings &settings)
{
    QMenu *m = pmTaskMenu;
    addAction(m, items.miUserListShow, QCoreApplication::translate("zn::TrayMenu", "オンライン状況(&M)"),
              QStringLiteral("miUserListShow"));
    addSeparator(m);
    addAction(m, items.miOptionShow, QCoreApplication::translate("zn::TrayMenu", "環境設定(&O)"),
              QStringLiteral("miOptionShow"));
    addAction(m, items.miLogShow, QCoreApplication::translate("zn::TrayMenu", "ログ参照(&V)"),
              QStringLiteral("miLogShow"));
    items.miLine3 = addSeparator(m, QStringLiteral("miLine3"));
    addAction(m, items.miClipRecv, QCoreApplication::translate("zn::TrayMenu", "クリップボード受信(&L)"),
              QStringLiteral("miClipRecv"));
    addSubmenu(m, items.miClipSend, QCoreApplication::translate("zn::TrayMenu", "クリップボード送信(&C)"),
               QStringLiteral("miClipSend"));
    addSeparator(m);
    addAction(m, items.miWindowRecv, QCoreApplication::translate("zn::TrayMenu", "メッセージ受信(&R)"),
              QStringLiteral("miWindowRecv"));
    addSubmenu(m, items.miWindowSend, QCoreApplication::translate("zn::TrayMenu", "メッセージ送信(&S)"),
               QStringLiteral("miWindowSend"));
    items.miLine10 = addSeparator(m, QStringLiteral("miLine10"));
    addSubmenu(m, items.miHuzaiRecv, QCoreApplication::translate("zn::TrayMenu", "不在メッセージ受信(&U)"),
               QStringLiteral("miHuzaiRecv"));
    addAction(m, items.miHuzaiMode, QCoreApplication::translate("zn::TrayMenu", "不在(&H)"),
              QStringLiteral("miHuzaiMode"));
    items.miHuzaiMode->setCheckable(true);
    addSeparator(m);
    addAction(m, items.miVersion, QCoreApplication::translate("zn::TrayMenu", "バージョン情報(&V)"),
              QStringLiteral("miVersion"));
    addSeparator(m);
    addAction(m, items.miEnd, QCoreApplication::translate("zn::TrayMenu", "終了(&E)"), QStringLiteral("miEnd"));
    applyTaskMenuVisibility(items, settings);
}

void applyTaskMenuVisibility(const TaskMenuItems &items, const Settings &settings)
{
    if (items.quiet)
        return;
    for (QAction *clip : {items.miLine3, items.miClipRecv, items.miClipSend->menuAction()})
        clip->setVisible(!settings.TaskClipHide);
    for (QAction *huzai : {items.miLine10, items.miHuzaiRecv->menuAction(), items.miHuzaiMode})
        huzai->setVisible(!settings.TaskHuzaiHide);
}

void setTaskMenuQuiet(QMenu *pmTaskMenu, TaskMenuItems &items, const Settings &settings, bool quiet)
{
    items.quiet = quiet;
    for (QAction *action : pmTaskMenu->actions())
        action->setVisible(!quiet);
    applyTaskMenuVisibility(items, settings);
}

void pmTaskMenuPopup(const TaskMenuItems &items, int unreadCount)
{
    const UnreadCaptions captions = unreadCaptions(unreadCount);
    items.miClipRecv->setText(captions.clipRecv);
    items.miClipRecv->setEnabled(captions.enabled);
    items.miWindowRecv->setText(captions.windowRecv);
    items.miWindowRecv->setEnabled(captions.enabled);
}

} // namespace zn
