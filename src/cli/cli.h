// zephinet-cli: a headless peer for scripts and diagnostics.
#pragma once

#include "common/frontend.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

class QTextStream;

namespace zn {

struct InterfaceCandidate;
struct TPeer;

enum ExitCode { ExitOk = 0, ExitPortInUse = 1, ExitUsage = 2, ExitNoNetwork = 3 };

struct CliOptions {
    quint16 port = 50000;
    QByteArray handleName;      // empty: the machine name
    QStringList sendIp;         // extra destination addresses
    int seconds = -1;           // -1: the command's default
    bool json = false;
};

// Speaks through stderr instead of windows: boxes and notices become lines.
class CliFrontend final : public Frontend {
public:
    explicit CliFrontend(QTextStream &err);
    Answer showMessageBox(const QString &text, int flags) override;
    void showEventNotice(const QString &text, bool important) override;
    void playEventSound(SoundKind) override {}
    void openAbsenceWindow(const QByteArray &machineName, const QByteArray &handleName,
                           const QByteArray &text) override;

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

} // namespace zn
