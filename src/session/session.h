// Everything one running copy holds: settings, identity, roster, socket,
// reassembly and dispatch. The desktop program owns one; a test builds a
// fresh one in a line. No globals.
#pragma once

#include "common/clock.h"
#include "common/failurereports.h"
#include "common/localpeer.h"
#include "net/messagesink.h"
#include "session/recvqueue.h"
#include "settings/settings.h"
#include "settings/settingsstore.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace zn {

class DatagramTransport;
class AbsenceRequests;
class AnswerLimiter;
class TokenBuckets;
class Dispatcher;
class Frontend;
class LogFile;
class LoginAnswers;
class Messenger;
class Reassembler;
class Roster;
class UdpService;

struct MainPlacement {
    Placement window;
    ColumnWidths columns = DefaultColumnWidths;
};

class Session : public QObject, private MessageSink {
    Q_OBJECT
public:
    // `parameters` are the command-line parameters without the program path.
    // Datagrams go out through the UDP service unless `transport` is given
    // (tests record them instead of sending). Reassembly times its slots by
    // `clock`, which must outlive the session; without one, by a system clock
    // the session owns.
    Session(Frontend &frontend, QStringList parameters, DatagramTransport *transport = nullptr,
            const Clock *clock = nullptr, QObject *parent = nullptr);
    ~Session() override;

    Settings settings;
    LocalPeer local;

    // The machine name, then the settings file chosen by the parameters, read
    // in full. `programDirectory` empty means the program's own rule. A
    // damaged file gives the defaults and is kept aside (LoadedSettings),
    // and a box with the warning icon says so. `rename` is for tests.
    void loadSettings(const QString &programDirectory = {},
                      const std::function<bool(const QString &, const QString &)> &rename = {});
    QString settingsPath() const;
    // Writes of the settings file go through `open` from now on (a test
    // makes one of their steps fail).
    void setSaveDevice(OpenSaveDevice open);
    // Every key of "LocalSetting" and "Security" from `settings` (the options
    // were applied). A refused write is shown and gives false.
    [[nodiscard]] bool saveSettings();

    // One command of the user's (quitting, a send, applying the options):
    // while the returned scope lives, each failure text is told once.
    FailureReports::Command command() { return FailureReports::Command(m_reports); }

    // The socket on the configured port; on success the local address and a
    // LOGIN broadcast. On failure the start-failure box was shown.
    bool startSocketService();
    // LOGOUT when the socket had started, then the socket closes. Idempotent.
    void shutdown();

    MainPlacement readMainPlacement(const Placement &defaults) const;
    void writeMainPlacement(const MainPlacement &placement);
    Placement readPlacement(QByteArrayView section, const Placement &defaults) const;
    // The stored left and top of a window section, if both are there.
    std::optional<QPoint> readPosition(QByteArrayView section) const;
    void writePlacement(QByteArrayView section, const Placement &placement, bool withSize = true);
    void writeFontSize(quint8 size);
    // A click on a user-list column header: sort, and keep the choice.
    void sortByColumn(int column);

    static int fontSizeForStoredValue(int stored);

