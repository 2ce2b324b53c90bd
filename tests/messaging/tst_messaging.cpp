// Sending and receiving through the real windows, the session and the log,
// with the datagrams recorded instead of sent.
#include "app/desktopfrontend.h"
#include "app/session.h"
#include "app/tmainform.h"
#include "common/codec.h"
#include "fakeclock.h"
#include "log/logfile.h"
#include "messaging/messagecenter.h"
#include "messaging/messagecheck.h"
#include "messaging/trecvform.h"
#include "messaging/tsendform.h"
#include "net/netfakes.h"
#include "net/reassembly.h"
#include "net/wire.h"
#include "peers/roster.h"
#include "peers/trayanimation.h"
#include "platform/trayindicator.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QScreen>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

using namespace zn;
using zn::test::RecordingTransport;

namespace {

QByteArray sj(QStringView text)
{
    return cp932::bytes(text);
}

struct Fixture {
    QTemporaryDir dir;
    DesktopFrontend frontend;
    RecordingTransport transport;
    test::FakeClock clock;
    std::unique_ptr<Session> session;
    std::unique_ptr<TMainForm> form;
    QStringList boxes;

    explicit Fixture(const QByteArray &ini = {})
    {
        QFile file(dir.filePath(QStringLiteral("Zephinet.INI")));
        if (file.open(QIODevice::WriteOnly))
            file.write("[LocalSetting]\r\nPortNo=0\r\nMouseAnimation=0\r\n" + ini);
        file.close();
        session = std::make_unique<Session>(frontend, QStringList(), &transport, &clock);
        session->loadSettings(dir.path() + u'/');
        form = std::make_unique<TMainForm>(*session, frontend);
        QObject::connect(&frontend, &DesktopFrontend::messageBoxShown, &frontend,
                         [this](const QString &text) { boxes.append(text); });
        frontend.setAutoAnswer(Answer::Yes);
        form->FormCreate();
        session->local.MachineName = "SELF";
        session->local.Address = "10.0.0.9";
        session->settings.HandleName = "me";
        Roster &roster = session->roster();
        roster.AddOrUpdatePeer("A", "hostA", "10.0.0.1", false);
        roster.AddOrUpdatePeer("B", "hostB", "10.0.0.2", false);
        roster.AddOrUpdatePeer("me", "SELF", "10.0.0.9", false);
        transport.sent.clear();
    }
    ~Fixture()
    {
        frontend.setAutoAnswer(Answer::Ok);
        form->FormDestroy();
    }

    MessageCenter &messages() { return form->messages(); }
    TRecvForm &recv() { return *messages().recvForm(); }
    QList<LogRecord> log() { return session->log().LoadLog().records; }

