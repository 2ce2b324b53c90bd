#include "messaging/formparts.h"

#include "common/screenfit.h"
#include "platform/screens.h"
#include "session/session.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

#include <algorithm>

namespace zn {

namespace {
constexpr QSize MinimumWindowSize(200, 150);

QMargins g_frameMargins;

QMargins frameMarginsOf(const QWidget *window)
{
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
            frame.bottom() - client.bottom()};
}

QSize minimumClientSize(const QWidget *window)
{
    return MinimumWindowSize.expandedTo(window->minimumSizeHint());
}

// Fits the window again once its real frame is known: on the first show,
// move or resize after the window manager framed it.
class FrameKeeper : public QObject {
public:
    FrameKeeper(QWidget *window, QMargins placedWith) : QObject(window), m_window(window), m_placedWith(placedWith)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && m_window->isVisible()
            && (event->type() == QEvent::Show || event->type() == QEvent::Move || event->type() == QEvent::Resize))
            refit();
        return QObject::eventFilter(watched, event);
    }

private:
    void refit()
    {
        const QMargins frame = frameMarginsOf(m_window);
        // A maximised window is the window manager's to place.
        if (frame.isNull() || frame == m_placedWith || m_window->isMaximized() || m_window->isFullScreen())
            return;
        // Once per new frame: later moves are the user's own.
        m_placedWith = frame;
        g_frameMargins = frame;
        const QRect fitted = fitFrameOnScreens(m_window->pos(), m_window->size(), frame, availableScreenGeometries(),
                                               minimumClientSize(m_window));
        const QSize client = fitted.size().shrunkBy(frame);
        if (client != m_window->size())
            m_window->resize(client);
        if (fitted.topLeft() != m_window->pos())
            m_window->move(fitted.topLeft());
    }

    QWidget *m_window;
    QMargins m_placedWith;
};
} // namespace

QLabel *headerLabel(const QString &text, const QColor &colour, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

void restorePlacement(QWidget *window, const Session &session, QByteArrayView section, QSize designSize)
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const Placement p = session.readPlacement(section,
                                              {screen.x() + (screen.width() - designSize.width()) / 2,
                                               screen.y() + (screen.height() - designSize.height()) / 2,
                                               designSize.width(), designSize.height()});
    // At least what the layout needs, so that the window does not grow past
    // the screen after it was fitted.
    const QMargins frame = knownFrameMargins();
    const QRect fitted = fitFrameOnScreens({p.left, p.top}, {p.width, p.height}, frame, availableScreenGeometries(),
                                           minimumClientSize(window));
    window->resize(fitted.size().shrunkBy(frame));
    window->move(fitted.topLeft());
    keepFrameOnScreens(window);
}

QMargins knownFrameMargins()
{
    return g_frameMargins;
}

void keepFrameOnScreens(QWidget *window)
{
    constexpr const char *Kept = "zephinetFrameKept";
    if (window->property(Kept).toBool())
        return;
    window->setProperty(Kept, true);
    new FrameKeeper(window, knownFrameMargins());
}

void cascadeClearOfOthers(QWidget *window)
{
    QList<QRect> others;
    for (const QWidget *other : QApplication::topLevelWidgets()) {
        // Not menus and tips, nor the notice and the cursor animation,
        // which come and go on top of everything.
        if (other != window && other->isVisible() && !other->isMinimized()
            && !(other->windowType() == Qt::Popup || other->windowType() == Qt::ToolTip)
            && !(other->windowFlags() & (Qt::WindowStaysOnTopHint | Qt::FramelessWindowHint)))
            others.append(other->frameGeometry());
    }
    const QMargins frame = knownFrameMargins();
    const QSize size = window->size().grownBy(frame);
    const QList<QRect> screens = availableScreenGeometries();
    const auto screenOf = [&screens](QPoint at) {
        for (const QRect &screen : screens) {
            if (screen.contains(at))
                return screen;
        }
        return screens.isEmpty() ? QRect(at, QSize(1, 1)) : screens.first();
    };
    QPoint at = window->pos();
    // Each step clears one window; a screen full of windows ends the search.
    for (int tries = 0; tries < 4 * (others.size() + 1); ++tries) {
        const QRect candidate(at, size);
        const auto covered = std::find_if(others.cbegin(), others.cend(), [&candidate](const QRect &other) {
            return candidate.intersects(other)
                && (candidate.left() < other.left() + CascadeStep || candidate.top() < other.top() + CascadeStep);
        });
        if (covered == others.cend())
            break;
        QPoint next(std::max(at.x(), covered->left() + CascadeStep), std::max(at.y(), covered->top() + CascadeStep));
        const QRect screen = screenOf(covered->topLeft());
        if (next.x() + size.width() - 1 > screen.right() || next.y() + size.height() - 1 > screen.bottom()) {
            // Off the screen: start again at its top left, a step further in
            // each time, so that the windows started there stay apart too.
            next = screen.topLeft() + QPoint(CascadeStep, CascadeStep) * (tries % 8);
            if (next == at)
                break;
        }
        at = next;
    }
    const QRect fitted = fitFrameOnScreens(at, window->size(), frame, screens, minimumClientSize(window));
    window->move(fitted.topLeft());
}

} // namespace zn
