#include "session/session.h"

#include "common/codec.h"
#include "common/frontend.h"
#include "log/logfile.h"
#include "net/absencerequests.h"
#include "net/answerlimiter.h"
#include "net/dispatcher.h"
#include "net/identity.h"
#include "net/loginanswers.h"
#include "net/messenger.h"
#include "net/reassembly.h"
#include "net/udpservice.h"
#include "peers/roster.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

namespace zn {

Session::Session(Frontend &frontend, QStringList parameters, DatagramTransport *transport, const Clock *clock,
                 QObject *parent)
    : QObject(parent), m_frontend(frontend), m_reports(frontend), m_parameters(std::move(parameters)),
      m_ownClock(clock ? nullptr : std::make_unique<SystemClock>()), m_clock(clock ? *clock : *m_ownClock),
      m_log(std::make_unique<LogFile>(settings, m_clock, frontend)),
      m_roster(std::make_unique<Roster>(settings, local)), m_udp(std::make_unique<UdpService>()),
      m_messenger(std::make_unique<Messenger>(settings, local, *m_roster, transport ? *transport : *m_udp, *m_log)),
      m_reassembler(std::make_unique<Reassembler>(m_clock, frontend)),
      m_absenceRequests(std::make_unique<AbsenceRequests>(m_clock)),
      m_answerLimiter(std::make_unique<AnswerLimiter>(m_clock)),
      m_dispatcher(std::make_unique<Dispatcher>(settings, local, *m_roster, *m_messenger, frontend,
                                                static_cast<MessageSink &>(*this), m_answerLimiter.get())),
      m_refusalWarnings(std::make_unique<TokenBuckets>(m_clock, RefusalWarningBurst, RefusalWarningMsPerToken,
                                                       AnswerLimiter::MaxKeys)),
      m_givenUpWarnings(std::make_unique<TokenBuckets>(m_clock, 1, GivenUpWarningMs, AnswerLimiter::MaxKeys)),
      m_allRefusalWarnings(std::make_unique<TokenBuckets>(m_clock, AllRefusalWarningsBurst, AllWarningsMsPerToken, 1)),
      m_allGivenUpWarnings(std::make_unique<TokenBuckets>(m_clock, AllGivenUpWarningsBurst, AllWarningsMsPerToken, 1))
{
    connect(m_udp.get(), &UdpService::datagramReceived, m_reassembler.get(), &Reassembler::ReceiveDatagram);
    m_reassembler->setMessageFilter(
        [this](QByteArrayView kind, QByteArrayView field1) { return m_dispatcher->concernsThisCopy(kind, field1); });
    connect(m_reassembler.get(), &Reassembler::messageReceived, this,
            [this](const QByteArray &message, const QByteArray &sender) {
                const FailureReports::Command received(m_reports);
                m_dispatcher->HandleReceivedMessage(message, sender);
            });
    // A test's transport reaches no segment of this host.
    if (!transport) {
        SegmentBroadcasts segments(m_clock);
        m_messenger->setBroadcastRoutes(segments);
        m_messenger->setOnLinkTest([segments](quint32 ipv4) mutable { return segments.onLink(ipv4); });
    }
    m_messenger->setNothingSentHandler(
        [this] { m_frontend.showEventNotice(QCoreApplication::translate("zn::Messenger", NothingSentText), true); });
    m_messenger->setLoginSentHandler([this] {
        m_answerLimiter->loginSent();
        m_loginSentMs = m_clock.monotonicMs();
        if (!m_repeatingLogin)
            m_loginRepeats = 0;
    });
    m_loginAnswers = std::make_unique<LoginAnswers>(
        m_clock, [this](const QByteArray &address) { m_messenger->SendLoginOk(address); });
    m_answerTimer.setSingleShot(true);
    connect(&m_answerTimer, &QTimer::timeout, this, [this] {
        m_loginAnswers->sendDue();
        armAnswerTimer();
    });
    m_dispatcher->setLoginAnswerer([this](const QByteArray &address) {
        m_loginAnswers->answer(address, m_roster->count());
        armAnswerTimer();
    });
    m_loginRepeatTimer.setSingleShot(true);
    m_loginRepeatTimer.setInterval(LoginRepeatDelayMs);
    connect(&m_loginRepeatTimer, &QTimer::timeout, this, [this] {
        if (!local.SocketStarted || m_shutDown)
            return;
        ++m_loginRepeats;
        m_repeatingLogin = true;
        m_messenger->SendLogin();
        m_repeatingLogin = false;
    });
    connect(m_udp.get(), &UdpService::datagramsDropped, this, &Session::answersMayBeMissing);
    connect(m_reassembler.get(), &Reassembler::messageGivenUp, this, &Session::messageGivenUp);
    m_reassembler->setSenderName([this](const QByteArray &address) { return senderName(address); });
    m_timeoutTimer.setInterval(TimeoutTimerIntervalMs);
    connect(&m_timeoutTimer, &QTimer::timeout, this, &Session::TimeoutTimerTimer);
    m_log->setFailureReports(&m_reports);
    announcePresence(*m_roster, settings, local, frontend);
}

Session::~Session()
{
    shutdown();
}

void Session::armAnswerTimer()
{
    const std::optional<qint64> due = m_loginAnswers->nextDueMs();
    if (!due) {
        m_answerTimer.stop();
        return;
    }
    m_answerTimer.start(int(std::clamp<qint64>(*due - m_clock.monotonicMs(), 0, 60 * 1000)));
}

void Session::answersMayBeMissing()
{
    // Only the answers to this copy's own LOGIN are worth asking again; a
    // drop at any other time costs what it costs any datagram.
    if (!m_loginSentMs || m_clock.monotonicMs() - *m_loginSentMs > AnswerLimiter::LoginAnswerWindowMs
        || m_loginRepeats >= MaxLoginRepeats || m_shutDown)
        return;
    m_loginRepeatTimer.start();
}

void Session::loadSettings(const QString &programDirectory,
                           const std::function<bool(const QString &, const QString &)> &rename)
{
    // The machine name comes first: it is the default handle name.
    local.MachineName = GetMachineName();
    const QString directory = programDirectory.isEmpty() ? ProgramDirectory() : programDirectory;
    m_store = std::make_unique<SettingsStore>(directory + SettingsFileName(m_parameters));
    m_log->setDirectory(directory);
    const LoadedSettings loaded = m_store->loadAtStart(local.MachineName, directory, m_clock.now(), rename);
    settings = loaded.settings;
    const QString notice = loaded.notice(m_store->filePath());
    if (!notice.isEmpty())
        m_frontend.showMessageBox(notice, mb::Ok | mb::IconWarning);
}

QString Session::settingsPath() const
{
    return m_store ? m_store->filePath() : QString();
}

void Session::setSaveDevice(OpenSaveDevice open)
{
    if (!m_store)
        return;
    const bool held = m_store->writesHeld();
    m_store = std::make_unique<SettingsStore>(m_store->filePath(), std::move(open));
    m_store->holdWrites(held);
}

bool Session::saveSettings()
{
    if (!m_store)
        return true;
    const QString error = m_store->saveAll(settings);
    reportWriteError(error);
    return error.isEmpty();
}

bool Session::startSocketService()
{
    local.SocketStarted = StartSocketService(*m_udp, settings.ActivePortNo, m_frontend);
    if (!local.SocketStarted)
        return false;
    local.Address = GetLocalAddress();
    m_timeoutTimer.start();
    m_messenger->SendLogin();
    return true;
}

void Session::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_timeoutTimer.stop();
    m_loginRepeatTimer.stop();
    // Answers still waiting are dropped: the LOGOUT that follows would
    // take back what they announce.
    m_answerTimer.stop();
    if (local.SocketStarted)
        m_messenger->SendLogout();
    m_udp->stop();
    m_reassembler->clearAll();
    // Every record taken reaches the file before the program ends.
    m_log->flush();
}

