// The connection checks in the order a person would make them: the port,
// the interfaces, the route of the broadcast, the firewall, the copies on
// the segment and the extra addresses. The checks that read the system run
// on a thread of their own, the segment's on the event loop: nothing waits.
#pragma once

#include "diagnosis/finding.h"
#include "diagnosis/firewallcheck.h"

#include <QByteArrayList>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QThread>

#include <memory>

namespace zn {

class Frontend;
class Session;
class SegmentProbe;

struct DiagnosisOptions {
    quint16 port = 50000;
    int seconds = 3;       // how long the segment check listens
    QByteArrayList sendIp; // the extra addresses, as the settings file lists them
    QByteArray handleName; // the companion's announcement; empty: the machine name
    RunCommand run = RunSystemCommand;
};

class Diagnosis : public QObject {
    Q_OBJECT
public:
    // `running`: the session of the program that asks, whose socket holds
    // the port; its copy announces itself once more and listens. Without
    // one (the companion), a session of its own is opened on the port for
    // the segment check when the port is free, and closed with a logout.
    explicit Diagnosis(DiagnosisOptions options, Session *running = nullptr, QObject *parent = nullptr);
    ~Diagnosis() override;

    void start();
    bool isRunning() const { return m_running; }
    // The findings in order; complete once finished() was emitted.
    const QList<Finding> &findings() const { return m_findings; }
    // Whether the segment was left unchecked because a copy of the program
    // holds the port: that copy can check it (the companion asks it).
    bool segmentLeftToRunningCopy() const { return m_segmentLeftToCopy; }
    // Puts `segment` in place of the finding of the unchecked segment.
    void takeSegmentFinding(const Finding &segment);

signals:
    void finished();

private:
    struct SystemResults;
    void systemChecked();
    void segmentChecked();

    DiagnosisOptions m_options;
    Session *m_session;
    std::unique_ptr<SystemResults> m_system;
    QPointer<QThread> m_thread;
    std::unique_ptr<Frontend> m_ownFrontend; // outlives the session that speaks through it
    std::unique_ptr<Session> m_ownSession;
    std::unique_ptr<SegmentProbe> m_probe;
    QList<Finding> m_findings;
    bool m_running = false;
    bool m_segmentLeftToCopy = false;
};

} // namespace zn
