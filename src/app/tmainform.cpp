#include "app/tmainform.h"

#include "common/screenfit.h"
#include "messaging/formparts.h"
#include "net/messenger.h"
#include "peers/roster.h"
#include "peers/rostermodel.h"
#include "platform/desktopfrontend.h"
#include "platform/iconstrip.h"
#include "platform/screens.h"
#include "session/session.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include <algorithm>

namespace zn {

namespace {
// Qt sizes every header section for a bold label, in case the section gets
// highlighted; this list never highlights one. Sizing with the bold face
// would load a second Japanese font face, megabytes of it, for nothing.
class PlainHeader final : public QHeaderView {
public:
    using QHeaderView::QHeaderView;

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override
    {
        if (highlightSections() || !model())
            return QHeaderView::sectionSizeFromContents(logicalIndex);
        QStyleOptionHeader opt;
        initStyleOption(&opt);
        opt.section = logicalIndex;
        opt.text = model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString();
        if (isSortIndicatorShown())
            opt.sortIndicator = QStyleOptionHeader::SortDown;
        return style()->sizeFromContents(QStyle::CT_HeaderSection, &opt, QSize(), this);
    }
};

constexpr QSize DesignSize(442, 353);
// The least window a stored placement may give: the menu bar and a row or two.
constexpr QSize MinimumWindowSize(100, 80);
// The least width of a stored column, so that no column vanishes for good.
constexpr int MinimumStoredColumnWidth = 20;
} // namespace

TMainForm::TMainForm(Session &session, DesktopFrontend &frontend, QWidget *parent)
    : QMainWindow(parent), m_session(session), m_frontend(frontend)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Zephinet"));
    setWindowIcon(IconStrip::icon(IconStrip::Present));
    // Every window of the program, boxes and prompts included, carries the
    // star in its title bar and task list, not the desktop's generic sign.
    QApplication::setWindowIcon(IconStrip::icon(IconStrip::Present));
    resize(DesignSize);

    m_model = new RosterModel(m_session.roster(), this);
    m_lvUser = new QTreeView(this);
    m_lvUser->setObjectName(QStringLiteral("lvUser"));
    m_lvUser->setAccessibleName(tr("ユーザ一覧"));
    m_lvUser->setAccessibleDescription(tr("オンラインのユーザ。選択してEnterでメッセージを送信します。"));
    auto *header = new PlainHeader(Qt::Horizontal, m_lvUser);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_lvUser->setHeader(header);
    m_lvUser->setModel(m_model);
    // Not shown yet: quiet until it is.
    m_model->setQuiet(true);
    m_lvUser->setRootIsDecorated(false);
    m_lvUser->setItemsExpandable(false);
    m_lvUser->setUniformRowHeights(true);
    m_lvUser->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_lvUser->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_lvUser->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lvUser->setContextMenuPolicy(Qt::CustomContextMenu);
    m_lvUser->header()->setSectionsClickable(true);
    m_lvUser->header()->setSectionsMovable(false);
    m_lvUser->header()->setStretchLastSection(false);
    for (int c = 0; c < 3; ++c)
        m_lvUser->setColumnWidth(c, DefaultColumnWidths[c]);
    setCentralWidget(m_lvUser);

    m_sbStatus = new QLabel(this);
    m_sbStatus->setObjectName(QStringLiteral("sbStatus"));
    m_sbStatus->setTextFormat(Qt::PlainText);
    // At least the classic 100 pixels; wider when the font needs it, never clipped.
    m_sbStatus->setMinimumWidth(100);
    statusBar()->addWidget(m_sbStatus);
    m_sbLonely = new QLabel(this);
    m_sbLonely->setObjectName(QStringLiteral("sbLonely"));
    m_sbLonely->setTextFormat(Qt::RichText);
    m_sbLonely->setText(tr("ほかのユーザが見つかりません。<a href=\"diagnosis\">接続の診断</a>"));
    m_sbLonely->setToolTip(tr("接続の診断で、ほかのユーザが見つからない原因を調べられます。"));
    // Never wider than the window leaves it: the window keeps its size.
    m_sbLonely->setMinimumWidth(1);
    m_sbLonely->setVisible(false);
    statusBar()->addWidget(m_sbLonely, 1);
    m_lonelyTimer = new QTimer(this);
    m_lonelyTimer->setSingleShot(true);
    connect(m_lonelyTimer, &QTimer::timeout, this, &TMainForm::lonelyWatchTimer);
    statusBar()->setAccessibleName(tr("ステータスバー"));
    menuBar()->setAccessibleName(tr("メニューバー"));

