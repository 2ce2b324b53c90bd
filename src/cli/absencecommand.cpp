#include "cli/absencecommand.h"

#include "session/session.h"
#include "cli/cli.h"
#include "cli/sendcommand.h"
#include "common/codec.h"
#include "peers/roster.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

namespace zn {

QByteArray AbsenceMessageOfAnswer(const QByteArray &answer)
{
    const QByteArray opening = cp932::bytes(u"≪不在メッセージです≫") + "\r\n\r\n";
    return answer.startsWith(opening) ? answer.mid(opening.size()) : answer;
}

AbsenceCommand::AbsenceCommand(Session &session, const QStringList &users, bool json, QTextStream &out,
                               QObject *parent)
    : QObject(parent)
    , m_session(session)
    , m_json(json)
    , m_out(out)
{
    for (const QString &user : users) {
        AbsenceRecipient r;
        r.user = user;
        m_recipients.append(r);
    }
    connect(&session, &Session::absenceAnswered, this, &AbsenceCommand::answered);
}

bool AbsenceCommand::resolve()
{
    bool all = true;
    const QList<TPeer> &peers = m_session.roster().peers();
    for (AbsenceRecipient &r : m_recipients) {
        const PeerMatch match = MatchUser(peers, cp932::encode(r.user).bytes, m_session.local.MachineName);
        if (match.kind == PeerMatch::One) {
            const TPeer &peer = peers[match.index];
            r.machineName = peer.MachineName;
            r.handleName = peer.HandleName;
            r.address = peer.Address;
            r.state = AbsenceRecipient::Matched;
        } else {
            r.machineName.clear();
            r.handleName.clear();
            r.address.clear();
            r.state = match.kind == PeerMatch::Several ? AbsenceRecipient::Ambiguous : AbsenceRecipient::Unknown;
            all = false;
        }
    }
    return all;
}

void AbsenceCommand::ask()
{
    resolve();
    QList<QByteArray> asked;
    for (AbsenceRecipient &r : m_recipients) {
        if (r.state == AbsenceRecipient::Ambiguous) {
            print(r, "ambiguous");
        } else if (r.state == AbsenceRecipient::Unknown) {
            r.state = AbsenceRecipient::NotOnline;
            print(r, "not-online");
        } else if (asked.contains(r.address) || m_session.askAbsenceMessage(r.address)) {
            // A user named twice is asked once; the one answer settles both.
            asked.append(r.address);
            r.state = AbsenceRecipient::Asked;
        } else {
            r.state = AbsenceRecipient::NotOnline;
            print(r, "not-online");
        }
    }
}

bool AbsenceCommand::allAnswered() const
{
    for (const AbsenceRecipient &r : m_recipients)
        if (r.state == AbsenceRecipient::Asked)
            return false;
    return true;
}

void AbsenceCommand::answered(const QByteArray &machineName, const QByteArray &handleName, const QByteArray &text)
{
    bool settled = false;
    for (AbsenceRecipient &r : m_recipients) {
        if (r.state != AbsenceRecipient::Asked || r.machineName != machineName)
            continue;
        r.handleName = handleName;
        if (text == "Nothing") {
            r.state = AbsenceRecipient::NoMessage;
            print(r, "no-message");
        } else {
            r.state = AbsenceRecipient::Absent;
            r.message = AbsenceMessageOfAnswer(text);
            print(r, "absent");
        }
        settled = true;
    }
    if (settled && allAnswered())
        emit answeredByAll();
}

void AbsenceCommand::reportUnanswered()
{
    for (AbsenceRecipient &r : m_recipients) {
        if (r.state == AbsenceRecipient::Asked) {
            r.state = AbsenceRecipient::NoAnswer;
            print(r, "no-answer");
        }
    }
}

int AbsenceCommand::exitCode() const
{
    bool ambiguous = false, offline = false, unanswered = false, noMessage = false;
    for (const AbsenceRecipient &r : m_recipients) {
        ambiguous |= r.state == AbsenceRecipient::Ambiguous;
        offline |= r.state == AbsenceRecipient::NotOnline || r.state == AbsenceRecipient::Unknown;
        unanswered |= r.state == AbsenceRecipient::NoAnswer || r.state == AbsenceRecipient::Asked;
        noMessage |= r.state == AbsenceRecipient::NoMessage;
    }
    if (ambiguous)
        return ExitUsage;
    if (offline)
        return ExitNotOnline;
    if (unanswered)
        return ExitUnconfirmed;
    if (noMessage)
        return ExitNoAbsenceMessage;
    return ExitOk;
}

void AbsenceCommand::print(const AbsenceRecipient &r, const char *outcome)
{
    const QString handle = cp932::decode(r.handleName);
    const QString machine = cp932::decode(r.machineName);
    if (m_json) {
        QJsonObject object{{u"user"_qs, r.user}, {u"outcome"_qs, QString::fromLatin1(outcome)}};
        if (!r.machineName.isEmpty()) {
            object.insert(u"handleName"_qs, handle);
            object.insert(u"machineName"_qs, machine);
        }
        if (r.state == AbsenceRecipient::Absent)
            object.insert(u"message"_qs, cp932::toWidgetText(r.message));
        m_out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) << Qt::endl;
        return;
    }
    const QString who = r.machineName.isEmpty() ? oneLine(r.user)
                                                : oneLine(handle) + u" (" + oneLine(machine) + u')';
    m_out << outcome << ": " << who;
    if (r.state == AbsenceRecipient::Absent)
        m_out << ": " << oneLine(cp932::decode(r.message));
    if (r.state == AbsenceRecipient::Ambiguous)
        m_out << " (several users have this handle name: name the machine)";
    m_out << Qt::endl;
}

} // namespace zn
