// The log viewer: the records of the log file one at a time, newest first,
// with stepping, clearing, and sending a record again or answering it in a
// new send window. At most one exists; closing it destroys it.
#pragma once

#include "log/logfile.h"
#include "messaging/tsendform.h"

#include <QList>
#include <QSize>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace zn {

class Frontend;
class Session;
class WindowTrayIcon;

class TLogForm : public QWidget {
    Q_OBJECT
public:
    // Reads the log and shows its newest record; reads it again after every
    // record written while it exists.
    TLogForm(Session &session, Frontend &frontend, int fontSize, QWidget *parent = nullptr);
    ~TLogForm() override;

    // What the window shows: the records, or one of the two empty states.
    enum class View { Records, NoLog, InvalidFile };
    View view() const { return m_view; }
    // What btReSend does for the record on screen.
    enum class Action { None, SendAgain, Reply };
    Action action() const { return m_action; }

    // Reads the file again; the record on screen stays on screen, however
    // many records were written since the last read.
    void LoadLog();
    // The record at the current position, with the counter in the caption.
    void ShowLogRecord();

    void btNextClick();
    void btPrevClick();
    void btDeleteClick();
    void btReSendClick();

    int position() const { return m_position; }
    qsizetype count() const { return m_records.size(); }
    const QList<LogRecord> &records() const { return m_records; }

    void setDisplayFontSize(int points);
    WindowTrayIcon *trayIcon() const { return m_trayIcon; }
    // Closed and about to be destroyed: the open command makes a new one.
    bool closing() const { return m_closing; }

    QLabel *laTitle = nullptr;
    QLabel *laHandleName = nullptr;
    QLabel *laMachineName = nullptr;
    QLabel *laRecvTime = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *edSendUser = nullptr;
    QLineEdit *edRecvUser = nullptr;
    QLineEdit *edSaveDate = nullptr;
    QPlainTextEdit *mmLogData = nullptr;
    QPushButton *btDelete = nullptr;
    QPushButton *btReSend = nullptr;
    QPushButton *btPrev = nullptr;
    QPushButton *btNext = nullptr;
    QPushButton *btOk = nullptr;

    static constexpr QSize DesignSize{335, 285};

signals:
    // "Send again" or "reply" on the record on screen: a send window for
    // these recipients, holding this text, is wanted.
    void sendRequested(const QList<Recipient> &recipients, const QString &text);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showEmpty(View view);
    // Where the record at `position` of `before` is in `after`.
    static int positionAfterReload(const QList<LogRecord> &before, int position, const QList<LogRecord> &after);
    // The reply's opening text: ">" + line + line break for every line of
    // the record's message.
    static QString quoted(const QString &text);

    Session &m_session;
    Frontend &m_frontend;
    QList<LogRecord> m_records;
    int m_position = 0;
    View m_view = View::NoLog;
    Action m_action = Action::None;
    WindowTrayIcon *m_trayIcon = nullptr;
    bool m_closing = false;
};

} // namespace zn
