// zephinet-cli's own session: the core without windows, speaking through
// stderr, announced under the options' name, port and addresses.
#pragma once

#include "common/frontend.h"
#include "session/session.h"

#include <QList>
#include <QString>

class QTextStream;

namespace zn {

struct CliOptions;
struct InterfaceCandidate;

// Speaks through stderr instead of windows: boxes and notices become lines.
class CliFrontend final : public Frontend {
public:
    explicit CliFrontend(QTextStream &err);
    Answer showMessageBox(const QString &text, int flags) override;
    void showEventNotice(const QString &text, bool important) override;
    void playEventSound(SoundKind) override {}
    // Absence answers reach the absence command through the session
    // (Session::absenceAnswered); only answers it asked for get that far.
    void openAbsenceWindow(const QByteArray &, const QByteArray &, const QByteArray &) override {}
    void showNoAbsenceMessage(const QString &) override {}

private:
    QTextStream &m_err;
};

// Whether `who` can reach anyone: some interface is up, running, not
// loopback, broadcast-capable and holds an IPv4 address. Name resolution has
// no say, so a host whose name resolves to some address in /etc/hosts but
// that has only loopback is still without a network.
bool HasUsableNetwork(const QList<InterfaceCandidate> &interfaces);

struct CliSession {
    CliFrontend frontend;
    Session session{frontend, {}};

    // The machine name, and the options' handle name, port and addresses.
    CliSession(const CliOptions &options, QTextStream &err);
    // Some network is usable, the port opens and the LOGIN went out
    // somewhere: ExitOk; else the exit code, having said why on stderr.
    int start();

private:
    QTextStream &m_err;
};

// Runs the event loop for `seconds` (0: until a signal), or until a signal.
void runFor(int seconds);

} // namespace zn