    createActions();
    createMenus();
    createToolBar();

    connect(m_lvUser->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TMainForm::lvUserClick);
    connect(m_lvUser, &QTreeView::doubleClicked, this, &TMainForm::lvUserDblClick);
    m_lvUser->installEventFilter(this);
    connect(m_lvUser->header(), &QHeaderView::sectionClicked, this, &TMainForm::columnClicked);
    connect(m_lvUser->header(), &QHeaderView::sectionResized, this, &TMainForm::keepColumnWide);
    connect(m_lvUser, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        lvUserClick();
        m_pmRightClick->popup(m_lvUser->viewport()->mapToGlobal(pos));
    });
    Roster &roster = m_session.roster();
    connect(&roster, &Roster::countChanged, this, &TMainForm::showPeerCount);
    // An insertion changes neither the selection nor who of it is absent.
    connect(&roster, &Roster::changed, this, &TMainForm::rosterChanged);
    connect(&roster, &Roster::removed, this, &TMainForm::rosterChanged);
    // Someone appeared: the offer has done its work and goes for this run.
    connect(&roster, &Roster::countChanged, this, [this] {
        if (othersListed())
            m_sbLonely->setVisible(false);
    });
    lvUserClick();
}

TMainForm::~TMainForm() = default;

MainWindowCommands TMainForm::commands() const
{
    return {miMessageSend,      miMessageRecv,   miMessageClipSend, miMessageClipRecv, miMessageHuzaiRecv,
            miSettingHuzaiMode, miSettingOption, miShowLogShow,     miHelpHelp,        miHelpHomepage,
            miHelpMail,         miHelpVersion,   miHelpDiagnosis};
}

void TMainForm::createActions()
{
    auto make = [this](const QString &text, const char *name, const QString &tip = {}) {
        auto *action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        if (!tip.isEmpty())
            action->setToolTip(tip);
        return action;
    };
    const QStyle *st = style();
    miMessageSend = make(tr("メッセージ送信(&S)"), "miMessageSend", tr("メッセージ送信"));
    miMessageSend->setIcon(st->standardIcon(QStyle::SP_ArrowRight));
    miMessageRecv = make(tr("メッセージ受信(&R)"), "miMessageRecv", tr("メッセージ受信"));
    miMessageRecv->setIcon(st->standardIcon(QStyle::SP_ArrowDown));
    miMessageClipSend = make(tr("クリップボード送信(&C)"), "miMessageClipSend", tr("クリップボード送信"));
    miMessageClipSend->setIcon(st->standardIcon(QStyle::SP_FileDialogContentsView));
    miMessageClipRecv = make(tr("クリップボード受信(&L)"), "miMessageClipRecv", tr("クリップボード受信"));
    miMessageClipRecv->setIcon(st->standardIcon(QStyle::SP_DialogSaveButton));
    miMessageHuzaiRecv = make(tr("不在メッセージ受信(&H)"), "miMessageHuzaiRecv", tr("不在メッセージ受信"));
    miMessageHuzaiRecv->setIcon(st->standardIcon(QStyle::SP_MessageBoxInformation));
    miMessageClose = make(tr("閉じる(&Q)"), "miMessageClose");
    miMessageEnd = make(tr("終了(&E)"), "miMessageEnd");
    miSettingHuzaiMode = make(tr("不在(&H)"), "miSettingHuzaiMode", tr("不在"));
    miSettingHuzaiMode->setCheckable(true);
    miSettingHuzaiMode->setIcon(IconStrip::icon(IconStrip::Absent));
    miSettingOption = make(tr("環境設定(&O)"), "miSettingOption");
    miShowLogShow = make(tr("ログ参照(&V)"), "miShowLogShow");
    miShowFontBigLarge = make(tr("最大(&G)"), "miShowFontBigLarge");
    miShowFontLarge = make(tr("大(&L)"), "miShowFontLarge");
    miShowFontMiddle = make(tr("中(&M)"), "miShowFontMiddle");
    miShowFontSmall = make(tr("小(&S)"), "miShowFontSmall");
    miShowRefresh = make(tr("最新の情報に更新(&R)"), "miShowRefresh");
    miHelpHelp = make(tr("トピックの検索(&H)"), "miHelpHelp");
    miHelpHomepage = make(QStringLiteral("Ondrel Official Homepage(&W)"), "miHelpHomepage");
    miHelpMail = make(tr("Ondrel へ メールを送信(&M)"), "Ondrel1");
    miHelpVersion = make(tr("バージョン情報(&V)"), "miHelpVersion");
    miHelpDiagnosis = make(tr("接続の診断(&D)"), "miHelpDiagnosis");
    connect(m_sbLonely, &QLabel::linkActivated, miHelpDiagnosis, &QAction::trigger);
    miMessageRightSend = make(tr("メッセージ送信(&S)"), "miMessageRightSend");
    miMessageRightClipSend = make(tr("クリップボード送信(&C)"), "miMessageRightClipSend");

    m_fontGroup = new QActionGroup(this);
    const std::pair<QAction *, int> sizes[] = {
        {miShowFontBigLarge, 14}, {miShowFontLarge, 12}, {miShowFontMiddle, 9}, {miShowFontSmall, 8}};
    for (const auto &[action, size] : sizes) {
        action->setCheckable(true);
        action->setData(size);
        m_fontGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, size = size] { miShowFontLargeClick(size); });
    }
    miShowFontMiddle->setChecked(true);

    connect(miMessageClose, &QAction::triggered, this, &TMainForm::miMessageCloseClick);
    connect(miMessageEnd, &QAction::triggered, this, &QWidget::close);
    connect(miShowRefresh, &QAction::triggered, this, &TMainForm::miShowRefreshClick);
    // The commands that open other windows are connected by their owner.
    connect(miMessageRightSend, &QAction::triggered, miMessageSend, &QAction::trigger);
    connect(miMessageRightClipSend, &QAction::triggered, miMessageClipSend, &QAction::trigger);
    m_available.unite({miMessageSend, miMessageClipSend, miMessageRightSend, miMessageRightClipSend});
    miHelpHelp->setShortcut(QKeySequence::HelpContents);
    m_available.insert(miMessageHuzaiRecv);

    // The receive commands follow the unread queue.
    miMessageRecv->setEnabled(false);
    miMessageClipRecv->setEnabled(false);
}

