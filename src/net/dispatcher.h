// Acts on every complete message: keeps the roster, answers logins and
// absence-message requests, hands text messages on and raises the notices.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <functional>
#include <optional>

namespace zn {

class AnswerLimiter;
class Frontend;
class MessageSink;
class MessageFields;
class Messenger;
class Roster;
struct LocalPeer;
struct Settings;

class Dispatcher {
public:
    // With a `limiter`, LOGINs and HUZAI_CHECKs beyond its limits are
    // dropped unanswered, machines not listed yet are added from LOGIN_OK
    // only after this copy's own LOGIN and from INFO_CHANGE only within its
    // limits, and bad absence fields are told within its limits; without
    // one every message is acted on.
    Dispatcher(const Settings &settings, const LocalPeer &local, Roster &roster, Messenger &messenger,
               Frontend &frontend, MessageSink &sink, AnswerLimiter *limiter = nullptr);

    // Who sends the LOGIN_OK that answers a LOGIN (given the address to
    // answer); without one the messenger sends it at once.
    void setLoginAnswerer(std::function<void(const QByteArray &)> answer) { m_answerLogin = std::move(answer); }

    // One complete message (the body without its length header), split into
    // its fields once and handed to the handler of its kind. A box runs a
    // nested event loop in which further messages are dispatched: each is a
    // message of its own, and this one stays as it is until the call returns.
    // `senderAddress` is the dotted source address of the datagrams.
    void HandleReceivedMessage(const QByteArray &message, const QByteArray &senderAddress = {});

    // False when a message of this kind (field 0) and field 1 (as they travel)
    // would be ignored here: an unknown keyword, or a kind addressed to
    // another copy. Reassembly drops such messages unbuilt.
    bool concernsThisCopy(QByteArrayView kind, QByteArrayView field1) const;

    // The absence field as an integer: an optional sign and decimal digits,
    // nothing else (no blanks, no hexadecimal), within 32 bits:
    //   "1" -> 1, "-1" -> -1, "+0" -> 0, " 1" / "1 " / "abc" / "" -> nothing
    static std::optional<qint32> StrToInt(QByteArrayView text);

private:
    // A row of the message table.
    struct Kind;
    // The row of that keyword (field 0), or nothing for an unknown one.
    static const Kind *kindOf(QByteArrayView word);

    // One handler per kind, given the message's fields and the source
    // address. A kind that names the copy it is for (field 1) reaches its
    // handler only when it names this one.
    void login(const MessageFields &f, const QByteArray &senderAddress);
    void loginOk(const MessageFields &f, const QByteArray &senderAddress);
    void infoChange(const MessageFields &f, const QByteArray &senderAddress);
    void logout(const MessageFields &f, const QByteArray &senderAddress);
    void openCheck(const MessageFields &f, const QByteArray &senderAddress);
    void huzaiCheck(const MessageFields &f, const QByteArray &senderAddress);
    void huzaiMessage(const MessageFields &f, const QByteArray &senderAddress);
    void messageExclamation(const MessageFields &f, const QByteArray &senderAddress);
    void textMessage(const MessageFields &f, const QByteArray &senderAddress);

    // The absence flag of field `text`: true when the low 8 bits of the
    // integer are not 0. Nothing when it is no integer; the notification
    // window then says so, once per source and seldom (never a box: anyone
    // on the network can send such datagrams, as fast as he likes).
    std::optional<bool> absenceFlag(QByteArrayView text, const QByteArray &senderAddress);
    bool addressedHere(QByteArrayView address) const;
    // Shows the "no absence message" box for `handleName`, then, once it is
    // closed, those queued while it was open, one after another.
    void showNoAbsenceMessage(const QByteArray &handleName);

    const Settings &m_settings;
    const LocalPeer &m_local;
    Roster &m_roster;
    Messenger &m_messenger;
    Frontend &m_frontend;
    MessageSink &m_sink;
    AnswerLimiter *m_limiter;
    std::function<void(const QByteArray &)> m_answerLogin;
    // The box that says a peer has no absence message is never nested:
    // answers arriving while it is open wait here (handle names) and are
    // shown in turn. Only answers this copy asked for get here, so the
    // request table bounds the queue.
    bool m_noAbsenceMessageBoxOpen = false;
    QList<QByteArray> m_noAbsenceMessageQueue;
};

} // namespace zn
