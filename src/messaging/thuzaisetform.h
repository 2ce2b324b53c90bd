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

    // The text shown, the cursor at its end: the absence message in force
    // when the editor opens, and again whenever it changes while it is open.
    void setMessageText(const QString &text);

    void btOkClick();
    void btCancelClick();

    QPlainTextEdit *mmHuzaiMessage = nullptr;
    QPushButton *btOk = nullptr;
    QPushButton *btCancel = nullptr;

    static constexpr QSize DesignSize{330, 230};

protected:
    void showEvent(QShowEvent *event) override;

private:
    Session &m_session;
    Frontend &m_frontend;
};

} // namespace zn
