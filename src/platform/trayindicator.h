#pragma once

#include "platform/trayanimation.h"

#include <QObject>
#include <QPoint>
#include <QTimer>

class QSystemTrayIcon;

namespace zn {

struct Settings;

// The main tray icon behind signals: no window touches QSystemTrayIcon. It
// shows the unread indicator of animation() and reports the mouse; what a
// click does (it depends on DialogShowing and the unread queue) is its
// owner's decision.
//
// The 100 ms step timer runs only while the animation runs, so an idle
// program has no periodic wake-up from the tray.
//
// Without a system tray the icon is simply not seen (and appears if a tray
// starts later); nothing else changes.
class TrayIndicator : public QObject {
    Q_OBJECT
public:
    static constexpr int StepMilliseconds = 100;

    explicit TrayIndicator(const Settings &settings, QObject *parent = nullptr);
    ~TrayIndicator() override;

    // StartTrayAnimation(), ResetTrayIcon() and setAbsentMode() go here.
    TrayAnimation &animation() { return m_animation; }
    const TrayAnimation &animation() const { return m_animation; }

    // Adds the icon to the tray (start-up) or removes it (shut-down).
    void show();
    void hide();

    bool isStepTimerActive() const { return m_timer.isActive(); }
    // The image of the icon strip and the tip the icon shows now.
    int shownImage() const { return m_shownImage; }
    QString toolTip() const;
    // Where the tray host placed the icon; empty while it is not in a tray.
    QRect geometry() const;

signals:
    // Left button: the oldest unread message, or with none the user list.
    void clicked();
    // Double click: the program to the front, then the user list.
    void doubleClicked();
    // Right button: the tray menu at `globalPos` (when no dialog is showing).
    void contextMenuRequested(QPoint globalPos);

private:
    void apply();

    TrayAnimation m_animation;
    QTimer m_timer;
    QSystemTrayIcon *m_icon;
    int m_shownImage = -1;
};

} // namespace zn