    void select(const QList<QByteArray> &machines)
    {
        QTreeView *list = form->userList();
        list->selectionModel()->clearSelection();
        for (const QByteArray &m : machines) {
            list->selectionModel()->select(list->model()->index(session->roster().indexOfMachine(m), 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    QList<TSendForm *> sendWindows() const
    {
        QList<TSendForm *> out;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *f = qobject_cast<TSendForm *>(w); f && f->isVisible())
                out.append(f);
        }
        return out;
    }
    // MESSAGE texts that went out, in order, with their destination.
    QList<QByteArray> sentMessages() const
    {
        QList<QByteArray> out;
        for (const QByteArray &m : transport.messages()) {
            if (m.startsWith(QByteArray(keyword::Message.toByteArray() + "&|")))
                out.append(UnescapeLineBreaks(m));
        }
        return out;
    }
    QList<QByteArray> messagesOf(const char *kind) const
    {
        QList<QByteArray> out;
        for (const QByteArray &m : transport.messages()) {
            if (m.startsWith(QByteArray(QByteArray("ZNMESSAGE:") + kind + "&|")))
                out.append(m);
        }
        return out;
    }
    void arrive(const QByteArray &handle, const QByteArray &machine, const QByteArray &text)
    {
        QVERIFY(session->queueMessage(machine, handle, text));
    }
    QAction *action(const char *name) const { return form->findChild<QAction *>(QString::fromLatin1(name)); }
};

} // namespace

class tst_Messaging : public QObject {
    Q_OBJECT

private slots:
    void twoRecipients_oneWindowTwoMessagesTwoRecords()
    {
        Fixture f;
        f.select({"hostA", "hostB"});
        f.action("miMessageSend")->trigger();
        QCOMPARE(f.sendWindows().size(), 1);
        TSendForm *w = f.sendWindows().first();
        QCOMPARE(w->edSendName->text(), u"A;B"_qs);
        QCOMPARE(w->edSendMachine->text(), u"hostA;hostB"_qs);

        // Japanese arrives as an input method commits it.
        QInputMethodEvent commit;
        commit.setCommitString(u"こんにちは"_qs);
        QApplication::sendEvent(w->mmSendData, &commit);
        QTest::keyClick(w->mmSendData, Qt::Key_Return);
        QTest::keyClicks(w->mmSendData, u"two"_qs);
        const QPointer<TSendForm> guard(w);
        QTest::mouseClick(w->btSend, Qt::LeftButton);
        QTRY_VERIFY(guard.isNull());  // sent, closed, freed

        const QByteArray text = sj(u"こんにちは") + "\r\ntwo";
        QCOMPARE(f.sentMessages(),
                 (QList<QByteArray>{"ZNMESSAGE:MESSAGE&|10.0.0.1&|SELF&|me&|" + text,
                                    "ZNMESSAGE:MESSAGE&|10.0.0.2&|SELF&|me&|" + text}));
        const QList<LogRecord> log = f.log();
        QCOMPARE(log.size(), 2);
        QCOMPARE(log[0].RecvUser, PeerLabel("B", "hostB"));  // newest first
        QCOMPARE(log[1].RecvUser, PeerLabel("A", "hostA"));
        QCOMPARE(log[1].SendUser, PeerLabel("me", "SELF"));
        QCOMPARE(log[1].LogData, text);
        QVERIFY(f.boxes.isEmpty());
    }

    void sendChecks_refuseAndKeepTheWindow_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("box");
        QTest::addColumn<bool>("sent");
        QTest::addRow("2048 bytes") << QString(2048, u'x') << QString() << true;
        QTest::addRow("1024 double-byte and one more byte") << QString(1024, QChar(0x3042)) + u'x'
                                                           << u"送信メッセージが最大文字数（2048文字）を越えているため、送信することができません。"_qs
                                                           << false;
        QTest::addRow("both reserved sequences") << u"a\\|b&|c"_qs
                                                 << u"送信メッセージに「&|」を含めることはできません。"_qs << false;
        QTest::addRow("empty") << QString() << u"送信するメッセージを入力してください。"_qs << false;
        QTest::addRow("emoji") << u"smile \U0001F600"_qs << cp932::unencodableMessage(u"\U0001F600"_qs) << false;
    }
    void sendChecks_refuseAndKeepTheWindow()
    {
        QFETCH(QString, text);
        QFETCH(QString, box);
        QFETCH(bool, sent);
        Fixture f;
        TSendForm *w = f.messages().openSendWindow({{"A", "hostA"}});
        w->setText(text);
        const QPointer<TSendForm> guard(w);
        w->btSendClick();
        QCOMPARE(f.boxes, box.isEmpty() ? QStringList() : QStringList{box});
        QCOMPARE(!f.sentMessages().isEmpty() || !f.transport.sent.isEmpty(), sent);
        if (!sent) {
            QVERIFY(!guard.isNull());
            QCOMPARE(w->mmSendData->toPlainText(), text);  // left intact
            QVERIFY(f.log().isEmpty());
            w->close();
        } else {
            QCOMPARE(f.log().first().LogData.size(), 2048);
        }
    }

    void typing_stopsAtTheLimit()
    {
        Fixture f;
        TSendForm *w = f.messages().openSendWindow({{"A", "hostA"}});
        w->setText(QString(1023, QChar(0x3042)));  // 2046 bytes
        w->mmSendData->moveCursor(QTextCursor::End);
        QTest::keyClicks(w->mmSendData, u"abc"_qs);
        QCOMPARE(w->mmSendData->toPlainText(), QString(1023, QChar(0x3042)) + u"ab");
        // A quoted reply may be longer; it may still shrink but not grow.
        w->setText(QString(3000, u'q'));
        w->mmSendData->moveCursor(QTextCursor::End);
        QTest::keyClicks(w->mmSendData, u"z"_qs);
        QCOMPARE(w->mmSendData->toPlainText().size(), 3000);
        QTest::keyClick(w->mmSendData, Qt::Key_Backspace);
        QCOMPARE(w->mmSendData->toPlainText().size(), 2999);
        w->close();
    }

