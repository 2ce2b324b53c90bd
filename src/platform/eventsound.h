// The event sounds: a beep, a sound file, or nothing, as the settings say.
#pragma once

#include "common/frontend.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace zn {

class Clock;
struct Settings;

// Where sounds go. The desktop uses the sound system; tests record the calls.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // The desktop's short alert sound.
    virtual void beep() = 0;
    // Starts playing a WAV file and returns at once. A file that cannot be
    // played is silent; no default sound takes its place.
    virtual void playFile(const QString &path) = 0;
};

// One loaded sound file. The desktop's is a QSoundEffect from the sound
// plugin (zephinet-sound, loaded with the first sound file), which decodes
// in the background and plays once it can (never, for a file that is no WAV).
class SoundEffect {
public:
    virtual ~SoundEffect() = default;
    virtual void play() = 0;
    virtual void stop() = 0;
    virtual bool isPlaying() const = 0;
};
using LoadSoundEffect = std::function<std::unique_ptr<SoundEffect>(const QString &path)>;

// Plays through sound effects (the sound plugin's unless `load` gives others).
// Each file is loaded once and kept while its name and modification time
// stay the same, so that an event does not wait for decoding; one sound
// plays at a time. On a machine without audio output the effect only
// reports an error status and stays silent.
class QtSoundOutput final : public SoundOutput {
public:
    explicit QtSoundOutput(LoadSoundEffect load = {});
    ~QtSoundOutput() override;
    // As many files as there are sound kinds stay loaded; beyond that, the
    // silent ones are dropped.
    static constexpr std::size_t KeptEffects = 3;

    void beep() override;
    void playFile(const QString &path) override;

private:
    struct Loaded {
        std::unique_ptr<SoundEffect> effect;
        QDateTime modified;
    };
    LoadSoundEffect m_load;
    // Keyed by path. At most a few distinct files are configured at a time;
    // effects of files no longer used are dropped when they are silent.
    std::map<QString, Loaded> m_effects;
};

class EventSound {
public:
    // A sound starts at most once in this time: a burst of events (a flood
    // of messages, a segment starting at once) sounds once, not as a stutter
    // of sounds cutting each other off. Only an arrival silences an
    // arrival: a message is never announced by silence because a peer came
    // online or went offline just before.
    static constexpr qint64 MinGapMs = 250;

    // `settings` is read at every event, so a change in the options applies to
    // the next sound. Without an output the sound system is used. With a
    // `clock`, sounds keep MinGapMs apart; without one every event sounds.
    explicit EventSound(const Settings &settings, std::unique_ptr<SoundOutput> output = {},
                        const Clock *clock = nullptr);
    ~EventSound();

    // The beep when SoundBeep is on (even when IventSound is on too); else
    // the kind's sound file when IventSound is on; else nothing. An empty,
    // missing or unreadable file plays nothing.
    void PlayEventSound(SoundKind kind);

private:
    // A sound that silences this kind started less than MinGapMs ago.
    bool tooSoon(SoundKind kind) const;
    void started(SoundKind kind);

    const Settings &m_settings;
    std::unique_ptr<SoundOutput> m_output;
    const Clock *m_clock;
    std::optional<qint64> m_lastStart;
    std::optional<qint64> m_lastArrivalStart;
};

} // namespace zn
