#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace zn {

// handle name + "（" + machine name + "）", full-width parentheses: how the
// log names a sender or an addressee.
QByteArray PeerLabel(QByteArrayView handleName, QByteArrayView machineName);

// Where sent and received messages are recorded. Labels are PeerLabel texts:
// handle name + "（" + machine name + "）", in CP932.
class LogWriter {
public:
    virtual ~LogWriter() = default;
    // True when the record was written or logging is off.
    virtual bool WriteLog(const QByteArray &sender, const QByteArray &addressee, const QByteArray &text) = 0;
};

} // namespace zn
