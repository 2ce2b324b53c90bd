// A session on fakes for the commands of zephinet-cli: its datagrams are
// recorded, some peers are online, and what a command prints is kept.
#pragma once

#include "fakefrontend.h"
#include "net/netfakes.h"
#include "net/reassembly.h"
#include "net/wire.h"
#include "peers/roster.h"
#include "session/session.h"

#include <QString>
#include <QTextStream>

namespace zn::test {

struct CommandFixture {
    FakeFrontend frontend;
    RecordingTransport transport;
    Session session{frontend, {}, &transport};
    QString output;
    QTextStream out{&output};

    explicit CommandFixture(const QList<TPeer> &online)
    {
        session.local.MachineName = "SELF";
        session.settings.HandleName = "self";
        session.settings.LogSave = false;
        session.settings.ActivePortNo = 0;
        if (!session.startSocketService())
            qFatal("no socket");
        session.local.Address = "10.0.0.99";
        for (const TPeer &p : online)
            session.roster().AddOrUpdatePeer(p.HandleName, p.MachineName, p.Address, p.Absent);
        transport.sent.clear();
    }
    // A read confirmation of `handle`'s.
    void confirmFrom(const QByteArray &handle)
    {
        emit session.reassembler().messageReceived(OpenCheckMessage("10.0.0.99", handle), "10.0.0.1");
    }
    // An absence answer as the dispatcher gets it from the datagrams of `source`.
    void answer(const QByteArray &source, const QByteArray &machine, const QByteArray &handle, const QByteArray &text)
    {
        emit session.reassembler().messageReceived(HuzaiMessageMessage("10.0.0.99", machine, handle, text), source);
    }
};

} // namespace zn::test
