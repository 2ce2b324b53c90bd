// One fetched absence message: who sent it and its text, with a button
// that opens a send window to that user. Any number can be open; each
// frees itself when closed.
#pragma once

#include "messaging/tsendform.h"
#include "messaging/windowlist.h"

#include <QByteArray>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace zn {

class Session;
class THuzaiForm;
class WindowTrayIcon;

using HuzaiWindowList = WindowList<THuzaiForm>;

class THuzaiForm : public QWidget {
    Q_OBJECT
public:
    // `text` as it came: CP932 with CR LF line breaks.
    THuzaiForm(Session &session, HuzaiWindowList &windows, int fontSize, const QByteArray &machineName,
               const QByteArray &handleName, const QByteArray &text, QWidget *parent = nullptr);
    ~THuzaiForm() override;

    void setDisplayFontSize(int points);
    bool hasListSlot() const { return m_hasSlot; }
    WindowTrayIcon *trayIcon() const { return m_trayIcon; }
    const Recipient &sender() const { return m_sender; }

    void btSendClick();

    QWidget *plSendInfo = nullptr;
    QLineEdit *edHandleName = nullptr;
    QLineEdit *edMachineName = nullptr;
    QPlainTextEdit *mmRecvData = nullptr;
    QPushButton *btSend = nullptr;
    QPushButton *btOk = nullptr;

    static constexpr QSize DesignSize{360, 270};

signals:
    // "メッセージ送信(&S)": a send window to the absent user, this one stays.
    void sendRequested(const zn::Recipient &recipient);

private:
    Session &m_session;
    HuzaiWindowList &m_windows;
    Recipient m_sender;
    WindowTrayIcon *m_trayIcon = nullptr;
    bool m_hasSlot = false;
};

} // namespace zn