    // A MESSAGE addressed here, from the datagram source `senderAddress`:
    // logged, queued with its arrival time, then announced (messageQueued,
    // and the RecvCheck notice). When 256 messages already wait it is logged
    // all the same but refused (false): the user is told once per burst of
    // refusals, and the sender by MESSAGE_EXCLAMATION, within limits.
    bool queueMessage(const QByteArray &machineName, const QByteArray &handleName, const QByteArray &text,
                      const QByteArray &senderAddress = {});
    // The oldest unread message leaves the queue; its sender gets the read
    // confirmation, at its listed address or, when it is not listed, at the
    // address the message came from. The queue must not be empty.
    // Ends a burst of refused messages: their number is told when the first
    // notice did not say all of it.
    TRecvMessage TakeRecvMessage();
    // A burst of refusals is told again after this much time, with its count.
    static constexpr qint64 RefusalNoticeIntervalMs = 30 * 1000;
    // Limits of the MESSAGE_EXCLAMATIONs sent for messages this copy gave
    // up. A refused message was whole and typed by someone: each is
    // answered, up to a queue's worth per address at once, then one a
    // second. A reassembly slot given up is answered at most once per
    // address in GivenUpWarningMs: the warning names no message, so one
    // says all that several would, and a flood of fragments gives up slots
    // by the thousand. All addresses together: a queue's worth of refusals
    // at once, and a table's worth of slots given up (a flood from many
    // addresses starts with a full table), then one of each kind in
    // AllWarningsMsPerToken.
    static constexpr int RefusalWarningBurst = RecvQueue::Capacity;
    static constexpr qint64 RefusalWarningMsPerToken = 1000;
    static constexpr qint64 GivenUpWarningMs = 10 * 1000;
    static constexpr int AllRefusalWarningsBurst = RecvQueue::Capacity;
    static constexpr int AllGivenUpWarningsBurst = 20;
    static constexpr qint64 AllWarningsMsPerToken = 100;
    RecvQueue &recvQueue() { return m_recvQueue; }

    // What an apply writes to the settings file.
    enum class SettingsWrite {
        Nothing,      // absence on or off, which is not stored
        HuzaiMessage, // the absence message alone, as one line with "\n" for each line break
        FontSize,     // the list's font size alone
        All,          // every key of "LocalSetting" and "Security" (the options window)
    };
    // The one way the settings and absence change while the program runs:
    // `now` goes in force and, when `absent` is given, absence is switched
    // to it. The absence message is written before anything changes (a
    // refused write was told: false, nothing changed); a font size or every
    // key is written after the copy (a refused write was told: false, the
    // settings stay in force). Peers learn the local information by
    // INFO_CHANGE when absence is given and on every apply of all keys,
    // changed or not. settingsChanged and absentModeChanged are emitted
    // only for what changed.
    bool applySettings(const Settings &now, SettingsWrite write, std::optional<bool> absent = std::nullopt);
    // Absence on or off, as applySettings with the settings unchanged.
    void SetAbsentMode(bool on) { applySettings(settings, SettingsWrite::Nothing, on); }
    // Asks the machine at `address` for its absence message; its answer is
    // shown if it comes within a minute. False when nothing could be sent.
    bool askAbsenceMessage(const QByteArray &address);
    AbsenceRequests &absenceRequests() { return *m_absenceRequests; }

    // The delivery watch, every 5 s while the socket runs: each reassembly
    // slot idle for over a minute is given up and its sender warned.
    void TimeoutTimerTimer();
    static constexpr int TimeoutTimerIntervalMs = 5000;
    const QTimer &timeoutTimer() const { return m_timeoutTimer; }
    // Unattended (a shut-down from a signal or the end of the desktop
    // session): a refused write goes to the error output instead of a box,
    // since nobody may be there to answer one. The error output is standard
    // error unless a test captures it.
    void setUnattended(bool on) { m_unattended = on; }
    void setErrorOutput(std::function<void(const QString &)> output) { m_errorOutput = std::move(output); }

    // A LOGIN is answered after a random moment within a spread that grows
    // with the list; these wait their turn here (a timer sends them).
    LoginAnswers &loginAnswers() { return *m_loginAnswers; }
    // After this copy's LOGIN, the system dropped datagrams for a full queue:
    // answers may be among them. The LOGIN goes out again this long after
    // the last drop, so that its answers come when the burst is over, at
    // most MaxLoginRepeats times for one start or refresh.
    static constexpr int LoginRepeatDelayMs = 3000;
    static constexpr int MaxLoginRepeats = 3;
    void answersMayBeMissing();
    int loginRepeats() const { return m_loginRepeats; }
    const QTimer &loginRepeatTimer() const { return m_loginRepeatTimer; }

