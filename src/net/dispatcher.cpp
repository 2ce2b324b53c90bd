#include "net/dispatcher.h"

#include "common/codec.h"
#include "common/frontend.h"
#include "common/localpeer.h"
#include "common/text.h"
#include "net/answerlimiter.h"
#include "net/messagefields.h"
#include "net/messagesink.h"
#include "net/messenger.h"
#include "net/wire.h"
#include "peers/roster.h"
#include "settings/settings.h"

#include <QCoreApplication>

namespace zn {

// The message table: each kind's keyword, whether field 1 is the address of
// the copy it is for (another copy's is ignored), and its handler.
struct Dispatcher::Kind {
    QByteArrayView keyword;
    bool addressed;
    void (Dispatcher::*handle)(const MessageFields &, const QByteArray &);
};

const Dispatcher::Kind *Dispatcher::kindOf(QByteArrayView word)
{
    static constexpr Kind Kinds[] = {
        {keyword::Login, false, &Dispatcher::login},
        {keyword::LoginOk, true, &Dispatcher::loginOk},
        {keyword::InfoChange, false, &Dispatcher::infoChange},
        {keyword::Logout, false, &Dispatcher::logout},
        {keyword::OpenCheck, true, &Dispatcher::openCheck},
        {keyword::HuzaiCheck, true, &Dispatcher::huzaiCheck},
        {keyword::HuzaiMessage, true, &Dispatcher::huzaiMessage},
        {keyword::MessageExclamation, true, &Dispatcher::messageExclamation},
        {keyword::Message, true, &Dispatcher::textMessage},
    };
    for (const Kind &kind : Kinds) {
        if (kind.keyword == word)
            return &kind;
    }
    return nullptr;
}

Dispatcher::Dispatcher(const Settings &settings, const LocalPeer &local, Roster &roster, Messenger &messenger,
                       Frontend &frontend, MessageSink &sink, AnswerLimiter *limiter)
    : m_settings(settings), m_local(local), m_roster(roster), m_messenger(messenger), m_frontend(frontend),
      m_sink(sink), m_limiter(limiter)
{}

bool Dispatcher::concernsThisCopy(QByteArrayView kind, QByteArrayView field1) const
{
    const Kind *row = kindOf(kind);
    return row && (!row->addressed || addressedHere(field1));
}

std::optional<qint32> Dispatcher::StrToInt(QByteArrayView text)
{
    return ParseDecimalInt32(text);
}

std::optional<bool> Dispatcher::absenceFlag(QByteArrayView text, const QByteArray &senderAddress)
{
    if (const std::optional<qint32> value = StrToInt(text))
        return (quint32(*value) & 0xFF) != 0;
    if (!m_limiter || m_limiter->allowNetworkNotice(senderAddress))
        m_frontend.showEventNotice(
            QCoreApplication::translate("zn::Dispatcher", "'%1' は整数ではありません").arg(cp932::decode(text)), false);
    return std::nullopt;
}

bool Dispatcher::addressedHere(QByteArrayView address) const
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
        m_frontend.showNoAbsenceMessage(
            QCoreApplication::translate("zn::Dispatcher",
                                        "「%1」は不在ではないか、不在メッセージが設定されていません。")
                .arg(cp932::decode(name)));
    }
    m_noAbsenceMessageBoxOpen = false;
}

void Dispatcher::HandleReceivedMessage(const QByteArray &message, const QByteArray &senderAddress)
{
    const MessageFields fields(message);
    const Kind *kind = kindOf(fields[0]);
    if (!kind || (kind->addressed && !addressedHere(fields[1])))
        return;
    (this->*kind->handle)(fields, senderAddress);
}

// LOGIN machine, handle, absence, address: listed, and answered by LOGIN_OK.
void Dispatcher::login(const MessageFields &f, const QByteArray &senderAddress)
{
    const QByteArray machine = f.bytes(1);
    // Checked first: a flood of LOGINs must not open boxes either.
    const QByteArray address = f.bytes(4);
    if (m_limiter
        && !m_limiter->allowLogin(senderAddress, machine, address, [&] { return m_roster.contains(machine); }))
        return;
    const std::optional<bool> absent = absenceFlag(f[3], senderAddress);
    if (!absent)
        return;
    m_roster.AddOrUpdatePeer(f.bytes(2), machine, address, *absent, PeerOrigin::Announced);
    if (m_answerLogin)
        m_answerLogin(address);
    else
        m_messenger.SendLoginOk(address);
}

