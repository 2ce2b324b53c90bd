#include "cli/peercommand.h"

#include "cli/clisession.h"
#include "cli/commandline.h"
#include "cli/terminaltext.h"
#include "common/codec.h"
#include "peers/roster.h"
#include "platform/unixsignals.h"
#include "session/session.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <QTimer>

namespace zn {

namespace {
constexpr int DefaultDiscoverySeconds = 3;

// The event loop of send and absence: it ends at a deadline, on SIGINT or
// SIGTERM (interrupted), or when a command quits it.
struct CommandLoop {
    QEventLoop loop;
    bool interrupted = false;

    CommandLoop()
    {
        m_deadline.setSingleShot(true);
        QObject::connect(&m_deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&m_signals, &UnixSignalWatcher::terminationRequested, &loop, [this] {
            interrupted = true;
            loop.quit();
        });
    }
    void run(int seconds)
    {
        m_deadline.start(seconds * 1000);
        loop.exec();
    }
    // Who is online: until `found` holds after a change of the roster, or
    // the time is up.
    void discover(Session &session, const std::function<bool()> &found, int seconds)
    {
        if (found())
            return;
        const auto check = [this, &found] {
            if (found())
                loop.quit();
        };
        QObject::connect(&session.roster(), &Roster::inserted, &loop, check);
        QObject::connect(&session.roster(), &Roster::changed, &loop, check);
        run(seconds);
        QObject::disconnect(&session.roster(), nullptr, &loop, nullptr);
    }
    // A usage error outranks an interruption, which outranks the rest.
    int exitCode(int commandCode) const
    {
        return commandCode != ExitUsage && interrupted ? int(ExitInterrupted) : commandCode;
    }

private:
    QTimer m_deadline;
    UnixSignalWatcher m_signals;
};
} // namespace

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

PeerCommand::PeerCommand(Session &session, const QStringList &users, bool json, QTextStream &out,
                         const char *unrepliedOutcome, QObject *parent)
    : QObject(parent), m_session(session), m_json(json), m_out(out), m_unrepliedOutcome(unrepliedOutcome)
{
    for (const QString &user : users) {
        Recipient r;
        r.user = user;
        m_recipients.append(r);
    }
}

bool PeerCommand::resolve()
{
    // Everyone is matched again each time, so that a machine name seen late
    // still wins over a handle name seen first.
    bool all = true;
    const QList<TPeer> &peers = m_session.roster().peers();
    for (Recipient &r : m_recipients) {
        const PeerMatch match = MatchUser(peers, cp932::encode(r.user).bytes, m_session.local.MachineName);
        if (match.kind == PeerMatch::One) {
            const TPeer &peer = peers[match.index];
            r.machineName = peer.MachineName;
            r.handleName = peer.HandleName;
            r.address = peer.Address;
            r.state = Recipient::Matched;
        } else {
            r.machineName.clear();
            r.handleName.clear();
            r.address.clear();
            r.state = match.kind == PeerMatch::Several ? Recipient::Ambiguous : Recipient::Unknown;
            all = false;
        }
    }
    return all;
}

void PeerCommand::reachAll()
{
    for (Recipient &r : m_recipients) {
        if (r.state == Recipient::Ambiguous) {
            print(r, "ambiguous");
        } else if (r.state == Recipient::Unknown || !reach(r)) {
            r.state = Recipient::NotOnline;
            print(r, "not-online");
        }
    }
}

bool PeerCommand::allReplied() const
{
    for (const Recipient &r : m_recipients)
        if (r.state == Recipient::Waiting)
            return false;
    return true;
}

void PeerCommand::reportUnreplied()
{
    for (const Recipient &r : m_recipients)
        if (r.state == Recipient::Waiting)
            print(r, m_unrepliedOutcome);
}

int PeerCommand::exitCode(bool repliesAwaited) const
{
    bool ambiguous = false, offline = false, waiting = false, noMessage = false;
    for (const Recipient &r : m_recipients) {
        ambiguous |= r.state == Recipient::Ambiguous;
        offline |= r.state == Recipient::NotOnline || r.state == Recipient::Unknown;
        waiting |= r.state == Recipient::Waiting;
        noMessage |= r.state == Recipient::NoMessage;
    }
    if (ambiguous)
        return ExitUsage;
    if (offline)
        return ExitNotOnline;
    if (repliesAwaited && waiting)
        return ExitUnconfirmed;
    if (noMessage)
        return ExitNoAbsenceMessage;
    return ExitOk;
}

void PeerCommand::print(const Recipient &r, const char *outcome)
{
    const QString handle = cp932::decode(r.handleName);
    const QString machine = cp932::decode(r.machineName);
    if (m_json) {
        QJsonObject object{{u"user"_qs, r.user}, {u"outcome"_qs, QString::fromLatin1(outcome)}};
        if (!r.machineName.isEmpty()) {
            object.insert(u"handleName"_qs, handle);
            object.insert(u"machineName"_qs, machine);
        }
        if (r.state == Recipient::Confirmed)
            object.insert(u"seconds"_qs, r.seconds);
        if (r.state == Recipient::Absent)
            object.insert(u"message"_qs, cp932::toWidgetText(r.message));
        m_out << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) << Qt::endl;
        return;
    }
    const QString who = r.machineName.isEmpty() ? oneLine(r.user) : oneLine(handle) + u" (" + oneLine(machine) + u')';
    m_out << outcome << ": " << who;
    if (r.state == Recipient::Confirmed)
        m_out << " after " << QString::number(r.seconds, 'f', 1) << " s";
    if (r.state == Recipient::Absent)
        m_out << ": " << oneLine(cp932::decode(r.message));
    if (r.state == Recipient::Ambiguous)
        m_out << " (several users have this handle name: name the machine)";
    m_out << Qt::endl;
}

int DiscoverySeconds(const CliOptions &options)
{
    return options.seconds < 0 ? DefaultDiscoverySeconds : options.seconds;
}

int RunPeerCommand(const CliOptions &options, const QStringList &users, int replySeconds, const MakePeerCommand &make,
                   QTextStream &err)
{
    for (const QString &user : users) {
        if (!cp932::encode(user).ok() || user.isEmpty()) {
            err << "zephinet-cli: no user can be named \"" << oneLine(user) << "\"" << Qt::endl;
            return ExitUsage;
        }
    }

    CliSession cli(options, err);
    cli.session.settings.LogSave = false; // the companion keeps no log
    if (const int refused = cli.start(); refused != ExitOk)
        return refused;

    const std::unique_ptr<PeerCommand> command = make(cli.session);
    CommandLoop loop;
    loop.discover(
        cli.session, [&command] { return command->resolve(); }, DiscoverySeconds(options));
    const bool waited = replySeconds >= 0;
    if (!loop.interrupted) {
        command->act();
        if (waited && !command->allReplied()) {
            QObject::connect(command.get(), &PeerCommand::repliedByAll, &loop.loop, &QEventLoop::quit);
            loop.run(replySeconds);
            if (!loop.interrupted)
                command->reportUnreplied();
        }
    }
    cli.session.shutdown(); // LOGOUT
    return loop.exitCode(command->exitCode(waited));
}

} // namespace zn