bool Session::queueMessage(const QByteArray &machineName, const QByteArray &handleName, const QByteArray &text,
                           const QByteArray &senderAddress)
{
    // Taken for the log before anything can open a box: the records keep
    // arrival order even when messages arrive inside a box's event loop. The
    // file is written behind the windows, after the announcement. A message
    // the queue cannot take is logged too: the log is then the only place
    // where its text can still be read.
    m_log->WriteLog(PeerLabel(handleName, machineName), PeerLabel(settings.HandleName, local.MachineName), text);
    if (!m_recvQueue.add({text, handleName, machineName, FormatTimeStamp(m_clock.now()), senderAddress})) {
        refuseMessage(handleName, senderAddress);
        return false;
    }
    emit messageQueued();
    if (settings.RecvCheck) {
        m_frontend.announceEvent(NoticeKind::Arrival,
                                 tr("「%1」からメッセージが届きました。").arg(cp932::decode(handleName)), false);
    }
    return true;
}

void Session::refuseMessage(const QByteArray &handleName, const QByteArray &senderAddress)
{
    ++m_refusedInBurst;
    ++m_refusedUnnoticed;
    // MESSAGE_EXCLAMATION is the only answer a sender understands as "not
    // delivered"; its text there speaks of a message sent about a minute ago.
    warnSender(senderAddress, *m_refusalWarnings, *m_allRefusalWarnings);
    const qint64 now = m_clock.monotonicMs();
    if (m_refusedInBurst > 1 && m_lastRefusalNotice && now - *m_lastRefusalNotice < RefusalNoticeIntervalMs)
        return;
    m_lastRefusalNotice = now;
    m_refusedUnnoticed = 0;
    m_frontend.showEventNotice(
        tr("未読メッセージが%1通たまっているため、「%2」からのメッセージを"
           "受け取れませんでした（これまでに%3通）。送信者には届かなかったことを"
           "知らせます。未読メッセージを読んでください。")
            .arg(QString::number(RecvQueue::Capacity), cp932::decode(handleName), QString::number(m_refusedInBurst)),
        true);
}

