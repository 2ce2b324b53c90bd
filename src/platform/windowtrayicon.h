#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include <functional>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace zn {

// Who asked for a window to show: the user, through a command (menu, tray,
// toolbar, hot key, a button), or nobody (an arrival, an answer from the
// network). Only the first takes the keyboard.
enum class Activation { TakeFocus, KeepFocus };

// Every way a window of the program comes (back) on screen: in its normal
// state, never still minimised (a window hidden into the tray keeps that
// state otherwise and maps iconified again), raised. With TakeFocus it
// becomes the active window; with KeepFocus the window the user is typing
// in keeps the keyboard, and the new one asks for attention instead.
void showWindowAgain(QWidget *window, Activation activation);

// Minimise-to-tray for the send, receive, absence-message and log windows:
// minimising `window` hides it and adds a tray icon of its own (image
// `image` of the icon strip, tip `tip`); a double click on that icon shows
// the window again, normal, raised and active, and so does a single or a
// middle click where the tray reports no double clicks (trayIsStatusNotifier).
// Its menu, "ウィンドウを表示(&W)" and what the owner adds, opens on a right
// click, and is published over D-Bus where the tray draws menus itself.
// Showing the window by any other way, or destroying it, removes the icon.
//
//   new WindowTrayIcon(sendForm, IconStrip::SendWindow, u"Zephinet -送信ウィンドウ-"_qs);
//
// Without a system tray a minimised window stays an ordinary minimised
// window with its taskbar entry, so that it never becomes unreachable.
// The helper is a child of `window` and lives as long as it does.
class WindowTrayIcon : public QObject {
    Q_OBJECT
public:
    using TrayAvailable = std::function<bool()>;

    WindowTrayIcon(QWidget *window, int image, const QString &tip, TrayAvailable trayAvailable = {});
    ~WindowTrayIcon() override;

    // The window's tray icon while it is minimised to the tray, else null.
    QSystemTrayIcon *trayIcon() const { return m_icon; }
    // Shows the window again from the tray, as the user asked for it.
    void restore();
    // The tip of the icon, now and at the next minimise.
    void setTip(const QString &tip);
    QString tip() const { return m_tip; }
    // Whether there is a tray to minimise into, asked at each minimise.
    void setTrayAvailable(TrayAvailable trayAvailable) { m_trayAvailable = std::move(trayAvailable); }
    // An entry of the icon's menu after "ウィンドウを表示(&W)", from the next
    // minimise on; the entry stays the caller's.
    void addMenuAction(QAction *action) { m_menuActions.push_back(action); }
    // The icon's menu while it is in the tray, else null.
    QMenu *menu() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void moveToTray();
    void removeIcon();

    QWidget *m_window;
    int m_image;
    QString m_tip;
    TrayAvailable m_trayAvailable;
    QPointer<QSystemTrayIcon> m_icon;
    // Made and dropped with the icon: a menu published over D-Bus belongs
    // to the one icon that published it.
    QPointer<QMenu> m_menu;
    QAction *m_showAction;
    std::vector<QAction *> m_menuActions;
};

} // namespace zn
