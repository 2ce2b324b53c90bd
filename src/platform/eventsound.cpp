#include "platform/eventsound.h"

#include "common/clock.h"
#include "settings/settings.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

namespace zn {

namespace {
// Where no sound system could be loaded: every file is silent.
class SilentEffect final : public SoundEffect {
public:
    void play() override {}
    void stop() override {}
    bool isPlaying() const override { return false; }
};

using NewSoundEffect = SoundEffect *(*)(const QString &path);

// The sound plugin: where ZEPHINET_SOUND_PLUGIN names it, else beside the
// program (the build tree, a copied folder), else in the library directory
// of the prefix the program is installed in. Looked up once; without it sound
// files are silent, said once on the terminal.
NewSoundEffect soundPlugin()
{
    static const NewSoundEffect create = [] {
        QStringList places;
        if (const QString named = qEnvironmentVariable("ZEPHINET_SOUND_PLUGIN"); !named.isEmpty())
            places << named;
        const QString programDir = QCoreApplication::applicationDirPath();
        places << programDir + QStringLiteral("/zephinet-sound")
               << QDir::cleanPath(programDir + QStringLiteral("/" ZEPHINET_PLUGIN_DIR "/zephinet-sound"));
        QString errors;
        for (const QString &place : places) {
            QLibrary library(place);
            if (auto f = reinterpret_cast<NewSoundEffect>(library.resolve("zephinet_new_sound_effect")))
                return f;
            errors += QStringLiteral("\n  ") + library.errorString();
        }
        qWarning("zephinet: sound files stay silent, the sound plugin cannot be loaded:%s", qPrintable(errors));
        return NewSoundEffect(nullptr);
    }();
    return create;
}

std::unique_ptr<SoundEffect> loadEffect(const QString &path)
{
    if (NewSoundEffect create = soundPlugin())
        return std::unique_ptr<SoundEffect>(create(path));
    return std::make_unique<SilentEffect>();
}
} // namespace

QtSoundOutput::QtSoundOutput(LoadSoundEffect load) : m_load(load ? std::move(load) : LoadSoundEffect(loadEffect))
{}

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
            std::erase_if(m_effects, [](const auto &entry) { return !entry.second.effect->isPlaying(); });
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
    : m_settings(settings), m_output(output ? std::move(output) : std::make_unique<QtSoundOutput>()), m_clock(clock)
{}

EventSound::~EventSound() = default;

bool EventSound::tooSoon(SoundKind kind) const
{
    const std::optional<qint64> &last = kind == SoundKind::MessageArrived ? m_lastArrivalStart : m_lastStart;
    return m_clock && last && m_clock->monotonicMs() - *last < MinGapMs;
}

void EventSound::started(SoundKind kind)
{
    if (!m_clock)
        return;
    m_lastStart = m_clock->monotonicMs();
    if (kind == SoundKind::MessageArrived)
        m_lastArrivalStart = m_lastStart;
}

void EventSound::PlayEventSound(SoundKind kind)
{
    if ((m_settings.SoundBeep || m_settings.IventSound) && tooSoon(kind))
        return;
    if (m_settings.SoundBeep) {
        started(kind);
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
    started(kind);
    m_output->playFile(path);
}

} // namespace zn
