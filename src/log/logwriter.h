#pragma once

#include <QByteArray>

namespace zn {

// Where sent and received messages are recorded. Labels are PeerLabel texts:
// handle name + "（" + machine name + "）", in CP932.
class LogWriter {
public:
    virtual ~LogWriter() = default;
    // True when the record was written or logging is off.
    virtual bool WriteLog(const QByteArray &sender, const QByteArray &addressee,
                          const QByteArray &text) = 0;
};

} // namespace zn
