#include "app/desktopshell.h"

#include "app/helpcommands.h"
#include "app/tmainform.h"
#include "common/codec.h"
#include "diagnosis/finding.h"
#include "diagnosis/segmentprobe.h"
#include "diagnosis/systemchecks.h"
#include "diagnosis/tdiagnosisform.h"
#include "messaging/absencecenter.h"
#include "messaging/messagecenter.h"
#include "net/identity.h"
#include "net/udpservice.h"
#include "options/optionformopener.h"
#include "options/toptionform.h"
#include "options/tpasscheckform.h"
#include "peers/peermenu.h"
#include "peers/roster.h"
#include "platform/desktopfrontend.h"
#include "platform/desktopnotifier.h"
#include "platform/eventsound.h"
#include "platform/globalhotkeys.h"
#include "platform/tiventform.h"
#include "platform/trayindicator.h"
#include "platform/unixsignals.h"
#include "platform/windowtrayicon.h"
#include "session/session.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QJsonDocument>
#include <QMenu>
#include <QSessionManager>
#include <QSystemTrayIcon>

namespace zn {

DesktopShell::DesktopShell(Session &session, DesktopFrontend &frontend, QObject *parent)
    : QObject(parent), m_session(session), m_frontend(frontend)
{
    m_mainWindow = std::make_unique<TMainForm>(m_session, m_frontend);
    // Without a tray the main window stays reachable from the taskbar.
    m_mainWindow->setTrayPresent(&QSystemTrayIcon::isSystemTrayAvailable);

    const auto setDialogShowing = [this](bool showing) { m_frontend.setDialogShowing(showing); };
    const int fontSize = m_mainWindow->displayFontSize();
    m_messages = std::make_unique<MessageCenter>(m_session, m_frontend, fontSize);
    // The receive commands, the log viewer and the user-list window share
    // the one prompt.
    m_messages->setPasswordGate([this, setDialogShowing](const QString &title) {
        return AskPassword(title, m_session.settings.Password, m_frontend, setDialogShowing, m_mainWindow.get(),
                           [this](int context) { ShowHelpTopic(context); });
    });
    m_options = std::make_unique<OptionFormOpener>(m_session, m_frontend, setDialogShowing, &m_taskItems);
    m_help = std::make_unique<HelpCommands>(m_frontend);
    // F1 on a control of the options window opens its topic of the manual.
    connect(m_options.get(), &OptionFormOpener::helpRequested, this, &DesktopShell::ShowHelpTopic);
    m_absence = std::make_unique<AbsenceCenter>(m_session, m_frontend, *m_messages, fontSize);

    connectMainWindow();
    createSendList();
    createTray();
}

DesktopShell::~DesktopShell()
{
    stop();
}

void DesktopShell::connectMainWindow()
{
    TMainForm &window = *m_mainWindow;
    const MainWindowCommands c = window.commands();
    MessageCenter *messages = m_messages.get();
    connect(c.miMessageSend, &QAction::triggered, this,
            [this] { m_messages->miMessageSendClick(m_mainWindow->selectedPeers()); });
    connect(c.miMessageClipSend, &QAction::triggered, this,
            [this] { m_messages->miMessageClipSendClick(m_mainWindow->selectedPeers()); });
    connect(c.miMessageRecv, &QAction::triggered, messages, &MessageCenter::miMessageRecvClick);
    connect(c.miMessageClipRecv, &QAction::triggered, messages, &MessageCenter::miClipRecvClick);
    connect(c.miShowLogShow, &QAction::triggered, messages, &MessageCenter::miShowLogShowClick);
    connect(c.miSettingOption, &QAction::triggered, m_options.get(), &OptionFormOpener::miOptionShowClick);
    connect(c.miHelpHelp, &QAction::triggered, m_help.get(), &HelpCommands::miHelpHelpClick);
    connect(c.miHelpHomepage, &QAction::triggered, m_help.get(), &HelpCommands::miHelpHomepageClick);
    connect(c.miHelpMail, &QAction::triggered, m_help.get(), &HelpCommands::Ondrel1Click);
    connect(c.miHelpVersion, &QAction::triggered, m_help.get(), &HelpCommands::miHelpVersionClick);
    connect(c.miHelpDiagnosis, &QAction::triggered, this, &DesktopShell::miHelpDiagnosisClick);
    connect(c.miMessageHuzaiRecv, &QAction::triggered, this,
            [this] { m_absence->miMessageHuzaiRecvClick(m_mainWindow->selectedPeers()); });
    m_absence->addModeAction(c.miSettingHuzaiMode);
    // The size is in the settings before the other windows lay out again.
    connect(&window, &TMainForm::fontSizeChanged, messages, &MessageCenter::setDisplayFontSize);
    connect(&window, &TMainForm::fontSizeChanged, m_absence.get(), &AbsenceCenter::setDisplayFontSize);
    connect(messages, &MessageCenter::unreadChanged, &window, &TMainForm::unreadChanged);
    connect(messages, &MessageCenter::hideMainWindowRequested, &window, &TMainForm::hideToTray);
}

void DesktopShell::createSendList()
{
    // The per-peer send list of the global send key; filled from the roster
    // each time it opens.
    m_pmSendList = new QMenu(m_mainWindow.get());
    m_pmSendList->setObjectName(QStringLiteral("pmSendList"));
    connect(m_pmSendList, &QMenu::aboutToShow, this, [this] {
        fillPeerMenu(
            m_pmSendList, m_session.roster(),
            [this](const QByteArray &handle) { m_messages->miWindowSendClick(handle); }, true);
    });
}

void DesktopShell::createTray()
{
    // Below the shell in the object tree, as the other tray icons are below
    // their windows.
    m_tray = std::make_unique<TrayIndicator>(m_session.settings, this);
    connect(m_tray.get(), &TrayIndicator::clicked, this, &DesktopShell::trayClicked);
    connect(m_tray.get(), &TrayIndicator::doubleClicked, this, &DesktopShell::trayDoubleClicked);
    connect(m_tray.get(), &TrayIndicator::contextMenuRequested, this, &DesktopShell::trayContextMenu);

    m_pmTaskMenu = new QMenu(m_mainWindow.get());
    m_pmTaskMenu->setObjectName(QStringLiteral("pmTaskMenu"));
    fillTaskMenu(m_pmTaskMenu, m_taskItems, m_session.settings);
    connect(m_pmTaskMenu, &QMenu::aboutToShow, this, &DesktopShell::pmTaskMenuPopup);
    // A tray host that draws the published menu may show it before the
    // counts of its opening arrive: they are kept current.
    connect(m_messages.get(), &MessageCenter::unreadChanged, this, &DesktopShell::pmTaskMenuPopup);
    connect(&m_frontend, &DesktopFrontend::dialogShowingChanged, this,
            [this](bool showing) { setTaskMenuQuiet(m_pmTaskMenu, m_taskItems, m_session.settings, showing); });
    pmTaskMenuPopup();
    m_tray->publishMenu(m_pmTaskMenu);
    connect(m_taskItems.miUserListShow, &QAction::triggered, this, &DesktopShell::miUserListShowClick);
    connect(m_taskItems.miClipRecv, &QAction::triggered, this, [this] { m_messages->miClipRecvClick(); });
    connect(m_taskItems.miWindowRecv, &QAction::triggered, this, [this] {
        if (!m_frontend.dialogShowing() && !m_session.recvQueue().isEmpty())
            m_messages->miMessageRecvClick();
    });
    connect(m_taskItems.miLogShow, &QAction::triggered, this, [this] { m_messages->miShowLogShowClick(); });
    connect(m_taskItems.miEnd, &QAction::triggered, m_mainWindow.get(), &QWidget::close);
    connect(m_taskItems.miOptionShow, &QAction::triggered, m_options.get(), &OptionFormOpener::miOptionShowClick);
    connect(m_taskItems.miVersion, &QAction::triggered, m_help.get(), &HelpCommands::miHelpVersionClick);
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

    connect(m_messages.get(), &MessageCenter::trayAnimationRequested, this,
            [this] { m_tray->animation().StartTrayAnimation(); });
    connect(m_messages.get(), &MessageCenter::trayResetRequested, this,
            [this] { m_tray->animation().ResetTrayIcon(); });
    connect(m_messages.get(), &MessageCenter::cursorAnimationRequested, this,
            [this] { TAnimationForm::arrival(m_cursorFrame, m_session.settings.MouseAnimation); });
}

int DesktopShell::run()
{
    if (!start())
        return 0;
    showDesktop();
    const int result = QApplication::exec();
    // LOGOUT, then the placements of the notification window and the main window.
    stop();
    return result;
}

bool DesktopShell::start()
{
    m_mainWindow->FormCreate();
    const bool started = m_session.startSocketService();
    if (started)
        m_mainWindow->startLonelyWatch();
    // A key that another program holds is simply not ours.
    m_hotKeys = std::make_unique<GlobalHotKeys>();
    connect(m_hotKeys.get(), &GlobalHotKeys::activated, this, &DesktopShell::hotKeyPressed);
    // The names a Wayland desktop lists the keys by, as the tray menu names the commands.
    m_hotKeys->registerHotKey(HotKeyUserList, 'M', tr("オンライン状況"));
    m_hotKeys->registerHotKey(HotKeySendList, 'S', tr("メッセージ送信"));
    m_hotKeys->registerHotKey(HotKeyReceive, 'R', tr("メッセージ受信"));
    // The options tell where no keys can be had; the portal may answer later.
    const auto tellOptions = [this](TOptionForm *form) {
        if (form)
            form->setHotKeysAvailable(m_hotKeys->service() != GlobalHotKeys::Service::None);
    };
    connect(m_hotKeys.get(), &GlobalHotKeys::serviceChanged, this,
            [this, tellOptions] { tellOptions(m_options->form()); });
    connect(m_options.get(), &OptionFormOpener::formOpened, this, tellOptions);
    return started;
}

void DesktopShell::miHelpDiagnosisClick()
{
    if (!m_diagnosisForm)
        m_diagnosisForm = std::make_unique<TDiagnosisForm>(m_session);
    m_diagnosisForm->showAndRun();
}

void DesktopShell::checkSegment(quint16 port, int seconds, const std::function<void(std::optional<QString>)> &reply)
{
    if (!m_session.udp().isRunning() || m_session.udp().port() != port) {
        reply(std::nullopt);
        return;
    }
    auto *probe = new SegmentProbe(m_session, this);
    connect(probe, &SegmentProbe::finished, this, [probe, reply] {
        const Finding finding = probe->finding(BroadcastAddresses(SystemInterfaces()));
        reply(QString::fromUtf8(QJsonDocument(FindingJson(finding)).toJson(QJsonDocument::Compact)));
        probe->deleteLater();
    });
    probe->run(seconds, true);
}

void DesktopShell::showDesktop()
{
    TMainForm &window = *m_mainWindow;
    // Without a stored position the window starts centred; any stored one,
    // negative too, is where the user left it.
    m_notice = std::make_unique<TIventForm>(m_session.settings, m_session.readPosition(PlacementSection::IventForm));
    m_frontend.showNoticesIn(*m_notice);
    m_notifier = std::make_unique<DesktopNotifier>(m_session.settings);
    m_frontend.announceThrough(*m_notifier);
    connect(m_messages.get(), &MessageCenter::unreadChanged, m_notifier.get(), &DesktopNotifier::setUnreadCount);
    // A click on the arrivals' notification reads, as a click on the tray icon does.
    connect(m_notifier.get(), &DesktopNotifier::openRequested, this, [this] {
        if (!m_frontend.dialogShowing() && !m_session.recvQueue().isEmpty())
            m_messages->miMessageRecvClick();
    });
    m_sound = std::make_unique<EventSound>(m_session.settings, std::unique_ptr<SoundOutput>(), &m_soundClock);
    m_frontend.setSoundSink([this](SoundKind kind) { m_sound->PlayEventSound(kind); });
    connect(&window, &TMainForm::fontSizeChanged, m_notice.get(), &TIventForm::LayoutEventNotice);
    addPlacementSaver([this] {
        const QPoint at = m_notice->placement();
        m_session.writePlacement(PlacementSection::IventForm, {at.x(), at.y(), 0, 0}, false);
    });

    // Signals and the end of the desktop session quit in order, without asking.
    m_signalWatcher = std::make_unique<UnixSignalWatcher>();
    connect(m_signalWatcher.get(), &UnixSignalWatcher::terminationRequested, &window, [&window] {
        window.setQuitWithoutAsking(true);
        window.close();
    });
    connect(qApp, &QGuiApplication::commitDataRequest, &window,
            [&window](QSessionManager &) { window.setQuitWithoutAsking(true); });
    connect(qApp, &QGuiApplication::aboutToQuit, &window, [&window] { window.setQuitWithoutAsking(true); });
    connect(&window, &TMainForm::quitRequested, qApp, &QCoreApplication::quit, Qt::QueuedConnection);

    // With a tray the program lives there: the main window has no taskbar
    // entry and may start hidden. Without one it keeps its taskbar entry and
    // starts minimised at most, so that it never becomes unreachable.
    const bool trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    m_tray->show();
    if (trayAvailable)
        window.setWindowFlag(Qt::Tool, true);
    if (!m_session.settings.StartShow)
        window.show();
    else if (!trayAvailable)
        window.showMinimized();
    m_desktopShown = true;
    for (const CopyCommand command : std::exchange(m_waitingCommands, {}))
        performCommand(command);
}

void DesktopShell::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
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
    m_mainWindow->FormDestroy();
}