void TMainForm::createMenus()
{
    QMenu *miMessage = menuBar()->addMenu(tr("メッセージ(&M)"));
    miMessage->setObjectName(QStringLiteral("miMessage"));
    connect(miMessage, &QMenu::aboutToShow, this, [this] { unreadChanged(m_session.recvQueue().UnreadCount()); });
    miMessage->addAction(miMessageSend);
    miMessage->addAction(miMessageRecv);
    miMessage->addSeparator();
    miMessage->addAction(miMessageClipSend);
    miMessage->addAction(miMessageClipRecv);
    miMessage->addSeparator();
    miMessage->addAction(miMessageHuzaiRecv);
    miMessage->addSeparator();
    miMessage->addAction(miMessageClose);
    miMessage->addSeparator();
    miMessage->addAction(miMessageEnd);

    QMenu *miSetting = menuBar()->addMenu(tr("オプション(&O)"));
    miSetting->setObjectName(QStringLiteral("miSetting"));
    miSetting->addAction(miSettingHuzaiMode);
    miSetting->addSeparator();
    miSetting->addAction(miSettingOption);

    QMenu *miShow = menuBar()->addMenu(tr("表示(&V)"));
    miShow->setObjectName(QStringLiteral("miShow"));
    miShow->addAction(miShowLogShow);
    miShow->addSeparator();
    QMenu *miShowFont = miShow->addMenu(tr("文字のサイズ(&X)"));
    miShowFont->setObjectName(QStringLiteral("miShowFont"));
    miShowFont->addActions(m_fontGroup->actions());
    miShow->addSeparator();
    miShow->addAction(miShowRefresh);

    QMenu *miHelp = menuBar()->addMenu(tr("ヘルプ(&H)"));
    miHelp->setObjectName(QStringLiteral("miHelp"));
    miHelp->addAction(miHelpHelp);
    miHelp->addAction(miHelpDiagnosis);
    miHelp->addSeparator();
    miHelp->addAction(miHelpHomepage);
    miHelp->addAction(miHelpMail);
    miHelp->addSeparator();
    miHelp->addAction(miHelpVersion);

    m_pmRightClick = new QMenu(this);
    m_pmRightClick->setObjectName(QStringLiteral("pmRightClick"));
    m_pmRightClick->addAction(miMessageRightSend);
    m_pmRightClick->addAction(miMessageRightClipSend);
}

