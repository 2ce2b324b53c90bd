#include "platform/trayindicator.h"

#include "platform/iconstrip.h"

#include <QCursor>
#include <QSystemTrayIcon>

namespace zn {

TrayIndicator::TrayIndicator(const Settings &settings, QObject *parent)
    : QObject(parent), m_animation(settings), m_icon(new QSystemTrayIcon(this))
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
    // No context menu is set on the icon: it would open on a right click
    // even while a dialog is showing.
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::Trigger: emit clicked(); break;
        case QSystemTrayIcon::DoubleClick: emit doubleClicked(); break;
        case QSystemTrayIcon::Context: emit contextMenuRequested(QCursor::pos()); break;
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
