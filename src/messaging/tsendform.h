// The send window: one or more recipients, a text of at most 2048 bytes.
// Any number can be open at once; each frees itself when closed.
#pragma once

#include "messaging/windowlist.h"

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace zn {

class Frontend;
class Session;
class TSendForm;
class WindowTrayIcon;

struct Recipient {
    QByteArray HandleName;
    QByteArray MachineName;
    friend bool operator==(const Recipient &, const Recipient &) = default;
};

using SendWindowList = WindowList<TSendForm>;

class TSendForm : public QWidget {
    Q_OBJECT
public:
    TSendForm(Session &session, Frontend &frontend, SendWindowList &windows, int fontSize, QWidget *parent = nullptr);
    ~TSendForm() override;

    // Recipients in list order; the edits show them joined by ";".
    void setRecipients(const QList<Recipient> &recipients);
    const QList<Recipient> &recipients() const { return m_recipients; }
    // A text set here (a quoted reply, a message sent again) may exceed the
    // input limit; the send check refuses it then.
    void setText(const QString &text);

    // Called after a send when SendAfterClose is on.
    void setHideMainWindow(std::function<void()> hide) { m_hideMainWindow = std::move(hide); }

    void btSendClick();
    void btCancelClick();
    // Escape: closes the window, asking first when a typed text would be lost.
    void escapePressed();
    WindowTrayIcon *trayIcon() const { return m_trayIcon; }
    void setDisplayFontSize(int points);
    bool hasListSlot() const { return m_hasSlot; }

    QLabel *laSendHandle = nullptr;
    QLabel *laSendMachine = nullptr;
    QLineEdit *edSendName = nullptr;
    QLineEdit *edSendMachine = nullptr;
    QWidget *plSendInfo = nullptr;
    QPlainTextEdit *mmSendData = nullptr;
    QPushButton *btSend = nullptr;
    QPushButton *btCancel = nullptr;
    // Says how much of a text that did not fit was cut; hidden otherwise.
    QLabel *laCutNote = nullptr;

    static constexpr QSize DesignSize{360, 290};

private:
    void limitInput(int position, int removed, int added);
    void refuse(const QString &text);
    // After a send that did not reach everyone: the box names who got the
    // message and who did not; those who did leave the recipients.
    void keepForUnreached(const QList<Recipient> &reached, const QList<Recipient> &unreached);

    Session &m_session;
    Frontend &m_frontend;
    SendWindowList &m_windows;
    QList<Recipient> m_recipients;
    std::function<void()> m_hideMainWindow;
    WindowTrayIcon *m_trayIcon = nullptr;
    qsizetype m_textBytes = 0;
    bool m_hasSlot = false;
    bool m_limiting = false;
};

} // namespace zn
