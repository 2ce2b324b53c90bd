#pragma once

#include <QByteArray>

namespace zn {

// Who this copy is on the network. The handle name lives in the settings.
struct LocalPeer {
    QByteArray MachineName;         // host name's first label, at most 15 bytes
    QByteArray Address = "Unknown"; // dotted IPv4 address, or "Unknown"
    bool AbsentMode = false;        // absence mode is on
    bool SocketStarted = false;

    QByteArray absenceFlag() const { return AbsentMode ? "1" : "0"; }
};

} // namespace zn