void TMainForm::createToolBar()
{
    QToolBar *bar = addToolBar(tr("ツールバー"));
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(24, 24));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    const std::pair<QAction *, const char *> buttons[] = {{miMessageSend, "sbSend"},
                                                          {miMessageRecv, "sbRecv"},
                                                          {nullptr, nullptr},
                                                          {miMessageClipSend, "sbClipSend"},
                                                          {miMessageClipRecv, "sbClipRecv"},
                                                          {nullptr, nullptr},
                                                          {miMessageHuzaiRecv, "sbHuzaiRecv"},
                                                          {nullptr, nullptr},
                                                          {miSettingHuzaiMode, "sbHuzai"}};
    for (const auto &[action, name] : buttons) {
        if (!action) {
            bar->addSeparator();
            continue;
        }
        bar->addAction(action);
        bar->widgetForAction(action)->setObjectName(QString::fromLatin1(name));
    }
}

void TMainForm::unreadChanged(int count)
{
    miMessageRecv->setEnabled(count > 0);
    miMessageClipRecv->setEnabled(count > 0);
}

QList<TPeer> TMainForm::selectedPeers() const
{
    QModelIndexList rows = m_lvUser->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    QList<TPeer> peers;
    const QList<TPeer> &all = m_session.roster().peers();
    for (const QModelIndex &index : std::as_const(rows)) {
        if (index.row() < all.size())
            peers.append(all[index.row()]);
    }
    return peers;
}

void TMainForm::FormCreate()
{
    readPlacement();
    // The stored size picks one of the four items; the command writes it back.
    miShowFontLargeClick(m_session.settings.Size);
    updateSortMarks();
}

void TMainForm::FormDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    writePlacement();
}

void TMainForm::setQuitWithoutAsking(bool on)
{
    m_quitWithoutAsking = on;
    m_session.setUnattended(on);
}

void TMainForm::readPlacement()
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const MainPlacement p = m_session.readMainPlacement({(screen.width() - DesignSize.width()) / 2,
                                                         (screen.height() - DesignSize.height()) / 2,
                                                         DesignSize.width(), DesignSize.height()});
    // A placement stored on another set of screens, or edited by hand, comes
    // back onto one of the screens there are now.
    const QRect fitted = fitOnScreens({p.window.left, p.window.top}, {p.window.width, p.window.height},
                                      availableScreenGeometries(), MinimumWindowSize);
    move(fitted.topLeft());
    resize(fitted.size());
    // Fitted again, frame included, once the window manager has framed it.
    keepFrameOnScreens(this);
    for (int c = 0; c < 3; ++c)
        m_lvUser->setColumnWidth(c, qMax(p.columns[c], MinimumStoredColumnWidth));
}

void TMainForm::hideEvent(QHideEvent *event)
{
    QMainWindow::hideEvent(event);
    m_model->setQuiet(true);
}

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    m_model->setQuiet(isMinimized());
    // The frame exists only now; the stored placement was fitted without it.
    keepFrameOnScreen();
}

void TMainForm::keepFrameOnScreen()
{
    const QSize frameExtra = frameGeometry().size() - size();
    const QRect fitted = fitOnScreens(frameGeometry().topLeft(), frameGeometry().size(), availableScreenGeometries(),
                                      MinimumWindowSize + frameExtra);
    if (fitted.size() != frameGeometry().size())
        resize(fitted.size() - frameExtra);
    if (fitted.topLeft() != frameGeometry().topLeft())
        move(fitted.topLeft());
}

void TMainForm::writePlacement()
{
    MainPlacement p;
    p.window = {x(), y(), width(), height()};
    for (int c = 0; c < 3; ++c)
        p.columns[c] = m_lvUser->columnWidth(c);
    m_session.writeMainPlacement(p);
}

void TMainForm::miShowFontLargeClick(int stored)
{
    const int size = Session::fontSizeForStoredValue(stored);
    for (QAction *action : m_fontGroup->actions())
        action->setChecked(action->data().toInt() == size);
    m_fontSize = size;
    QFont font = m_lvUser->font();
    font.setPointSize(size);
    m_lvUser->setFont(font);
    fitColumnsToCaptions();
    // The size is in the settings before the other windows lay out again.
    m_session.writeFontSize(quint8(size));
    emit fontSizeChanged(size);
}

