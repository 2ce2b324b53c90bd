// zephinet-cli send: one text to one or more users, optionally waiting for
// their read confirmations.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QTextStream;

namespace zn {

class Roster;
class Session;
struct TPeer;

struct SendRecipient {
    enum State { Unknown, Matched, Ambiguous, NotOnline, Sent, Confirmed };
    QString user;            // as given on the command line
    QByteArray machineName;  // the peer it matched, once found
    QByteArray handleName;
    State state = Unknown;
};

// The peer a USER names: the one whose machine name it is, else the one
// whose handle name it is. Names are compared as CP932 bytes. `local` (this
// copy's own machine name) never matches. A handle name two peers share
// matches Several: the user must then name the machine.
struct PeerMatch {
    enum Kind { None, One, Several } kind = None;
    int index = -1;
};
PeerMatch MatchUser(const QList<TPeer> &peers, const QByteArray &user, const QByteArray &local);

class SendCommand : public QObject {
    Q_OBJECT
public:
    // `text` has passed the message checks. Outcomes are printed to `out`
    // as lines or, with `json`, one object per recipient and outcome.
    SendCommand(Session &session, const QStringList &users, QByteArray text, bool json, QTextStream &out,
                QObject *parent = nullptr);

    // Matches every user against the roster; true when each names one
    // online peer.
    bool resolve();
    // Matches once more, then sends the text to every matched user; the others are reported as not
    // online (or ambiguous) and get nothing.
    void send();
    // Every sent recipient has confirmed reading.
    bool allConfirmed() const;
    // After a wait ran out: each recipient still unconfirmed is reported.
    void reportUnconfirmed();

    const QList<SendRecipient> &recipients() const { return m_recipients; }
    // 2 a handle name two users share, 4 a user not online, 5 (when `waited`)
    // a confirmation missing, else 0.
    int exitCode(bool waited) const;

signals:
    void confirmedByAll();

private:
    void readConfirmed(const QByteArray &readerHandle);
    void print(const SendRecipient &r, const char *outcome);

    Session &m_session;
    QList<SendRecipient> m_recipients;
    QByteArray m_text;
    bool m_json;
    QTextStream &m_out;
    QElapsedTimer m_sentAt;
};

} // namespace zn