    void offlineRecipient_namedWhileTheOtherStillGetsIt()
    {
        Fixture f;
        TSendForm *w = f.messages().openSendWindow({{"A", "hostA"}, {"B", "hostB"}});
        w->setText(u"hi"_qs);
        f.session->roster().RemovePeer("hostA");
        f.boxes.clear();
        w->btSendClick();
        QCOMPARE(f.boxes, QStringList{u"「A」がオフライン状態になりました。このユーザにメッセージを送信できませんでした。"_qs});
        QCOMPARE(f.sentMessages(), QList<QByteArray>{"ZNMESSAGE:MESSAGE&|10.0.0.2&|SELF&|me&|hi"});
        const QList<LogRecord> log = f.log();
        QCOMPARE(log.size(), 2);
        QCOMPARE(log[1].RecvUser, PeerLabel("Unknow", "hostA"));
        QCOMPARE(log[0].RecvUser, PeerLabel("B", "hostB"));
    }

    void selfCheck_asksOnceAndNoOpensNothing()
    {
        Fixture f;
        f.select({"hostA", "SELF"});
        f.frontend.setAutoAnswer(Answer::No);
        f.action("miMessageSend")->trigger();
        QCOMPARE(f.boxes, QStringList{u"送信先の中に自分自身が含まれています。送信ウィンドウを開きますか？"_qs});
        QVERIFY(f.sendWindows().isEmpty());
        f.frontend.setAutoAnswer(Answer::Yes);
        f.action("miMessageSend")->trigger();
        QCOMPARE(f.sendWindows().size(), 1);
        QCOMPARE(f.sendWindows().first()->recipients().size(), 2);
        f.sendWindows().first()->close();

        // Off: no question.
        f.session->settings.SendSelfCheck = false;
        f.boxes.clear();
        f.messages().miWindowSendClick("me");
        QVERIFY(f.boxes.isEmpty());
        QCOMPARE(f.sendWindows().size(), 1);
        f.sendWindows().first()->close();
    }

    void noSelectionAndTooManyRecipients_areRefused()
    {
        Fixture f;
        f.messages().miMessageSendClick({});
        QCOMPARE(f.boxes.last(), u"送信先ユーザをリストの中から選択してください。"_qs);
        QList<TPeer> many(256, TPeer{"x", "hostX", "10.0.0.3", false});
        f.messages().miMessageSendClick(many);
        QCOMPARE(f.boxes.last(), TooManyRecipientsText());
        QVERIFY(f.sendWindows().isEmpty());
    }

    void clipboardSend_checksAndSendsToEachSelected()
    {
        Fixture f;
        f.select({"hostA", "hostB"});
        auto *image = new QMimeData;
        image->setImageData(QImage(2, 2, QImage::Format_RGB32));
        QGuiApplication::clipboard()->setMimeData(image);
        f.action("miMessageClipSend")->trigger();
        QCOMPARE(f.boxes.last(), u"テキスト以外のメッセージを送信することはできません。"_qs);
        QVERIFY(f.sentMessages().isEmpty());

        // The desktop's clipboard holds LF; the empty text is sent too.
        QGuiApplication::clipboard()->setText(u"line1\nline2"_qs);
        f.action("miMessageClipSend")->trigger();
        QCOMPARE(f.sentMessages(), (QList<QByteArray>{"ZNMESSAGE:MESSAGE&|10.0.0.1&|SELF&|me&|line1\r\nline2",
                                                      "ZNMESSAGE:MESSAGE&|10.0.0.2&|SELF&|me&|line1\r\nline2"}));
        f.transport.sent.clear();
        QGuiApplication::clipboard()->setText(QString());
        f.messages().miClipSendClick("A");
        QCOMPARE(f.sentMessages(), QList<QByteArray>{"ZNMESSAGE:MESSAGE&|10.0.0.1&|SELF&|me&|"});
    }

