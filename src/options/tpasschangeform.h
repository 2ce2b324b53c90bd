// The password change dialog of the options window. It changes the
// password in memory at once; the settings file gets it with the options'
// next apply.
#pragma once

#include <QByteArray>
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace zn {

class Frontend;

class TPassChangeForm : public QDialog {
    Q_OBJECT
public:
    // `password` is the one in force, replaced when the change is confirmed.
    TPassChangeForm(QByteArray &password, Frontend &boxes, QWidget *parent = nullptr);

    void btSetteiClick();
    void btCancelClick();

    QLineEdit *edOldPass = nullptr;
    QLineEdit *edNewPass = nullptr;
    QLineEdit *edNewPassCheck = nullptr;
    QPushButton *btSettei = nullptr;
    QPushButton *btCancel = nullptr;

    static constexpr QSize DesignSize{352, 207};

signals:
    void helpRequested(int context);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refuse(QLineEdit *edit, const QString &text);

    QByteArray &m_password;
    Frontend &m_boxes;
};

} // namespace zn
