// The absence-message editor: "不在設定(&H)" stores the text and switches
// absence on. At most one exists (the absence commands see to it); it frees
// itself when closed.
#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

namespace zn {

class Frontend;
class Session;

class THuzaiSetForm : public QWidget {
    Q_OBJECT
public:
    THuzaiSetForm(Session &session, Frontend &frontend, QWidget *parent = nullptr);
    ~THuzaiSetForm() override;

    // The options dialog applied a new absence message while the editor is open.
    void setMessageText(const QString &text);

    void btOkClick();
    void btCancelClick();

    QPlainTextEdit *mmHuzaiMessage = nullptr;
    QPushButton *btOk = nullptr;
    QPushButton *btCancel = nullptr;

    static constexpr QSize DesignSize{330, 230};

signals:
    // The editor stored `text` (widget form) as the absence message: the
    // options dialog, when open, shows it.
    void messageApplied(const QString &text);

protected:
    void showEvent(QShowEvent *event) override;

private:
    Session &m_session;
    Frontend &m_frontend;
};

} // namespace zn
