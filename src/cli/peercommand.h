// What send and absence share: each USER matched to one peer online, one
// outcome per user, and one run from the announcement to the logout.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QTextStream;

namespace zn {

class Session;
struct CliOptions;
struct TPeer;

// The peer a USER names: the one whose machine name it is, else the one
// whose handle name it is. Names are compared as CP932 bytes. `local` (this
// copy's own machine name) never matches. A handle name two peers share
// matches Several: the user must then name the machine.
struct PeerMatch {
    enum Kind { None, One, Several } kind = None;
    int index = -1;
};
PeerMatch MatchUser(const QList<TPeer> &peers, const QByteArray &user, const QByteArray &local);

struct Recipient {
    // Waiting: sent the text (send) or asked (absence), and no reply yet.
    // Confirmed is send's reply; Absent and NoMessage are absence's.
    enum State { Unknown, Matched, Ambiguous, NotOnline, Waiting, Confirmed, Absent, NoMessage };
    QString user;           // as given on the command line
    QByteArray machineName; // the peer it matched, once found
    QByteArray handleName;
    QByteArray address;
    QByteArray message; // Absent: the absence message, CR LF line breaks
    double seconds = 0; // Confirmed: from the send to the confirmation
    State state = Unknown;
};

class PeerCommand : public QObject {
    Q_OBJECT
public:
    // Matches every user against the roster; true when each names one
    // online peer.
    bool resolve();
    // Matches once more, then reaches every matched user; the others are
    // reported as not online (or ambiguous) and get nothing.
    virtual void act() = 0;
    // No user reached is still waiting for the reply.
    bool allReplied() const;
    // After a wait ran out: each user still waiting is reported.
    void reportUnreplied();

    const QList<Recipient> &recipients() const { return m_recipients; }
    // The first that applies of 2 (a handle name two users share), 4 (not
    // online), 5 (when `repliesAwaited`: a reply missing), 6 (present or no
    // absence message); else 0.
    int exitCode(bool repliesAwaited) const;

signals:
    void repliedByAll();

protected:
    // Outcomes are printed to `out` as lines or, with `json`, one object per
    // user and outcome; a user still waiting when the time is up is reported
    // as `unrepliedOutcome`.
    PeerCommand(Session &session, const QStringList &users, bool json, QTextStream &out, const char *unrepliedOutcome,
                QObject *parent);

    // Each matched user through reach(); the rest reported.
    void reachAll();
    // Sends the text or the question to one matched user, who then waits;
    // false when that fails (the user left since the roster's answer, or the
    // send failed).
    virtual bool reach(Recipient &r) = 0;
    void print(const Recipient &r, const char *outcome);

    Session &m_session;
    QList<Recipient> m_recipients;

private:
    bool m_json;
    QTextStream &m_out;
    const char *m_unrepliedOutcome;
};

// How long to learn who is online: --seconds, else 3.
int DiscoverySeconds(const CliOptions &options);

using MakePeerCommand = std::function<std::unique_ptr<PeerCommand>(Session &)>;
// The run send and absence share, after their own checks: refuses a USER
// that cannot be named, starts a session that keeps no log and announces
// itself, learns who is online (at most DiscoverySeconds, less once every
// user is found), lets the command act, waits at most `replySeconds` (-1:
// not at all) for every reply, logs out.
int RunPeerCommand(const CliOptions &options, const QStringList &users, int replySeconds, const MakePeerCommand &make,
                   QTextStream &err);

} // namespace zn
