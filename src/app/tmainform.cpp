#include "app/tmainform.h"

#include "platform/desktopfrontend.h"
#include "app/helpcommands.h"
#include "session/session.h"
#include "common/screenfit.h"
#include "messaging/absencecenter.h"
#include "messaging/formparts.h"
#include "messaging/messagecenter.h"
#include "messaging/trecvform.h"
#include "net/messenger.h"
#include "options/optionformopener.h"
#include "common/codec.h"
#include "options/toptionform.h"
#include "options/tpasscheckform.h"
#include "peers/peermenu.h"
#include "peers/roster.h"
#include "peers/rostermodel.h"
#include "platform/globalhotkeys.h"
#include "platform/iconstrip.h"
#include "platform/screens.h"
#include "platform/trayindicator.h"
#include "platform/windowtrayicon.h"

#include <QActionGroup>
#include <algorithm>
#include <QApplication>
#include <QCloseEvent>
#include <QShowEvent>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

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
    : QMainWindow(parent)
    , m_session(session)
    , m_frontend(frontend)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Zephinet"));
    setWindowIcon(IconStrip::icon(IconStrip::Present));
    // Every window of the program, boxes and prompts included, carries the
    // star in its title bar and task list, not the desktop's generic sign.
    QApplication::setWindowIcon(IconStrip::icon(IconStrip::Present));
    resize(DesignSize);

    m_messages = new MessageCenter(m_session, m_frontend, m_fontSize, this);
    // The receive commands, the log viewer and the user-list window share
    // the one prompt.
    m_messages->setPasswordGate([this](const QString &title) {
        return AskPassword(title, m_session.settings.Password, m_frontend,
                           [this](bool showing) { m_frontend.setDialogShowing(showing); }, this,
                           [this](int context) { ShowHelpTopic(context); });
    });
    m_options = new OptionFormOpener(
        m_session, m_frontend, [this](bool showing) { m_frontend.setDialogShowing(showing); }, &m_taskItems, this);
    m_help = new HelpCommands(m_frontend, this);
    // F1 on a control of the options window opens its topic of the manual.
    connect(m_options, &OptionFormOpener::helpRequested, this, &TMainForm::ShowHelpTopic);
    m_absence = new AbsenceCenter(m_session, m_frontend, *m_messages, m_fontSize, this);
    // The absence message is edited in two places; each shows what the other stored.
    connect(m_options, &OptionFormOpener::settingsApplied, this, [this](const Settings &, const Settings &now) {
        m_absence->setEditorText(cp932::toWidgetText(now.HuzaiMessage));
    });
    connect(m_absence, &AbsenceCenter::huzaiMessageApplied, this, [this] {
        if (TOptionForm *form = m_options->form())
            form->setHuzaiMessage(m_session.settings.HuzaiMessage);
    });
    m_model = new RosterModel(m_session.roster(), this);
    m_lvUser = new QTreeView(this);
    m_lvUser->setObjectName(QStringLiteral("lvUser"));
    auto *header = new PlainHeader(Qt::Horizontal, m_lvUser);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_lvUser->setHeader(header);
    m_lvUser->setModel(m_model);
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

    createActions();
    createMenus();
    createToolBar();
    createTray();

    connect(m_lvUser->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TMainForm::lvUserClick);
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
    lvUserClick();
}