    Roster &roster() { return *m_roster; }
    LogFile &log() { return *m_log; }
    Messenger &messenger() { return *m_messenger; }
    UdpService &udp() { return *m_udp; }
    Reassembler &reassembler() { return *m_reassembler; }
    Frontend &frontend() { return m_frontend; }

signals:
    // A message joined the unread queue.
    void messageQueued();
    // An OPEN_CHECK addressed here: `readerHandle` opened a message we sent.
    void readConfirmed(const QByteArray &readerHandle);
    // AbsentMode changed.
    void absentModeChanged(bool absent);
    // applySettings changed the settings: `old` before, `now` after.
    void settingsChanged(const zn::Settings &old, const zn::Settings &now);
    // An answer this copy asked for, "Nothing" included, before it is shown.
    void absenceAnswered(const QByteArray &machineName, const QByteArray &handleName, const QByteArray &text);

private:
    void AddRecvMessage(const QByteArray &machineName, const QByteArray &handleName, const QByteArray &text,
                        const QByteArray &senderAddress) override
    {
        queueMessage(machineName, handleName, text, senderAddress);
    }
    void ReadConfirmed(const QByteArray &readerHandle) override { emit readConfirmed(readerHandle); }
    bool AcceptAbsenceAnswer(const QByteArray &sourceAddress, const QByteArray &machineName,
                             const QByteArray &handleName, const QByteArray &text) override;

    // The queue was full: tell the user (once per burst) and the sender.
    void refuseMessage(const QByteArray &handleName, const QByteArray &senderAddress);
    // MESSAGE_EXCLAMATION to `address`, unless `perAddress` or `all` (the
    // limit for all addresses together) says it is too soon.
    void warnSender(const QByteArray &address, TokenBuckets &perAddress, TokenBuckets &all);
    // A reassembly slot of `senderAddress` was given up for another message.
    void messageGivenUp(const QByteArray &senderAddress);
    // The handle name listed for `address`, else the address itself.
    QString senderName(const QByteArray &address) const;

    // A refused write is shown as "<path> に書き込めません" (or, unattended,
    // written to the error output), once per command; the run goes on.
    void reportWriteError(const QString &error);

    Frontend &m_frontend;
    FailureReports m_reports;
    QStringList m_parameters;
    std::unique_ptr<SystemClock> m_ownClock;
    const Clock &m_clock;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<LogFile> m_log;
    std::unique_ptr<Roster> m_roster;
    std::unique_ptr<UdpService> m_udp;
    std::unique_ptr<Messenger> m_messenger;
    std::unique_ptr<Reassembler> m_reassembler;
    std::unique_ptr<AbsenceRequests> m_absenceRequests;
    std::unique_ptr<AnswerLimiter> m_answerLimiter;
    std::unique_ptr<Dispatcher> m_dispatcher;
    RecvQueue m_recvQueue;
    // The burst of messages refused since the queue last had room.
    int m_refusedInBurst = 0;
    int m_refusedUnnoticed = 0;
    std::optional<qint64> m_lastRefusalNotice;
    // Warnings go out by broadcast, and anyone can send datagrams from any
    // address: without limits a flood of forged messages would make this copy
    // repeat it to the whole segment and fill the notice windows of the
    // addresses it names.
    std::unique_ptr<TokenBuckets> m_refusalWarnings;
    std::unique_ptr<TokenBuckets> m_givenUpWarnings;
    std::unique_ptr<TokenBuckets> m_allRefusalWarnings;
    std::unique_ptr<TokenBuckets> m_allGivenUpWarnings;
    QTimer m_timeoutTimer;
    std::unique_ptr<LoginAnswers> m_loginAnswers;
    QTimer m_answerTimer;
    void armAnswerTimer();
    QTimer m_loginRepeatTimer;
    std::optional<qint64> m_loginSentMs;
    int m_loginRepeats = 0;
    bool m_repeatingLogin = false;
    bool m_shutDown = false;
    bool m_unattended = false;
    std::function<void(const QString &)> m_errorOutput;
};

// The sounds and notices of peers coming and going: a new row of `roster`
// gives the online sound and, with OnlineCheck, its notice (never for the
// local machine); a row that leaves, the offline sound (the local machine's
// own included) and, with OfflineCheck, its notice. Each session calls it
// for its roster.
void announcePresence(Roster &roster, const Settings &settings, const LocalPeer &local, Frontend &frontend);

} // namespace zn