TRecvMessage Session::TakeRecvMessage()
{
    if (m_refusedInBurst > 0) {
        // The queue has room again: the burst is over. Its count is told
        // when the notices did not say all of it.
        if (m_refusedUnnoticed > 0) {
            m_frontend.showEventNotice(
                tr("未読メッセージが一杯の間に受け取れなかったメッセージは、全部で%1通でした。").arg(m_refusedInBurst),
                true);
        }
        m_refusedInBurst = 0;
        m_refusedUnnoticed = 0;
        m_lastRefusalNotice.reset();
    }
    TRecvMessage message = m_recvQueue.TakeRecvMessage();
    m_messenger->SendOpenCheck(message.MachineName, message.SenderAddress);
    return message;
}

bool Session::applySettings(const Settings &now, SettingsWrite write, std::optional<bool> absent)
{
    if (write == SettingsWrite::HuzaiMessage && m_store) {
        const QString error = m_store->writeHuzaiMessage(now.HuzaiMessage);
        if (!error.isEmpty()) {
            reportWriteError(error);
            return false;
        }
    }
    // `now` may be `settings` itself (absence alone).
    const Settings old = settings;
    settings = now;
    const bool absenceChanged = absent && *absent != local.AbsentMode;
    if (absent)
        local.AbsentMode = *absent;
    if (!(old == now))
        emit settingsChanged(old, now);
    if (absenceChanged)
        emit absentModeChanged(*absent);
    // The options window tells the peers on every apply, whether or not the
    // handle name changed.
    if (absent || write == SettingsWrite::All)
        m_messenger->SendInfoChange();
    if (write == SettingsWrite::FontSize && m_store) {
        const QString error = m_store->writeFontSize(now.Size);
        reportWriteError(error);
        return error.isEmpty();
    }
    return write != SettingsWrite::All || saveSettings();
}

bool Session::askAbsenceMessage(const QByteArray &address)
{
    if (!m_messenger->SendHuzaiCheck(address))
        return false;
    m_absenceRequests->asked(address);
    return true;
}

