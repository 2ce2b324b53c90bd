#include "app/helpcommands.h"
#include "app/thelpform.h"
#include "app/tmainform.h"
#include "app/translations.h"
#include "common/text.h"
#include "desktopfixture.h"
#include "diagnosis/tdiagnosisform.h"
#include "messaging/absencecenter.h"
#include "messaging/messagecenter.h"
#include "messaging/trecvform.h"
#include "net/netfakes.h"
#include "options/optionformopener.h"
#include "options/toptionform.h"
#include "options/tpasscheckform.h"
#include "peers/roster.h"
#include "peers/rostermodel.h"
#include "platform/desktopfrontend.h"
#include "session/session.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>

using namespace zn;
using zn::test::RecordingTransport;

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

using Fixture = test::DesktopFixture;

QAction *action(QWidget *form, const char *name)
{
    return form->findChild<QAction *>(QString::fromLatin1(name));
}
} // namespace

class TestMainForm : public QObject {
    Q_OBJECT
private slots:
    void menus_captionsInOrder();
    void menus_enabledItemsActAndDisabledOnesAwaitTheirWindows();
    void toolbar_buttonsWithTips();
    void userList_asksThePasswordOnlyWhileHidden();
    void receive_realPromptGuardsTheReceiveWindow();
    void options_f1OpensTheControlsTopic();
    void start_sendsLoginAndStop_sendsLogoutAndSavesPlacement();
    void fontSize_storedValueMapsAndIsWrittenBack_data();
    void fontSize_storedValueMapsAndIsWrittenBack();
    void quit_asksAndNoKeepsRunning();
    void refresh_emptiesListAndAnnounces();
    void roster_countAndSortMarks();
    void roster_rowChangesToldOnlyWhileSeen();
    void unwritableSettings_showBoxAndKeepRunning();
    void unwritableSettings_unattendedShutdownLogsOutAndReportsOnStderr();
    void selection_decidesSendAndAbsenceCommands();
    void hotKeys_showWindowAndSendList();
    void fontSizeCommand_windowsSeeNewSize();
    void hostilePlacement_comesBackOnScreen();
    void largeFonts_columnsFitTheirCaptions();
    void startUp_unchangedSettings_leaveFileUntouched();
    void standardButtons_readJapanese();
};

void TestMainForm::fontSizeCommand_windowsSeeNewSize()
{
    // Other windows lay out again on the signal and read the size then.
    Fixture f;
    QList<int> seen;
    QObject::connect(f.form(), &TMainForm::fontSizeChanged, f.form(), [&] { seen.append(f.session->settings.Size); });
    f.form()->miShowFontLargeClick(14);
    f.form()->miShowFontLargeClick(8);
    QCOMPARE(seen, (QList<int>{14, 8}));
}

void TestMainForm::hotKeys_showWindowAndSendList()
{
    Fixture f;
    f.session->roster().AddOrUpdatePeer("a&b", "PC1", "10.0.0.1", true);
    QVERIFY(!f.form()->isVisible());

    // While a box is open, hot keys do nothing.
    f.frontend.setDialogShowing(true);
    f.shell->hotKeyPressed(DesktopShell::HotKeyUserList);
    QVERIFY(!f.form()->isVisible());
    f.frontend.setDialogShowing(false);

    f.shell->hotKeyPressed(DesktopShell::HotKeyUserList);
    QVERIFY(f.form()->isVisible());
    f.form()->showMinimized();
    f.shell->hotKeyPressed(DesktopShell::HotKeyUserList);
    QVERIFY(!f.form()->isMinimized());

    f.shell->hotKeyPressed(DesktopShell::HotKeySendList);
    QTRY_VERIFY(f.shell->sendList()->isVisible());
    QCOMPARE(f.shell->sendList()->actions().size(), 1);
    QCOMPARE(f.shell->sendList()->actions().first()->text(), QStringLiteral("a&&b"));
    QVERIFY(!f.shell->sendList()->actions().first()->isCheckable());
    QVERIFY(!f.shell->sendList()->actions().first()->icon().isNull());
    f.shell->sendList()->hide();
}

