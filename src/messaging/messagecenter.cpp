#include "messaging/messagecenter.h"

#include "common/codec.h"
#include "messaging/formparts.h"
#include "messaging/tlogform.h"
#include "messaging/trecvform.h"
#include "net/messenger.h"
#include "peers/roster.h"
#include "peers/traymenu.h"
#include "platform/desktopfrontend.h"
#include "platform/windowtrayicon.h"
#include "session/messagecheck.h"
#include "session/session.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextCursor>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace zn {

namespace {
const char NoSelectionText[] = QT_TRANSLATE_NOOP("zn::MessageCenter", "送信先ユーザをリストの中から選択してください。");

// Files copied in a file manager: the clipboard offers their addresses as
// text too, but that text is no message.
bool holdsOnlyFiles(const QMimeData &data)
{
    const QList<QUrl> urls = data.urls();
    if (urls.isEmpty())
        return false;
    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            return false;
    }
    const QStringList lines = data.text().split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const QString item = line.trimmed();
        const bool named = std::any_of(urls.cbegin(), urls.cend(), [&item](const QUrl &url) {
            return item == url.toString() || item == QString::fromUtf8(url.toEncoded()) || item == url.toLocalFile();
        });
        if (!item.isEmpty() && !named)
            return false;
    }
    return true;
}
} // namespace

MessageCenter::MessageCenter(Session &session, DesktopFrontend &frontend, int fontSize, QObject *parent)
    : QObject(parent), m_session(session), m_frontend(frontend), m_fontSize(fontSize)
{
    connect(&m_session, &Session::messageQueued, this, &MessageCenter::messageQueued);
}

MessageCenter::~MessageCenter()
{
    delete m_logForm;
    deleteSendWindows();
    delete m_recvForm;
}

TRecvForm *MessageCenter::recvForm()
{
    // Built when first needed: a copy that receives nothing never lays it
    // out, nor loads the fonts of its headings.
    if (!m_recvForm) {
        m_recvForm = new TRecvForm(m_session, m_fontSize);
        connect(m_recvForm, &TRecvForm::nextRequested, this, &MessageCenter::miMessageRecvClick);
        connect(m_recvForm, &TRecvForm::replyRequested, this, &MessageCenter::quoteReply);
        // The receive command on the window's own tray icon, counted as on
        // the tray menu.
        auto *recv = new QAction(m_recvForm);
        recv->setObjectName(QStringLiteral("miWindowRecv"));
        const auto count = [recv](int unread) {
            const UnreadCaptions captions = unreadCaptions(unread);
            recv->setText(captions.windowRecv);
            recv->setEnabled(captions.enabled);
        };
        count(m_session.recvQueue().UnreadCount());
        connect(this, &MessageCenter::unreadChanged, recv, count);
        connect(recv, &QAction::triggered, this, [this] {
            if (!m_frontend.dialogShowing())
                miMessageRecvClick();
        });
        m_recvForm->trayIcon()->addMenuAction(recv);
    }
    return m_recvForm;
}

bool MessageCenter::recvFormShown() const
{
    return m_recvForm && m_recvForm->isVisible();
}

void MessageCenter::deleteSendWindows()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *form = qobject_cast<TSendForm *>(w))
            delete form;
    }
}

void MessageCenter::closeWindows()
{
    delete m_logForm;
    deleteSendWindows();
    if (m_recvForm) {
        m_recvForm->savePlacement();
        m_recvForm->hide();
    }
}

void MessageCenter::setDisplayFontSize(int points)
{
    m_fontSize = points;
    if (m_recvForm)
        m_recvForm->setDisplayFontSize(points);
    if (m_logForm)
        m_logForm->setDisplayFontSize(points);
    m_sendWindows.applyFontSize(points);
}

TSendForm *MessageCenter::openSendWindow(const QList<Recipient> &recipients, const QString &text)
{
    auto *form = new TSendForm(m_session, m_frontend, m_sendWindows, m_fontSize);
    form->setRecipients(recipients);
    if (!text.isEmpty())
        form->setText(text);
    form->setHideMainWindow([this] { emit hideMainWindowRequested(); });
    cascadeClearOfOthers(form);
    // Always the user's own command: the new window takes the keyboard.
    showWindowAgain(form, Activation::TakeFocus);
    return form;
}

