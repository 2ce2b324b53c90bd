// zephinet-cli absence: asks users for their absence messages and prints
// the answers.
#pragma once

#include "cli/peercommand.h"

namespace zn {

// The absence message of an answer without the first line every answer
// carries ("≪不在メッセージです≫", then an empty line); a text without that
// opening is kept whole.
QByteArray AbsenceMessageOfAnswer(const QByteArray &answer);

class AbsenceCommand final : public PeerCommand {
    Q_OBJECT
public:
    // Outcomes are printed to `out` as lines or, with `json`, one object per user.
    AbsenceCommand(Session &session, const QStringList &users, bool json, QTextStream &out, QObject *parent = nullptr);

    // Matches once more, then asks every matched user.
    void act() override;

private:
    bool reach(Recipient &r) override;
    void answered(const QByteArray &machineName, const QByteArray &handleName, const QByteArray &text);

    QList<QByteArray> m_asked; // the addresses asked by this act()
};

// Announces itself, learns who is online (at most --seconds, default 3, less
// once every user is found), asks each user for the absence message, waits
// at most --seconds more for the answers, prints them, logs out.
int runAbsence(const CliOptions &options, const QStringList &users, QTextStream &out, QTextStream &err);

} // namespace zn