// LOGIN_OK to, machine, handle, absence, address: listed.
void Dispatcher::loginOk(const MessageFields &f, const QByteArray &senderAddress)
{
    const QByteArray machine = f.bytes(2);
    // An answer adds a machine only when this copy asked: anyone can
    // send LOGIN_OKs in ever new names, and nothing else bounds them.
    if (m_limiter && !m_limiter->allowNewFromLoginOk() && !m_roster.contains(machine))
        return;
    const std::optional<bool> absent = absenceFlag(f[4], senderAddress);
    if (!absent)
        return;
    m_roster.AddOrUpdatePeer(f.bytes(3), machine, f.bytes(5), *absent, PeerOrigin::Announced);
}

// INFO_CHANGE machine, handle, absence, address: listed, unsolicited.
void Dispatcher::infoChange(const MessageFields &f, const QByteArray &senderAddress)
{
    const QByteArray machine = f.bytes(1);
    if (m_limiter && !m_roster.contains(machine) && !m_limiter->allowNewFromInfoChange(senderAddress))
        return;
    const std::optional<bool> absent = absenceFlag(f[3], senderAddress);
    if (!absent)
        return;
    m_roster.AddOrUpdatePeer(f.bytes(2), machine, f.bytes(4), *absent, PeerOrigin::Unsolicited);
}

// LOGOUT machine: no longer listed.
void Dispatcher::logout(const MessageFields &f, const QByteArray &)
{
    m_roster.RemovePeer(f.bytes(1));
}

// OPEN_CHECK to, reader's handle: a message we sent was opened.
void Dispatcher::openCheck(const MessageFields &f, const QByteArray &)
{
    const QByteArray reader = f.bytes(2);
    m_sink.ReadConfirmed(reader);
    if (m_settings.OpenCheck) {
        m_frontend.announceEvent(
            NoticeKind::ReadConfirmed,
            QCoreApplication::translate("zn::Dispatcher", "「%1」に送信したメッセージが確認されました。")
                .arg(cp932::decode(reader)),
            false);
    }
}

// HUZAI_CHECK to, reply address: answered by HUZAI_MESSAGE, the absence
// message or "Nothing".
void Dispatcher::huzaiCheck(const MessageFields &f, const QByteArray &senderAddress)
{
    if (m_limiter && !m_limiter->allowAbsenceAnswer(senderAddress, f.bytes(2)))
        return;
    if (m_local.AbsentMode && !m_settings.HuzaiMessage.isEmpty()) {
        m_messenger.SendHuzaiMessage(cp932::bytes(u"≪不在メッセージです≫") + CrLf + CrLf + m_settings.HuzaiMessage,
                                     f.bytes(2));
    } else {
        m_messenger.SendHuzaiMessage(QByteArrayLiteral("Nothing"), f.bytes(2));
    }
}

// HUZAI_MESSAGE to, machine, handle, text: an answer this copy asked for,
// shown; "Nothing" says there is no absence message.
void Dispatcher::huzaiMessage(const MessageFields &f, const QByteArray &senderAddress)
{
    const QByteArray machine = f.bytes(2);
    const QByteArray handle = f.bytes(3);
    const QByteArray text = f.bytes(4);
    if (!m_sink.AcceptAbsenceAnswer(senderAddress, machine, handle, text))
        return;
    if (text == "Nothing") {
        showNoAbsenceMessage(handle);
    } else {
        m_frontend.openAbsenceWindow(machine, handle, text);
    }
}

// MESSAGE_EXCLAMATION to, handle: a message we sent to that peer was lost.
void Dispatcher::messageExclamation(const MessageFields &f, const QByteArray &)
{
    m_frontend.announceEvent(
        NoticeKind::DeliveryWarning,
        QCoreApplication::translate("zn::Dispatcher",
                                    "約1分前に「%1」に送信したメッセージは正常に送信されませんでした。"
                                    "必要があれば、再度送信してください。")
            .arg(cp932::decode(f[2])),
        true);
}

// MESSAGE to, machine, handle, text: the arrival sound, then the unread queue.
void Dispatcher::textMessage(const MessageFields &f, const QByteArray &senderAddress)
{
    m_frontend.playEventSound(SoundKind::MessageArrived);
    m_sink.AddRecvMessage(f.bytes(2), f.bytes(3), f.bytes(4), senderAddress);
}

} // namespace zn