    void queue_the257thIsRefusedButLogged()
    {
        Fixture f;
        for (int i = 0; i < 256; ++i)
            f.arrive("A", "hostA", "m" + QByteArray::number(i));
        QVERIFY(!f.session->queueMessage("hostA", "A", "lost"));
        QCOMPARE(f.session->recvQueue().UnreadCount(), 256);
        QCOMPARE(f.session->recvQueue().front().RecvData, "m0");
        const QList<LogRecord> log = f.log();
        QCOMPARE(log.size(), 100);  // the record limit
        QCOMPARE(log.first().LogData, "lost");
        QCOMPARE(log.first().SendUser, PeerLabel("A", "hostA"));
        QCOMPARE(log.first().RecvUser, PeerLabel("me", "SELF"));
    }

    void threeArrivals_readInOrderThenEverythingStops()
    {
        Fixture f;
        f.clock.wall = QDateTime(QDate(2001, 4, 5), QTime(15, 7, 9));
        for (const char *text : {"one", "two", "three"})
            f.arrive("A", "hostA", text);
        TrayAnimation &tray = f.form->tray().animation();
        QVERIFY(tray.running());
        QVERIFY(f.action("miMessageRecv")->isEnabled());
        QVERIFY(f.action("miMessageClipRecv")->isEnabled());

        f.action("miMessageRecv")->trigger();
        QCOMPARE(f.recv().mmRecvData->toPlainText(), u"one"_qs);
        QCOMPARE(f.recv().edHandleName->text(), u"A"_qs);
        QCOMPARE(f.recv().edRecvTime->text(), cp932::decode(FormatTimeStamp(f.clock.now())));
        QVERIFY(f.recv().isVisible());
        QVERIFY(f.recv().btNext->isEnabled());
        QCOMPARE(f.transport.messages().last(), "ZNMESSAGE:OPEN_CHECK&|10.0.0.1&|me");

        QTest::mouseClick(f.recv().btNext, Qt::LeftButton);
        QCOMPARE(f.recv().mmRecvData->toPlainText(), u"two"_qs);
        QVERIFY(f.recv().btNext->isEnabled());
        QVERIFY(tray.running());

        QTest::mouseClick(f.recv().btNext, Qt::LeftButton);
        QCOMPARE(f.recv().mmRecvData->toPlainText(), u"three"_qs);
        QVERIFY(!f.recv().btNext->isEnabled());
        QVERIFY(!f.action("miMessageRecv")->isEnabled());
        QVERIFY(!f.action("miMessageClipRecv")->isEnabled());
        QVERIFY(!tray.running());
        QCOMPARE(tray.image(), 0);
        QCOMPARE(f.session->recvQueue().UnreadCount(), 0);
        // Three confirmations went back.
        QCOMPARE(f.messagesOf("OPEN_CHECK").size(), 3);
    }

    void taskMenu_showsTheUnreadCount()
    {
        Fixture f;
        f.form->pmTaskMenuPopup();
        const TaskMenuItems &items = f.form->taskMenuItems();
        QCOMPARE(items.miWindowRecv->text(), u"メッセージ受信 <未読0通>(&R)"_qs);
        QVERIFY(!items.miWindowRecv->isEnabled());
        f.arrive("A", "hostA", "1");
        f.arrive("B", "hostB", "2");
        f.form->pmTaskMenuPopup();
        QCOMPARE(items.miWindowRecv->text(), u"メッセージ受信 <未読2通>(&R)"_qs);
        QCOMPARE(items.miClipRecv->text(), u"クリップボード受信 <未読2通>(&L)"_qs);
        QVERIFY(items.miClipRecv->isEnabled());
        // The tray click and the receive hot key read the oldest; not while a box is open.
        f.frontend.setDialogShowing(true);
        f.form->trayClicked();
        f.form->hotKeyPressed(TMainForm::HotKeyReceive);
        QCOMPARE(f.session->recvQueue().UnreadCount(), 2);
        f.frontend.setDialogShowing(false);
        f.form->trayClicked();
        f.form->hotKeyPressed(TMainForm::HotKeyReceive);
        QCOMPARE(f.session->recvQueue().UnreadCount(), 0);
        QCOMPARE(f.recv().mmRecvData->toPlainText(), u"2"_qs);
    }

