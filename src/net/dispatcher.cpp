#include "net/dispatcher.h"

#include "common/codec.h"
#include "common/frontend.h"
#include "common/localpeer.h"
#include "common/text.h"
#include "net/answerlimiter.h"
#include "net/messagesink.h"
#include "net/messenger.h"
#include "net/wire.h"
#include "peers/roster.h"
#include "settings/settings.h"

namespace zn {

Dispatcher::Dispatcher(const Settings &settings, const LocalPeer &local, Roster &roster,
                       Messenger &messenger, Frontend &frontend, MessageSink &sink, AnswerLimiter *limiter)
    : m_settings(settings), m_local(local), m_roster(roster), m_messenger(messenger), m_frontend(frontend)
    , m_sink(sink), m_limiter(limiter)
{
}

bool Dispatcher::concernsThisCopy(QByteArrayView kind, QByteArrayView field1) const
{
    if (kind == keyword::Login || kind == keyword::InfoChange || kind == keyword::Logout)
        return true;
    if (kind == keyword::LoginOk || kind == keyword::OpenCheck || kind == keyword::HuzaiCheck
        || kind == keyword::HuzaiMessage || kind == keyword::MessageExclamation || kind == keyword::Message)
        return field1 == m_local.Address;
    return false;
}

std::optional<qint32> Dispatcher::StrToInt(QByteArrayView text)
{
    return ParseDecimalInt32(text);
}

std::optional<bool> Dispatcher::absenceFlag(const QByteArray &text)
{
    if (const std::optional<qint32> value = StrToInt(text))
        return (quint32(*value) & 0xFF) != 0;
    if (!m_conversionBoxOpen) {
        m_conversionBoxOpen = true;
        m_frontend.showMessageBox(QStringLiteral("'%1' は整数ではありません").arg(cp932::decode(text)),
                                  mb::Ok | mb::IconError);
        m_conversionBoxOpen = false;
    }
    return std::nullopt;
}

bool Dispatcher::addressedHere(const QByteArray &address) const
{
    return address == m_local.Address;
}

void Dispatcher::showNoAbsenceMessage(const QByteArray &handleName)
{
    m_noAbsenceMessageQueue.append(handleName);
    if (m_noAbsenceMessageBoxOpen)
        return;
    m_noAbsenceMessageBoxOpen = true;
    while (!m_noAbsenceMessageQueue.isEmpty()) {
        const QByteArray name = m_noAbsenceMessageQueue.takeFirst();
        m_frontend.showNoAbsenceMessage(QStringLiteral("「") + cp932::decode(name)
                                        + QStringLiteral("」は不在ではないか、不在メッセージが設定されていません。"));
    }
    m_noAbsenceMessageBoxOpen = false;
}

void Dispatcher::HandleReceivedMessage(const QByteArray &message, const QByteArray &senderAddress)
{
    const QByteArray kind = GetField(message, 0);
    const QByteArray f1 = GetField(message, 1);
    const QByteArray f2 = GetField(message, 2);
    const QByteArray f3 = GetField(message, 3);
    const QByteArray f4 = GetField(message, 4);

    if (kind == keyword::Login) {
        // Checked first: a flood of LOGINs must not open boxes either.
        if (m_limiter
            && !m_limiter->allowLogin(senderAddress, f1, [&] { return m_roster.indexOfMachine(f1) >= 0; }))
            return;
        const std::optional<bool> absent = absenceFlag(f3);
        if (!absent)
            return;
        m_roster.AddOrUpdatePeer(f2, f1, f4, *absent);
        m_messenger.SendLoginOk(f4);
    } else if (kind == keyword::LoginOk) {
        if (!addressedHere(f1))
            return;
        const QByteArray f5 = GetField(message, 5);
        const std::optional<bool> absent = absenceFlag(f4);
        if (!absent)
            return;
        m_roster.AddOrUpdatePeer(f3, f2, f5, *absent);
    } else if (kind == keyword::InfoChange) {
        const std::optional<bool> absent = absenceFlag(f3);
        if (!absent)
            return;
        m_roster.AddOrUpdatePeer(f2, f1, f4, *absent);
    } else if (kind == keyword::Logout) {
        m_roster.RemovePeer(f1);
    } else if (kind == keyword::OpenCheck) {
        if (!addressedHere(f1))
            return;
        m_sink.ReadConfirmed(f2);
        if (m_settings.OpenCheck) {
            m_frontend.showEventNotice(QStringLiteral("「") + cp932::decode(f2)
                                           + QStringLiteral("」に送信したメッセージが確認されました。"),
                                       false);
        }
    } else if (kind == keyword::HuzaiCheck) {
        if (!addressedHere(f1) || (m_limiter && !m_limiter->allowAbsenceAnswer(senderAddress)))
            return;
        if (m_local.AbsentMode && !m_settings.HuzaiMessage.isEmpty()) {
            m_messenger.SendHuzaiMessage(cp932::bytes(u"≪不在メッセージです≫") + CrLf + CrLf
                                             + m_settings.HuzaiMessage,
                                         f2);
        } else {
            m_messenger.SendHuzaiMessage(QByteArrayLiteral("Nothing"), f2);
        }
    } else if (kind == keyword::HuzaiMessage) {
        if (!addressedHere(f1) || !m_sink.AcceptAbsenceAnswer(senderAddress, f2, f3, f4))
            return;
        if (f4 == "Nothing") {
            showNoAbsenceMessage(f3);
        } else {
            m_frontend.openAbsenceWindow(f2, f3, f4);
        }
    } else if (kind == keyword::MessageExclamation) {
        if (!addressedHere(f1))
            return;
        m_frontend.showEventNotice(QStringLiteral("約1分前に「") + cp932::decode(f2)
                                       + QStringLiteral("」に送信したメッセージは正常に送信されませんでした。"
                                                        "必要があれば、再度送信してください。"),
                                   true);
    } else if (kind == keyword::Message) {
        if (!addressedHere(f1))
            return;
        m_frontend.playEventSound(SoundKind::MessageArrived);
        m_sink.AddRecvMessage(f2, f3, f4, senderAddress);
    }
}

} // namespace zn
