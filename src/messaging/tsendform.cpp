#include "messaging/tsendform.h"

#include "common/codec.h"
#include "common/frontend.h"
#include "messaging/formparts.h"
#include "net/messenger.h"
#include "platform/fonts.h"
#include "platform/iconstrip.h"
#include "platform/windowtrayicon.h"
#include "session/messagecheck.h"
#include "session/session.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
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

// The names as the boxes give them: 「A」「B」.
QString quotedNames(const QList<Recipient> &recipients)
{
    QString out;
    for (const Recipient &r : recipients)
        out += QCoreApplication::translate("zn::TSendForm", "「%1」").arg(cp932::decode(r.HandleName));
    return out;
}

const char SendWindowTip[] = QT_TRANSLATE_NOOP("zn::TSendForm", "Zephinet -送信ウィンドウ-");

} // namespace

TSendForm::TSendForm(Session &session, Frontend &frontend, SendWindowList &windows, int fontSize, QWidget *parent)
    : QWidget(parent, Qt::Window), m_session(session), m_frontend(frontend), m_windows(windows)
{
    setObjectName(QStringLiteral("SendForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("Zephinet -メッセージ送信-"));

    plSendInfo = new QWidget(this);
    plSendInfo->setObjectName(QStringLiteral("plSendInfo"));
    auto *grid = new QGridLayout(plSendInfo);
    grid->setContentsMargins(4, 2, 4, 2);
    laSendHandle = new QLabel(tr("ハンドル名"), plSendInfo);
    laSendHandle->setObjectName(QStringLiteral("laSendHandle"));
    edSendName = new QLineEdit(plSendInfo);
    edSendName->setObjectName(QStringLiteral("edSendName"));
    laSendMachine = new QLabel(tr("マシン名"), plSendInfo);
    laSendMachine->setObjectName(QStringLiteral("laSendMachine"));
    edSendMachine = new QLineEdit(plSendInfo);
    edSendMachine->setObjectName(QStringLiteral("edSendMachine"));
    for (QLineEdit *edit : {edSendName, edSendMachine}) {
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::ClickFocus);
    }
    laSendHandle->setBuddy(edSendName);
    laSendMachine->setBuddy(edSendMachine);
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
    mmSendData->setAccessibleName(tr("送信メッセージ"));
    connect(mmSendData->document(), &QTextDocument::contentsChange, this, &TSendForm::limitInput);

    btSend = new QPushButton(tr("送信(&S)"), this);
    btSend->setObjectName(QStringLiteral("btSend"));
    btSend->setAccessibleDescription(tr("Ctrl+Enterでも送信できます。"));
    btCancel = new QPushButton(tr("キャンセル(&C)"), this);
    btCancel->setObjectName(QStringLiteral("btCancel"));
    connect(btSend, &QPushButton::clicked, this, &TSendForm::btSendClick);
    connect(btCancel, &QPushButton::clicked, this, &TSendForm::btCancelClick);
    // Ctrl+Enter sends from the text, where Enter is a line break.
    for (const QKeySequence &keys : {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)})
        connect(new QShortcut(keys, this), &QShortcut::activated, this, &TSendForm::btSendClick);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &TSendForm::escapePressed);

    laCutNote = new QLabel(this);
    laCutNote->setObjectName(QStringLiteral("laCutNote"));
    laCutNote->setTextFormat(Qt::PlainText);
    laCutNote->setWordWrap(true);
    QPalette notePalette = laCutNote->palette();
    notePalette.setColor(QPalette::WindowText, Qt::red);
    laCutNote->setPalette(notePalette);
    laCutNote->hide();

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btSend);
    buttons->addWidget(btCancel);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(headerLabel(tr("送信先情報"), Qt::blue, this));
    layout->addWidget(plSendInfo);
    layout->addWidget(headerLabel(tr("送信メッセージ"), Qt::red, this));
    layout->addWidget(mmSendData, 1);
    layout->addWidget(laCutNote);
    layout->addLayout(buttons);

    m_trayIcon = new WindowTrayIcon(this, IconStrip::SendWindow, tr(SendWindowTip));
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
    // Among several minimised send windows, the tip tells them apart.
    m_trayIcon->setTip(recipients.isEmpty() ? tr(SendWindowTip)
                                            : tr(SendWindowTip) + tr(" 送信先：%1").arg(edSendName->text()));
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
    if (m_limiting)
        return;
    const QString text = mmSendData->toPlainText();
    const qsizetype bytes = MessageTextBytes(text);
    // Typing stops at the limit, as in a text field with a maximum length;
    // a text that was already longer (a quoted reply) may still shrink.
    const qsizetype allowed = qMax(MaxMessageTextBytes, m_textBytes);
    if (added <= 0 || bytes <= allowed) {
        m_textBytes = bytes;
        if (added > 0 || removed > 0)
            laCutNote->hide();
        return;
    }
    // What was inserted is cut, in one step, after the last character that
    // fits beside the text around it; a surrogate pair or a CR LF stays whole.
    const qsizetype start = qMin<qsizetype>(position, text.size());
    const qsizetype end = qMin<qsizetype>(qsizetype(position) + added, text.size());
    const QStringView inserted = QStringView(text).sliced(start, end - start);
    qsizetype budget = allowed - (bytes - MessageTextBytes(inserted));
    qsizetype keep = 0;
    while (keep < inserted.size()) {
        qsizetype unit = 1;
        if ((inserted[keep].isHighSurrogate() && keep + 1 < inserted.size() && inserted[keep + 1].isLowSurrogate())
            || (inserted[keep] == u'\r' && keep + 1 < inserted.size() && inserted[keep + 1] == u'\n'))
            unit = 2;
        const qsizetype cost = MessageTextBytes(inserted.sliced(keep, unit));
        if (cost > budget)
            break;
        budget -= cost;
        keep += unit;
    }
    qsizetype cutCharacters = 0;
    for (qsizetype i = keep; i < inserted.size(); ++i) {
        if (!inserted[i].isLowSurrogate())
            ++cutCharacters;
    }
    m_limiting = true;
    QTextCursor cursor(mmSendData->document());
    cursor.setPosition(int(start + keep));
    cursor.setPosition(int(end), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    m_limiting = false;
    mmSendData->setTextCursor(cursor);
    m_textBytes = MessageTextBytes(mmSendData->toPlainText());
    laCutNote->setText(tr("送信メッセージが最大文字数（2048文字）を越えたため、"
                          "入力された文字のうち%n文字を削除しました。",
                          nullptr, cutCharacters));
    laCutNote->show();
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
    const QList<Recipient> recipients = m_recipients;
    QList<Recipient> reached;
    QList<Recipient> unreached;
    {
        // One log failure notice for the whole send, not one per recipient.
        const auto command = m_session.command();
        for (const Recipient &r : recipients)
            (m_session.messenger().SendMessageTo(checked.bytes, r.MachineName) ? reached : unreached).append(r);
    }
    if (!unreached.isEmpty()) {
        keepForUnreached(reached, unreached);
        return;
    }
    if (m_session.settings.SendAfterClose && m_hideMainWindow)
        m_hideMainWindow();
    close();
}

