#include "peers/tanimationform.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QPolygon>
#include <QRandomGenerator>

namespace zn {

QRegion cursorRegion(int frame, int shape)
{
    const int c = frame;
    if (c < 0 || c > TAnimationForm::LastFrame)
        return {};
    if (c <= 4) {
        const QRect square(QPoint(100 + 5 * c, 100 + 5 * c), QSize(50 - 10 * c, 50 - 10 * c));
        if (shape != int(CursorShape::Square))
            return QRegion(square, QRegion::Ellipse);
        if (c % 2 == 0)
            return QRegion(square);
        const QPolygon diamond(
            {QPoint(100 + 5 * c, 125), QPoint(125, 100 + 5 * c), QPoint(150 - 5 * c, 125), QPoint(125, 150 - 5 * c)});
        return QRegion(diamond, Qt::WindingFill);
    }
    if (c <= 9) {
        const int k = c - 5;
        return QRegion(QRect(QPoint(125 - 8 * k, 125), QSize(1 + 16 * k, 1)));
    }
    const int k = c - 10;
    return QRegion(QRect(85, 125, 80, 1)).subtracted(QRegion(QRect(125 - 8 * k, 125, 16 * k, 1)));
}

TAnimationForm *TAnimationForm::arrival(CursorFrame &cursorFrame, int mouseAnimation)
{
    // A Wayland client is told neither where the pointer is nor where its
    // windows go: the flash would come up wherever the compositor puts a
    // new window, and might take the keyboard from the user's typing.
    if (mouseAnimation <= 0 || QGuiApplication::platformName().startsWith(u"wayland"))
        return nullptr;
    if (cursorFrame.m_open) {
        cursorFrame.m_open->restart(mouseAnimation);
        return cursorFrame.m_open;
    }
    return new TAnimationForm(cursorFrame, mouseAnimation);
}

TAnimationForm::TAnimationForm(CursorFrame &cursorFrame, int mouseAnimation)
    : QWidget(nullptr,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput
                  | Qt::WindowDoesNotAcceptFocus),
      m_cursorFrame(cursorFrame), m_shape(mouseAnimation)
{
    setObjectName(QStringLiteral("AnimationForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setEnabled(false);
    setFixedSize(242, 223);
    if (!m_cursorFrame.m_open)
        m_cursorFrame.m_open = this;
    m_timer.setInterval(StepMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &TAnimationForm::step);
    restart(mouseAnimation);
    show();
}

TAnimationForm::~TAnimationForm() = default;

CursorFrame::~CursorFrame()
{
    delete m_open.data();
}

void TAnimationForm::restart(int mouseAnimation)
{
    m_shape = mouseAnimation;
    m_cursorFrame.m_value = 0;
    step();
    m_timer.start();
}

void TAnimationForm::step()
{
    const int c = m_cursorFrame.m_value;
    m_cursorFrame.m_value = c + 1;
    if (c > LastFrame) {
        m_timer.stop();
        // An arrival from now on opens a new window: this one is going.
        if (m_cursorFrame.m_open == this)
            m_cursorFrame.m_open = nullptr;
        close();
        return;
    }
    m_colour = QColor::fromRgb(QRandomGenerator::global()->bounded(16777215u));
    setMask(cursorRegion(c, m_shape));
    // The window follows the pointer at every step, not only when it opens.
    place();
    update();
}

void TAnimationForm::place()
{
    const QPoint pointer = QCursor::pos();
    move(pointer.x() - 124, pointer.y() - 125);
    raise();
}

void TAnimationForm::paintEvent(QPaintEvent *)
{
    QPainter(this).fillRect(rect(), m_colour);
}

} // namespace zn
