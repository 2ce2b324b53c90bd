#include "platform/trayanimation.h"

#include "common/codec.h"
#include "settings/settings.h"

namespace zn {

namespace {
constexpr int BlankImage = 36;
constexpr int AbsentImage = 16;
} // namespace

QString cutTrayTip(const QString &text)
{
    qsizetype bytes = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        const qsizetype len = text.at(end).isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
        const cp932::Encoded encoded = cp932::encode(QStringView(text).mid(end, len));
        bytes += encoded.ok() ? encoded.bytes.size() : 2;
        if (bytes > TrayTipMaxBytes)
            break;
        end += len;
    }
    return text.left(end);
}

TrayAnimation::TrayAnimation(const Settings &settings, QObject *parent)
    : QObject(parent), m_settings(settings), m_tip(restingTip(false))
{}

QString TrayAnimation::restingTip(bool absent)
{
    return absent ? tr("Zephinet（不在中）") : QStringLiteral("Zephinet");
}

QString TrayAnimation::unreadTip(bool absent)
{
    return cutTrayTip(restingTip(absent) + tr(" -メッセージが届いています-"));
}

int TrayAnimation::restingImage() const
{
    return m_absentMode ? AbsentImage : 0;
}

void TrayAnimation::showResting()
{
    m_image = restingImage();
    m_tip = restingTip(m_absentMode);
    emit changed();
}

void TrayAnimation::StartTrayAnimation()
{
    if (m_running)
        return;
    m_running = true;
    emit runningChanged(true);
}

void TrayAnimation::ResetTrayIcon()
{
    const bool wasRunning = m_running;
    m_running = false;
    m_trayFrame = 0;
    showResting();
    if (wasRunning)
        emit runningChanged(false);
}

void TrayAnimation::AnimationTimerTimer()
{
    if (!m_running)
        return;
    m_trayFrame = (m_trayFrame + 1) % 16;
    const int r = restingImage();
    switch (m_settings.TaskAnimation) {
    case 0: m_image = r; break;
    case 1: m_image = m_trayFrame + r; break;
    case 2: m_image = (m_trayFrame / 4) % 2 == 0 ? r : BlankImage; break;
    default:
        // Only an edited settings file gives another value; the icon stays.
        break;
    }
    m_tip = unreadTip(m_absentMode);
    emit changed();
}

void TrayAnimation::setAbsentMode(bool absent)
{
    if (m_absentMode == absent)
        return;
    m_absentMode = absent;
    if (!m_running)
        showResting();
}

} // namespace zn