void TSendForm::keepForUnreached(const QList<Recipient> &reached, const QList<Recipient> &unreached)
{
    // A second 送信 then goes only to those it did not reach.
    setRecipients(unreached);
    QString text = (unreached.size() == 1
                        ? tr("%1がオフライン状態になりました。このユーザにメッセージを送信できませんでした。")
                        : tr("%1がオフライン状態になりました。これらのユーザにメッセージを送信できませんでした。"))
                       .arg(quotedNames(unreached));
    if (!reached.isEmpty())
        text += u'\n' + tr("%1には送信しました。").arg(quotedNames(reached));
    text += tr("\n送信できなかったメッセージは、この送信ウィンドウに残してあります。");
    // The window may not outlive the box: the program can be told to quit
    // in its nested event loop.
    const QPointer<TSendForm> self(this);
    m_frontend.showMessageBox(text, mb::Ok | mb::IconWarning);
    if (self)
        mmSendData->setFocus();
}

void TSendForm::btCancelClick()
{
    close();
}

void TSendForm::escapePressed()
{
    const QPointer<TSendForm> self(this);
    if (!mmSendData->toPlainText().isEmpty()
        && m_frontend.showMessageBox(tr("入力したメッセージは送信されずに破棄されます。よろしいですか？"),
                                     mb::YesNo | mb::IconQuestion | mb::DefaultButton2)
            != Answer::Yes)
        return;
    if (self)
        close();
}

} // namespace zn
