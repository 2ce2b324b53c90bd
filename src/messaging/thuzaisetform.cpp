#include "messaging/thuzaisetform.h"

#include "common/codec.h"
#include "common/frontend.h"
#include "messaging/formparts.h"
#include "platform/fonts.h"
#include "session/messagecheck.h"
#include "session/session.h"
#include "settings/settingsstore.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QTextCursor>
#include <QVBoxLayout>

namespace zn {

THuzaiSetForm::THuzaiSetForm(Session &session, Frontend &frontend, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_session(session), m_frontend(frontend)
{
    setObjectName(QStringLiteral("HuzaiSetForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Zephinet -不在メッセージ設定-"));

    mmHuzaiMessage = new QPlainTextEdit(this);
    mmHuzaiMessage->setObjectName(QStringLiteral("mmHuzaiMessage"));
    mmHuzaiMessage->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmHuzaiMessage->setTabChangesFocus(true);
    mmHuzaiMessage->setAccessibleName(tr("不在メッセージ設定"));
    mmHuzaiMessage->setFont(MessageFont(9));

    btOk = new QPushButton(tr("不在設定(&H)"), this);
    btOk->setObjectName(QStringLiteral("btOk"));
    btCancel = new QPushButton(tr("キャンセル(&C)"), this);
    btCancel->setObjectName(QStringLiteral("btCancel"));
    connect(btOk, &QPushButton::clicked, this, &THuzaiSetForm::btOkClick);
    connect(btCancel, &QPushButton::clicked, this, &THuzaiSetForm::btCancelClick);
    // Escape does what "キャンセル(&C)" does.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, btCancel, &QPushButton::click);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btOk);
    buttons->addWidget(btCancel);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(headerLabel(tr("不在メッセージ設定"), Qt::blue, this));
    layout->addWidget(mmHuzaiMessage, 1);
    layout->addLayout(buttons);

    restorePlacement(this, m_session, PlacementSection::HuzaiSetForm, DesignSize);
    // The options window may store another absence message while this is open.
    connect(&m_session, &Session::settingsChanged, this, [this](const Settings &old, const Settings &now) {
        if (now.HuzaiMessage != old.HuzaiMessage)
            setMessageText(cp932::toWidgetText(now.HuzaiMessage));
    });
}

THuzaiSetForm::~THuzaiSetForm()
{
    m_session.writePlacement(PlacementSection::HuzaiSetForm, {x(), y(), width(), height()});
}

void THuzaiSetForm::showEvent(QShowEvent *event)
{
    // FormShow: the editor opens with the absence message in force.
    if (!event->spontaneous())
        setMessageText(cp932::toWidgetText(m_session.settings.HuzaiMessage));
    QWidget::showEvent(event);
}

void THuzaiSetForm::setMessageText(const QString &text)
{
    mmHuzaiMessage->setPlainText(text);
    mmHuzaiMessage->moveCursor(QTextCursor::End);
}

void THuzaiSetForm::btOkClick()
{
    const CheckedText checked = CheckHuzaiMessageText(mmHuzaiMessage->toPlainText());
    if (!checked.ok()) {
        mmHuzaiMessage->setFocus();
        m_frontend.showMessageBox(checked.message, mb::Ok | mb::IconWarning);
        return;
    }
    // The program may be told to quit inside a box below.
    const QPointer<THuzaiSetForm> self(this);
    Settings now = m_session.settings;
    now.HuzaiMessage = checked.bytes;
    // Not stored (the box said why): the editor stays open with the text,
    // and absence stays as it was.
    if (!m_session.applySettings(now, Session::SettingsWrite::HuzaiMessage, true))
        return;
    if (self)
        close();
}

void THuzaiSetForm::btCancelClick()
{
    close();
}

} // namespace zn