bool MessageCenter::askSelf(const QString &question)
{
    return m_frontend.showMessageBox(question, mb::YesNo | mb::IconQuestion) == Answer::Yes;
}

const TPeer *MessageCenter::peerByHandle(const QByteArray &handleName) const
{
    for (const TPeer &peer : m_session.roster().peers()) {
        if (peer.HandleName == handleName)
            return &peer;
    }
    return nullptr;
}

void MessageCenter::miMessageSendClick(const QList<TPeer> &selected)
{
    if (selected.isEmpty()) {
        m_frontend.showMessageBox(tr(NoSelectionText), mb::Ok | mb::IconWarning);
        return;
    }
    if (selected.size() > MaxRecipients) {
        m_frontend.showMessageBox(TooManyRecipientsText(), mb::Ok | mb::IconWarning);
        return;
    }
    QList<Recipient> recipients;
    for (const TPeer &peer : selected) {
        if (m_session.settings.SendSelfCheck && peer.MachineName == m_session.local.MachineName
            && !askSelf(tr("送信先の中に自分自身が含まれています。送信ウィンドウを開きますか？")))
            return;
        recipients.append({peer.HandleName, peer.MachineName});
    }
    openSendWindow(recipients);
}

void MessageCenter::miWindowSendClick(const QByteArray &handleName)
{
    const TPeer *peer = peerByHandle(handleName);
    if (!peer)
        return; // gone offline since the menu was built
    const Recipient recipient{peer->HandleName, peer->MachineName};
    if (m_session.settings.SendSelfCheck && recipient.MachineName == m_session.local.MachineName
        && !askSelf(tr("自分自身にメッセージを送信します。送信ウィンドウを開きますか？")))
        return;
    openSendWindow({recipient});
}

std::optional<QByteArray> MessageCenter::checkedClipboardText()
{
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    // Nothing copied at all is not "something other than text".
    if (!data || data->formats().isEmpty() || (data->hasText() && data->text().isEmpty())) {
        m_frontend.showMessageBox(tr("クリップボードが空のため、送信することができません。"), mb::Ok | mb::IconWarning);
        return std::nullopt;
    }
    if (!data->hasText() || holdsOnlyFiles(*data)) {
        m_frontend.showMessageBox(tr("テキスト以外のメッセージを送信することはできません。"), mb::Ok | mb::IconWarning);
        return std::nullopt;
    }
    const CheckedText checked = CheckMessageText(data->text(), true);
    if (!checked.ok()) {
        m_frontend.showMessageBox(checked.message, mb::Ok | mb::IconWarning);
        return std::nullopt;
    }
    return checked.bytes;
}

void MessageCenter::miMessageClipSendClick(const QList<TPeer> &selected)
{
    if (selected.isEmpty()) {
        m_frontend.showMessageBox(tr(NoSelectionText), mb::Ok | mb::IconWarning);
        return;
    }
    const std::optional<QByteArray> text = checkedClipboardText();
    if (!text)
        return;
    if (m_session.settings.SendSelfCheck) {
        for (const TPeer &peer : selected) {
            if (peer.MachineName != m_session.local.MachineName)
                continue;
            if (!askSelf(tr("送信先の中に自分自身が含まれています。送信しますか？")))
                return;
            break;
        }
    }
    // Copies: a box of an earlier send may let the roster change.
    const QList<TPeer> recipients = selected;
    const auto command = m_session.command();
    for (const TPeer &peer : recipients)
        m_session.messenger().SendMessageTo(*text, peer.MachineName);
}

void MessageCenter::miClipSendClick(const QByteArray &handleName)
{
    const std::optional<QByteArray> text = checkedClipboardText();
    if (!text)
        return;
    const TPeer *peer = peerByHandle(handleName);
    if (!peer)
        return;
    const QByteArray machine = peer->MachineName;
    if (m_session.settings.SendSelfCheck && machine == m_session.local.MachineName
        && !askSelf(tr("自分自身にメッセージを送信します。よろしいですか？")))
        return;
    m_session.messenger().SendMessageTo(*text, machine);
}

bool MessageCenter::passwordPassed(const QString &text)
{
    if (!m_passwordGate)
        return true;
    m_frontend.setDialogShowing(true);
    const bool passed = m_passwordGate(text);
    m_frontend.setDialogShowing(false);
    return passed;
}

