#include "app/tversionform.h"

#include "app/makerinfo.h"
#include "common/version.h"
#include "platform/iconstrip.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace zn {

namespace {

// The logo: image 10 of the 32 x 32 strip, the star in mid-flight.
constexpr int LogoImage = 10;

class LogoBox : public QWidget {
public:
    explicit LogoBox(QWidget *parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("pbLogo"));
        setFixedSize(32, 32);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        // pbLogoPaint
        QPainter painter(this);
        painter.drawPixmap(0, 0, IconStrip::pixmap(LogoImage, 32));
    }
};

QLabel *colouredLabel(const QString &text, const QColor &colour, const char *name, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

QLabel *linkLabel(const QString &text, const char *name, QWidget *parent)
{
    QLabel *label = colouredLabel(text, Qt::blue, name, parent);
    label->setCursor(Qt::PointingHandCursor);
    label->setToolTip(text);
    return label;
}

} // namespace

TVersionForm::TVersionForm(UrlOpener opener, QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowCloseButtonHint),
      m_opener(std::move(opener))
{
    setObjectName(QStringLiteral("VersionForm"));
    setWindowTitle(tr("Zephinet -バージョン情報-"));
    setWindowIcon(IconStrip::icon(IconStrip::Present));
    setFixedSize(ClientSize);

    // The bevelled panel across the top: the logo, the name and the version.
    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("plLogo"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto *logo = new LogoBox(panel);
    m_laProductName = colouredLabel(maker::productName(), Qt::blue, "laProductName", panel);
    QFont nameFont(QStringLiteral("Arial"));
    // Where Arial is missing, fontconfig's metric twin or any sans face.
    nameFont.setStyleHint(QFont::SansSerif);
    nameFont.setPixelSize(19);
    nameFont.setBold(true);
    nameFont.setItalic(true);
    m_laProductName->setFont(nameFont);
    m_laVersion = colouredLabel(QStringLiteral("Ver ") + ProgramVersion(), Qt::black, "laVersion", panel);
    auto *panelRow = new QHBoxLayout(panel);
    panelRow->setContentsMargins(6, 4, 6, 4);
    panelRow->setSpacing(10);
    panelRow->addWidget(logo, 0, Qt::AlignVCenter);
    panelRow->addWidget(m_laProductName, 0, Qt::AlignVCenter);
    panelRow->addWidget(m_laVersion, 0, Qt::AlignBottom);
    panelRow->addStretch();

    m_laCredit = colouredLabel(maker::creditLine(), Qt::red, "laCredit", this);
    QFont creditFont = m_laCredit->font();
    creditFont.setBold(true);
    m_laCredit->setFont(creditFont);

    m_laURL = linkLabel(maker::homePageUrl(), "laURL", this);
    m_laMailAddress = linkLabel(maker::mailAddress(), "laMailAddress", this);
    m_laURL->installEventFilter(this);
    m_laMailAddress->installEventFilter(this);

    m_btClose = new QPushButton(QStringLiteral("OK"), this);
    m_btClose->setObjectName(QStringLiteral("btClose"));
    m_btClose->setDefault(true);
    m_btClose->setMinimumWidth(75);
    connect(m_btClose, &QPushButton::clicked, this, &TVersionForm::btCloseClick);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(8, 6, 8, 6);
    column->setSpacing(0);
    column->addWidget(panel);
    column->addSpacing(3);
    for (QLabel *line : {m_laCredit, m_laURL, m_laMailAddress})
        column->addWidget(line, 0, Qt::AlignHCenter);
    column->addStretch();
    column->addWidget(m_btClose, 0, Qt::AlignHCenter);
}

void TVersionForm::laURLClick()
{
    m_opener(maker::homePage());
}

void TVersionForm::laMailAddressClick()
{
    m_opener(maker::mailTo());
}

void TVersionForm::btCloseClick()
{
    accept();
}

bool TVersionForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == m_laURL) {
            laURLClick();
            return true;
        }
        if (watched == m_laMailAddress) {
            laMailAddressClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TVersionForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Centred on the screen, whether or not the main window is shown.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize outer = frameGeometry().size();
    move(screen.x() + (screen.width() - outer.width()) / 2, screen.y() + (screen.height() - outer.height()) / 2);
}

} // namespace zn