void TestMainForm::userList_asksThePasswordOnlyWhileHidden()
{
    Fixture f("[Security]\r\nPasswordOnline=1\r\n");
    QStringList asked;
    bool answer = false;
    bool showingWhileAsked = true;
    f.shell->messages().setPasswordGate([&](const QString &text) {
        asked.append(text);
        showingWhileAsked &= f.frontend.dialogShowing();
        return answer;
    });
    f.shell->hotKeyPressed(DesktopShell::HotKeyUserList);
    QVERIFY(!f.form()->isVisible());
    f.shell->trayDoubleClicked();
    QVERIFY(!f.form()->isVisible());
    answer = true;
    f.shell->hotKeyPressed(DesktopShell::HotKeyUserList);
    QVERIFY(f.form()->isVisible());
    QVERIFY(!f.frontend.dialogShowing());
    // Already on screen: nothing is asked.
    f.shell->trayDoubleClicked();
    QCOMPARE(asked, QStringList(3, QStringLiteral("オンライン状況ウィンドウを開くにはパスワードが必要です。")));
    QVERIFY(showingWhileAsked);
}

void TestMainForm::receive_realPromptGuardsTheReceiveWindow()
{
    Fixture f("[Security]\r\nPasswordRecv=1\r\n");
    f.session->settings.Password = "pw";
    f.session->queueMessage("PC1", "bob", "hello");
    // Answers the prompt on screen with `typed`, or cancels it.
    const auto answer = [&f](std::optional<QString> typed) {
        QTimer::singleShot(0, &f.frontend, [&f, typed] {
            auto *prompt = qobject_cast<TPassCheckForm *>(QApplication::activeModalWidget());
            QVERIFY(prompt);
            QVERIFY(f.frontend.dialogShowing());
            QCOMPARE(prompt->laTitle->text(), QStringLiteral("受信ウィンドウを開くにはパスワードが必要です。"));
            if (!typed) {
                prompt->btCancel->click();
                return;
            }
            prompt->edPassword->setText(*typed);
            prompt->btOk->click();
        });
    };
    answer(std::nullopt);
    f.shell->messages().miMessageRecvClick();
    QVERIFY(!f.shell->messages().recvForm()->isVisible());
    QCOMPARE(f.session->recvQueue().UnreadCount(), 1);
    QVERIFY(!f.frontend.dialogShowing());

    answer(QStringLiteral("pw"));
    f.shell->messages().miMessageRecvClick();
    QVERIFY(f.shell->messages().recvForm()->isVisible());
    QCOMPARE(f.session->recvQueue().UnreadCount(), 0);
}

void TestMainForm::options_f1OpensTheControlsTopic()
{
    Fixture f;
    action(f.form(), "miSettingOption")->trigger();
    TOptionForm *options = f.shell->options().form();
    QVERIFY(options);
    const int context = options->edHandleName->property("helpContext").toInt();
    QVERIFY(context > 0);
    options->edHandleName->setFocus();
    QTest::keyClick(options->edHandleName, Qt::Key_F1);
    const THelpForm *help = f.shell->help().helpForm();
    QVERIFY(help && help->isVisible());
    QCOMPARE(help->browser()->source().fragment(), u"ctx-"_qs + QString::number(context));

    // The absence-message editor's stored text reaches the open options window.
    Settings stored = f.session->settings;
    stored.HuzaiMessage = "out\r\nback at 3";
    f.session->applySettings(stored, Session::SettingsWrite::Nothing);
    QCOMPARE(options->mmHuzaiMessage->toPlainText(), u"out\nback at 3"_qs);
    options->close();
}