int TMainForm::minimumColumnWidth(int column) const
{
    const QHeaderView *header = m_lvUser->header();
    const QFontMetrics metrics(header->font());
    int text = 0;
    for (int sortIndex = 0; sortIndex < 3; ++sortIndex) {
        for (const bool upper : {true, false})
            text = qMax(text, metrics.horizontalAdvance(RosterModel::columnCaptions(sortIndex, upper).at(column)));
    }
    const QStyle *st = header->style();
    const int margin = st->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    const int mark = st->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header);
    return text + 2 * margin + mark + margin;
}

void TMainForm::fitColumnsToCaptions()
{
    for (int c = 0; c < 3; ++c)
        m_lvUser->setColumnWidth(c, qMax(m_lvUser->columnWidth(c), minimumColumnWidth(c)));
}

void TMainForm::keepColumnWide(int column, int, int newWidth)
{
    // Dragging a column narrower than its caption stops at the caption.
    const int least = minimumColumnWidth(column);
    if (newWidth < least)
        m_lvUser->setColumnWidth(column, least);
}

void TMainForm::miShowRefreshClick()
{
    m_session.roster().clear();
    m_session.messenger().SendLogin();
}

void TMainForm::miMessageCloseClick()
{
    hideToTray();
}

void TMainForm::hideToTray()
{
    // Without a tray the window stays reachable from the taskbar.
    if (m_trayPresent())
        hide();
    else
        showMinimized();
}

void TMainForm::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // A minimised list is seen by nobody, even where the system still draws it.
    if (event->type() == QEvent::WindowStateChange)
        m_model->setQuiet(isMinimized() || !isVisible());
    if (event->type() == QEvent::WindowStateChange && isMinimized() && m_trayPresent()) {
        // Minimising hides the window into the tray; a queued call, as the
        // window system is still changing its state.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (isMinimized()) {
                    setWindowState(windowState() & ~Qt::WindowMinimized);
                    hide();
                }
            },
            Qt::QueuedConnection);
    }
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    if (!m_quitWithoutAsking
        && m_frontend.showMessageBox(tr("終了してもよろしいですか？"), mb::YesNo | mb::IconQuestion) != Answer::Yes) {
        event->ignore();
        return;
    }
    event->accept();
    emit quitRequested();
}

void TMainForm::showPeerCount(int count)
{
    m_sbStatus->setText(tr("オンラインユーザ数：%1").arg(count));
}

bool TMainForm::othersListed() const
{
    // Asked at every change of the count: a lookup, not a pass over the
    // list, or a segment's morning of thousands would cost their square.
    const Roster &roster = m_session.roster();
    const qsizetype self = roster.indexOfMachine(m_session.local.MachineName) >= 0 ? 1 : 0;
    return roster.count() > self;
}

void TMainForm::startLonelyWatch(int delayMs)
{
    m_lonelyTimer->start(delayMs);
}

void TMainForm::lonelyWatchTimer()
{
    m_sbLonely->setVisible(!othersListed());
}

void TMainForm::updateSortMarks()
{
    m_model->refreshHeader();
}

void TMainForm::columnClicked(int column)
{
    m_session.sortByColumn(column);
}

void TMainForm::setCommandWanted(QAction *action, bool wanted)
{
    // The wish is kept even for commands whose windows come later, so the
    // state is right the moment they arrive.
    action->setProperty("wanted", wanted);
    action->setEnabled(wanted && m_available.contains(action));
}

void TMainForm::lvUserClick()
{
    const QModelIndexList rows = m_lvUser->selectionModel()->selectedRows();
    const bool any = !rows.isEmpty();
    for (QAction *send : {miMessageSend, miMessageClipSend, miMessageRightSend, miMessageRightClipSend})
        setCommandWanted(send, any);
    // The absence-message fetch is offered when a selected peer is absent.
    const bool anyAbsent =
        std::any_of(rows.cbegin(), rows.cend(), [this](const QModelIndex &i) { return m_model->isAbsent(i.row()); });
    setCommandWanted(miMessageHuzaiRecv, anyAbsent);
}

void TMainForm::rosterChanged()
{
    if (m_commandStateQueued)
        return;
    m_commandStateQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_commandStateQueued = false;
            lvUserClick();
        },
        Qt::QueuedConnection);
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_lvUser && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            lvUserDblClick();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::lvUserDblClick()
{
    const QModelIndexList rows = m_lvUser->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    if (rows.size() == 1 && m_model->isAbsent(rows.first().row()))
        miMessageHuzaiRecv->trigger();
    else
        miMessageSend->trigger();
}

} // namespace zn
