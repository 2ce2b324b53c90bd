#include "platform/windowtrayicon.h"

#include "platform/iconstrip.h"
#include "platform/trayanimation.h"
#include "platform/traykind.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>
#include <QWindow>

namespace zn {

void showWindowAgain(QWidget *window, Activation activation)
{
    const bool keepFocus = activation == Activation::KeepFocus;
    // The attribute serves a window's first showing; once the platform
    // window exists, it reads this property of it at every showing.
    window->setAttribute(Qt::WA_ShowWithoutActivating, keepFocus);
    if (QWindow *handle = window->windowHandle())
        handle->setProperty("_q_showWithoutActivating", keepFocus);
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    // A Wayland client can neither restore its minimised window nor raise
    // one, and is not even told that it was minimised: a window that the
    // user asks for is mapped anew, which brings it back in front.
    if (!keepFocus && window->isVisible() && QGuiApplication::platformName().startsWith(u"wayland"))
        window->hide();
    window->show();
    window->raise();
    if (keepFocus)
        QApplication::alert(window);
    else
        window->activateWindow();
}

WindowTrayIcon::WindowTrayIcon(QWidget *window, int image, const QString &tip, TrayAvailable trayAvailable)
    : QObject(window), m_window(window), m_image(image), m_tip(cutTrayTip(tip)),
      m_trayAvailable(trayAvailable ? std::move(trayAvailable)
                                    : TrayAvailable(&QSystemTrayIcon::isSystemTrayAvailable)),
      m_showAction(new QAction(tr("ウィンドウを表示(&W)"), this))
{
    m_showAction->setObjectName(QStringLiteral("miWindowShow"));
    connect(m_showAction, &QAction::triggered, this, &WindowTrayIcon::restore);
    window->installEventFilter(this);
}

WindowTrayIcon::~WindowTrayIcon()
{
    delete m_icon;
    delete m_menu;
}

bool WindowTrayIcon::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        if (event->type() == QEvent::WindowStateChange && m_window->isMinimized() && m_trayAvailable()) {
            // Hiding a window from inside its own state change confuses
            // some window managers; do it once the change is through.
            QMetaObject::invokeMethod(this, &WindowTrayIcon::moveToTray, Qt::QueuedConnection);
        } else if (event->type() == QEvent::Show && m_window->isVisible()) {
            // The window system may report a late show of the window just
            // hidden; only a window really shown again gives up its icon.
            removeIcon();
        }
    }
    return QObject::eventFilter(watched, event);
}

void WindowTrayIcon::moveToTray()
{
    // Restored or closed in the meantime: stay as it is.
    if (!m_window->isMinimized() || !m_window->isVisible() || m_icon)
        return;
    const bool statusNotifier = trayIsStatusNotifier();
    m_icon = new QSystemTrayIcon(IconStrip::icon(m_image), this);
    m_icon->setToolTip(m_tip);
    m_menu = new QMenu;
    m_menu->setObjectName(QStringLiteral("pmWindowTray"));
    m_menu->addAction(m_showAction);
    for (QAction *action : m_menuActions)
        m_menu->addAction(action);
    m_icon->setContextMenu(m_menu);
    connect(
        m_icon, &QSystemTrayIcon::activated, this, [this, statusNotifier](QSystemTrayIcon::ActivationReason reason) {
            // Where no double click comes, any click is the way back.
            if (reason == QSystemTrayIcon::DoubleClick
                || (statusNotifier && (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::MiddleClick)))
                restore();
        });
    // Hidden, it stays minimised: clearing the state here would map it
    // again on X11. Whoever shows it next goes through showWindowAgain.
    m_window->hide();
    m_icon->show();
}

QMenu *WindowTrayIcon::menu() const
{
    return m_menu;
}

void WindowTrayIcon::restore()
{
    showWindowAgain(m_window, Activation::TakeFocus);
    removeIcon();
}

void WindowTrayIcon::setTip(const QString &tip)
{
    m_tip = cutTrayTip(tip);
    if (m_icon)
        m_icon->setToolTip(m_tip);
}

void WindowTrayIcon::removeIcon()
{
    if (!m_icon)
        return;
    // Called from the icon's own click signal or its menu: both are deleted
    // after it returns.
    m_icon->hide();
    m_icon->deleteLater();
    m_icon = nullptr;
    if (m_menu) {
        m_menu->hide();
        m_menu->deleteLater();
        m_menu = nullptr;
    }
}

} // namespace zn