bool Session::AcceptAbsenceAnswer(const QByteArray &sourceAddress, const QByteArray &machineName,
                                  const QByteArray &handleName, const QByteArray &text)
{
    if (!m_absenceRequests->answered(sourceAddress, m_roster->FindAddressByMachine(machineName)))
        return false;
    emit absenceAnswered(machineName, handleName, text);
    return true;
}

void Session::warnSender(const QByteArray &address, TokenBuckets &perAddress, TokenBuckets &all)
{
    if (address.isEmpty() || !perAddress.has(address) || !all.take({}))
        return;
    perAddress.take(address);
    m_messenger->SendMessageExclamation(address);
}

void Session::messageGivenUp(const QByteArray &senderAddress)
{
    warnSender(senderAddress, *m_givenUpWarnings, *m_allGivenUpWarnings);
}

QString Session::senderName(const QByteArray &address) const
{
    // A pass over the list; asked only when the overflow notice is shown.
    for (const TPeer &peer : m_roster->peers()) {
        if (peer.Address == address)
            return cp932::decode(peer.HandleName);
    }
    return QString::fromLatin1(address);
}

void Session::TimeoutTimerTimer()
{
    for (const QByteArray &sender : m_reassembler->expire())
        m_messenger->SendMessageExclamation(sender);
}

MainPlacement Session::readMainPlacement(const Placement &defaults) const
{
    if (!m_store)
        return {defaults, DefaultColumnWidths};
    return {m_store->readPlacement(PlacementSection::MainForm, defaults), m_store->readColumnWidths()};
}

void Session::writeMainPlacement(const MainPlacement &placement)
{
    if (m_store)
        reportWriteError(m_store->writeMainPlacement(placement.window, placement.columns));
}

Placement Session::readPlacement(QByteArrayView section, const Placement &defaults) const
{
    return m_store ? m_store->readPlacement(section, defaults) : defaults;
}

std::optional<QPoint> Session::readPosition(QByteArrayView section) const
{
    return m_store ? m_store->readPosition(section) : std::nullopt;
}

void Session::writePlacement(QByteArrayView section, const Placement &placement, bool withSize)
{
    if (m_store)
        reportWriteError(m_store->writePlacement(section, placement, withSize));
}

void Session::writeFontSize(quint8 size)
{
    Settings now = settings;
    now.Size = size;
    applySettings(now, SettingsWrite::FontSize);
}

void Session::sortByColumn(int column)
{
    if (m_roster->columnClicked(column) && m_store)
        reportWriteError(m_store->writeSort(settings.SortIndex, settings.SortUpper));
}

int Session::fontSizeForStoredValue(int stored)
{
    return NormalizeFontSize(stored);
}

void Session::reportWriteError(const QString &error)
{
    if (error.isEmpty() || !m_reports.firstInCommand(error))
        return;
    if (!m_unattended) {
        m_frontend.showMessageBox(error, mb::Ok | mb::IconError);
    } else if (m_errorOutput) {
        m_errorOutput(error);
    } else {
        const QByteArray line = "zephinet: " + error.toLocal8Bit() + '\n';
        std::fputs(line.constData(), stderr);
    }
}

void announcePresence(Roster &roster, const Settings &settings, const LocalPeer &local, Frontend &frontend)
{
    QObject::connect(&roster, &Roster::joined, &roster, [&settings, &local, &frontend](const TPeer &peer) {
        if (peer.MachineName == local.MachineName)
            return;
        frontend.playEventSound(SoundKind::UserOnline);
        if (settings.OnlineCheck) {
            frontend.announceEvent(NoticeKind::Online,
                                   QCoreApplication::translate("zn::Session", "「%1」はオンライン状態です。")
                                       .arg(cp932::decode(peer.HandleName)),
                                   false);
        }
    });
    QObject::connect(&roster, &Roster::left, &roster, [&settings, &frontend](const TPeer &peer) {
        frontend.playEventSound(SoundKind::UserOffline);
        if (settings.OfflineCheck) {
            frontend.announceEvent(NoticeKind::Offline,
                                   QCoreApplication::translate("zn::Session", "「%1」がオフラインになりました。")
                                       .arg(cp932::decode(peer.HandleName)),
                                   false);
        }
    });
}

} // namespace zn