void TestMainForm::selection_decidesSendAndAbsenceCommands()
{
    Fixture f;
    Roster &roster = f.session->roster();
    roster.AddOrUpdatePeer("a", "PC1", "10.0.0.1", false);
    roster.AddOrUpdatePeer("b", "PC2", "10.0.0.2", true);
    QTreeView *list = f.form()->userList();
    auto wanted = [&](const char *name) { return action(f.form(), name)->property("wanted").toBool(); };
    QVERIFY(!wanted("miMessageSend"));
    QVERIFY(!wanted("miMessageHuzaiRecv"));

    list->selectionModel()->select(list->model()->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(wanted("miMessageSend"));
    QVERIFY(wanted("miMessageRightClipSend"));
    QVERIFY(!wanted("miMessageHuzaiRecv"));

    // One present and one absent peer: the absence fetch is offered too.
    list->selectionModel()->select(list->model()->index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(wanted("miMessageHuzaiRecv"));
    QVERIFY(action(f.form(), "miMessageSend")->isEnabled());
    QVERIFY(action(f.form(), "miMessageHuzaiRecv")->isEnabled());

    // The selected absent peer comes back: the states follow the roster
    // once the event loop runs, however many announcements came at once.
    roster.AddOrUpdatePeer("b", "PC2", "10.0.0.2", false);
    roster.AddOrUpdatePeer("b", "PC2", "10.0.0.2", false);
    QTRY_VERIFY(!wanted("miMessageHuzaiRecv"));
    QVERIFY(wanted("miMessageSend"));
    roster.AddOrUpdatePeer("b", "PC2", "10.0.0.2", true);
    QTRY_VERIFY(wanted("miMessageHuzaiRecv"));

    list->selectionModel()->clearSelection();
    QVERIFY(!wanted("miMessageSend"));
    QVERIFY(!wanted("miMessageHuzaiRecv"));
}

void TestMainForm::menus_captionsInOrder()
{
    Fixture f;
    QStringList captions;
    for (QAction *top : f.form()->menuBar()->actions()) {
        captions << top->text();
        for (QAction *item : top->menu()->actions()) {
            captions << (item->isSeparator() ? QStringLiteral("-") : QStringLiteral("  ") + item->text());
            if (item->menu())
                for (QAction *sub : item->menu()->actions())
                    captions << QStringLiteral("    ") + sub->text();
        }
    }
    const QStringList expected = {QStringLiteral("メッセージ(&M)"),
                                  QStringLiteral("  メッセージ送信(&S)"),
                                  QStringLiteral("  メッセージ受信(&R)"),
                                  QStringLiteral("-"),
                                  QStringLiteral("  クリップボード送信(&C)"),
                                  QStringLiteral("  クリップボード受信(&L)"),
                                  QStringLiteral("-"),
                                  QStringLiteral("  不在メッセージ受信(&H)"),
                                  QStringLiteral("-"),
                                  QStringLiteral("  閉じる(&Q)"),
                                  QStringLiteral("-"),
                                  QStringLiteral("  終了(&E)"),
                                  QStringLiteral("オプション(&O)"),
                                  QStringLiteral("  不在(&H)"),
                                  QStringLiteral("-"),
                                  QStringLiteral("  環境設定(&O)"),
                                  QStringLiteral("表示(&V)"),
                                  QStringLiteral("  ログ参照(&V)"),
                                  QStringLiteral("-"),
                                  QStringLiteral("  文字のサイズ(&X)"),
                                  QStringLiteral("    最大(&G)"),
                                  QStringLiteral("    大(&L)"),
                                  QStringLiteral("    中(&M)"),
                                  QStringLiteral("    小(&S)"),
                                  QStringLiteral("-"),
                                  QStringLiteral("  最新の情報に更新(&R)"),
                                  QStringLiteral("ヘルプ(&H)"),
                                  QStringLiteral("  トピックの検索(&H)"),
                                  QStringLiteral("  接続の診断(&D)"),
                                  QStringLiteral("-"),
                                  QStringLiteral("  Ondrel Official Homepage(&W)"),
                                  QStringLiteral("  Ondrel へ メールを送信(&M)"),
                                  QStringLiteral("-"),
                                  QStringLiteral("  バージョン情報(&V)")};
    QCOMPARE(captions, expected);
}

void TestMainForm::menus_enabledItemsActAndDisabledOnesAwaitTheirWindows()
{
    // The commands whose windows do not exist yet are exactly the disabled
    // ones; every enabled item, when chosen, does something one can see.
    Fixture f;
    QVERIFY(f.shell->start());
    f.form()->show();
    const QSet<QString> later = {QStringLiteral("miMessageSend"),         QStringLiteral("miMessageRecv"),
                                 QStringLiteral("miMessageClipSend"),     QStringLiteral("miMessageClipRecv"),
                                 QStringLiteral("miMessageHuzaiRecv"),    QStringLiteral("miMessageRightSend"),
                                 QStringLiteral("miMessageRightClipSend")};
    // The help menu's web page and mail go to a recorder, not a browser.
    int opened = 0;
    f.shell->help().setUrlOpener([&opened](const QUrl &) { return ++opened > 0; });

    QList<QAction *> items;
    const std::function<void(const QList<QAction *> &)> collect = [&](const QList<QAction *> &actions) {
        for (QAction *a : actions) {
            if (a->menu())
                collect(a->menu()->actions());
            else if (!a->isSeparator() && !items.contains(a))
                items.append(a);
        }
    };
    collect(f.form()->menuBar()->actions());
    collect(f.form()->findChild<QMenu *>(QStringLiteral("pmRightClick"))->actions());
    QSet<QString> disabled;
    QSignalSpy fontChanged(f.form(), &TMainForm::fontSizeChanged);
    for (QAction *item : std::as_const(items)) {
        const QString name = item->objectName();
        if (!item->isEnabled()) {
            disabled.insert(name);
            continue;
        }
        const auto boxes = f.boxes.size();
        const auto sent = f.transport.sent.size();
        const auto fonts = fontChanged.size();
        const bool viewer = f.shell->messages().logForm() != nullptr;
        const int urls = opened;
        bool modal = false;
        f.frontend.setNextAnswer(Answer::No); // the quit question keeps the program running
        if (name == QLatin1String("miHelpVersion")) {
            QTimer::singleShot(0, f.form(), [&modal] {
                if (QWidget *box = QApplication::activeModalWidget()) {
                    modal = true;
                    box->close();
                }
            });
        }
        item->trigger();
        const THelpForm *help = f.shell->help().helpForm();
        const bool acted = f.boxes.size() > boxes || f.transport.sent.size() > sent || fontChanged.size() > fonts
            || f.form()->isMinimized() || (!viewer && f.shell->messages().logForm()) || f.shell->options().form()
            || opened > urls || modal || (help && help->isVisible())
            || (f.shell->diagnosisForm() && f.shell->diagnosisForm()->isVisible());
        if (help)
            f.shell->help().helpForm()->close();
        if (f.shell->diagnosisForm())
            f.shell->diagnosisForm()->close();
        QVERIFY2(acted, qPrintable(name));
        if (TOptionForm *options = f.shell->options().form())
            delete options;
        f.form()->showNormal();
    }
    QCOMPARE(disabled, later);
}

void TestMainForm::toolbar_buttonsWithTips()
{
    Fixture f;
    const std::pair<const char *, QString> buttons[] = {
        {"sbSend", QStringLiteral("メッセージ送信")},          {"sbRecv", QStringLiteral("メッセージ受信")},
        {"sbClipSend", QStringLiteral("クリップボード送信")},  {"sbClipRecv", QStringLiteral("クリップボード受信")},
        {"sbHuzaiRecv", QStringLiteral("不在メッセージ受信")}, {"sbHuzai", QStringLiteral("不在")}};
    for (const auto &[name, tip] : buttons) {
        auto *button = f.form()->findChild<QToolButton *>(QString::fromLatin1(name));
        QVERIFY2(button, name);
        QCOMPARE(button->toolTip(), tip);
    }
}

void TestMainForm::start_sendsLoginAndStop_sendsLogoutAndSavesPlacement()
{
    Fixture f("HandleName=alice\r\n");
    f.session->local.MachineName = "PC1";
    QVERIFY(f.shell->start());
    QVERIFY(f.session->local.SocketStarted);
    const QByteArray address = f.session->local.Address;
    QCOMPARE(f.transport.messages(), QList<QByteArray>{"ZNMESSAGE:LOGIN&|PC1&|alice&|0&|" + address + "&|ZN150"});

    f.shell->stop();
    QCOMPARE(f.transport.messages().last(), QByteArray("ZNMESSAGE:LOGOUT&|PC1"));
    const QByteArray ini = readFile(f.iniPath());
    QVERIFY(ini.contains("[MainFormLocate]"));
    QVERIFY(ini.contains("UserList1=200"));
    // The second destruction (the destructor) sends nothing more.
    const auto sent = f.transport.sent.size();
    f.shell.reset();
    QCOMPARE(f.transport.sent.size(), sent);
}

void TestMainForm::fontSize_storedValueMapsAndIsWrittenBack_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<int>("shown");
    QTest::addColumn<QString>("item");
    QTest::addRow("14") << QByteArray("14") << 14 << QStringLiteral("miShowFontBigLarge");
    QTest::addRow("0 is large") << QByteArray("0") << 12 << QStringLiteral("miShowFontLarge");
    QTest::addRow("1 is middle") << QByteArray("1") << 9 << QStringLiteral("miShowFontMiddle");
    QTest::addRow("2 is small") << QByteArray("2") << 8 << QStringLiteral("miShowFontSmall");
    QTest::addRow("10 is middle") << QByteArray("10") << 9 << QStringLiteral("miShowFontMiddle");
    QTest::addRow("missing") << QByteArray() << 9 << QStringLiteral("miShowFontMiddle");
}

void TestMainForm::fontSize_storedValueMapsAndIsWrittenBack()
{
    QFETCH(QByteArray, stored);
    QFETCH(int, shown);
    QFETCH(QString, item);
    Fixture f(stored.isEmpty() ? QByteArray() : "[Font]\r\nSize=" + stored + "\r\n");
    QVERIFY(f.shell->start());
    QCOMPARE(f.form()->displayFontSize(), shown);
    QCOMPARE(f.form()->userList()->font().pointSize(), shown);
    QVERIFY(f.form()->findChild<QAction *>(item)->isChecked());
    QCOMPARE(int(f.session->settings.Size), shown);
    QVERIFY(readFile(f.iniPath()).contains(QByteArray("[Font]\r\nSize=" + QByteArray::number(shown) + "\r\n")));
}

void TestMainForm::quit_asksAndNoKeepsRunning()
{
    Fixture f;
    QSignalSpy quit(f.form(), &TMainForm::quitRequested);
    f.form()->show();
    f.frontend.setNextAnswer(Answer::No);
    QVERIFY(!f.form()->close());
    QCOMPARE(f.boxes, QList<QString>{QStringLiteral("終了してもよろしいですか？")});
    QCOMPARE(quit.size(), 0);
    QVERIFY(f.form()->isVisible());

    f.frontend.setNextAnswer(Answer::Yes);
    QVERIFY(f.form()->close());
    QCOMPARE(quit.size(), 1);

    // A signal or the end of the desktop session quits without the question.
    f.form()->show();
    f.form()->setQuitWithoutAsking(true);
    QVERIFY(f.form()->close());
    QCOMPARE(f.boxes.size(), 2);
    QCOMPARE(quit.size(), 2);
}

void TestMainForm::refresh_emptiesListAndAnnounces()
{
    Fixture f;
    f.session->local.MachineName = "PC1";
    QVERIFY(f.shell->start());
    f.session->roster().AddOrUpdatePeer("bob", "PC2", "10.0.0.2", false);
    f.session->roster().AddOrUpdatePeer("carol", "PC3", "10.0.0.3", true);
    QCOMPARE(f.form()->statusLabel()->text(), QStringLiteral("オンラインユーザ数：2"));
    f.transport.sent.clear();

    f.form()->miShowRefreshClick();
    QCOMPARE(f.form()->userList()->model()->rowCount(), 0);
    // The count stays until the first answer arrives.
    QCOMPARE(f.form()->statusLabel()->text(), QStringLiteral("オンラインユーザ数：2"));
    QCOMPARE(f.transport.messages().size(), 1);
    QVERIFY(f.transport.messages().first().startsWith("ZNMESSAGE:LOGIN&|PC1&|"));
}

void TestMainForm::roster_countAndSortMarks()
{
    Fixture f;
    QVERIFY(f.shell->start());
    QCOMPARE(f.form()->statusLabel()->text(), QString());
    Roster &roster = f.session->roster();
    roster.AddOrUpdatePeer("b", "PC2", "10.0.0.9", false);
    roster.AddOrUpdatePeer("a", "PC1", "10.0.0.10", false);
    QAbstractItemModel *model = f.form()->userList()->model();
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("名前　△"));
    QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("a"));

    f.session->sortByColumn(2);
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("名前"));
    QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("IPアドレス　△"));
    QCOMPARE(model->index(0, 2).data().toString(), QStringLiteral("10.0.0.10"));
    f.session->sortByColumn(2);
    QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("IPアドレス　▽"));
    QCOMPARE(model->index(0, 2).data().toString(), QStringLiteral("10.0.0.9"));
    QVERIFY(readFile(f.iniPath()).contains("[Sort]\r\nSortIndex=2\r\nSortUpper=0\r\n"));

    roster.RemovePeer("PC1");
    roster.RemovePeer("PC2");
    QCOMPARE(f.form()->statusLabel()->text(), QStringLiteral("オンラインユーザ数：0"));
}