    void clipboardReceive_withAndWithoutHeader()
    {
        Fixture f;
        f.arrive(sj(u"山田"), "hostA", "a\r\nb");
        f.arrive("B", "hostB", "plain");
        f.action("miMessageClipRecv")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), u"≪「山田」からのメッセージ≫\na\nb"_qs);
        QCOMPARE(f.transport.messages().last(), "ZNMESSAGE:OPEN_CHECK&|10.0.0.1&|me");
        f.session->settings.ClipRecvInfo = false;
        f.action("miMessageClipRecv")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), u"plain"_qs);
        QCOMPARE(f.session->recvQueue().UnreadCount(), 0);
        QVERIFY(!f.recv().isVisible());
    }

    void reply_quotesEachLine()
    {
        Fixture f("ReturnMessagePlus=1\r\n");
        f.arrive("A", "hostA", "first line\r\nsecond");
        f.messages().miMessageRecvClick();
        QTest::mouseClick(f.recv().btRecv, Qt::LeftButton);
        QCOMPARE(f.sendWindows().size(), 1);
        TSendForm *w = f.sendWindows().first();
        QCOMPARE(w->recipients(), (QList<Recipient>{{"A", "hostA"}}));
        QCOMPARE(w->mmSendData->toPlainText(), u">first line\n>second\n"_qs);
        QCOMPARE(w->mmSendData->textCursor().position(), w->mmSendData->toPlainText().size());
        w->close();

        f.session->settings.ReturnMessagePlus = false;
        QTest::mouseClick(f.recv().btRecv, Qt::LeftButton);
        QVERIFY(f.sendWindows().first()->mmSendData->toPlainText().isEmpty());
        f.sendWindows().first()->close();
    }

    void autoOpenWithQuestion_noLeavesTheMessageQueued()
    {
        Fixture f("RecvAutoOpen=1\r\nRecvOpenCheck=1\r\nRecvCheck=1\r\n");
        f.frontend.setAutoAnswer(Answer::No);
        f.arrive("A", "hostA", "x");
        QCOMPARE(f.boxes, QStringList{u"受信ウィンドウを表示します。よろしいですか？"_qs});
        QCOMPARE(f.session->recvQueue().UnreadCount(), 1);
        QVERIFY(!f.recv().isVisible());
        f.frontend.setAutoAnswer(Answer::Yes);
        f.arrive("A", "hostA", "y");
        QVERIFY(f.recv().isVisible());
        QCOMPARE(f.recv().mmRecvData->toPlainText(), u"x"_qs);
        // Visible: the next arrival does not ask and does not take.
        f.arrive("A", "hostA", "z");
        QCOMPARE(f.boxes.size(), 2);
        QCOMPARE(f.session->recvQueue().UnreadCount(), 2);
    }

    void recvLayout_hidesRows()
    {
        Fixture f("RecvMachineHide=1\r\nRecvDateHide=1\r\n");
        f.arrive("A", "hostA", "x");
        f.messages().miMessageRecvClick();
        QVERIFY(f.recv().edHandleName->isVisible());
        QVERIFY(!f.recv().edMachineName->isVisible());
        QVERIFY(!f.recv().edRecvTime->isVisible());
    }

    void messageFromTheNetwork_isQueuedOnlyWhenAddressedHere()
    {
        Fixture f;
        auto deliver = [&f](const QByteArray &message, quint32 from) {
            for (const QByteArray &d : MakeDatagrams(message))
                f.session->reassembler().ReceiveDatagram(d, from);
        };
        deliver("ZNMESSAGE:MESSAGE&|10.0.0.7&|hostA&|A&|not for us", 0x0A000001);
        QCOMPARE(f.session->recvQueue().UnreadCount(), 0);
        deliver("ZNMESSAGE:MESSAGE&|10.0.0.9&|hostA&|A&|" + QByteArray(1500, 'y'), 0x0A000001);
        QCOMPARE(f.session->recvQueue().UnreadCount(), 1);
        QCOMPARE(f.session->recvQueue().front().RecvData, QByteArray(1500, 'y'));
        QCOMPARE(f.log().first().LogData, QByteArray(1500, 'y'));
    }

    void deliveryWatch_givesUpBetween60And65Seconds()
    {
        Fixture f;
        QCOMPARE(f.session->timeoutTimer().interval(), 5000);
        QVERIFY(f.session->timeoutTimer().isActive());
        // Two incomplete messages from one sender: fragments 1 and 3 of three.
        const QList<QByteArray> first = MakeDatagrams(QByteArray("ZNMESSAGE:MESSAGE&|10.0.0.9&|hostA&|A&|" + QByteArray(1200, 'a')));
        const QList<QByteArray> second = MakeDatagrams(QByteArray("ZNMESSAGE:MESSAGE&|10.0.0.9&|hostA&|A&|" + QByteArray(1200, 'b')));
        QCOMPARE(first.size(), 3);
        f.session->reassembler().ReceiveDatagram(first[0], 0x0A000001);
        f.session->reassembler().ReceiveDatagram(second[0], 0x0A000001);  // a repeated number opens a second slot
        f.clock.advance(30000);
        f.session->reassembler().ReceiveDatagram(first[2], 0x0A000001);  // renews the stamp
        f.session->reassembler().ReceiveDatagram(second[2], 0x0A000001);

        auto warnings = [&f] { return f.messagesOf("MESSAGE_EXCLAMATION"); };
        // Ticks every 5 s: nothing up to 60 s after the last fragment, then one warning each.
        for (int tick = 0; tick < 12; ++tick) {
            f.clock.advance(5000);
            f.session->TimeoutTimerTimer();
        }
        QVERIFY(warnings().isEmpty());
        f.clock.advance(5000);
        f.session->TimeoutTimerTimer();
        QCOMPARE(warnings(), (QList<QByteArray>{"ZNMESSAGE:MESSAGE_EXCLAMATION&|10.0.0.1&|me",
                                                "ZNMESSAGE:MESSAGE_EXCLAMATION&|10.0.0.1&|me"}));
        f.session->TimeoutTimerTimer();
        QCOMPARE(warnings().size(), 2);
        QCOMPARE(f.session->recvQueue().UnreadCount(), 0);
    }

    void sendAfterClose_hidesTheMainWindow()
    {
        Fixture f("SendAfterClose=1\r\n");
        f.form->show();
        TSendForm *w = f.messages().openSendWindow({{"A", "hostA"}}, u"hi"_qs);
        w->btSendClick();
        QVERIFY(!f.form->isVisible() || f.form->isMinimized());
    }

    void storedPlacements_areFittedOntoTheScreen()
    {
        Fixture f("[SendFormLocate]\r\nLeft=-5000\r\nTop=99999\r\nWidth=0x7fffffff\r\nHeight=5\r\n"
                  "[RecvFormLocate]\r\nLeft=70000\r\nTop=-70000\r\nWidth=300\r\nHeight=260\r\n");
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        TSendForm *w = f.messages().openSendWindow({{"A", "hostA"}});
        // The platform may add a frame of a few pixels around the client area.
        const QRect onScreen = screen.adjusted(0, 0, 4, 4);
        QVERIFY2(onScreen.contains(w->geometry()), qPrintable(QDebug::toString(w->geometry())));
        QVERIFY(w->height() >= w->minimumSizeHint().height());
        QVERIFY(onScreen.contains(f.recv().geometry()));
        QCOMPARE(f.recv().size(), QSize(300, 260));
        w->close();
    }

    void fontSize_reachesEveryListedWindow()
    {
        Fixture f;
        TSendForm *w = f.messages().openSendWindow({{"A", "hostA"}});
        QVERIFY(w->hasListSlot());
        f.form->miShowFontLargeClick(14);
        QCOMPARE(w->mmSendData->font().pointSize(), 14);
        QCOMPARE(f.recv().mmRecvData->font().pointSize(), 14);
        w->close();

        SendWindowList list;
        QList<TSendForm *> forms;
        for (int i = 0; i < 101; ++i)
            forms.append(new TSendForm(*f.session, f.frontend, list, 9));
        QCOMPARE(list.count(), 100);
        QVERIFY(!forms.last()->hasListSlot());
        list.applyFontSize(12);
        QCOMPARE(forms.first()->mmSendData->font().pointSize(), 12);
        QCOMPARE(forms.last()->mmSendData->font().pointSize(), 9);
        qDeleteAll(forms);
        QCOMPARE(list.count(), 0);
    }
};

QTEST_MAIN(tst_Messaging)
#include "tst_messaging.moc"
