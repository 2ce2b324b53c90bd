// How often this copy answers whom. A LOGIN is answered with a LOGIN_OK to
// the address it names, and anyone can send LOGINs in any name from any
// address naming any address, so without a limit every copy on the network
// would multiply a flood, or aim it at one host. The limits let a real peer
// through untouched: it sends a LOGIN when it starts and when its user
// refreshes the list, from one address, in one name, naming itself.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>

#include <functional>
#include <optional>

namespace zn {

class Clock;

// Token buckets by key: a key may spend `burst` tokens at once and earns one
// back every `msPerToken`. The table never holds more than `maxKeys`; a key
// that has to make room starts again full, which only ever lets more through.
class TokenBuckets {
public:
    TokenBuckets(const Clock &clock, int burst, qint64 msPerToken, qsizetype maxKeys);

    // True, spending one of its tokens, when `key` has one left.
    bool take(const QByteArray &key);
    // True when `key` has a token left; spends nothing.
    bool has(const QByteArray &key) const;
    qsizetype trackedKeys() const { return m_full.size(); }

private:
    const Clock &m_clock;
    qint64 m_burstMs;
    qint64 m_msPerToken;
    qsizetype m_maxKeys;
    // key -> monotonic time at which its bucket is full again
    QHash<QByteArray, qint64> m_full;
};

class AnswerLimiter {
public:
    // Per datagram source and per claimed machine name: 10 at once, then one a second.
    static constexpr int PerPeerBurst = 10;
    static constexpr qint64 PerPeerMsPerToken = 1000;
    // Per address a LOGIN or HUZAI_CHECK asks the answer to go to: 10 at
    // once (a script that runs the companion a few times in a row), then one
    // a second, whoever asks, so that no host receives more than that from
    // this copy however many forged LOGINs name it.
    static constexpr int PerAddresseeBurst = 10;
    static constexpr qint64 PerAddresseeMsPerToken = 1000;
    // Machines this copy does not list yet, per datagram source: a real
    // copy has one name, a forger makes up a new one for every LOGIN. The
    // name a source last brought in costs nothing when it comes again (a
    // copy restarted, the companion run once more after its LOGOUT).
    static constexpr int NewPeerPerSourceBurst = 2;
    static constexpr qint64 NewPeerPerSourceMsPerToken = 60 * 1000;
    // Machines this copy does not list yet, all sources together: room for
    // 2,000 starting at once, then 500 a second, ten times what a segment
    // of 10,000 starting within one minute brings.
    static constexpr int NewPeerBurst = 2000;
    static constexpr qint64 NewPeerMsPerToken = 2;
    // Absence-message answers, all sources together: people ask by hand.
    static constexpr int AbsenceBurst = 50;
    static constexpr qint64 AbsenceMsPerToken = 100;
    static constexpr qsizetype MaxKeys = 4096;
    // Machines first seen in an INFO_CHANGE, all sources together: a real
    // peer announces itself by LOGIN, so few come this way.
    static constexpr int InfoChangeNewBurst = 100;
    static constexpr qint64 InfoChangeNewMsPerToken = 100;
    // A LOGIN_OK is an answer: it may add a machine this long after this
    // copy's own LOGIN (start-up, refresh), and never otherwise.
    static constexpr qint64 LoginAnswerWindowMs = 30 * 1000;
    // Notices about datagrams that make no sense: one per source, and one
    // per this many ms at most of all sources together.
    static constexpr qint64 NetworkNoticeMs = 10 * 1000;
    static constexpr qsizetype MaxNoticedSources = 1024;

    explicit AnswerLimiter(const Clock &clock);

    // A LOGIN from the datagram source `sourceAddress` naming `machineName`,
    // to be answered at `answerAddress`; `listed` tells whether that machine
    // is in the roster already (asked only when the cheaper limits let the
    // LOGIN through). True when it may be handled and answered; beyond the
    // limits it counts as lost.
    bool allowLogin(const QByteArray &sourceAddress, const QByteArray &machineName, const QByteArray &answerAddress,
                    const std::function<bool()> &listed);
    // A HUZAI_CHECK addressed here from `sourceAddress`, to be answered at
    // `answerAddress` (none: the limit per address is not asked): true when
    // it may be answered.
    bool allowAbsenceAnswer(const QByteArray &sourceAddress, const QByteArray &answerAddress = {});

    // This copy broadcast its LOGIN: the answers to it may come.
    void loginSent();
    // A LOGIN_OK naming a machine not listed yet: true within the window
    // after this copy's own LOGIN.
    bool allowNewFromLoginOk() const;
    // An INFO_CHANGE naming a machine not listed yet, from `sourceAddress`:
    // true when it may add a row (per source as for LOGIN, and all together).
    bool allowNewFromInfoChange(const QByteArray &sourceAddress);
    // A datagram from `sourceAddress` made no sense: true when the user may
    // be told (the first time for that source, and not within
    // NetworkNoticeMs of the last such notice). Sources told are
    // remembered, MaxNoticedSources at most.
    bool allowNetworkNotice(const QByteArray &sourceAddress);

private:
    const Clock &m_clock;
    TokenBuckets m_bySource;
    TokenBuckets m_byMachine;
    TokenBuckets m_byAddressee;
    TokenBuckets m_newPeersBySource;
    // source -> the machine name it last brought in, MaxKeys at most
    QHash<QByteArray, QByteArray> m_lastNewName;
    TokenBuckets m_newPeers;
    TokenBuckets m_absenceAnswers;
    TokenBuckets m_infoChangeBySource;
    TokenBuckets m_infoChangeNew;
    std::optional<qint64> m_loginSentMs;
    std::optional<qint64> m_lastNoticeMs;
    QSet<QByteArray> m_noticedSources;
};

} // namespace zn