void TestMainForm::roster_rowChangesToldOnlyWhileSeen()
{
    Fixture f;
    QVERIFY(f.shell->start());
    Roster &roster = f.session->roster();
    roster.AddOrUpdatePeer("a", "PC1", "10.0.0.10", false);
    roster.AddOrUpdatePeer("b", "PC2", "10.0.0.11", false);
    TMainForm *form = f.form();
    QAbstractItemModel *model = form->userList()->model();
    QSignalSpy changed(model, &QAbstractItemModel::dataChanged);
    const auto told = [&](int i, int first, int last) {
        return changed.at(i).at(0).value<QModelIndex>() == model->index(first, 0)
            && changed.at(i).at(1).value<QModelIndex>() == model->index(last, 2);
    };
    const auto absent = [model](int row) { return model->index(row, 0).data(Qt::AccessibleDescriptionRole); };

    // Not shown yet: the list reads the change, and no view is told.
    roster.AddOrUpdatePeer("a", "PC1", "10.0.0.10", true);
    QCOMPARE(absent(0).toString(), QStringLiteral("不在"));
    QTest::qWait(2 * RosterModel::ChangedRowsDelayMs);
    QCOMPARE(changed.size(), 0);
    // Shown: told of it at once; then changes in a burst are told together.
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QCOMPARE(changed.size(), 1);
    QVERIFY(told(0, 0, 0));
    roster.AddOrUpdatePeer("b", "PC2", "10.0.0.11", true);
    roster.AddOrUpdatePeer("a", "PC1", "10.0.0.12", true);
    QTRY_COMPARE(changed.size(), 2);
    QVERIFY(told(1, 0, 1));
    // Minimised, nobody sees it: quiet again until it is restored.
    form->showMinimized();
    QTRY_VERIFY(form->isMinimized());
    roster.AddOrUpdatePeer("b", "PC2", "10.0.0.11", false);
    QTest::qWait(2 * RosterModel::ChangedRowsDelayMs);
    QCOMPARE(changed.size(), 2);
    form->showNormal();
    QTRY_COMPARE(changed.size(), 3);
    QVERIFY(told(2, 1, 1));
    QCOMPARE(absent(1).toString(), QStringLiteral("在席"));
}

