#include "app/thelpform.h"

#include "app/translations.h"
#include "platform/iconstrip.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHash>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWindow>

// The manual lives in a static library, whose resource object the linker
// would drop unless something refers to it.
static void initHelpResources()
{
    Q_INIT_RESOURCE(help);
}

namespace zn {

namespace manual {

namespace {

// The edition of the screen language: the Japanese pages at the root, the
// English edition beside them under the same names.
QString root()
{
    return installedScreenLanguage() == ScreenLanguage::English ? QStringLiteral(":/help/en")
                                                                : QStringLiteral(":/help");
}

// Every way into the manual passes here first.
void ensureResources()
{
    static const bool registered = (initHelpResources(), true);
    Q_UNUSED(registered);
}

QUrl pageUrl(const QString &fileName)
{
    return QUrl(QStringLiteral("qrc") + root() + u'/' + fileName);
}

QStringList pageFiles()
{
    ensureResources();
    return QDir(root()).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
}

// Which page carries which context anchor, read once per edition from the
// pages themselves, so that a topic can move between pages without a table
// here.
const QHash<int, QString> &anchorPages()
{
    static QHash<QString, QHash<int, QString>> editions;
    const QString folder = root();
    const auto known = editions.constFind(folder);
    if (known != editions.constEnd())
        return *known;
    QHash<int, QString> found;
    for (const QString &file : pageFiles()) {
        QFile page(folder + u'/' + file);
        if (!page.open(QIODevice::ReadOnly))
            continue;
        const QString html = QString::fromUtf8(page.readAll());
        const QString mark = QStringLiteral("id=\"ctx-");
        for (qsizetype at = html.indexOf(mark); at >= 0; at = html.indexOf(mark, at + 1)) {
            const qsizetype start = at + mark.size();
            const qsizetype end = html.indexOf(u'"', start);
            bool ok = false;
            const int context = html.mid(start, end - start).toInt(&ok);
            if (ok && !found.contains(context))
                found.insert(context, file);
        }
    }
    return *editions.insert(folder, found);
}

} // namespace

QUrl contents()
{
    ensureResources();
    return pageUrl(QStringLiteral("index.html"));
}

QUrl topic(int context)
{
    const auto page = anchorPages().constFind(context);
    if (page == anchorPages().constEnd())
        return contents();
    QUrl url = pageUrl(*page);
    url.setFragment(QStringLiteral("ctx-%1").arg(context));
    return url;
}

QList<QUrl> pages()
{
    QList<QUrl> urls{contents()};
    for (const QString &file : pageFiles()) {
        if (file != QLatin1String("index.html"))
            urls.append(pageUrl(file));
    }
    return urls;
}

} // namespace manual

namespace {
constexpr QSize DesignSize(600, 520);
} // namespace

THelpForm::THelpForm(UrlOpener opener, QWidget *parent) : QWidget(parent, Qt::Window), m_opener(std::move(opener))
{
    setObjectName(QStringLiteral("HelpForm"));
    setWindowTitle(tr("Zephinet -ヘルプ-"));
    setWindowIcon(IconStrip::icon(IconStrip::Present));

    m_btContents = new QPushButton(tr("目次(&C)"), this);
    m_btContents->setObjectName(QStringLiteral("btContents"));
    m_btBack = new QPushButton(tr("戻る(&B)"), this);
    m_btBack->setObjectName(QStringLiteral("btBack"));
    m_btForward = new QPushButton(tr("進む(&F)"), this);
    m_btForward->setObjectName(QStringLiteral("btForward"));
    m_btClose = new QPushButton(tr("閉じる(&X)"), this);
    m_btClose->setObjectName(QStringLiteral("btClose"));

    m_tbHelp = new QTextBrowser(this);
    m_tbHelp->setObjectName(QStringLiteral("tbHelp"));
    // Every link comes to linkClicked: pages of the manual open here, the
    // rest goes to the desktop through the opener.
    m_tbHelp->setOpenLinks(false);
    m_tbHelp->setOpenExternalLinks(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_btContents);
    buttons->addWidget(m_btBack);
    buttons->addWidget(m_btForward);
    buttons->addStretch();
    buttons->addWidget(m_btClose);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    column->addLayout(buttons);
    column->addWidget(m_tbHelp);

    connect(m_btContents, &QPushButton::clicked, this, [this] { m_tbHelp->setSource(manual::contents()); });
    connect(m_btBack, &QPushButton::clicked, m_tbHelp, &QTextBrowser::backward);
    connect(m_btForward, &QPushButton::clicked, m_tbHelp, &QTextBrowser::forward);
    connect(m_btClose, &QPushButton::clicked, this, &QWidget::close);
    // Escape does what "閉じる(&X)" does.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, m_btClose, &QPushButton::click);
    connect(m_tbHelp, &QTextBrowser::anchorClicked, this, &THelpForm::linkClicked);
    connect(m_tbHelp, &QTextBrowser::historyChanged, this, &THelpForm::updateButtons);

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize size = DesignSize.boundedTo(screen.size());
    resize(size);
    move(screen.x() + (screen.width() - size.width()) / 2, screen.y() + (screen.height() - size.height()) / 2);
    updateButtons();
}

void THelpForm::showAt(const QUrl &url)
{
    // Asked for from a modal dialog (F1 in the password prompt): the manual
    // belongs to that dialog meanwhile, or the dialog would block it.
    QWidget *modal = QApplication::activeModalWidget();
    QWindow *owner = modal && modal != this ? modal->windowHandle() : nullptr;
    if (!windowHandle())
        create();
    if (windowHandle()->transientParent() != owner) {
        // The blocked state is decided when a window is shown.
        hide();
        windowHandle()->setTransientParent(owner);
    }
    // Shown first, so that the anchor is scrolled to in the laid-out page.
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
    m_tbHelp->setSource(url);
    if (!url.fragment().isEmpty())
        m_tbHelp->scrollToAnchor(url.fragment());
}

void THelpForm::linkClicked(const QUrl &link)
{
    const QUrl url = m_tbHelp->source().resolved(link);
    if (url.scheme() == QLatin1String("qrc"))
        m_tbHelp->setSource(url);
    else if (m_opener)
        m_opener(url);
}

void THelpForm::updateButtons()
{
    m_btBack->setEnabled(m_tbHelp->isBackwardAvailable());
    m_btForward->setEnabled(m_tbHelp->isForwardAvailable());
}

} // namespace zn
