// zephinet-cli's terminal text: what peers send, shown on one line and in
// columns a terminal lines up.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

namespace zn {

struct TPeer;

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
QString describeMessage(const QByteArray &message, const QByteArray &sender, const QString &time, bool json);

// The online users as a table, or a JSON array.
QString describePeers(const QList<TPeer> &peers, bool json);

} // namespace zn
