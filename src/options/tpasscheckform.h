// The password prompt before a guarded command, and AskPassword, the way
// the commands use it.
#pragma once

#include <QByteArray>
#include <QDialog>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zn {

class Frontend;

class TPassCheckForm : public QDialog {
    Q_OBJECT
public:
    // `password` is the one in force; `boxes` shows "パスワードが違います。".
    TPassCheckForm(const QByteArray &password, Frontend &boxes, QWidget *parent = nullptr);

    // Set only when the right password was confirmed; clear from creation.
    bool passwordPassed() const { return m_passed; }

    void btOkClick();
    void btCancelClick();

    QLabel *laTitle = nullptr;
    QLineEdit *edPassword = nullptr;
    QPushButton *btOk = nullptr;
    QPushButton *btCancel = nullptr;

    static constexpr QSize DesignSize{366, 119};

signals:
    void helpRequested(int context);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    const QByteArray m_password; // the one in force when the prompt opened
    Frontend &m_boxes;
    bool m_passed = false;
};

// Shows the prompt modally with `title` (the reason, in red) and tells
// whether the right password was given. `setDialogShowing` is told true
// while the prompt is open and false after, so that tray clicks, hot keys
// and menus that check the flag stay quiet meanwhile; `showHelp` opens the
// manual at a topic (F1).
bool AskPassword(const QString &title, const QByteArray &password, Frontend &boxes,
                 const std::function<void(bool showing)> &setDialogShowing, QWidget *parent = nullptr,
                 const std::function<void(int context)> &showHelp = {});

} // namespace zn
