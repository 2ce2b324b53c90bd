// The notification window: one small always-on-top window that collects the
// event notices while it is open and can close itself after a delay.
#pragma once

#include <QPoint>
#include <QStringList>
#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;
class QTimer;

namespace zn {

struct Settings;

class TIventForm : public QWidget {
    Q_OBJECT
public:
    // The window reads its settings when it uses them, so changes made in the
    // options take effect at the next notice. `storedPosition` is the saved
    // window position; without one the window starts centred on the screen.
    // The window is created hidden and only ever hidden again, never destroyed
    // by closing.
    explicit TIventForm(const Settings &settings, std::optional<QPoint> storedPosition,
                        QWidget *parent = nullptr);
    ~TIventForm() override;

    // While the window is visible the text becomes a new last line; otherwise
    // it replaces whatever was shown before. An important notice under
    // AutoClose without ExclamationAutoClose holds the window open until the
    // user closes it.
    void ShowEventNotice(const QString &text, bool important);
    // The most notices shown at once; older ones of the same showing drop off the top.
    static constexpr int MaxLines = 20;

    // Sizes and places the window around its text. Also called when the
    // display font size changes.
    void LayoutEventNotice();

    // The position to store at exit.
    QPoint placement() const { return pos(); }

    bool noticeHeld() const { return m_noticeHeld; }
    int heightExtra() const { return m_heightExtra; }
    int buttonGap() const { return m_buttonGap; }

    QLabel *laMessage;
    QPushButton *btOk;
    QTimer *tiAutoClose;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void btOkClick();
    void tiAutoCloseTimer();

    const Settings &m_settings;
    // True while an important notice is shown under AutoClose without
    // ExclamationAutoClose; cleared only by closing the window.
    QStringList m_lines;
    bool m_noticeHeld = false;
    int m_heightExtra = 0;
    int m_buttonGap = 0;
    // The frame's extent beyond the client area at the last layout.
    QSize m_frameExtra;
};

} // namespace zn
