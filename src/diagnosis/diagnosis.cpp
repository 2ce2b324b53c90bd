#include "diagnosis/diagnosis.h"

#include "common/frontend.h"
#include "diagnosis/segmentprobe.h"
#include "diagnosis/systemchecks.h"
#include "net/identity.h"
#include "net/messenger.h"
#include "session/session.h"

#include <QCoreApplication>
#include <QThread>

#include <unistd.h>

namespace zn {

namespace {

// The segment check's own session speaks to nobody: what it would say
// shows in the findings.
class SilentFrontend final : public Frontend {
public:
    Answer showMessageBox(const QString &, int flags) override
    {
        return (flags & mb::ButtonMask) == mb::YesNo ? Answer::No : Answer::Ok;
    }
    void showEventNotice(const QString &, bool) override {}
    void playEventSound(SoundKind) override {}
    void openAbsenceWindow(const QByteArray &, const QByteArray &, const QByteArray &) override {}
    void showNoAbsenceMessage(const QString &) override {}
};

} // namespace

struct Diagnosis::SystemResults {
    PortState port;
    QList<InterfaceCandidate> interfaces;
    Finding portFinding;
    Finding interfaceFinding;
    Finding routeFinding;
    QList<Finding> firewall;
    Finding extraFinding;
};

Diagnosis::Diagnosis(DiagnosisOptions options, Session *running, QObject *parent)
    : QObject(parent), m_options(std::move(options)), m_session(running)
{}

Diagnosis::~Diagnosis()
{
    // The system's checks end by themselves within the tools' time limit.
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
    if (m_ownSession)
        m_ownSession->shutdown();
}

void Diagnosis::start()
{
    if (m_running)
        return;
    m_running = true;
    m_segmentLeftToCopy = false;
    m_findings.clear();
    m_probe.reset();
    auto results = std::make_shared<SystemResults>();
    const DiagnosisOptions options = m_options;
    const qint64 self = ::getpid();
    QThread *thread = m_thread = QThread::create([results, options, self] {
        results->port = ProbePort(options.port, self);
        results->portFinding = PortFinding(options.port, results->port);
        results->interfaces = SystemInterfaces();
        results->interfaceFinding = InterfacesFinding(results->interfaces);
        results->routeFinding = RoutesFinding(results->interfaces, LimitedBroadcastSource());
        results->firewall = FirewallFindings(options.port, options.run);
        results->extraFinding = ExtraAddressesFinding(options.sendIp, results->interfaces, RouteSource);
    });
    connect(thread, &QThread::finished, this, [this, thread, results] {
        thread->deleteLater();
        m_system = std::make_unique<SystemResults>(*results);
        systemChecked();
    });
    thread->start();
}

void Diagnosis::systemChecked()
{
    const SystemResults &s = *m_system;
    Session *session = m_session;
    bool announce = true;
    Finding skipped;
    skipped.check = QStringLiteral("segment");
    skipped.verdict = Finding::Verdict::Warning;
    if (!session && s.port.kind == PortState::Free) {
        m_ownFrontend = std::make_unique<SilentFrontend>();
        m_ownSession = std::make_unique<Session>(*m_ownFrontend, QStringList());
        Session &own = *m_ownSession;
        own.local.MachineName = GetMachineName();
        own.settings.HandleName = m_options.handleName.isEmpty() ? own.local.MachineName : m_options.handleName;
        own.settings.PortNo = m_options.port;
        own.settings.ActivePortNo = m_options.port;
        own.settings.SendIP = m_options.sendIp.join("&|") + (m_options.sendIp.isEmpty() ? "" : "&|");
        own.settings.LogSave = false;
        m_probe = std::make_unique<SegmentProbe>(own);
        m_probe->listen();
        if (own.startSocketService()) {
            session = &own;
            announce = false; // the start announced it
        } else {
            skipped.summary =
                QCoreApplication::translate("Diagnosis", "ポート%1を開けなかったため、確かめられませんでした。")
                    .arg(m_options.port);
        }
    } else if (!session) {
        if (s.port.kind == PortState::Zephinet) {
            m_segmentLeftToCopy = true;
            skipped.summary =
                QCoreApplication::translate(
                    "Diagnosis", "ポート%1を起動中のZephinetが使っているため、セグメントは確かめられません。")
                    .arg(m_options.port);
            skipped.action = QCoreApplication::translate(
                "Diagnosis",
                "Zephinetを終了してからもう一度実行するか、Zephinetの「ヘルプ → 接続の診断」で確かめてください。");
        } else {
            skipped.summary =
                QCoreApplication::translate("Diagnosis",
                                            "ポート%1を別のプログラムが使っているため、セグメントは確かめられません。")
                    .arg(m_options.port);
        }
    }
    if (!session) {
        m_probe.reset();
        m_ownSession.reset();
        m_findings = {s.portFinding, s.interfaceFinding, s.routeFinding};
        m_findings += s.firewall;
        m_findings += {skipped, s.extraFinding};
        m_running = false;
        emit finished();
        return;
    }
    if (!m_probe)
        m_probe = std::make_unique<SegmentProbe>(*session);
    connect(m_probe.get(), &SegmentProbe::finished, this, &Diagnosis::segmentChecked);
    m_probe->run(m_options.seconds, announce);
}

void Diagnosis::segmentChecked()
{
    const SystemResults &s = *m_system;
    const Finding segment = m_probe->finding(BroadcastAddresses(s.interfaces));
    // The probe is still emitting: it goes once the event loop runs again.
    m_probe.release()->deleteLater();
    if (m_ownSession) {
        m_ownSession->shutdown(); // LOGOUT
        m_ownSession.reset();
    }
    m_findings = {s.portFinding, s.interfaceFinding, s.routeFinding};
    m_findings += s.firewall;
    m_findings += {segment, s.extraFinding};
    m_running = false;
    emit finished();
}

void Diagnosis::takeSegmentFinding(const Finding &segment)
{
    for (Finding &f : m_findings) {
        if (f.check == segment.check)
            f = segment;
    }
    m_segmentLeftToCopy = false;
}

} // namespace zn
