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

class OptionFormOpener : public QObject {
    Q_OBJECT
public:
    // `setDialogShowing` holds the flag that quiets tray clicks, hot keys
    // and menus while the password prompt is open.
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
    void settingsApplied(const zn::Settings &old, const zn::Settings &now);
    void helpRequested(int context);

private:
    Session &m_session;
    Frontend &m_frontend;
    std::function<void(bool)> m_setDialogShowing;
    const TaskMenuItems *m_trayItems;
    std::function<bool(const QString &)> m_prompt;
    QPointer<TOptionForm> m_form;
};

} // namespace zn