TMainForm::~TMainForm()
{
    FormDestroy();
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
    miMessageSend = make(QStringLiteral("メッセージ送信(&S)"), "miMessageSend", QStringLiteral("メッセージ送信"));
    miMessageSend->setIcon(st->standardIcon(QStyle::SP_ArrowRight));
    miMessageRecv = make(QStringLiteral("メッセージ受信(&R)"), "miMessageRecv", QStringLiteral("メッセージ受信"));
    miMessageRecv->setIcon(st->standardIcon(QStyle::SP_ArrowDown));
    miMessageClipSend = make(QStringLiteral("クリップボード送信(&C)"), "miMessageClipSend",
                             QStringLiteral("クリップボード送信"));
    miMessageClipSend->setIcon(st->standardIcon(QStyle::SP_FileDialogContentsView));
    miMessageClipRecv = make(QStringLiteral("クリップボード受信(&L)"), "miMessageClipRecv",
                             QStringLiteral("クリップボード受信"));
    miMessageClipRecv->setIcon(st->standardIcon(QStyle::SP_DialogSaveButton));
    miMessageHuzaiRecv = make(QStringLiteral("不在メッセージ受信(&H)"), "miMessageHuzaiRecv",
                              QStringLiteral("不在メッセージ受信"));
    miMessageHuzaiRecv->setIcon(st->standardIcon(QStyle::SP_MessageBoxInformation));
    miMessageClose = make(QStringLiteral("閉じる(&Q)"), "miMessageClose");
    miMessageEnd = make(QStringLiteral("終了(&E)"), "miMessageEnd");
    miSettingHuzaiMode = make(QStringLiteral("不在(&H)"), "miSettingHuzaiMode", QStringLiteral("不在"));
    miSettingHuzaiMode->setCheckable(true);
    miSettingHuzaiMode->setIcon(IconStrip::icon(IconStrip::Absent));
    miSettingOption = make(QStringLiteral("環境設定(&O)"), "miSettingOption");
    miShowLogShow = make(QStringLiteral("ログ参照(&V)"), "miShowLogShow");
    miShowFontBigLarge = make(QStringLiteral("最大(&G)"), "miShowFontBigLarge");
    miShowFontLarge = make(QStringLiteral("大(&L)"), "miShowFontLarge");
    miShowFontMiddle = make(QStringLiteral("中(&M)"), "miShowFontMiddle");
    miShowFontSmall = make(QStringLiteral("小(&S)"), "miShowFontSmall");
    miShowRefresh = make(QStringLiteral("最新の情報に更新(&R)"), "miShowRefresh");
    miHelpHelp = make(QStringLiteral("トピックの検索(&H)"), "miHelpHelp");
    miHelpHomepage = make(QStringLiteral("Ondrel Official Homepage(&W)"), "miHelpHomepage");
    miHelpMail = make(QStringLiteral("Ondrel へ メールを送信(&M)"), "Ondrel1");
    miHelpVersion = make(QStringLiteral("バージョン情報(&V)"), "miHelpVersion");
    miMessageRightSend = make(QStringLiteral("メッセージ送信(&S)"), "miMessageRightSend");
    miMessageRightClipSend = make(QStringLiteral("クリップボード送信(&C)"), "miMessageRightClipSend");

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
    connect(miMessageSend, &QAction::triggered, this, [this] { m_messages->miMessageSendClick(selectedPeers()); });
    connect(miMessageRightSend, &QAction::triggered, miMessageSend, &QAction::trigger);
    connect(miMessageClipSend, &QAction::triggered, this,
            [this] { m_messages->miMessageClipSendClick(selectedPeers()); });
    connect(miMessageRightClipSend, &QAction::triggered, miMessageClipSend, &QAction::trigger);
    connect(miMessageRecv, &QAction::triggered, this, [this] { m_messages->miMessageRecvClick(); });
    connect(miMessageClipRecv, &QAction::triggered, this, [this] { m_messages->miClipRecvClick(); });
    connect(miShowLogShow, &QAction::triggered, this, [this] { m_messages->miShowLogShowClick(); });
    m_available.unite({miMessageSend, miMessageClipSend, miMessageRightSend, miMessageRightClipSend});
    connect(miSettingOption, &QAction::triggered, m_options, &OptionFormOpener::miOptionShowClick);

    miHelpHelp->setShortcut(QKeySequence::HelpContents);
    connect(miHelpHelp, &QAction::triggered, m_help, &HelpCommands::miHelpHelpClick);
    connect(miHelpHomepage, &QAction::triggered, m_help, &HelpCommands::miHelpHomepageClick);
    connect(miHelpMail, &QAction::triggered, m_help, &HelpCommands::Ondrel1Click);
    connect(miHelpVersion, &QAction::triggered, m_help, &HelpCommands::miHelpVersionClick);

    connect(miMessageHuzaiRecv, &QAction::triggered, this,
            [this] { m_absence->miMessageHuzaiRecvClick(selectedPeers()); });
    m_absence->addModeAction(miSettingHuzaiMode);
    m_available.insert(miMessageHuzaiRecv);

    // The receive commands follow the unread queue.
    miMessageRecv->setEnabled(false);
    miMessageClipRecv->setEnabled(false);
}

