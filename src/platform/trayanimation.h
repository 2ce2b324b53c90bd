#pragma once

#include <QObject>
#include <QString>

namespace zn {

struct Settings;

// The most a tray tip holds: 63 CP932 bytes, as peers' trays show it.
inline constexpr int TrayTipMaxBytes = 63;

// `text` cut to at most TrayTipMaxBytes CP932 bytes, never inside a
// double-byte character. A character without a CP932 form counts as two.
QString cutTrayTip(const QString &text);

// The main tray icon's unread indicator, without a screen: which image of
// the icon strip and which tip the tray shows. The owner of the tray icon
// runs AnimationTimerTimer() every 100 ms while running() and shows image()
// and tip() whenever changed() is emitted.
//
//   stopped --StartTrayAnimation()--> running --ResetTrayIcon()--> stopped
//
// AnimationTimerTimer() steps TrayFrame 1, 2, ... 15, 0, 1, ... and picks the
// image by the setting TaskAnimation, r being the resting image (16 absent,
// 0 present):
//   0  r
//   1  TrayFrame + r                       (the shooting star moves)
//   2  r for TrayFrame 0..3 and 8..11, blank (36) for 4..7 and 12..15
//   any other value: the image stays as it is
class TrayAnimation : public QObject {
    Q_OBJECT
public:
    // `settings` is read at each step, so a changed TaskAnimation applies at once.
    explicit TrayAnimation(const Settings &settings, QObject *parent = nullptr);

    bool running() const { return m_running; }
    int TrayFrame() const { return m_trayFrame; }
    bool absentMode() const { return m_absentMode; }
    int image() const { return m_image; }
    const QString &tip() const { return m_tip; }

    // A message arrived. Running already, nothing changes: the frame goes
    // on from where it is, so a flood of messages does not freeze the star.
    void StartTrayAnimation();
    // The last unread message was taken (or absence was edited): stopped,
    // frame 0, the resting image and tip.
    void ResetTrayIcon();
    // One step; does nothing while stopped.
    void AnimationTimerTimer();
    // While stopped the resting image and tip change at once; while running
    // the next step shows the new state.
    void setAbsentMode(bool absent);

    static QString restingTip(bool absent);
    static QString unreadTip(bool absent);

signals:
    // image() or tip() may have changed: show them.
    void changed();
    // Start or stop the 100 ms timer.
    void runningChanged(bool running);

private:
    int restingImage() const;
    void showResting();

    const Settings &m_settings;
    bool m_running = false;
    bool m_absentMode = false;
    int m_trayFrame = 0;
    int m_image = 0;
    QString m_tip;
};

} // namespace zn