void TestMainForm::unwritableSettings_showBoxAndKeepRunning()
{
    // The settings path is a directory: nothing can be written there.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Zephinet.INI")));
    DesktopFrontend frontend;
    RecordingTransport transport;
    QStringList boxes;
    QObject::connect(&frontend, &DesktopFrontend::messageBoxShown, &frontend,
                     [&boxes](const QString &text) { boxes.append(text); });
    Session session(frontend, {}, &transport);
    session.settings.ActivePortNo = 0;
    session.loadSettings(dir.path() + u'/');
    session.settings.ActivePortNo = 0;
    frontend.setAutoAnswer(Answer::Ok);
    {
        DesktopShell shell(session, frontend);
        QVERIFY(shell.start());
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes.first(), dir.filePath(QStringLiteral("Zephinet.INI")) + QStringLiteral(" に書き込めません"));
    }
    // The placement writes at exit (receive window, main window) are refused
    // the same way, and told once for the whole exit; nothing is lost.
    frontend.setAutoAnswer(std::nullopt);
    QCOMPARE(boxes.size(), 2);
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("Zephinet.INI"))).isDir());
}

void TestMainForm::unwritableSettings_unattendedShutdownLogsOutAndReportsOnStderr()
{
    // SIGTERM or the end of the desktop session with a settings file that
    // cannot be written: no box waits for a person, LOGOUT goes out before
    // the failure is reported, and it reaches the error output.
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Zephinet.INI"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Zephinet.INI")));
    DesktopFrontend frontend;
    RecordingTransport transport;
    QStringList boxes;
    QObject::connect(&frontend, &DesktopFrontend::messageBoxShown, &frontend,
                     [&boxes](const QString &text) { boxes.append(text); });
    Session session(frontend, {}, &transport);
    session.loadSettings(dir.path() + u'/');
    session.settings.ActivePortNo = 0;
    session.local.MachineName = "PC1";
    QStringList errors;
    QList<QByteArray> sentBeforeFirstError;
    session.setErrorOutput([&](const QString &error) {
        if (errors.isEmpty())
            sentBeforeFirstError = transport.messages();
        errors.append(error);
    });
    // Start-up is attended: its failure is a box, answered here.
    frontend.setAutoAnswer(Answer::Ok);
    DesktopShell shell(session, frontend);
    TMainForm &form = shell.mainWindow();
    QVERIFY(shell.start());
    QCOMPARE(boxes.size(), 1);
    frontend.setAutoAnswer(std::nullopt);
    // A box from now on would wait for a person; fail instead of waiting.
    QObject::connect(&frontend, &DesktopFrontend::messageBoxShown, &frontend,
                     [&frontend] { frontend.setNextAnswer(Answer::Ok); });

    int saverRan = 0;
    shell.addPlacementSaver([&] {
        ++saverRan;
        session.writePlacement(PlacementSection::IventForm, {1, 2, 0, 0}, false);
    });
    form.show();
    form.setQuitWithoutAsking(true);
    QVERIFY(form.close());
    shell.stop();

    QCOMPARE(boxes.size(), 1);
    QCOMPARE(saverRan, 1);
    const QString expected = QFileInfo(ini).absoluteFilePath() + QStringLiteral(" に書き込めません");
    // The receive window's, the saver's and the main window's placement
    // fail alike: the exit is one command, told once.
    QCOMPARE(errors, QStringList{expected});
    QCOMPARE(sentBeforeFirstError.last(), QByteArray("ZNMESSAGE:LOGOUT&|PC1"));
}

