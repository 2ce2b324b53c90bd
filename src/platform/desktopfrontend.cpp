#include "platform/desktopfrontend.h"

#include "platform/desktopnotifier.h"
#include "platform/tiventform.h"

#include <QMessageBox>

namespace zn {

DesktopFrontend::DesktopFrontend(QObject *parent) : QObject(parent)
{}

Answer DesktopFrontend::showMessageBox(const QString &text, int flags)
{
    emit messageBoxShown(text, flags);
    const bool yesNo = (flags & mb::ButtonMask) == mb::YesNo;
    if (m_nextAnswer) {
        const Answer answer = *m_nextAnswer;
        m_nextAnswer.reset();
        return answer;
    }
    if (m_autoAnswer)
        return *m_autoAnswer;

    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Zephinet"));
    box.setTextFormat(Qt::PlainText); // texts can carry names from the network
    box.setText(text);
    switch (flags & mb::IconMask) {
    case mb::IconError: box.setIcon(QMessageBox::Critical); break;
    case mb::IconQuestion: box.setIcon(QMessageBox::Question); break;
    case mb::IconWarning: box.setIcon(QMessageBox::Warning); break;
    case mb::IconInformation: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
    if (yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton((flags & mb::DefaultButton2) ? QMessageBox::No : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    // Above the always-on-top notification window, which may already be up.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);

    const bool wasShowing = m_dialogShowing;
    const QPointer<QWidget> outerBox = m_openBox;
    m_openBox = &box;
    setDialogShowing(true);
    const int pressed = box.exec();
    m_openBox = outerBox;
    setDialogShowing(wasShowing);
    if (!yesNo)
        return Answer::Ok;
    return pressed == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void DesktopFrontend::setDialogShowing(bool showing)
{
    if (showing == m_dialogShowing)
        return;
    m_dialogShowing = showing;
    emit dialogShowingChanged(showing);
}

void DesktopFrontend::showNoticesIn(TIventForm &notice)
{
    // Notices come from the network too, sometimes by the thousand: they are
    // shown in batches.
    setNoticeSink([&notice](const QString &text, bool important) { notice.QueueEventNotice(text, important); });
    connect(&notice, &TIventForm::presented, this, [this] {
        if (m_openBox)
            m_openBox->raise();
    });
    // Both windows are centred and the box is above: a notice shown during a
    // box would count down and close unseen under it.
    connect(this, &DesktopFrontend::dialogShowingChanged, &notice, &TIventForm::holdCountdown);
    notice.holdCountdown(m_dialogShowing);
}

void DesktopFrontend::showEventNotice(const QString &text, bool important)
{
    if (m_noticeSink)
        m_noticeSink(text, important);
    // The notice raised itself; a box waiting for an answer goes back on top.
    if (m_openBox)
        m_openBox->raise();
}

void DesktopFrontend::announceThrough(DesktopNotifier &notifier)
{
    m_notifier = &notifier;
    notifier.setFallback([this](const QString &text, bool important) { showEventNotice(text, important); });
}

void DesktopFrontend::announceEvent(NoticeKind kind, const QString &text, bool important)
{
    if (!m_notifier || !m_notifier->announce(kind, text, important))
        showEventNotice(text, important);
}

void DesktopFrontend::playEventSound(SoundKind kind)
{
    if (m_soundSink)
        m_soundSink(kind);
}

void DesktopFrontend::openAbsenceWindow(const QByteArray &machineName, const QByteArray &handleName,
                                        const QByteArray &text)
{
    emit absenceMessageReceived(machineName, handleName, text);
}

} // namespace zn