void MessageCenter::messageQueued()
{
    emit unreadChanged(m_session.recvQueue().UnreadCount());
    if (m_recvForm)
        m_recvForm->btNext->setEnabled(true);
    emit trayAnimationRequested();
    if (m_session.settings.MouseAnimation > 0)
        emit cursorAnimationRequested();
    if (m_session.settings.RecvAutoOpen && !recvFormShown())
        showNextRecvMessage(Activation::KeepFocus);
}

void MessageCenter::afterTaking()
{
    // Called with the message still first in the queue, as the buttons
    // show what is left once it is taken.
    const bool last = m_session.recvQueue().UnreadCount() <= 1;
    recvForm()->btNext->setEnabled(!last);
    if (last)
        emit trayResetRequested();
}

void MessageCenter::miMessageRecvClick()
{
    showNextRecvMessage(Activation::TakeFocus);
}

void MessageCenter::showNextRecvMessage(Activation activation)
{
    if (m_recvBusy || m_session.recvQueue().isEmpty())
        return;
    m_recvBusy = true;
    if (m_session.settings.PasswordRecv && !recvFormShown()
        && !passwordPassed(tr("受信ウィンドウを開くにはパスワードが必要です。"))) {
        m_recvBusy = false;
        return;
    }
    if (m_session.settings.RecvOpenCheck && !recvFormShown()
        && m_frontend.showMessageBox(tr("受信ウィンドウを表示します。よろしいですか？"), mb::YesNo | mb::IconQuestion)
            != Answer::Yes) {
        m_recvBusy = false;
        return;
    }
    recvForm()->showMessage(m_session.recvQueue().front());
    afterTaking();
    // Placed once: afterwards it comes back where the user left it.
    if (!std::exchange(m_recvFormPlaced, true))
        cascadeClearOfOthers(m_recvForm);
    // Shown normal whatever state it was left in (minimised into the tray,
    // say): a message taken from the queue is a message on screen.
    showWindowAgain(m_recvForm, activation);
    m_session.TakeRecvMessage();
    emit unreadChanged(m_session.recvQueue().UnreadCount());
    m_recvBusy = false;
}

void MessageCenter::miClipRecvClick()
{
    if (m_recvBusy || m_session.recvQueue().isEmpty())
        return;
    m_recvBusy = true;
    if (m_session.settings.PasswordRecv && !recvFormShown()
        && !passwordPassed(tr("クリップボード受信を行うにはパスワードが必要です。"))) {
        m_recvBusy = false;
        return;
    }
    const TRecvMessage &message = m_session.recvQueue().front();
    QByteArray text = message.RecvData;
    if (m_session.settings.ClipRecvInfo)
        text = cp932::bytes(u"≪「") + message.HandleName + cp932::bytes(u"」からのメッセージ≫") + "\r\n" + text;
    // The desktop's clipboard holds LF line breaks.
    QGuiApplication::clipboard()->setText(cp932::toWidgetText(text));
    afterTaking();
    m_session.TakeRecvMessage();
    emit unreadChanged(m_session.recvQueue().UnreadCount());
    m_recvBusy = false;
}

TLogForm *MessageCenter::logForm() const
{
    return m_logForm && !m_logForm->closing() ? m_logForm.data() : nullptr;
}

void MessageCenter::miShowLogShowClick()
{
    // A viewer closed a moment ago is deleted once control returns to the
    // event loop; it must not be shown again.
    if (m_logForm && m_logForm->closing())
        m_logForm = nullptr;
    if (!m_logForm && m_session.settings.PasswordLog
        && !passwordPassed(tr("ログビューアを開くにはパスワードが必要です。")))
        return;
    // Opened meanwhile (from inside the prompt's event loop): shown, not doubled.
    if (!m_logForm || m_logForm->closing()) {
        m_logForm = new TLogForm(m_session, m_frontend, m_fontSize);
        connect(m_logForm, &TLogForm::sendRequested, this,
                [this](const QList<Recipient> &recipients, const QString &text) { openSendWindow(recipients, text); });
        cascadeClearOfOthers(m_logForm);
        m_logForm->show();
    }
    m_logForm->trayIcon()->restore();
}

void MessageCenter::quoteReply()
{
    const Recipient recipient{m_recvForm->senderHandle(), m_recvForm->senderMachine()};
    TSendForm *form = openSendWindow({recipient});
    if (m_session.settings.ReturnMessagePlus)
        form->setText(m_recvForm->quotedText());
}

} // namespace zn
