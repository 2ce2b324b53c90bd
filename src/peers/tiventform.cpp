#include "peers/tiventform.h"

#include "settings/settings.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

namespace zn {

namespace {

// The design layout: the client area, the label's place and the button.
constexpr QSize DesignClientSize(289, 65);
constexpr QPoint LabelOrigin(8, 12);
constexpr QRect ButtonRect(92, 36, 113, 25);

constexpr int MinLabelWidth = 273;
// The window is this much wider than its label, so that a short notice gives
// a window 300 pixels wide.
constexpr int WidthExtra = 27;
// Centring uses a fixed allowance for the window's height beyond the text.
constexpr int CentringHeightExtra = 80;

} // namespace

TIventForm::TIventForm(const Settings &settings, std::optional<QPoint> storedPosition,
                       QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                  | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint
                  | Qt::MSWindowsFixedSizeDialogHint)
    , laMessage(new QLabel(this))
    , btOk(new QPushButton(this))
    , tiAutoClose(new QTimer(this))
    , m_settings(settings)
{
    setObjectName(QStringLiteral("IventForm"));
    setWindowTitle(QStringLiteral("Zephinet -イベント通知-"));
    // The main window usually sits hidden in the tray, so closing this window
    // must never count as closing the program's last window.
    setAttribute(Qt::WA_QuitOnClose, false);
    // A notice must not take the keyboard from a window the user is typing in.
    setAttribute(Qt::WA_ShowWithoutActivating, true);

    laMessage->setObjectName(QStringLiteral("laMessage"));
    // Notices carry handle names from the network: never read them as markup.
    laMessage->setTextFormat(Qt::PlainText);
    laMessage->setTextInteractionFlags(Qt::NoTextInteraction);
    laMessage->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    laMessage->move(LabelOrigin);

    btOk->setObjectName(QStringLiteral("btOk"));
    btOk->setText(QStringLiteral("確認"));
    btOk->setGeometry(ButtonRect);
    btOk->setDefault(true);
    connect(btOk, &QPushButton::clicked, this, &TIventForm::btOkClick);

    tiAutoClose->setObjectName(QStringLiteral("tiAutoClose"));
    tiAutoClose->setInterval(5000);
    connect(tiAutoClose, &QTimer::timeout, this, &TIventForm::tiAutoCloseTimer);

    setFixedSize(DesignClientSize);

    // The label is measured with one line of text in the window's own font:
    // what is left of the window height is the part that is not text.
    laMessage->setText(QStringLiteral("イベント通知"));
    laMessage->adjustSize();
    m_heightExtra = height() - laMessage->height();
    m_buttonGap = height() - btOk->y();
    laMessage->clear();

    if (storedPosition) {
        move(*storedPosition);
    } else {
        const QRect screenRect = screen()->geometry();
        move(screenRect.x() + (screenRect.width() - width()) / 2,
             screenRect.y() + (screenRect.height() - height()) / 2);
    }
    LayoutEventNotice();
}

TIventForm::~TIventForm() = default;

void TIventForm::ShowEventNotice(const QString &text, bool important)
{
    if (isVisible()) {
        tiAutoClose->stop();
        m_lines.append(text);
        // Only the newest lines stay: a burst of notices (a thousand peers
        // coming online, or a flood from the network) would otherwise grow
        // the window past the screen and relayout an ever longer label.
        while (m_lines.size() > MaxLines)
            m_lines.removeFirst();
    } else {
        m_lines = {text};
    }
    laMessage->setText(m_lines.join(u'\n'));

    LayoutEventNotice();

    if (m_settings.AutoClose) {
        if (important && !m_settings.ExclamationAutoClose) {
            m_noticeHeld = true;
        } else if (!m_noticeHeld && m_settings.AutoCloseTimer > 0) {
            // Restarting from this notice: the countdown runs from the newest line.
            // A zero delay means the window never closes by itself.
            tiAutoClose->setInterval(int(m_settings.AutoCloseTimer) * 1000);
            tiAutoClose->start();
        }
    }

    show();
    raise();
}

void TIventForm::LayoutEventNotice()
{
    QFont labelFont = laMessage->font();
    if (m_settings.Size > 0)
        labelFont.setPointSize(m_settings.Size);
    laMessage->setFont(labelFont);
    laMessage->adjustSize();
    if (laMessage->width() < MinLabelWidth)
        laMessage->resize(MinLabelWidth, laMessage->height());

    const int windowWidth = laMessage->width() + WidthExtra;
    const int windowHeight = laMessage->height() + m_heightExtra;
    setFixedSize(windowWidth, windowHeight);
    if (m_settings.AutoLocate) {
        const QRect screenRect = screen()->geometry();
        // Integer division rounds toward zero, also for a notice wider than
        // the screen.
        move(screenRect.x() + (screenRect.width() - windowWidth) / 2,
             screenRect.y()
                 + (screenRect.height() - (laMessage->height() + CentringHeightExtra)) / 2);
    }

    // Centred on the window, like the button below it; the window is wider
    // than the label by a fixed amount.
    laMessage->move((width() - laMessage->width()) / 2, LabelOrigin.y());
    btOk->move((width() - btOk->width()) / 2, height() - m_buttonGap);
}

void TIventForm::closeEvent(QCloseEvent *event)
{
    tiAutoClose->stop();
    m_noticeHeld = false;
    event->accept();
}

void TIventForm::btOkClick()
{
    close();
}

void TIventForm::tiAutoCloseTimer()
{
    close();
}

} // namespace zn
