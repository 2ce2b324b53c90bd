#include "options/tpasschangeform.h"

#include "common/codec.h"
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

TPassChangeForm::TPassChangeForm(QByteArray &password, Frontend &boxes, QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowCloseButtonHint),
      m_password(password), m_boxes(boxes)
{
    setObjectName(QStringLiteral("PassChangeForm"));
    setWindowTitle(tr("Zephinet -パスワード設定-"));

    auto *check = new QGroupBox(tr("パスワード確認"), this);
    check->setObjectName(QStringLiteral("gbPassCheck"));
    edOldPass = passwordEdit(QStringLiteral("edOldPass"), check);
    auto *checkGrid = new QGridLayout(check);
    checkGrid->setContentsMargins(8, 4, 8, 6);
    checkGrid->setVerticalSpacing(2);
    checkGrid->addWidget(colouredLabel(tr("現在のパスワードを入力してください。"), Qt::red, check), 0, 0, 1, 2);
    checkGrid->addWidget(new QLabel(tr("現パスワード"), check), 1, 0);
    checkGrid->addWidget(edOldPass, 1, 1);

    auto *set = new QGroupBox(tr("パスワード設定"), this);
    edNewPass = passwordEdit(QStringLiteral("edNewPass"), set);
    edNewPassCheck = passwordEdit(QStringLiteral("edNewPassCheck"), set);
    auto *setGrid = new QGridLayout(set);
    setGrid->setContentsMargins(8, 4, 8, 6);
    setGrid->setVerticalSpacing(2);
    setGrid->addWidget(colouredLabel(tr("新しいパスワードを入力してください。"), Qt::red, set), 0, 0, 1, 2);
    setGrid->addWidget(new QLabel(tr("新パスワード"), set), 1, 0);
    setGrid->addWidget(edNewPass, 1, 1);
    setGrid->addWidget(new QLabel(tr("確認"), set), 2, 0);
    setGrid->addWidget(edNewPassCheck, 2, 1);

    for (QLineEdit *edit : {edOldPass, edNewPass, edNewPassCheck})
        edit->installEventFilter(this);

    btSettei = new QPushButton(tr("設定"), this);
    btSettei->setObjectName(QStringLiteral("btSettei"));
    btCancel = new QPushButton(tr("キャンセル"), this);
    btCancel->setObjectName(QStringLiteral("btCancel"));
    for (QPushButton *button : {btSettei, btCancel})
        button->setAutoDefault(false); // Enter is the edits' own key
    connect(btSettei, &QPushButton::clicked, this, &TPassChangeForm::btSetteiClick);
    connect(btCancel, &QPushButton::clicked, this, &TPassChangeForm::btCancelClick);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btSettei);
    buttons->addWidget(btCancel);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(4);
    layout->addWidget(check);
    layout->addWidget(set);
    layout->addLayout(buttons);

    auto *help = new ContextHelp(this);
    connect(help, &ContextHelp::helpRequested, this, &TPassChangeForm::helpRequested);
    // Without a password there is none to confirm: the first one is set
    // straight away.
    const bool noPassword = m_password.isEmpty();
    check->setVisible(!noPassword);
    fixAndCentre(this,
                 noPassword ? QSize(DesignSize.width(), DesignSize.height() - check->sizeHint().height() - 4)
                            : DesignSize);
    (noPassword ? edNewPass : edOldPass)->setFocus();
}

void TPassChangeForm::refuse(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    m_boxes.showMessageBox(text, mb::Ok | mb::IconWarning);
}

void TPassChangeForm::btSetteiClick()
{
    btSettei->setFocus();
    if (!m_password.isEmpty() && !passwordMatches(edOldPass->text(), m_password)) {
        refuse(edOldPass, tr("パスワードが違います。"));
        return;
    }
    if (edNewPass->text() != edNewPassCheck->text()) {
        refuse(edNewPass, tr("新しいパスワードの設定と確認パスワードの入力が違います。"));
        return;
    }
    // A password that the settings file cannot hold could never be typed
    // again after the next start.
    const cp932::Encoded encoded = cp932::encode(edNewPass->text());
    if (!encoded.ok()) {
        refuse(edNewPass, cp932::unencodableMessage(encoded.unencodable));
        return;
    }
    m_password = encoded.bytes;
    accept();
}

void TPassChangeForm::btCancelClick()
{
    reject();
}

bool TPassChangeForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            btSetteiClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace zn
