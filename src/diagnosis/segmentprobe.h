// The segment check: this copy's announcement goes out, and for some
// seconds every copy heard from is noted with the address its datagrams
// came from, this host's own announcement among them.
#pragma once

#include "diagnosis/finding.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTimer>

namespace zn {

class Session;
struct BroadcastAddress;

class SegmentProbe : public QObject {
    Q_OBJECT
public:
    // Listens on the socket of `session`, which must outlive the probe.
    explicit SegmentProbe(Session &session, QObject *parent = nullptr);

    // Listens for `seconds`; with `announce`, sends a LOGIN first (a
    // session that starts its socket has just sent one). The listening may
    // begin before the session starts, so that no answer is missed.
    void listen();
    void run(int seconds, bool announce);
    bool isRunning() const { return m_timer.isActive(); }
    // Meaningful once finished() was emitted.
    Finding finding(const QList<BroadcastAddress> &addresses) const;

signals:
    void finished();

private:
    void received(const QByteArray &datagram, quint32 sender);

    struct Heard {
        QByteArray machineName;
        QByteArray handleName;
        QList<quint32> sources;
    };
    Session &m_session;
    QTimer m_timer;
    QList<Heard> m_heard;
    QList<quint32> m_ownSources;
    int m_seconds = 0;
    bool m_listening = false;
    bool m_nothingSent = false;
};

} // namespace zn
