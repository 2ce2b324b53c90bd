#include "platform/tiventform.h"

#include "common/screenfit.h"
#include "platform/screens.h"
#include "settings/settings.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>
#include <utility>

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
// The most rows one notice takes on screen; a longer one loses its middle
// (a handle name of thousands of characters), so that its start and the
// end of the sentence stay readable.
constexpr int MaxRowsPerNotice = 3;

// `text` cut to about what `budget` pixels could show, keeping both ends,
// so that measuring a notice of 30 000 characters costs no more than one of
// a few thousand. Never splits a surrogate pair.
QString roughlyCut(const QString &text, qint64 budget)
{
    // Assumes no glyph narrower than two pixels.
    const qsizetype keep = qsizetype(std::min<qint64>(budget / 2 + 1, text.size()));
    if (text.size() <= 2 * keep)
        return text;
    qsizetype headEnd = keep;
    if (text.at(headEnd - 1).isHighSurrogate())
        --headEnd;
    qsizetype tailStart = text.size() - keep;
    if (text.at(tailStart).isLowSurrogate())
        ++tailStart;
    return text.first(headEnd) + u'\u2026' + text.sliced(tailStart);
}

// `text` broken into rows no wider than `width`.
QStringList wrapRows(const QString &text, const QFont &font, int width, QTextOption::WrapMode mode)
{
    QStringList rows;
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(mode);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        QString row = text.mid(line.textStart(), line.textLength());
        while (row.size() > 1 && row.back().isSpace())
            row.chop(1);
        rows.append(row);
    }
    layout.endLayout();
    return rows;
}

// The rows of `notice` in `font`, none wider than `width`, at most
// MaxRowsPerNotice: broken between words where that fits, else anywhere;
// a notice too long even so loses its middle.
QStringList wrapNotice(const QString &notice, const QFont &font, int width)
{
    const QFontMetrics metrics(font);
    QString text = roughlyCut(notice, qint64(width) * MaxRowsPerNotice);
    QStringList rows = wrapRows(text, font, width, QTextOption::WrapAtWordBoundaryOrAnywhere);
    if (rows.size() <= MaxRowsPerNotice)
        return rows;
    rows = wrapRows(text, font, width, QTextOption::WrapAnywhere);
    // Each row can waste up to a character's width; shorten until it fits.
    qint64 elideWidth = qint64(width) * MaxRowsPerNotice - qint64(MaxRowsPerNotice) * metrics.maxWidth();
    while (rows.size() > MaxRowsPerNotice && elideWidth > width) {
        text = metrics.elidedText(text, Qt::ElideMiddle, int(elideWidth));
        rows = wrapRows(text, font, width, QTextOption::WrapAnywhere);
        elideWidth -= width / 4;
    }
    if (rows.size() > MaxRowsPerNotice) {
        rows.resize(MaxRowsPerNotice);
        rows.last() = metrics.elidedText(rows.last() + u'\u2026', Qt::ElideRight, width);
    }
    return rows;
}

} // namespace

TIventForm::TIventForm(const Settings &settings, std::optional<QPoint> storedPosition, QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                  | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowDoesNotAcceptFocus),
      laMessage(new QLabel(this)), btOk(new QPushButton(this)), tiAutoClose(new QTimer(this)), m_settings(settings)
{
    setObjectName(QStringLiteral("IventForm"));
    setWindowTitle(tr("Zephinet -イベント通知-"));
    // The main window usually sits hidden in the tray, so closing this window
    // must never count as closing the program's last window.
    setAttribute(Qt::WA_QuitOnClose, false);
    // A notice must not take the keyboard from a window the user is typing
    // in, neither when it shows nor when the window manager looks for a
    // window to focus after another closed: it is read and clicked, never typed in.
    setAttribute(Qt::WA_ShowWithoutActivating, true);

    laMessage->setObjectName(QStringLiteral("laMessage"));
    // Notices carry handle names from the network: never read them as markup.
    laMessage->setTextFormat(Qt::PlainText);
    laMessage->setTextInteractionFlags(Qt::NoTextInteraction);
    laMessage->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    laMessage->move(LabelOrigin);

    btOk->setObjectName(QStringLiteral("btOk"));
    btOk->setText(tr("確認"));
    btOk->setGeometry(ButtonRect);
    btOk->setDefault(true);
    connect(btOk, &QPushButton::clicked, this, &TIventForm::btOkClick);

    tiAutoClose->setObjectName(QStringLiteral("tiAutoClose"));
    tiAutoClose->setInterval(5000);
    connect(tiAutoClose, &QTimer::timeout, this, &TIventForm::tiAutoCloseTimer);

    setFixedSize(DesignClientSize);

    m_batchTimer.setSingleShot(true);
    connect(&m_batchTimer, &QTimer::timeout, this, &TIventForm::showQueued);

    // The label is measured with one line of text in the window's own font:
    // what is left of the window height is the part that is not text.
    laMessage->setText(tr("イベント通知"));
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
    addNotice(text, important, isVisible());
    present();
}

void TIventForm::QueueEventNotice(const QString &text, bool important)
{
    m_queued.append({text, important});
    if (m_batchTimer.isActive())
        return;
    const qint64 since = m_lastPresented.isValid() ? m_lastPresented.elapsed() : BatchMs;
    if (since >= BatchMs)
        showQueued();
    else
        m_batchTimer.start(int(BatchMs - since));
}

