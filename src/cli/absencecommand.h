// zephinet-cli absence: asks users for their absence messages and prints
// the answers.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QTextStream;

namespace zn {

class Session;

struct AbsenceRecipient {
    enum State { Unknown, Matched, Ambiguous, NotOnline, Asked, Absent, NoMessage, NoAnswer };
    QString user;            // as given on the command line
    QByteArray machineName;  // the peer it matched, once found
    QByteArray handleName;
    QByteArray address;
    QByteArray message;      // Absent: the absence message, CR LF line breaks
    State state = Unknown;
};

// The absence message of an answer without the first line every answer
// carries ("≪不在メッセージです≫", then an empty line); a text without that
// opening is kept whole.
QByteArray AbsenceMessageOfAnswer(const QByteArray &answer);

class AbsenceCommand : public QObject {
    Q_OBJECT
public:
    // Outcomes are printed to `out` as lines or, with `json`, one object per user.
    AbsenceCommand(Session &session, const QStringList &users, bool json, QTextStream &out,
                   QObject *parent = nullptr);

    // Matches every user against the roster (machine name, else handle
    // name); true when each names one online peer.
    bool resolve();
    // Matches once more, then asks every matched user; the others are
    // reported as not online (or ambiguous).
    void ask();
    // No asked user is still waiting for an answer.
    bool allAnswered() const;
    // After the wait ran out: each user still unanswered is reported.
    void reportUnanswered();

    const QList<AbsenceRecipient> &recipients() const { return m_recipients; }
    // The first that applies of 2 (a handle name two users share), 4 (not
    // online), 5 (no answer), 6 (present or no absence message); else 0.
    int exitCode() const;

signals:
    void answeredByAll();

private:
    void answered(const QByteArray &machineName, const QByteArray &handleName, const QByteArray &text);
    void print(const AbsenceRecipient &r, const char *outcome);

    Session &m_session;
    QList<AbsenceRecipient> m_recipients;
    bool m_json;
    QTextStream &m_out;
};

} // namespace zn