void TestMainForm::hostilePlacement_comesBackOnScreen()
{
    // Values that put the window off screen, or hid the name column for good.
    Fixture f("[MainFormLocate]\r\nLeft=-5000\r\nTop=99999\r\nWidth=0x7fffffff\r\nHeight=0x7fffffff\r\n"
              "UserList1=-50\r\nUserList2=0\r\nUserList3=2\r\n");
    QVERIFY(f.shell->start());
    f.form()->show();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2(screen.contains(f.form()->frameGeometry()),
             qPrintable(QStringLiteral("%1,%2 %3x%4")
                            .arg(f.form()->x())
                            .arg(f.form()->y())
                            .arg(f.form()->width())
                            .arg(f.form()->height())));
    QVERIFY(f.form()->width() >= 100 && f.form()->height() >= 80);
    for (int c = 0; c < 3; ++c)
        QVERIFY(f.form()->userList()->columnWidth(c) >= 20);

    // What is saved back is the sane placement.
    f.shell->stop();
    const QByteArray ini = readFile(f.iniPath());
    QVERIFY(!ini.contains("Left=-5000"));
    QVERIFY(!ini.contains("0x7fffffff"));
    QVERIFY(ini.contains(QByteArray("Top=" + QByteArray::number(f.form()->y()) + "\r\n")));
    QVERIFY(!ini.contains("UserList1=-50"));
}

