// The receive window: the unread message being read, with reply, next and
// done. One exists for the whole run; closing it only hides it.
#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace zn {

class Session;
class WindowTrayIcon;
struct TRecvMessage;

class TRecvForm : public QWidget {
    Q_OBJECT
public:
    TRecvForm(Session &session, int fontSize, QWidget *parent = nullptr);
    ~TRecvForm() override;

    void showMessage(const TRecvMessage &message);
    void setDisplayFontSize(int points);
    // At program exit; the window lives as long as the program.
    void savePlacement();

    // The reply's opening text: each line of the message as the window
    // shows it (a line wrapped by the window counts as several) as ">" +
    // line + CR LF, in widget form ("\n"), whether shown or scrolled away.
    // An empty message quotes as nothing.
    QString quotedText() const;

    QWidget *plRecvInfo = nullptr;
    QLabel *laHandleName = nullptr;
    QLabel *laMachineName = nullptr;
    QLabel *laRecvTime = nullptr;
    QLineEdit *edHandleName = nullptr;
    QLineEdit *edMachineName = nullptr;
    QLineEdit *edRecvTime = nullptr;
    QPlainTextEdit *mmRecvData = nullptr;
    QPushButton *btRecv = nullptr;
    QPushButton *btNext = nullptr;
    QPushButton *btOk = nullptr;

    // The raw sender of the message on screen, for the reply.
    QByteArray senderHandle() const { return m_handle; }
    QByteArray senderMachine() const { return m_machine; }

    static constexpr QSize DesignSize{380, 300};
    WindowTrayIcon *trayIcon() const { return m_trayIcon; }

signals:
    void replyRequested();
    void nextRequested();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void btRecvClick();

    Session &m_session;
    QByteArray m_handle;
    QByteArray m_machine;
    WindowTrayIcon *m_trayIcon = nullptr;
};

} // namespace zn
