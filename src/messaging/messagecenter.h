// The send and receive commands behind the main window's buttons, menus,
// tray items and hot keys: opening send windows, sending the clipboard,
// reading the unread queue into the receive window or the clipboard.
#pragma once

#include "messaging/tsendform.h"
#include "platform/windowtrayicon.h"

#include <QObject>
#include <QPointer>

#include <functional>

namespace zn {

class DesktopFrontend;
class Session;
class TLogForm;
class TRecvForm;
struct TPeer;

class MessageCenter : public QObject {
    Q_OBJECT
public:
    MessageCenter(Session &session, DesktopFrontend &frontend, int fontSize, QObject *parent = nullptr);
    ~MessageCenter() override;

    // The receive window, built on first use.
    TRecvForm *recvForm();
    bool recvFormShown() const;
    // The log viewer while it exists and is not closing, else null.
    TLogForm *logForm() const;
    SendWindowList &sendWindows() { return m_sendWindows; }

    // The display font size of the message texts of every window.
    void setDisplayFontSize(int points);
    // The password prompt of the receive commands and of the log viewer;
    // true when passed. Without one every prompt passes.
    void setPasswordGate(std::function<bool(const QString &text)> gate) { m_passwordGate = std::move(gate); }
    // The prompt with `text` as its reason, DialogShowing set while it is
    // open; true when the password was given (or there is no prompt).
    bool passwordPassed(const QString &text);

    // A new send window, shown.
    TSendForm *openSendWindow(const QList<Recipient> &recipients, const QString &text = {});

    // The send commands; `selected` in list order.
    void miMessageSendClick(const QList<TPeer> &selected);
    void miWindowSendClick(const QByteArray &handleName);
    void miMessageClipSendClick(const QList<TPeer> &selected);
    void miClipSendClick(const QByteArray &handleName);

    // The receive commands: the oldest unread message into the receive
    // window, or onto the clipboard. Both do nothing while one runs.
    void miMessageRecvClick();
    void miClipRecvClick();
    bool recvBusy() const { return m_recvBusy; }

    // The log viewer: the existing one brought back (from its tray icon too),
    // else, after the password when PasswordLog is on, a new one.
    void miShowLogShowClick();

    // Program exit: every send window and the log viewer close, saving their
    // placements, and the receive window saves its own.
    void closeWindows();

signals:
    // The number of unread messages changed: the receive buttons follow.
    void unreadChanged(int count);
    void trayAnimationRequested();   // a message arrived
    void trayResetRequested();       // the last unread message was taken
    void cursorAnimationRequested(); // a message arrived and MouseAnimation is on
    void hideMainWindowRequested();  // SendAfterClose

private:
    void messageQueued();
    // The receive command; an arrival under RecvAutoOpen shows the window
    // without taking the keyboard from the window the user is typing in.
    void showNextRecvMessage(Activation activation);
    void deleteSendWindows();
    void afterTaking();
    void quoteReply();
    // The clipboard text through the send checks; empty optional after the
    // refusal box.
    std::optional<QByteArray> checkedClipboardText();
    const TPeer *peerByHandle(const QByteArray &handleName) const;
    bool askSelf(const QString &question);

    Session &m_session;
    DesktopFrontend &m_frontend;
    SendWindowList m_sendWindows;
    TRecvForm *m_recvForm = nullptr;
    QPointer<TLogForm> m_logForm;
    int m_fontSize = 9;
    std::function<bool(const QString &)> m_passwordGate;
    bool m_recvBusy = false;
    bool m_recvFormPlaced = false;
};

} // namespace zn