void TMainForm::createMenus()
{
    QMenu *miMessage = menuBar()->addMenu(QStringLiteral("メッセージ(&M)"));
    miMessage->setObjectName(QStringLiteral("miMessage"));
    connect(miMessage, &QMenu::aboutToShow, this,
            [this] { unreadChanged(m_session.recvQueue().UnreadCount()); });
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

    QMenu *miSetting = menuBar()->addMenu(QStringLiteral("オプション(&O)"));
    miSetting->setObjectName(QStringLiteral("miSetting"));
    miSetting->addAction(miSettingHuzaiMode);
    miSetting->addSeparator();
    miSetting->addAction(miSettingOption);

    QMenu *miShow = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    miShow->setObjectName(QStringLiteral("miShow"));
    miShow->addAction(miShowLogShow);
    miShow->addSeparator();
    QMenu *miShowFont = miShow->addMenu(QStringLiteral("文字のサイズ(&X)"));
    miShowFont->setObjectName(QStringLiteral("miShowFont"));
    miShowFont->addActions(m_fontGroup->actions());
    miShow->addSeparator();
    miShow->addAction(miShowRefresh);

    QMenu *miHelp = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    miHelp->setObjectName(QStringLiteral("miHelp"));
    miHelp->addAction(miHelpHelp);
    miHelp->addSeparator();
    miHelp->addAction(miHelpHomepage);
    miHelp->addAction(miHelpMail);
    miHelp->addSeparator();
    miHelp->addAction(miHelpVersion);

    // The per-peer send list of the global send key; filled from the roster
    // each time it opens.
    m_pmSendList = new QMenu(this);
    m_pmSendList->setObjectName(QStringLiteral("pmSendList"));
    connect(m_pmSendList, &QMenu::aboutToShow, this, [this] {
        fillPeerMenu(
            m_pmSendList, m_session.roster(),
            [this](const QByteArray &handle) { m_messages->miWindowSendClick(handle); }, true);
    });

    m_pmRightClick = new QMenu(this);
    m_pmRightClick->setObjectName(QStringLiteral("pmRightClick"));
    m_pmRightClick->addAction(miMessageRightSend);
    m_pmRightClick->addAction(miMessageRightClipSend);
}

