#include "cli/sendcommand.h"

#include "session/session.h"
#include "cli/cli.h"
#include "common/codec.h"
#include "net/messenger.h"
#include "peers/roster.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace zn {

PeerMatch MatchUser(const QList<TPeer> &peers, const QByteArray &user, const QByteArray &local)
{
    PeerMatch byHandle;
    for (int i = 0; i < peers.size(); ++i) {
        const TPeer &peer = peers[i];
        if (peer.MachineName == local)
            continue;
        if (peer.MachineName == user)
            return {PeerMatch::One, i};
        if (peer.HandleName == user) {
            if (byHandle.kind == PeerMatch::None)
                byHandle = {PeerMatch::One, i};
            else
                byHandle = {PeerMatch::Several, -1};
        }
    }
    return byHandle;
}

SendCommand::SendCommand(Session &session, const QStringList &users, QByteArray text, bool json,
                         QTextStream &out, QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_text(std::move(text))
    , m_json(json)
    , m_out(out)
{
    for (const QString &user : users)
        m_recipients.append({user, {}, {}, SendRecipient::Unknown});
    connect(&session, &Session::readConfirmed, this, &SendCommand::readConfirmed);
}

bool SendCommand::resolve()
{
    // Everyone is matched again each time, so that a machine name seen late
    // still wins over a handle name seen first.
    bool all = true;
    const QList<TPeer> &peers = m_session.roster().peers();
    for (SendRecipient &r : m_recipients) {
        const PeerMatch match = MatchUser(peers, cp932::encode(r.user).bytes, m_session.local.MachineName);
        if (match.kind == PeerMatch::One) {
            r.machineName = peers[match.index].MachineName;
            r.handleName = peers[match.index].HandleName;
            r.state = SendRecipient::Matched;
        } else {
            r.machineName.clear();
            r.handleName.clear();
            r.state = match.kind == PeerMatch::Several ? SendRecipient::Ambiguous : SendRecipient::Unknown;
            all = false;
        }
    }
    return all;
}

void SendCommand::send()
{
    resolve();
    m_sentAt.start();
    for (SendRecipient &r : m_recipients) {
        if (r.state == SendRecipient::Ambiguous) {
            print(r, "ambiguous");
        } else if (r.state == SendRecipient::Unknown) {
            r.state = SendRecipient::NotOnline;
            print(r, "not-online");
        } else if (m_session.messenger().SendMessageTo(m_text, r.machineName)) {
            r.state = SendRecipient::Sent;
            print(r, "sent");
        } else {
            // Gone between the roster's answer and now, or the send failed.
            r.state = SendRecipient::NotOnline;
            print(r, "not-online");
        }
    }
}

bool SendCommand::allConfirmed() const
{
    for (const SendRecipient &r : m_recipients)
        if (r.state == SendRecipient::Sent)
            return false;
    return true;
}

void SendCommand::reportUnconfirmed()
{
    for (const SendRecipient &r : m_recipients)
        if (r.state == SendRecipient::Sent)
            print(r, "unconfirmed");
}

int SendCommand::exitCode(bool waited) const
{
    bool ambiguous = false, offline = false, unconfirmed = false;
    for (const SendRecipient &r : m_recipients) {
        ambiguous |= r.state == SendRecipient::Ambiguous;
        offline |= r.state == SendRecipient::NotOnline;
        unconfirmed |= r.state == SendRecipient::Sent;
    }
    if (ambiguous)
        return ExitUsage;
    if (offline)
        return ExitNotOnline;
    if (waited && unconfirmed)
        return ExitUnconfirmed;
    return ExitOk;
}

void SendCommand::readConfirmed(const QByteArray &readerHandle)
{
    // The confirmation names only the reader's handle name: it settles the
    // first sent recipient of that name still waiting.
    for (SendRecipient &r : m_recipients) {
        if (r.state == SendRecipient::Sent && r.handleName == readerHandle) {
            r.state = SendRecipient::Confirmed;
            print(r, "confirmed");
            if (allConfirmed())
                emit confirmedByAll();
            return;
        }
    }
}

void SendCommand::print(const SendRecipient &r, const char *outcome)
{
    const QString handle = cp932::decode(r.handleName);
    const QString machine = cp932::decode(r.machineName);
    if (m_json) {
        QJsonObject object{{u"user"_qs, r.user}, {u"outcome"_qs, QString::fromLatin1(outcome)}};
        if (!r.machineName.isEmpty()) {
            object.insert(u"handleName"_qs, handle);
            object.insert(u"machineName"_qs, machine);
        }
        if (r.state == SendRecipient::Confirmed)
            object.insert(u"seconds"_qs, double(m_sentAt.elapsed()) / 1000.0);
        m_out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) << Qt::endl;
        return;
    }
    const QString who = r.machineName.isEmpty() ? oneLine(r.user)
                                                : oneLine(handle) + u" (" + oneLine(machine) + u')';
    m_out << outcome << ": " << who;
    if (r.state == SendRecipient::Confirmed)
        m_out << " after " << QString::number(double(m_sentAt.elapsed()) / 1000.0, 'f', 1) << " s";
    if (r.state == SendRecipient::Ambiguous)
        m_out << " (several users have this handle name: name the machine)";
    m_out << Qt::endl;
}

} // namespace zn