void TestMainForm::largeFonts_columnsFitTheirCaptions()
{
    // The stored widths are narrow; the captions with their sort marks must
    // still show whole at the large sizes, whichever column is sorted.
    Fixture f("[MainFormLocate]\r\nUserList1=30\r\nUserList2=30\r\nUserList3=30\r\n");
    QVERIFY(f.shell->start());
    QHeaderView *header = f.form()->userList()->header();
    const int margin = header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    for (const int size : {14, 12}) {
        f.form()->miShowFontLargeClick(size);
        QCOMPARE(header->font().pointSize(), size);
        const QFontMetrics metrics(header->font());
        for (int sorted = 0; sorted < 3; ++sorted) {
            for (int click = 0; click < 2; ++click) {
                f.session->sortByColumn(sorted);
                for (int c = 0; c < 3; ++c) {
                    const QString caption = header->model()->headerData(c, Qt::Horizontal).toString();
                    const int needed = metrics.horizontalAdvance(caption) + 2 * margin;
                    QVERIFY2(header->sectionSize(c) >= needed,
                             qPrintable(QStringLiteral("%1 pt, %2").arg(size).arg(caption)));
                    QVERIFY(header->sectionSize(c) >= header->sectionSizeHint(c));
                }
            }
        }
    }
    // Dragging a column narrower stops at its caption.
    header->resizeSection(2, 5);
    QCOMPARE(header->sectionSize(2), f.form()->minimumColumnWidth(2));
    QVERIFY(f.form()->minimumColumnWidth(2) > 5);
}

