#include "messaging/thuzaiform.h"

#include "common/codec.h"
#include "messaging/formparts.h"
#include "platform/fonts.h"
#include "platform/iconstrip.h"
#include "platform/windowtrayicon.h"
#include "session/session.h"
#include "settings/settingsstore.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace zn {

THuzaiForm::THuzaiForm(Session &session, HuzaiWindowList &windows, int fontSize, const QByteArray &machineName,
                       const QByteArray &handleName, const QByteArray &text, QWidget *parent)
    : QWidget(parent, Qt::Window), m_session(session), m_windows(windows), m_sender{handleName, machineName}
{
    setObjectName(QStringLiteral("HuzaiForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Zephinet -不在メッセージ受信-"));

    plSendInfo = new QWidget(this);
    plSendInfo->setObjectName(QStringLiteral("plSendInfo"));
    auto *grid = new QGridLayout(plSendInfo);
    grid->setContentsMargins(4, 2, 4, 2);
    const auto row = [this, grid](int r, const QString &caption, const char *editName) {
        auto *label = new QLabel(caption, plSendInfo);
        auto *edit = new QLineEdit(plSendInfo);
        edit->setObjectName(QString::fromLatin1(editName));
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::ClickFocus);
        label->setBuddy(edit);
        grid->addWidget(label, r, 0);
        grid->addWidget(edit, r, 1);
        return edit;
    };
    edHandleName = row(0, tr("ハンドル名"), "edHandleName");
    edMachineName = row(1, tr("マシン名"), "edMachineName");
    // A line edit shows plain text whatever the network sent.
    edHandleName->setText(cp932::decode(handleName));
    edMachineName->setText(cp932::decode(machineName));
    edHandleName->setCursorPosition(0);
    edMachineName->setCursorPosition(0);

    mmRecvData = new QPlainTextEdit(this);
    mmRecvData->setObjectName(QStringLiteral("mmRecvData"));
    mmRecvData->setReadOnly(true);
    mmRecvData->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmRecvData->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    mmRecvData->setTabChangesFocus(true);
    mmRecvData->setAccessibleName(tr("受信メッセージ"));
    mmRecvData->setPlainText(cp932::toWidgetText(text));

    btSend = new QPushButton(tr("メッセージ送信(&S)"), this);
    btSend->setObjectName(QStringLiteral("btSend"));
    btOk = new QPushButton(tr("確認(&C)"), this);
    btOk->setObjectName(QStringLiteral("btOk"));
    connect(btSend, &QPushButton::clicked, this, &THuzaiForm::btSendClick);
    connect(btOk, &QPushButton::clicked, this, &QWidget::close);
    // Escape does what "確認(&C)" does.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btSend);
    buttons->addStretch();
    buttons->addWidget(btOk);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(headerLabel(tr("不在ユーザ情報"), Qt::blue, this));
    layout->addWidget(plSendInfo);
    layout->addWidget(headerLabel(tr("受信メッセージ"), Qt::red, this));
    layout->addWidget(mmRecvData, 1);
    layout->addLayout(buttons);

    m_trayIcon = new WindowTrayIcon(this, IconStrip::HuzaiWindow, tr("Zephinet -不在ウィンドウ-"));
    m_hasSlot = m_windows.take(this);
    restorePlacement(this, m_session, PlacementSection::HuzaiForm, DesignSize);
    setDisplayFontSize(fontSize);
    btOk->setFocus();
}

THuzaiForm::~THuzaiForm()
{
    m_windows.release(this);
    // All absence windows share one placement: the last one closed wins.
    m_session.writePlacement(PlacementSection::HuzaiForm, {x(), y(), width(), height()});
}

void THuzaiForm::setDisplayFontSize(int points)
{
    mmRecvData->setFont(MessageFont(points));
}

void THuzaiForm::btSendClick()
{
    btOk->setFocus();
    emit sendRequested(m_sender);
}

} // namespace zn
