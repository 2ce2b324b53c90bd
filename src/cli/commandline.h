// zephinet-cli: a headless peer for scripts and diagnostics. Its command
// line and the exit codes every command shares.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace zn {

// When several apply, the first of 2, 3, 1, 130, 4, 5, 6 is given.
enum ExitCode {
    ExitOk = 0,
    ExitPortInUse = 1,
    ExitUsage = 2, // bad arguments, or a text the checks refuse
    ExitNoNetwork = 3,
    ExitNotOnline = 4,        // a recipient is not online (the others got the text)
    ExitUnconfirmed = 5,      // --wait ran out before every read confirmation; absence: no answer in time
    ExitNoAbsenceMessage = 6, // absence: the user is present or has no absence message
    ExitProblemFound = 7,     // doctor: a check found a problem
    ExitInterrupted = 130,
};

struct CliOptions {
    quint16 port = 50000;
    bool portGiven = false;      // --port was given (doctor: else the settings file's)
    QByteArray handleName;       // empty: the machine name
    QStringList sendIp;          // extra destination addresses
    bool broadcastOnly = false;  // messages for one user go by broadcast too
    int seconds = -1;            // -1: the command's default
    int wait = -1;               // send: seconds to wait for confirmations; -1: none
    std::optional<QString> text; // send: the text; none: standard input
    bool json = false;
};

// The parsed command line, or what to print and the exit code instead.
struct CommandLine {
    QString command;   // "who", "watch", "send", "absence" or "doctor"
    QStringList users; // send and absence: the users named
    CliOptions options;
    int exitCode = -1; // >= 0: print `output` and exit with it
    QString output;    // help (to standard output) or the error
};
CommandLine ParseCommandLine(const QStringList &arguments);

} // namespace zn
