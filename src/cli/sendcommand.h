// zephinet-cli send: one text to one or more users, optionally waiting for
// their read confirmations.
#pragma once

#include "cli/peercommand.h"

#include <QElapsedTimer>

namespace zn {

class SendCommand final : public PeerCommand {
    Q_OBJECT
public:
    // `text` has passed the message checks. Outcomes are printed to `out`
    // as lines or, with `json`, one object per recipient and outcome.
    SendCommand(Session &session, const QStringList &users, QByteArray text, bool json, QTextStream &out,
                QObject *parent = nullptr);

    // Matches once more, then sends the text to every matched user.
    void act() override;

private:
    bool reach(Recipient &r) override;
    void readConfirmed(const QByteArray &readerHandle);

    QByteArray m_text;
    QElapsedTimer m_sentAt;
};

// Standard input as a message text: decoded as UTF-8, one final line break
// dropped (what "echo" and a here-document add).
QString TextFromInput(const QByteArray &input);

// Takes the text (--text, else standard input) and checks it and the users,
// announces itself, learns who is online (at most --seconds, default 3, less
// once every user is found), sends the text to each user, waits for read
// confirmations when asked (--wait), logs out.
int runSend(const CliOptions &options, const QStringList &users, QTextStream &out, QTextStream &err);

} // namespace zn
