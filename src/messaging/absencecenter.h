// The absence commands behind the main window's toggle and menus and the
// tray menu: switching absence on and off with its questions, the
// absence-message editor, asking other users for their absence messages,
// and the windows that show the answers.
#pragma once

#include "messaging/thuzaiform.h"
#include "messaging/thuzaisetform.h"

#include <QList>
#include <QObject>
#include <QPointer>

class QAction;

namespace zn {

class DesktopFrontend;
class MessageCenter;
class Session;
struct TPeer;

class AbsenceCenter : public QObject {
    Q_OBJECT
public:
    AbsenceCenter(Session &session, DesktopFrontend &frontend, MessageCenter &messages, int fontSize,
                  QObject *parent = nullptr);
    ~AbsenceCenter() override;

    // A checkable action that shows AbsentMode and runs miHuzaiModeClick
    // (the toolbar toggle's action, the main menu's and the tray menu's).
    // Its check mark always ends equal to AbsentMode.
    void addModeAction(QAction *action);

    // Toggles absence, asking first as the settings say; with HuzaiSetCheck
    // switching on goes through the editor.
    void miHuzaiModeClick();
    // Asks each selected absent user, in list order, for the absence message.
    void miMessageHuzaiRecvClick(const QList<TPeer> &selected);
    // Asks every online user of that handle name, absent or not.
    void miHuzaiRecvClick(const QByteArray &handleName);
    // An answer with an absence text: a window of its own, shown on top.
    THuzaiForm *openAbsenceWindow(const QByteArray &machineName, const QByteArray &handleName, const QByteArray &text);

    // The editor while it is open (HuzaiSetFormOpen), else null.
    THuzaiSetForm *huzaiSetForm() const { return m_setForm; }
    bool huzaiSetFormOpen() const { return !m_setForm.isNull(); }

    HuzaiWindowList &huzaiWindows() { return m_huzaiWindows; }
    void setDisplayFontSize(int points);
    // Program exit: the editor and every absence window close, saving their placements.
    void closeWindows();

private:
    void showAbsentMode(bool absent);
    void openEditor();

    Session &m_session;
    DesktopFrontend &m_frontend;
    MessageCenter &m_messages;
    HuzaiWindowList m_huzaiWindows;
    QList<QPointer<QAction>> m_modeActions;
    QPointer<THuzaiSetForm> m_setForm;
    int m_fontSize = 9;
};

} // namespace zn
