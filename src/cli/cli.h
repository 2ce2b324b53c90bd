// zephinet-cli: a headless peer for scripts and diagnostics.
#pragma once

#include "common/frontend.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

class QTextStream;

namespace zn {

struct InterfaceCandidate;
struct TPeer;

// When several apply, the first of 2, 3, 1, 130, 4, 5, 6 is given.
enum ExitCode {
    ExitOk = 0,
    ExitPortInUse = 1,
    ExitUsage = 2,        // bad arguments, or a text the checks refuse
    ExitNoNetwork = 3,
    ExitNotOnline = 4,    // a recipient is not online (the others got the text)
    ExitUnconfirmed = 5,  // --wait ran out before every read confirmation; absence: no answer in time
    ExitNoAbsenceMessage = 6, // absence: the user is present or has no absence message
    ExitInterrupted = 130,
};

struct CliOptions {
    quint16 port = 50000;
    QByteArray handleName;      // empty: the machine name
    QStringList sendIp;         // extra destination addresses
    int seconds = -1;           // -1: the command's default
    int wait = -1;              // send: seconds to wait for confirmations; -1: none
    std::optional<QString> text; // send: the text; none: standard input
    bool json = false;
};

// The parsed command line, or what to print and the exit code instead.
struct CommandLine {
    QString command;            // "who", "watch", "send" or "absence"
    QStringList users;          // send and absence: the users named
    CliOptions options;
    int exitCode = -1;          // >= 0: print `output` and exit with it
    QString output;             // help (to standard output) or the error
};
CommandLine ParseCommandLine(const QStringList &arguments);

// Standard input as a message text: decoded as UTF-8, one final line break
// dropped (what "echo" and a here-document add).
QString TextFromInput(const QByteArray &input);

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

// A text from the network on one line, reversibly and without a control
// character reaching the terminal. A backslash always starts an escape:
//   backslash            -> \\        a \ r b    -> a\\rb
//   CR LF (a line break) -> \n        a CR LF b  -> a\nb
//   lone CR              -> \r        a CR b     -> a\rb
//   other control codes  -> \xHH      a LF b     -> a\x0Ab,  ESC [ 2 J -> \x1B[2J
// (HH: two upper-case hex digits of U+0000 to U+001F, U+007F to U+009F.)
QString oneLine(const QString &text);

// Columns a terminal gives `text`: 2 for each East Asian wide or full-width
// character (kanji, kana, full-width forms), 0 for combining marks and
// invisible format characters, 1 for the rest; half-width katakana take 1.
//   "alice" -> 5, "田中" -> 4, "ＰＣ" -> 4, "ｱｲ" -> 2
int displayWidth(QStringView text);

// One message as a line: time, sender, kind and decoded fields (each through
// oneLine), or a JSON object.
//   "12:00:01.250 10.0.0.1 LOGIN pc1 | alice | 0 | 10.0.0.1 | ZN150"
QString describeMessage(const QByteArray &message, const QByteArray &sender, const QString &time,
                        bool json);

// The online users as a table, or a JSON array.
QString describePeers(const QList<TPeer> &peers, bool json);

// Whether `who` can reach anyone: some interface is up, running, not
// loopback, broadcast-capable and holds an IPv4 address. Name resolution has
// no say, so a host whose name resolves to some address in /etc/hosts but
// that has only loopback is still without a network.
bool HasUsableNetwork(const QList<InterfaceCandidate> &interfaces);

int runWho(const CliOptions &options, QTextStream &out, QTextStream &err);
int runWatch(const CliOptions &options, QTextStream &out, QTextStream &err);
// Announces itself, learns who is online (at most --seconds, default 3, less
// once every user is found), sends `text` to each user, waits for read
// confirmations when asked, logs out.
int runSend(const CliOptions &options, const QStringList &users, const QString &text, QTextStream &out,
            QTextStream &err);

// Announces itself, learns who is online (at most --seconds, default 3, less
// once every user is found), asks each user for the absence message, waits
// at most --seconds more for the answers, prints them, logs out.
int runAbsence(const CliOptions &options, const QStringList &users, QTextStream &out, QTextStream &err);

} // namespace zn
