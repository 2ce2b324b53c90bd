#include "platform/trayindicator.h"

#include "platform/iconstrip.h"
#include "platform/traykind.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

namespace zn {

TrayIndicator::TrayIndicator(const Settings &settings, QObject *parent)
    : QObject(parent), m_animation(settings), m_statusNotifier(trayIsStatusNotifier()),
      m_icon(new QSystemTrayIcon(this))
{
    m_timer.setInterval(StepMilliseconds);
    connect(&m_timer, &QTimer::timeout, &m_animation, &TrayAnimation::AnimationTimerTimer);
    connect(&m_animation, &TrayAnimation::runningChanged, this, [this](bool running) {
        if (running)
            m_timer.start();
        else
            m_timer.stop();
    });
    connect(&m_animation, &TrayAnimation::changed, this, &TrayIndicator::apply);
    // An X11 tray gets no context menu on the icon: Qt would open it on a
    // right click even while a dialog is showing.
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::Trigger:
            if (m_statusNotifier)
                singleClick();
            else
                emit clicked();
            break;
        case QSystemTrayIcon::DoubleClick: emit doubleClicked(); break;
        case QSystemTrayIcon::MiddleClick:
            if (m_statusNotifier)
                emit doubleClicked();
            break;
        case QSystemTrayIcon::Context:
            // A host that draws the published menu does not ask for this;
            // one that cannot gets the menu at the pointer.
            emit contextMenuRequested(QCursor::pos());
            break;
        default: break;
        }
    });
    apply();
}

TrayIndicator::~TrayIndicator() = default;

void TrayIndicator::show()
{
    m_icon->show();
}

void TrayIndicator::hide()
{
    m_icon->hide();
}

QString TrayIndicator::toolTip() const
{
    return m_icon->toolTip();
}

QRect TrayIndicator::geometry() const
{
    return m_icon->geometry();
}

void TrayIndicator::publishMenu(QMenu *menu)
{
    if (m_statusNotifier)
        m_icon->setContextMenu(menu);
}

void TrayIndicator::singleClick()
{
    const bool close = m_lastClick.isValid() && m_lastClick.elapsed() <= QApplication::doubleClickInterval();
    m_lastClick.start();
    if (!close) {
        m_lastClickPaired = false;
        emit clicked();
    } else if (!m_lastClickPaired) {
        m_lastClickPaired = true;
        emit doubleClicked();
    }
}

void TrayIndicator::apply()
{
    // Steps that change nothing (TaskAnimation 0, or the same tip) send
    // nothing to the tray host.
    if (m_animation.image() != m_shownImage) {
        m_shownImage = m_animation.image();
        m_icon->setIcon(IconStrip::icon(m_shownImage));
    }
    if (m_icon->toolTip() != m_animation.tip())
        m_icon->setToolTip(m_animation.tip());
}

} // namespace zn
