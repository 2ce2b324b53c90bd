#include "messaging/tsendform.h"

#include "app/session.h"
#include "messaging/formparts.h"
#include "common/codec.h"
#include "common/frontend.h"
#include "messaging/messagecheck.h"
#include "net/messenger.h"
#include "platform/fonts.h"
#include "platform/iconstrip.h"
#include "platform/windowtrayicon.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

namespace zn {

namespace {

QString joined(const QList<Recipient> &recipients, QByteArray Recipient::*field)
{
    QStringList parts;
    parts.reserve(recipients.size());
    for (const Recipient &r : recipients)
        parts.append(cp932::decode(r.*field));
    return parts.join(u';');
}

} // namespace

TSendForm::TSendForm(Session &session, Frontend &frontend, SendWindowList &windows, int fontSize,
                     QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_session(session)
    , m_frontend(frontend)
    , m_windows(windows)
{
    setObjectName(QStringLiteral("SendForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Zephinet -メッセージ送信-"));

    plSendInfo = new QWidget(this);
    plSendInfo->setObjectName(QStringLiteral("plSendInfo"));
    auto *grid = new QGridLayout(plSendInfo);
    grid->setContentsMargins(4, 2, 4, 2);
    laSendHandle = new QLabel(QStringLiteral("ハンドル名"), plSendInfo);
    laSendHandle->setObjectName(QStringLiteral("laSendHandle"));
    edSendName = new QLineEdit(plSendInfo);
    edSendName->setObjectName(QStringLiteral("edSendName"));
    laSendMachine = new QLabel(QStringLiteral("マシン名"), plSendInfo);
    laSendMachine->setObjectName(QStringLiteral("laSendMachine"));
    edSendMachine = new QLineEdit(plSendInfo);
    edSendMachine->setObjectName(QStringLiteral("edSendMachine"));
    for (QLineEdit *edit : {edSendName, edSendMachine}) {
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::ClickFocus);
    }
    grid->addWidget(laSendHandle, 0, 0);
    grid->addWidget(edSendName, 0, 1);
    grid->addWidget(laSendMachine, 1, 0);
    grid->addWidget(edSendMachine, 1, 1);
    if (m_session.settings.SendMachineHide) {
        laSendMachine->hide();
        edSendMachine->hide();
    }

    mmSendData = new QPlainTextEdit(this);
    mmSendData->setObjectName(QStringLiteral("mmSendData"));
    mmSendData->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mmSendData->setTabChangesFocus(true);
    connect(mmSendData->document(), &QTextDocument::contentsChange, this, &TSendForm::limitInput);

    btSend = new QPushButton(QStringLiteral("送信(&S)"), this);
    btSend->setObjectName(QStringLiteral("btSend"));
    btCancel = new QPushButton(QStringLiteral("キャンセル(&C)"), this);
    btCancel->setObjectName(QStringLiteral("btCancel"));
    connect(btSend, &QPushButton::clicked, this, &TSendForm::btSendClick);
    connect(btCancel, &QPushButton::clicked, this, &TSendForm::btCancelClick);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btSend);
    buttons->addWidget(btCancel);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(headerLabel(QStringLiteral("送信先情報"), Qt::blue, this));
    layout->addWidget(plSendInfo);
    layout->addWidget(headerLabel(QStringLiteral("送信メッセージ"), Qt::red, this));
    layout->addWidget(mmSendData, 1);
    layout->addLayout(buttons);

    m_trayIcon = new WindowTrayIcon(this, IconStrip::SendWindow, QStringLiteral("Zephinet -送信ウィンドウ-"));
    m_hasSlot = m_windows.take(this);
    restorePlacement(this, m_session, PlacementSection::SendForm, DesignSize);
    setDisplayFontSize(fontSize);
    mmSendData->setFocus();
}

TSendForm::~TSendForm()
{
    m_windows.release(this);
    // All send windows share one placement: the last one closed wins.
    m_session.writePlacement(PlacementSection::SendForm, {x(), y(), width(), height()});
}

void TSendForm::setRecipients(const QList<Recipient> &recipients)
{
    m_recipients = recipients;
    edSendName->setText(joined(recipients, &Recipient::HandleName));
    edSendMachine->setText(joined(recipients, &Recipient::MachineName));
    edSendName->setCursorPosition(0);
    edSendMachine->setCursorPosition(0);
}

void TSendForm::setText(const QString &text)
{
    m_limiting = true;
    mmSendData->setPlainText(text);
    m_limiting = false;
    m_textBytes = MessageTextBytes(mmSendData->toPlainText());
    mmSendData->moveCursor(QTextCursor::End);
}

void TSendForm::setDisplayFontSize(int points)
{
    mmSendData->setFont(MessageFont(points));
}

void TSendForm::limitInput(int position, int removed, int added)
{
    Q_UNUSED(removed);
    if (m_limiting)
        return;
    const QString text = mmSendData->toPlainText();
    qsizetype bytes = MessageTextBytes(text);
    // Typing stops at the limit, as in a text field with a maximum length;
    // a text that was already longer (a quoted reply) may still shrink.
    const qsizetype allowed = qMax(MaxMessageTextBytes, m_textBytes);
    if (added > 0 && bytes > allowed) {
        m_limiting = true;
        QTextCursor cursor(mmSendData->document());
        int end = qMin(position + added, int(text.size()));
        cursor.setPosition(end);
        while (bytes > allowed && end > position) {
            cursor.setPosition(end - 1, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            --end;
            bytes = MessageTextBytes(mmSendData->toPlainText());
        }
        m_limiting = false;
    }
    m_textBytes = bytes;
}

void TSendForm::refuse(const QString &text)
{
    m_frontend.showMessageBox(text, mb::Ok | mb::IconWarning);
    mmSendData->setFocus();
}

void TSendForm::btSendClick()
{
    const CheckedText checked = CheckMessageText(mmSendData->toPlainText());
    if (!checked.ok()) {
        refuse(checked.message);
        return;
    }
    if (m_recipients.size() > MaxRecipients) {
        refuse(TooManyRecipientsText());
        return;
    }
    // The window may not outlive a box: a recipient's offline box runs a
    // nested event loop in which the program could be told to quit.
    const QPointer<TSendForm> self(this);
    const QList<Recipient> recipients = m_recipients;
    // One log failure notice for the whole send, not one per recipient.
    const auto command = m_session.command();
    for (const Recipient &r : recipients) {
        if (!m_session.messenger().SendMessageTo(checked.bytes, r.MachineName)) {
            m_frontend.showMessageBox(QStringLiteral("「") + cp932::decode(r.HandleName)
                                          + QStringLiteral("」がオフライン状態になりました。"
                                                           "このユーザにメッセージを送信できませんでした。"),
                                      mb::Ok | mb::IconWarning);
            if (!self)
                return;
        }
    }
    if (m_session.settings.SendAfterClose && m_hideMainWindow)
        m_hideMainWindow();
    close();
}

void TSendForm::btCancelClick()
{
    close();
}

} // namespace zn
