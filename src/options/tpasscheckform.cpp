#include "options/tpasscheckform.h"

#include "common/frontend.h"
#include "options/contexthelp.h"
#include "options/optionparts.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zn {

TPassCheckForm::TPassCheckForm(const QByteArray &password, Frontend &boxes, QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowCloseButtonHint),
      m_password(password), m_boxes(boxes)
{
    setObjectName(QStringLiteral("PassCheckForm"));
    setWindowTitle(tr("Zephinet -パスワード確認-"));

    auto *group = new QGroupBox(tr("パスワード確認"), this);
    laTitle = colouredLabel({}, Qt::red, group);
    laTitle->setObjectName(QStringLiteral("laTitle"));
    auto *prompt = colouredLabel(tr("パスワードを入力してください。"), Qt::red, group);
    edPassword = passwordEdit(QStringLiteral("edPassword"), group);
    edPassword->installEventFilter(this);
    auto *label = new QLabel(tr("パスワード"), group);
    label->setBuddy(edPassword);

    auto *grid = new QGridLayout(group);
    grid->setContentsMargins(8, 4, 8, 6);
    grid->setVerticalSpacing(2);
    grid->addWidget(laTitle, 0, 0, 1, 2);
    grid->addWidget(prompt, 1, 0, 1, 2);
    grid->addWidget(label, 2, 0);
    grid->addWidget(edPassword, 2, 1);

    btOk = new QPushButton(QStringLiteral("OK"), this);
    btOk->setObjectName(QStringLiteral("btOk"));
    btCancel = new QPushButton(tr("キャンセル"), this);
    btCancel->setObjectName(QStringLiteral("btCancel"));
    for (QPushButton *button : {btOk, btCancel})
        button->setAutoDefault(false); // Enter is edPassword's own key
    connect(btOk, &QPushButton::clicked, this, &TPassCheckForm::btOkClick);
    connect(btCancel, &QPushButton::clicked, this, &TPassCheckForm::btCancelClick);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOk);
    buttons->addWidget(btCancel);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(4);
    layout->addWidget(group);
    layout->addLayout(buttons);

    auto *help = new ContextHelp(this);
    connect(help, &ContextHelp::helpRequested, this, &TPassCheckForm::helpRequested);
    fixAndCentre(this, DesignSize);
    edPassword->setFocus();
}

void TPassCheckForm::btOkClick()
{
    if (passwordMatches(edPassword->text(), m_password)) {
        m_passed = true;
        accept();
        return;
    }
    // Leaving and entering the edit selects what was typed, for the next try.
    btOk->setFocus();
    edPassword->setFocus();
    edPassword->selectAll();
    m_boxes.showMessageBox(tr("パスワードが違います。"), mb::Ok | mb::IconWarning);
}

void TPassCheckForm::btCancelClick()
{
    reject();
}

bool TPassCheckForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == edPassword && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            btOkClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool AskPassword(const QString &title, const QByteArray &password, Frontend &boxes,
                 const std::function<void(bool showing)> &setDialogShowing, QWidget *parent,
                 const std::function<void(int context)> &showHelp)
{
    if (setDialogShowing)
        setDialogShowing(true);
    bool passed = false;
    {
        TPassCheckForm prompt(password, boxes, parent);
        prompt.laTitle->setText(title);
        if (showHelp)
            QObject::connect(&prompt, &TPassCheckForm::helpRequested, &prompt, showHelp);
        prompt.exec();
        passed = prompt.passwordPassed();
    }
    if (setDialogShowing)
        setDialogShowing(false);
    return passed;
}

} // namespace zn
