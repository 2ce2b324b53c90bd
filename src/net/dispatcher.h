// Acts on every complete message: keeps the roster, answers logins and
// absence-message requests, hands text messages on and raises the notices.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace zn {

class Frontend;
class MessageSink;
class Messenger;
class Roster;
struct LocalPeer;
struct Settings;

class Dispatcher {
public:
    Dispatcher(const Settings &settings, const LocalPeer &local, Roster &roster, Messenger &messenger,
               Frontend &frontend, MessageSink &sink);

    // One complete message (the body without its length header). Every field
    // is read before any box opens, since a box runs a nested event loop in
    // which further messages are dispatched.
    void HandleReceivedMessage(const QByteArray &message);

    // The absence field as an integer: an optional sign and decimal digits,
    // nothing else (no blanks, no hexadecimal), within 32 bits:
    //   "1" -> 1, "-1" -> -1, "+0" -> 0, " 1" / "1 " / "abc" / "" -> nothing
    static std::optional<qint32> StrToInt(QByteArrayView text);

private:
    // The absence flag of field `text`: true when the low 8 bits of the
    // integer are not 0. Nothing, after the error box, when it is no integer.
    std::optional<bool> absenceFlag(const QByteArray &text);
    bool addressedHere(const QByteArray &address) const;

    const Settings &m_settings;
    const LocalPeer &m_local;
    Roster &m_roster;
    Messenger &m_messenger;
    Frontend &m_frontend;
    MessageSink &m_sink;
    // The conversion error box is open; bad messages arriving in its loop
    // are dropped without another box, so a stream of them cannot pile up
    // boxes without bound.
    bool m_conversionBoxOpen = false;
    // The same for the box that says a peer has no absence message: a flood
    // of "Nothing" answers would otherwise nest one box per datagram until
    // the stack runs out.
    bool m_noAbsenceMessageBoxOpen = false;
};

} // namespace zn
