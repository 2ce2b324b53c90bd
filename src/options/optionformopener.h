// Opens the options window from the main menu and the tray menu: the one
// window that exists is brought forward; otherwise, behind the password
// when PasswordOption asks for it, a new one is shown.
#pragma once

#include "settings/settings.h"

#include <QObject>
#include <QPointer>

#include <functional>

namespace zn {

class Frontend;
class Session;
class TOptionForm;
struct TaskMenuItems;

// From now on, while `context` lives, the tray entries that TaskClipHide
// and TaskHuzaiHide govern are shown or hidden as soon as an apply changes
// the settings.
void followTaskMenuVisibility(Session &session, const TaskMenuItems &items, QObject *context);

class OptionFormOpener : public QObject {
    Q_OBJECT
public:
    // `setDialogShowing` holds the flag that quiets tray clicks, hot keys
    // and menus while the password prompt is open. `trayItems`, when given,
    // follow the settings (followTaskMenuVisibility).
    OptionFormOpener(Session &session, Frontend &frontend, std::function<void(bool)> setDialogShowing,
                     const TaskMenuItems *trayItems, QObject *parent = nullptr);
    ~OptionFormOpener() override;

    void miOptionShowClick();
    // The options window while one exists (OptionFormOpen), else null.
    TOptionForm *form() const;

    // The password prompt, AskPassword unless a test answers instead.
    void setPasswordPrompt(std::function<bool(const QString &title)> prompt) { m_prompt = std::move(prompt); }

signals:
    // A new window was made and is about to be shown.
    void formOpened(zn::TOptionForm *form);
    // Its apply passed the checks (TOptionForm::settingsApplied).
    void settingsApplied(const zn::Settings &old, const zn::Settings &now);
    void helpRequested(int context);

private:
    Session &m_session;
    Frontend &m_frontend;
    std::function<void(bool)> m_setDialogShowing;
    std::function<bool(const QString &)> m_prompt;
    QPointer<TOptionForm> m_form;
};

} // namespace zn
