// The notification window: one small always-on-top window that collects the
// event notices while it is open and can close itself after a delay.
#pragma once

#include <QElapsedTimer>
#include <QFont>
#include <QPair>
#include <QPoint>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <optional>

class QLabel;
class QPushButton;

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
    explicit TIventForm(const Settings &settings, std::optional<QPoint> storedPosition, QWidget *parent = nullptr);
    ~TIventForm() override;

    // While the window is visible the text becomes a new last line; otherwise
    // it replaces whatever was shown before. An important notice under
    // AutoClose without ExclamationAutoClose holds the window open until the
    // user closes it.
    void ShowEventNotice(const QString &text, bool important);
    // The same, for notices that may come in bursts (those the network
    // causes): one shown a while after the last is shown at once; those
    // coming sooner are shown together, BatchMs after the last showing, so
    // that the window is laid out at most about ten times a second.
    void QueueEventNotice(const QString &text, bool important);
    static constexpr qint64 BatchMs = 100;
    // The most notices shown at once; older ones of the same showing drop off the top.
    static constexpr int MaxLines = 20;

    // Sizes and places the window around its text. Also called when the
    // display font size changes.
    void LayoutEventNotice();

    // The position to store at exit.
    QPoint placement() const { return pos(); }

    bool noticeHeld() const { return m_noticeHeld; }

    // While a modal box is open it covers this window: the auto-close
    // countdown waits, and starts again in full once the box has closed, so
    // that no notice closes unseen under a box.
    void holdCountdown(bool held);
    int heightExtra() const { return m_heightExtra; }
    int buttonGap() const { return m_buttonGap; }

    QLabel *laMessage;
    QPushButton *btOk;
    QTimer *tiAutoClose;

signals:
    // The window was laid out with new notices and raised.
    void presented();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void addNotice(const QString &text, bool important, bool append);
    void present();
    void showQueued();

    void btOkClick();
    void tiAutoCloseTimer();

    const Settings &m_settings;
    // True while an important notice is shown under AutoClose without
    // ExclamationAutoClose; cleared only by closing the window.
    QStringList m_lines;
    // The rows of each line as last wrapped, in the font and width below:
    // a burst of notices wraps each new line once, not every line again.
    QList<std::optional<QStringList>> m_rows;
    QList<QPair<QString, bool>> m_queued;
    QTimer m_batchTimer;
    QElapsedTimer m_lastPresented;
    QFont m_rowsFont;
    int m_rowsWidth = -1;
    bool m_noticeHeld = false;
    // A box is open; the countdown is due once it closes.
    bool m_countdownHeld = false;
    bool m_countdownDue = false;
    int m_heightExtra = 0;
    int m_buttonGap = 0;
    // The frame's extent beyond the client area at the last layout.
    QSize m_frameExtra;
};

} // namespace zn
