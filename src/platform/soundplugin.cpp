// The sound system's side of the event sounds, loaded when the first sound
// file plays: the multimedia libraries (and the audio server's client) are
// mapped only by a copy that plays sounds, not by every copy in the tray.
#include "platform/eventsound.h"

#include <QSoundEffect>
#include <QUrl>

namespace {
class QtSoundEffect final : public zn::SoundEffect {
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

extern "C" Q_DECL_EXPORT zn::SoundEffect *zephinet_new_sound_effect(const QString &path)
{
    return new QtSoundEffect(path);
}