void TMainForm::createToolBar()
{
    QToolBar *bar = addToolBar(QStringLiteral("toolbar"));
    bar->setObjectName(QStringLiteral("ToolBar"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(24, 24));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    bar->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    const std::pair<QAction *, const char *> buttons[] = {
        {miMessageSend, "sbSend"}, {miMessageRecv, "sbRecv"}, {nullptr, nullptr},
        {miMessageClipSend, "sbClipSend"}, {miMessageClipRecv, "sbClipRecv"}, {nullptr, nullptr},
        {miMessageHuzaiRecv, "sbHuzaiRecv"}, {nullptr, nullptr}, {miSettingHuzaiMode, "sbHuzai"}};
    for (const auto &[action, name] : buttons) {
        if (!action) {
            bar->addSeparator();
            continue;
        }
        bar->addAction(action);
        bar->widgetForAction(action)->setObjectName(QString::fromLatin1(name));
    }
}

void TMainForm::createTray()
{
    m_tray = new TrayIndicator(m_session.settings, this);
    connect(m_tray, &TrayIndicator::clicked, this, &TMainForm::trayClicked);
    connect(m_tray, &TrayIndicator::doubleClicked, this, &TMainForm::trayDoubleClicked);
    connect(m_tray, &TrayIndicator::contextMenuRequested, this, &TMainForm::trayContextMenu);

    m_pmTaskMenu = new QMenu(this);
    m_pmTaskMenu->setObjectName(QStringLiteral("pmTaskMenu"));
    fillTaskMenu(m_pmTaskMenu, m_taskItems, m_session.settings);
    connect(m_pmTaskMenu, &QMenu::aboutToShow, this, &TMainForm::pmTaskMenuPopup);
    connect(m_taskItems.miUserListShow, &QAction::triggered, this, &TMainForm::miUserListShowClick);
    connect(m_taskItems.miClipRecv, &QAction::triggered, this, [this] { m_messages->miClipRecvClick(); });
    connect(m_taskItems.miWindowRecv, &QAction::triggered, this, [this] {
        if (!m_frontend.dialogShowing() && !m_session.recvQueue().isEmpty())
            m_messages->miMessageRecvClick();
    });
    connect(m_taskItems.miLogShow, &QAction::triggered, this, [this] { m_messages->miShowLogShowClick(); });
    connect(m_taskItems.miEnd, &QAction::triggered, this, &QWidget::close);
    connect(m_taskItems.miOptionShow, &QAction::triggered, m_options, &OptionFormOpener::miOptionShowClick);
    connect(m_taskItems.miVersion, &QAction::triggered, m_help, &HelpCommands::miHelpVersionClick);
    m_absence->addModeAction(m_taskItems.miHuzaiMode);
    connect(&m_session, &Session::absentModeChanged, this,
            [this](bool absent) { m_tray->animation().setAbsentMode(absent); });
    const auto peerSubmenu = [this](QMenu *menu, std::function<void(const QByteArray &)> command) {
        connect(menu, &QMenu::aboutToShow, this,
                [this, menu, command] { fillPeerMenu(menu, m_session.roster(), command, true); });
    };
    peerSubmenu(m_taskItems.miClipSend, [this](const QByteArray &h) { m_messages->miClipSendClick(h); });
    peerSubmenu(m_taskItems.miWindowSend, [this](const QByteArray &h) { m_messages->miWindowSendClick(h); });
    peerSubmenu(m_taskItems.miHuzaiRecv, [this](const QByteArray &h) { m_absence->miHuzaiRecvClick(h); });

    connect(m_messages, &MessageCenter::unreadChanged, this, &TMainForm::unreadChanged);
    connect(m_messages, &MessageCenter::trayAnimationRequested, this,
            [this] { m_tray->animation().StartTrayAnimation(); });
    connect(m_messages, &MessageCenter::trayResetRequested, this, [this] { m_tray->animation().ResetTrayIcon(); });
    connect(m_messages, &MessageCenter::cursorAnimationRequested, this,
            [this] { TAnimationForm::arrival(m_cursorFrame, m_session.settings.MouseAnimation); });
    connect(m_messages, &MessageCenter::hideMainWindowRequested, this, &TMainForm::hideToTray);
}

void TMainForm::unreadChanged(int count)
{
    miMessageRecv->setEnabled(count > 0);
    miMessageClipRecv->setEnabled(count > 0);
}

void TMainForm::pmTaskMenuPopup()
{
    zn::pmTaskMenuPopup(m_taskItems, m_session.recvQueue().UnreadCount());
}

void TMainForm::trayClicked()
{
    if (m_frontend.dialogShowing())
        return;
    if (!m_session.recvQueue().isEmpty())
        m_messages->miMessageRecvClick();
    else
        // Nothing to read: the program comes to the front with its user
        // list. A tray that reports single clicks only (StatusNotifierItem)
        // has no other way to it but the menu.
        miUserListShowClick();
}

void TMainForm::trayDoubleClicked()
{
    if (!m_frontend.dialogShowing())
        miUserListShowClick();
}

void TMainForm::trayContextMenu(const QPoint &globalPos)
{
    if (m_frontend.dialogShowing())
        return;
    raise();
    m_pmTaskMenu->popup(globalPos);
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

bool TMainForm::FormCreate()
{
    readPlacement();
    // The stored size picks one of the four items; the command writes it back.
    miShowFontLargeClick(m_session.settings.Size);
    updateSortMarks();
    const bool started = m_session.startSocketService();
    // A key that another program holds is simply not ours.
    m_hotKeys = new GlobalHotKeys(this);
    connect(m_hotKeys, &GlobalHotKeys::activated, this, &TMainForm::hotKeyPressed);
    m_hotKeys->registerHotKey(HotKeyUserList, 'M');
    m_hotKeys->registerHotKey(HotKeySendList, 'S');
    m_hotKeys->registerHotKey(HotKeyReceive, 'R');
    return started;
}

void TMainForm::miUserListShowClick()
{
    if (m_session.settings.PasswordOnline && !isVisible()
        && !m_messages->passwordPassed(QStringLiteral("オンライン状況ウィンドウを開くにはパスワードが必要です。")))
        return;
    showWindowAgain(this, Activation::TakeFocus);
}

void TMainForm::hotKeyPressed(int id)
{
    if (m_frontend.dialogShowing())
        return;
    switch (id) {
    case HotKeyUserList:
        miUserListShowClick();
        break;
    case HotKeySendList:
        raise();
        m_pmSendList->popup(QCursor::pos());
        break;
    default:
        if (!m_session.recvQueue().isEmpty())
            m_messages->miMessageRecvClick();
        break;
    }
}

void TMainForm::ShowHelpTopic(int context)
{
    m_help->ShowHelpTopic(context);
}

void TMainForm::FormDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    // Every window writes its placement: a full disk is told once.
    const auto command = m_session.command();
    if (m_hotKeys) {
        for (const int id : {HotKeyReceive, HotKeySendList, HotKeyUserList})
            m_hotKeys->unregisterHotKey(id);
    }
    m_session.shutdown();
    m_messages->closeWindows();
    m_absence->closeWindows();
    for (const auto &saver : m_placementSavers)
        saver();
    m_tray->hide();
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
    const MainPlacement p = m_session.readMainPlacement(
        {(screen.width() - DesignSize.width()) / 2, (screen.height() - DesignSize.height()) / 2,
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

void TMainForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // The frame exists only now; the stored placement was fitted without it.
    keepFrameOnScreen();
}

void TMainForm::keepFrameOnScreen()
{
    const QSize frameExtra = frameGeometry().size() - size();
    const QRect fitted = fitOnScreens(frameGeometry().topLeft(), frameGeometry().size(),
                                      availableScreenGeometries(), MinimumWindowSize + frameExtra);
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
    m_messages->setDisplayFontSize(size);
    m_absence->setDisplayFontSize(size);
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
    if (QSystemTrayIcon::isSystemTrayAvailable())
        hide();
    else
        showMinimized();
}

void TMainForm::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && QSystemTrayIcon::isSystemTrayAvailable()) {
        // Minimising hides the window into the tray; a queued call, as the
        // window system is still changing its state.
        QMetaObject::invokeMethod(this, [this] {
            if (isMinimized()) {
                setWindowState(windowState() & ~Qt::WindowMinimized);
                hide();
            }
        }, Qt::QueuedConnection);
    }
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    if (!m_quitWithoutAsking
        && m_frontend.showMessageBox(QStringLiteral("終了してもよろしいですか？"),
                                     mb::YesNo | mb::IconQuestion)
               != Answer::Yes) {
        event->ignore();
        return;
    }
    event->accept();
    emit quitRequested();
}

void TMainForm::showPeerCount(int count)
{
    m_sbStatus->setText(QStringLiteral("オンラインユーザ数：%1").arg(count));
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
    const bool anyAbsent = std::any_of(rows.cbegin(), rows.cend(),
                                       [this](const QModelIndex &i) { return m_model->isAbsent(i.row()); });
    setCommandWanted(miMessageHuzaiRecv, anyAbsent);
}

void TMainForm::rosterChanged()
{
    if (m_commandStateQueued)
        return;
    m_commandStateQueued = true;
    QMetaObject::invokeMethod(this, [this] {
        m_commandStateQueued = false;
        lvUserClick();
    }, Qt::QueuedConnection);
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
