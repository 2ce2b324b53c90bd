#include "platform/eventsound.h"

#include "common/clock.h"
#include "settings/settings.h"

#include <QApplication>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace zn {

namespace {
class QtSoundEffect final : public SoundEffect {
public:
    explicit QtSoundEffect(const QString &path)
    {
        // Loading runs in the background; play() starts the sound once the
        // file is decoded, or never when it is no WAV file.
        m_effect.setSource(QUrl::fromLocalFile(path));
    }
    void play() override { m_effect.play(); }
    void stop() override { m_effect.stop(); }
    bool isPlaying() const override { return m_effect.isPlaying(); }

private:
    QSoundEffect m_effect;
};
} // namespace

QtSoundOutput::QtSoundOutput(LoadSoundEffect load)
    : m_load(load ? std::move(load)
                  : [](const QString &path) { return std::unique_ptr<SoundEffect>(new QtSoundEffect(path)); })
{
}

QtSoundOutput::~QtSoundOutput() = default;

void QtSoundOutput::beep()
{
    QApplication::beep();
}

void QtSoundOutput::playFile(const QString &path)
{
    const QDateTime modified = QFileInfo(path).lastModified();
    auto it = m_effects.find(path);
    if (it != m_effects.end() && it->second.modified != modified) {
        m_effects.erase(it);
        it = m_effects.end();
    }
    if (it == m_effects.end()) {
        if (m_effects.size() >= KeptEffects) {
            std::erase_if(m_effects, [](const auto &entry) {
                return !entry.second.effect->isPlaying();
            });
        }
        it = m_effects.emplace(path, Loaded{m_load(path), modified}).first;
    }

    // One sound at a time: a new event cuts the sound of the previous one short.
    for (auto &[otherPath, other] : m_effects) {
        if (otherPath != path && other.effect->isPlaying())
            other.effect->stop();
    }
    it->second.effect->play();
}

EventSound::EventSound(const Settings &settings, std::unique_ptr<SoundOutput> output, const Clock *clock)
    : m_settings(settings)
    , m_output(output ? std::move(output) : std::make_unique<QtSoundOutput>())
    , m_clock(clock)
{
}

EventSound::~EventSound() = default;

bool EventSound::tooSoon() const
{
    return m_clock && m_lastStart && m_clock->monotonicMs() - *m_lastStart < MinGapMs;
}

void EventSound::started()
{
    if (m_clock)
        m_lastStart = m_clock->monotonicMs();
}

void EventSound::PlayEventSound(SoundKind kind)
{
    if ((m_settings.SoundBeep || m_settings.IventSound) && tooSoon())
        return;
    if (m_settings.SoundBeep) {
        started();
        m_output->beep();
        return;
    }
    if (!m_settings.IventSound)
        return;

    const auto index = static_cast<std::size_t>(kind);
    if (index >= m_settings.SoundFiles.size())
        return;
    const QString &path = m_settings.SoundFiles[index];
    if (path.isEmpty())
        return;
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable())
        return;
    started();
    m_output->playFile(path);
}

} // namespace zn
