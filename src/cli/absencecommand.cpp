#include "cli/absencecommand.h"

#include "cli/commandline.h"
#include "common/codec.h"
#include "session/session.h"

namespace zn {

QByteArray AbsenceMessageOfAnswer(const QByteArray &answer)
{
    const QByteArray opening = cp932::bytes(u"≪不在メッセージです≫") + "\r\n\r\n";
    return answer.startsWith(opening) ? answer.mid(opening.size()) : answer;
}

AbsenceCommand::AbsenceCommand(Session &session, const QStringList &users, bool json, QTextStream &out, QObject *parent)
    : PeerCommand(session, users, json, out, "no-answer", parent)
{
    connect(&session, &Session::absenceAnswered, this, &AbsenceCommand::answered);
}

void AbsenceCommand::act()
{
    resolve();
    m_asked.clear();
    reachAll();
}

bool AbsenceCommand::reach(Recipient &r)
{
    // A user named twice is asked once; the one answer settles both.
    if (!m_asked.contains(r.address) && !m_session.askAbsenceMessage(r.address))
        return false;
    m_asked.append(r.address);
    r.state = Recipient::Waiting;
    return true;
}

void AbsenceCommand::answered(const QByteArray &machineName, const QByteArray &handleName, const QByteArray &text)
{
    bool settled = false;
    for (Recipient &r : m_recipients) {
        if (r.state != Recipient::Waiting || r.machineName != machineName)
            continue;
        r.handleName = handleName;
        if (text == "Nothing") {
            r.state = Recipient::NoMessage;
            print(r, "no-message");
        } else {
            r.state = Recipient::Absent;
            r.message = AbsenceMessageOfAnswer(text);
            print(r, "absent");
        }
        settled = true;
    }
    if (settled && allReplied())
        emit repliedByAll();
}

int runAbsence(const CliOptions &options, const QStringList &users, QTextStream &out, QTextStream &err)
{
    // Answers are awaited as long as the users were looked for.
    return RunPeerCommand(
        options, users, DiscoverySeconds(options),
        [&](Session &session) { return std::make_unique<AbsenceCommand>(session, users, options.json, out); }, err);
}

} // namespace zn