void TIventForm::showQueued()
{
    const QList<QPair<QString, bool>> queued = std::exchange(m_queued, {});
    if (queued.isEmpty())
        return;
    bool append = isVisible();
    for (const auto &[text, important] : queued) {
        addNotice(text, important, append);
        append = true;
    }
    present();
}

void TIventForm::addNotice(const QString &text, bool important, bool append)
{
    if (append) {
        tiAutoClose->stop();
        m_lines.append(text);
        m_rows.append(std::nullopt);
        // Only the newest lines stay: a burst of notices (a thousand peers
        // coming online, or a flood from the network) would otherwise grow
        // the window past the screen and relayout an ever longer label.
        while (m_lines.size() > MaxLines) {
            m_lines.removeFirst();
            m_rows.removeFirst();
        }
    } else {
        m_lines = {text};
        m_rows = {std::nullopt};
    }

    if (m_settings.AutoClose) {
        if (important && !m_settings.ExclamationAutoClose) {
            m_noticeHeld = true;
        } else if (!m_noticeHeld && m_settings.AutoCloseTimer > 0) {
            // Restarting from this notice: the countdown runs from the newest line.
            // A zero delay means the window never closes by itself.
            tiAutoClose->setInterval(int(m_settings.AutoCloseTimer) * 1000);
            if (m_countdownHeld)
                m_countdownDue = true;
            else
                tiAutoClose->start();
        }
    }
}

void TIventForm::present()
{
    LayoutEventNotice();
    show();
    // The frame's size is known once the window is shown (and may differ by
    // screen): lay out again so that the frame, too, stays on the screen.
    if (frameGeometry().size() - size() != m_frameExtra)
        LayoutEventNotice();
    raise();
    m_lastPresented.start();
    emit presented();
}

void TIventForm::LayoutEventNotice()
{
    QFont labelFont = laMessage->font();
    if (m_settings.Size > 0)
        labelFont.setPointSize(m_settings.Size);
    laMessage->setFont(labelFont);

    // The window, frame included, never outgrows the screen's free area:
    // rows wrap at its width, and only the newest rows that fit stay.
    const QRect available = screen()->availableGeometry();
    const QSize frameExtra = frameGeometry().size() - size();
    m_frameExtra = frameExtra;
    const int maxLabelWidth = std::max(MinLabelWidth, available.width() - frameExtra.width() - WidthExtra);
    const int maxLabelHeight = available.height() - frameExtra.height() - m_heightExtra;
    const QFontMetrics metrics(labelFont);
    const int maxRows = std::max(1, maxLabelHeight / std::max(1, metrics.lineSpacing()));
    if (labelFont != m_rowsFont || maxLabelWidth != m_rowsWidth) {
        m_rowsFont = labelFont;
        m_rowsWidth = maxLabelWidth;
        for (std::optional<QStringList> &wrapped : m_rows)
            wrapped.reset();
    }
    QStringList rows;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (!m_rows[i])
            m_rows[i] = wrapNotice(m_lines[i], labelFont, maxLabelWidth);
        rows += *m_rows[i];
    }
    if (rows.size() > maxRows)
        rows.remove(0, rows.size() - maxRows);
    laMessage->setText(rows.join(u'\n'));
    laMessage->adjustSize();
    laMessage->resize(std::clamp(laMessage->width(), MinLabelWidth, maxLabelWidth),
                      std::min(laMessage->height(), std::max(metrics.height(), maxLabelHeight)));

    const int windowWidth = laMessage->width() + WidthExtra;
    const int windowHeight = laMessage->height() + m_heightExtra;
    setFixedSize(windowWidth, windowHeight);
    QPoint at = pos();
    if (m_settings.AutoLocate) {
        const QRect screenRect = screen()->geometry();
        // Integer division rounds toward zero.
        at = {screenRect.x() + (screenRect.width() - windowWidth) / 2,
              screenRect.y() + (screenRect.height() - (laMessage->height() + CentringHeightExtra)) / 2};
    }
    // Centred on the whole screen, or where the user left it: either way on
    // a screen's free area, so that the button can be reached.
    const QSize frame = size() + frameExtra;
    move(fitOnScreens(at, frame, availableScreenGeometries(), frame).topLeft());

    // Centred on the window, like the button below it; the window is wider
    // than the label by a fixed amount.
    laMessage->move((width() - laMessage->width()) / 2, LabelOrigin.y());
    btOk->move((width() - btOk->width()) / 2, height() - m_buttonGap);
}

void TIventForm::holdCountdown(bool held)
{
    if (held == m_countdownHeld)
        return;
    m_countdownHeld = held;
    if (held) {
        if (tiAutoClose->isActive()) {
            tiAutoClose->stop();
            m_countdownDue = true;
        }
        return;
    }
    // An important notice that came meanwhile holds the window for good.
    if (std::exchange(m_countdownDue, false) && isVisible() && !m_noticeHeld)
        tiAutoClose->start();
}

void TIventForm::closeEvent(QCloseEvent *event)
{
    m_countdownDue = false;
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