void TestMainForm::startUp_unchangedSettings_leaveFileUntouched()
{
    // A run writes its font size and placement; a second run with nothing
    // changed must not touch the file at all.
    Fixture f("[Font]\r\nSize=12\r\n");
    QVERIFY(f.shell->start());
    f.shell->stop();
    const QString path = f.iniPath();
    const QByteArray bytes = readFile(path);
    QVERIFY(bytes.contains("[MainFormLocate]"));
    const QDateTime old = QDateTime::currentDateTime().addDays(-3);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(old, QFileDevice::FileModificationTime));
    }
    const auto inode = QFileInfo(path).fileTime(QFileDevice::FileMetadataChangeTime);

    f.shell.reset();
    f.session = std::make_unique<Session>(f.frontend, QStringList(), &f.transport);
    f.session->loadSettings(f.dir.path() + u'/');
    f.shell = std::make_unique<DesktopShell>(*f.session, f.frontend);
    QVERIFY(f.shell->start());
    f.shell->stop();
    QCOMPARE(readFile(path), bytes);
    QCOMPARE(QFileInfo(path).lastModified().toSecsSinceEpoch(), old.toSecsSinceEpoch());
    QCOMPARE(QFileInfo(path).fileTime(QFileDevice::FileMetadataChangeTime), inode);
    QVERIFY(f.boxes.isEmpty());

    // A real change is written.
    f.form()->miShowFontLargeClick(14);
    QVERIFY(readFile(path).contains("Size=14"));
}

namespace {
QString withoutMnemonic(QString text)
{
    // "はい(&Y)" and "&Yes" alike.
    static const QRegularExpression mnemonic(QStringLiteral("\\(&.\\)|&"));
    return text.remove(mnemonic);
}
} // namespace

void TestMainForm::standardButtons_readJapanese()
{
    // Whatever the locale (the tests run under C.UTF-8).
    QVERIFY(installQtTranslations(*qApp));
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(withoutMnemonic(box.button(QMessageBox::Yes)->text()), QStringLiteral("はい"));
    QCOMPARE(withoutMnemonic(box.button(QMessageBox::No)->text()), QStringLiteral("いいえ"));
    QCOMPARE(withoutMnemonic(box.button(QMessageBox::Cancel)->text()), QStringLiteral("キャンセル"));
}

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
