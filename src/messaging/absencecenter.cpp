#include "messaging/absencecenter.h"

#include "messaging/formparts.h"
#include "messaging/messagecenter.h"
#include "messaging/thuzaisetform.h"
#include "peers/roster.h"
#include "platform/desktopfrontend.h"
#include "platform/windowtrayicon.h"
#include "session/session.h"

#include <QAction>
#include <QApplication>

namespace zn {

AbsenceCenter::AbsenceCenter(Session &session, DesktopFrontend &frontend, MessageCenter &messages, int fontSize,
                             QObject *parent)
    : QObject(parent), m_session(session), m_frontend(frontend), m_messages(messages), m_fontSize(fontSize)
{
    connect(&m_session, &Session::absentModeChanged, this, &AbsenceCenter::showAbsentMode);
    connect(&m_frontend, &DesktopFrontend::absenceMessageReceived, this, &AbsenceCenter::openAbsenceWindow);
}

AbsenceCenter::~AbsenceCenter()
{
    closeWindows();
}

void AbsenceCenter::addModeAction(QAction *action)
{
    action->setCheckable(true);
    action->setChecked(m_session.local.AbsentMode);
    m_modeActions.append(action);
    connect(action, &QAction::triggered, this, &AbsenceCenter::miHuzaiModeClick);
}

void AbsenceCenter::showAbsentMode(bool absent)
{
    for (const QPointer<QAction> &action : std::as_const(m_modeActions)) {
        if (action)
            action->setChecked(absent);
    }
}

void AbsenceCenter::miHuzaiModeClick()
{
    // A toggle has already flipped its own check mark; every path below
    // puts it back to, or onto, AbsentMode.
    if (m_session.local.AbsentMode) {
        if (m_session.settings.HuzaiReturnCheck
            && m_frontend.showMessageBox(tr("不在を解除します。よろしいですか？"), mb::YesNo | mb::IconQuestion)
                != Answer::Yes) {
            showAbsentMode(m_session.local.AbsentMode);
            return;
        }
        m_session.SetAbsentMode(false);
        return;
    }
    if (m_setForm) {
        showAbsentMode(false);
        showWindowAgain(m_setForm, Activation::TakeFocus);
        return;
    }
    if (m_session.settings.HuzaiModeCheck
        && m_frontend.showMessageBox(tr("不在に設定します。よろしいですか？"), mb::YesNo | mb::IconQuestion)
            != Answer::Yes) {
        showAbsentMode(m_session.local.AbsentMode);
        return;
    }
    if (m_session.settings.HuzaiSetCheck) {
        showAbsentMode(m_session.local.AbsentMode);
        openEditor();
        return;
    }
    m_session.SetAbsentMode(true);
}

void AbsenceCenter::openEditor()
{
    // The question's box let events run: an editor may have opened meanwhile.
    if (!m_setForm) {
        m_setForm = new THuzaiSetForm(m_session, m_frontend);
        cascadeClearOfOthers(m_setForm);
    }
    showWindowAgain(m_setForm, Activation::TakeFocus);
}

void AbsenceCenter::miMessageHuzaiRecvClick(const QList<TPeer> &selected)
{
    // Copies: a send can let the roster change under the list.
    const QList<TPeer> peers = selected;
    for (const TPeer &peer : peers) {
        if (peer.Absent)
            m_session.askAbsenceMessage(peer.Address);
    }
}

void AbsenceCenter::miHuzaiRecvClick(const QByteArray &handleName)
{
    QList<QByteArray> addresses;
    for (const TPeer &peer : m_session.roster().peers()) {
        if (peer.HandleName == handleName)
            addresses.append(peer.Address);
    }
    for (const QByteArray &address : std::as_const(addresses))
        m_session.askAbsenceMessage(address);
}

THuzaiForm *AbsenceCenter::openAbsenceWindow(const QByteArray &machineName, const QByteArray &handleName,
                                             const QByteArray &text)
{
    auto *form = new THuzaiForm(m_session, m_huzaiWindows, m_fontSize, machineName, handleName, text);
    connect(form, &THuzaiForm::sendRequested, this,
            [this](const Recipient &recipient) { m_messages.openSendWindow({recipient}); });
    cascadeClearOfOthers(form);
    // An answer arrives while the user may be typing elsewhere: it asks for
    // attention, it does not take the keyboard.
    showWindowAgain(form, Activation::KeepFocus);
    return form;
}

void AbsenceCenter::setDisplayFontSize(int points)
{
    m_fontSize = points;
    m_huzaiWindows.applyFontSize(points);
}

void AbsenceCenter::closeWindows()
{
    delete m_setForm;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *form = qobject_cast<THuzaiForm *>(w))
            delete form;
    }
}

} // namespace zn