void DesktopShell::pmTaskMenuPopup()
{
    zn::pmTaskMenuPopup(m_taskItems, m_session.recvQueue().UnreadCount());
}

void DesktopShell::trayClicked()
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

void DesktopShell::trayDoubleClicked()
{
    if (!m_frontend.dialogShowing())
        miUserListShowClick();
}

void DesktopShell::trayContextMenu(const QPoint &globalPos)
{
    if (m_frontend.dialogShowing())
        return;
    m_mainWindow->raise();
    m_pmTaskMenu->popup(globalPos);
}

void DesktopShell::miUserListShowClick()
{
    if (m_session.settings.PasswordOnline && !m_mainWindow->isVisible()
        && !m_messages->passwordPassed(tr("オンライン状況ウィンドウを開くにはパスワードが必要です。")))
        return;
    showWindowAgain(m_mainWindow.get(), Activation::TakeFocus);
}

void DesktopShell::hotKeyPressed(int id)
{
    if (m_frontend.dialogShowing())
        return;
    switch (id) {
    case HotKeyUserList: miUserListShowClick(); break;
    case HotKeySendList:
        m_mainWindow->raise();
        m_pmSendList->popup(QCursor::pos());
        break;
    default:
        if (!m_session.recvQueue().isEmpty())
            m_messages->miMessageRecvClick();
        break;
    }
}

void DesktopShell::performCommand(CopyCommand command)
{
    if (!m_desktopShown || m_stopped) {
        if (!m_stopped)
            m_waitingCommands.append(command);
        return;
    }
    switch (command) {
    case CopyCommand::UserList: hotKeyPressed(HotKeyUserList); break;
    case CopyCommand::Receive: hotKeyPressed(HotKeyReceive); break;
    case CopyCommand::Send: sendFromOutside(); break;
    }
}

void DesktopShell::sendFromOutside()
{
    if (m_frontend.dialogShowing())
        return;
    miUserListShowClick();
    // The password prompt may have kept the list closed.
    if (!m_mainWindow->isVisible())
        return;
    const QList<TPeer> selected = m_mainWindow->selectedPeers();
    if (!selected.isEmpty()) {
        m_messages->miMessageSendClick(selected);
        return;
    }
    // The pointer may be anywhere, or unknown (Wayland): the list opens over
    // the user list, which was just brought forward.
    m_pmSendList->popup(m_mainWindow->mapToGlobal(m_mainWindow->rect().center()));
}

void DesktopShell::ShowHelpTopic(int context)
{
    m_help->ShowHelpTopic(context);
}

} // namespace zn
