#include "options/optionformopener.h"

#include "options/toptionform.h"
#include "options/tpasscheckform.h"
#include "peers/traymenu.h"
#include "session/session.h"

namespace zn {

void followTaskMenuVisibility(Session &session, const TaskMenuItems &items, QObject *context)
{
    QObject::connect(&session, &Session::settingsChanged, context,
                     [&items](const Settings &, const Settings &now) { applyTaskMenuVisibility(items, now); });
}

OptionFormOpener::OptionFormOpener(Session &session, Frontend &frontend, std::function<void(bool)> setDialogShowing,
                                   const TaskMenuItems *trayItems, QObject *parent)
    : QObject(parent), m_session(session), m_frontend(frontend), m_setDialogShowing(std::move(setDialogShowing))
{
    if (trayItems)
        followTaskMenuVisibility(m_session, *trayItems, this);
}

OptionFormOpener::~OptionFormOpener()
{
    delete m_form.data();
}

TOptionForm *OptionFormOpener::form() const
{
    return m_form;
}

void OptionFormOpener::miOptionShowClick()
{
    if (m_form) {
        m_form->show();
        m_form->raise();
        m_form->activateWindow();
        return;
    }
    if (m_session.settings.PasswordOption) {
        const QString title = tr("オプションウィンドウを開くにはパスワードが必要です。");
        const bool passed = m_prompt ? m_prompt(title)
                                     : AskPassword(title, m_session.settings.Password, m_frontend, m_setDialogShowing,
                                                   nullptr, [this](int context) { emit helpRequested(context); });
        // A second opening may have come in while the prompt was open.
        if (!passed || m_form)
            return;
    }
    m_form = new TOptionForm(m_session, m_frontend);
    connect(m_form, &TOptionForm::settingsApplied, this, &OptionFormOpener::settingsApplied);
    connect(m_form, &TOptionForm::helpRequested, this, &OptionFormOpener::helpRequested);
    emit formOpened(m_form);
    m_form->show();
    m_form->raise();
    m_form->activateWindow();
}

} // namespace zn
