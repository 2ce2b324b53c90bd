// Sending and receiving through the real windows, the session and the log,
// with the datagrams recorded instead of sent.
#include "app/tmainform.h"
#include "common/codec.h"
#include "desktopfixture.h"
#include "fakeclock.h"
#include "log/logfile.h"
#include "messaging/absencecenter.h"
#include "messaging/messagecenter.h"
#include "messaging/thuzaiform.h"
#include "messaging/tlogform.h"
#include "messaging/trecvform.h"
#include "messaging/tsendform.h"
#include "net/netfakes.h"
#include "net/reassembly.h"
#include "net/wire.h"
#include "peers/roster.h"
#include "platform/desktopfrontend.h"
#include "platform/iconstrip.h"
#include "platform/tiventform.h"
#include "platform/trayanimation.h"
#include "platform/trayindicator.h"
#include "platform/windowtrayicon.h"
#include "session/messagecheck.h"
#include "session/session.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QWindow>

using namespace zn;
using zn::test::RecordingTransport;

namespace {

QByteArray sj(QStringView text)
{
    return cp932::bytes(text);
}

struct Fixture : test::DesktopFixture {
    explicit Fixture(const QByteArray &ini = {}) : DesktopFixture("MouseAnimation=0\r\n" + ini, Time::Fake)
    {
        startAsMe(
            {{"A", "hostA", "10.0.0.1", false}, {"B", "hostB", "10.0.0.2", false}, {"me", "SELF", "10.0.0.9", false}});
        transport.sent.clear();
    }

    MessageCenter &messages() { return shell->messages(); }
    TRecvForm &recv() { return *messages().recvForm(); }
    QList<LogRecord> log() { return session->log().LoadLog().records; }

    void select(const QList<QByteArray> &machines)
    {
        QTreeView *list = form()->userList();
        list->selectionModel()->clearSelection();
        for (const QByteArray &m : machines) {
            list->selectionModel()->select(list->model()->index(session->roster().indexOfMachine(m), 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    QList<TSendForm *> sendWindows() const { return test::visibleWindows<TSendForm>(); }
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
    QAction *action(const char *name) const { return form()->findChild<QAction *>(QString::fromLatin1(name)); }
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
        QTRY_VERIFY(guard.isNull()); // sent, closed, freed

        const QByteArray text = sj(u"こんにちは") + "\r\ntwo";
        QCOMPARE(f.sentMessages(),
                 (QList<QByteArray>{"ZNMESSAGE:MESSAGE&|10.0.0.1&|SELF&|me&|" + text,
                                    "ZNMESSAGE:MESSAGE&|10.0.0.2&|SELF&|me&|" + text}));
        const QList<LogRecord> log = f.log();
        QCOMPARE(log.size(), 2);
        QCOMPARE(log[0].RecvUser, PeerLabel("B", "hostB")); // newest first
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
        QTest::addRow("1024 double-byte and one more byte")
            << QString(1024, QChar(0x3042)) + u'x'
            << u"送信メッセージが最大文字数（2048文字）を越えているため、送信することができません。"_qs << false;
        QTest::addRow("both reserved sequences")
            << u"a\\|b&|c"_qs << u"送信メッセージに「&|」を含めることはできません。"_qs << false;
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
            QCOMPARE(w->mmSendData->toPlainText(), text); // left intact
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
        w->setText(QString(1023, QChar(0x3042))); // 2046 bytes
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
        const QPointer<TSendForm> guard(w);
        w->btSendClick();
        QCOMPARE(f.boxes,
                 QStringList{u"「A」がオフライン状態になりました。このユーザにメッセージを送信できませんでした。\n"
                             "「B」には送信しました。\n"
                             "送信できなかったメッセージは、この送信ウィンドウに残してあります。"_qs});
        QCOMPARE(f.sentMessages(), QList<QByteArray>{"ZNMESSAGE:MESSAGE&|10.0.0.2&|SELF&|me&|hi"});
        // Nothing typed is lost: the window stays with its text, addressed
        // to the one it did not reach; the log holds only what went out.
        QVERIFY(!guard.isNull());
        QVERIFY(w->isVisible());
        QCOMPARE(w->mmSendData->toPlainText(), u"hi"_qs);
        QCOMPARE(w->recipients(), (QList<Recipient>{{"A", "hostA"}}));
        QCOMPARE(w->edSendName->text(), u"A"_qs);
        const QList<LogRecord> log = f.log();
        QCOMPARE(log.size(), 1);
        QCOMPARE(log[0].RecvUser, PeerLabel("B", "hostB"));

        // A back online: the second 送信 goes to A alone, and the window closes.
        f.session->roster().AddOrUpdatePeer("A", "hostA", "10.0.0.1", false);
        f.transport.sent.clear();
        f.boxes.clear();
        w->btSendClick();
        QCOMPARE(f.sentMessages(), QList<QByteArray>{"ZNMESSAGE:MESSAGE&|10.0.0.1&|SELF&|me&|hi"});
        QVERIFY(f.boxes.isEmpty());
        QTRY_VERIFY(guard.isNull());
        QCOMPARE(f.log().size(), 2);

        // Nobody reached: said the same way, without a "sent to" line.
        TSendForm *alone = f.messages().openSendWindow({{"C", "hostC"}}, u"x"_qs);
        alone->btSendClick();
        QCOMPARE(f.boxes,
                 QStringList{u"「C」がオフライン状態になりました。このユーザにメッセージを送信できませんでした。\n"
                             "送信できなかったメッセージは、この送信ウィンドウに残してあります。"_qs});
        QVERIFY(alone->isVisible());
        alone->close();
    }

    void minimisedReceiveWindow_comesBackNormalOnEveryPath()
    {
        Fixture f;
        f.recv().trayIcon()->setTrayAvailable([] { return true; });
        for (int i = 0; i < 6; ++i)
            f.arrive("A", "hostA", "m" + QByteArray::number(i));
        f.messages().miMessageRecvClick();
        QCOMPARE(f.recv().mmRecvData->toPlainText(), u"m0"_qs);
        const auto toTray = [&f] {
            f.recv().showMinimized();
            QTRY_VERIFY(!f.recv().isVisible());
            QVERIFY(f.recv().trayIcon()->trayIcon());
        };
        const auto backNormal = [&f](const char *text) {
            QVERIFY(f.recv().isVisible());
            QVERIFY(!f.recv().isMinimized());
            QVERIFY(!f.recv().trayIcon()->trayIcon());
            QCOMPARE(f.recv().mmRecvData->toPlainText(), QString::fromLatin1(text));
        };
        // The tray menu, the receive key, the toolbar, a click on the tray icon.
        toTray();
        f.shell->taskMenuItems().miWindowRecv->trigger();
        backNormal("m1");
        toTray();
        f.shell->hotKeyPressed(DesktopShell::HotKeyReceive);
        backNormal("m2");
        toTray();
        f.action("miMessageRecv")->trigger();
        backNormal("m3");
        toTray();
        f.shell->trayClicked();
        backNormal("m4");
        // An arrival with RecvAutoOpen.
        f.session->settings.RecvAutoOpen = true;
        toTray();
        f.arrive("B", "hostB", "auto");
        backNormal("m5");
    }

    void longPaste_isCutInOneStepAndSaid()
    {
        Fixture f;
        TSendForm *w = f.messages().openSendWindow({{"A", "hostA"}});
        QTest::keyClicks(w->mmSendData, u"abcd"_qs);
        QTextCursor cursor = w->mmSendData->textCursor();
        cursor.setPosition(2);
        w->mmSendData->setTextCursor(cursor);
        QVERIFY(!w->laCutNote->isVisible());
        // 20,000 characters, a line break (two bytes) every fourth.
        const QString unit = u"あいう\n"_qs;
        QString pasted;
        while (pasted.size() < 20000)
            pasted += unit;
        QGuiApplication::clipboard()->setText(pasted);
        w->mmSendData->paste();
        // 4 bytes around it leave 2044: 255 units of 8 bytes and "あい".
        const QString kept = unit.repeated(255) + u"あい"_qs;
        QCOMPARE(w->mmSendData->toPlainText(), u"ab"_qs + kept + u"cd"_qs);
        QCOMPARE(MessageTextBytes(w->mmSendData->toPlainText()), MaxMessageTextBytes);
        QVERIFY(w->laCutNote->isVisible());
        QCOMPARE(w->laCutNote->text(),
                 u"送信メッセージが最大文字数（2048文字）を越えたため、"
                 "入力された文字のうち%1文字を削除しました。"_qs.arg(20000 - kept.size()));
        // The text as cut goes out whole.
        w->btSendClick();
        QCOMPARE(f.log().first().LogData.size(), 2048);

        // A surrogate pair that does not fit goes as a whole, counted once.
        TSendForm *v = f.messages().openSendWindow({{"A", "hostA"}});
        v->setText(QString(2047, u'x'));
        QGuiApplication::clipboard()->setText(u"\U0001F600"_qs);
        v->mmSendData->paste();
        QCOMPARE(v->mmSendData->toPlainText(), QString(2047, u'x'));
        QCOMPARE(v->laCutNote->text(),
                 u"送信メッセージが最大文字数（2048文字）を越えたため、"
                 "入力された文字のうち1文字を削除しました。"_qs);
        // Deleting hides the note again.
        QTest::keyClick(v->mmSendData, Qt::Key_Backspace);
        QVERIFY(!v->laCutNote->isVisible());
        v->close();
    }

    void keyboard_enterEscapeCtrlEnterAndPageKeys()
    {
        Fixture f;
        f.form()->show();
        // Enter on a selected user: the send window, as a double click opens it.
        f.select({"hostA"});
        QTest::keyClick(f.form()->userList(), Qt::Key_Return);
        QCOMPARE(f.sendWindows().size(), 1);
        TSendForm *w = f.sendWindows().first();
        QCOMPARE(w->recipients(), (QList<Recipient>{{"A", "hostA"}}));
        QTRY_VERIFY(w->isActiveWindow());
        // Ctrl+Enter sends.
        QTest::keyClicks(w->mmSendData, u"one"_qs);
        const QPointer<TSendForm> sent(w);
        QTest::keyClick(w->mmSendData, Qt::Key_Return, Qt::ControlModifier);
        QTRY_VERIFY(sent.isNull());
        QCOMPARE(f.sentMessages(), QList<QByteArray>{"ZNMESSAGE:MESSAGE&|10.0.0.1&|SELF&|me&|one"});

        // Escape asks first when a typed text would be lost; No keeps it.
        TSendForm *typed = f.messages().openSendWindow({{"B", "hostB"}});
        QTRY_VERIFY(typed->isActiveWindow());
        QTest::keyClicks(typed->mmSendData, u"draft"_qs);
        f.frontend.setAutoAnswer(Answer::No);
        QTest::keyClick(typed->mmSendData, Qt::Key_Escape);
        QCOMPARE(f.boxes, QStringList{u"入力したメッセージは送信されずに破棄されます。よろしいですか？"_qs});
        QVERIFY(typed->isVisible());
        QCOMPARE(typed->mmSendData->toPlainText(), u"draft"_qs);
        f.frontend.setAutoAnswer(Answer::Yes);
        const QPointer<TSendForm> dropped(typed);
        QTest::keyClick(typed->mmSendData, Qt::Key_Escape);
        QTRY_VERIFY(dropped.isNull());
        // Nothing typed: closed without a question.
        f.boxes.clear();
        const QPointer<TSendForm> blank(f.messages().openSendWindow({{"B", "hostB"}}));
        QTRY_VERIFY(blank->isActiveWindow());
        QTest::keyClick(blank->mmSendData, Qt::Key_Escape);
        QTRY_VERIFY(blank.isNull());
        QVERIFY(f.boxes.isEmpty());

        // Escape on the receive window is 確認(&C).
        f.arrive("A", "hostA", "x");
        f.messages().miMessageRecvClick();
        QTRY_VERIFY(f.recv().isActiveWindow());
        QTest::keyClick(f.recv().mmRecvData, Qt::Key_Escape);
        QVERIFY(!f.recv().isVisible());

        // And on an absence window.
        const QPointer<THuzaiForm> absence(f.shell->absence().openAbsenceWindow("hostB", "B", "away"));
        absence->activateWindow();
        QTRY_VERIFY(absence->isActiveWindow());
        QTest::keyClick(absence->mmRecvData, Qt::Key_Escape);
        QTRY_VERIFY(absence.isNull());

        // The log viewer steps with the page keys, and stops at either end.
        f.messages().miShowLogShowClick();
        TLogForm *viewer = f.messages().logForm();
        QVERIFY(viewer);
        QTRY_VERIFY(viewer->isActiveWindow());
        const int count = f.log().size();
        QCOMPARE(count, 2); // "one" sent, "x" received
        const QString first = viewer->windowTitle();
        QVERIFY(first.endsWith(u"[1/2]"_qs));
        QTest::keyClick(viewer, Qt::Key_PageDown);
        QVERIFY(viewer->windowTitle().endsWith(u"[2/2]"_qs));
        QTest::keyClick(viewer, Qt::Key_PageDown);
        QVERIFY(viewer->windowTitle().endsWith(u"[2/2]"_qs));
        QTest::keyClick(viewer, Qt::Key_PageUp);
        QCOMPARE(viewer->windowTitle(), first);
        viewer->close();
    }

    void windows_carryTheStarAndTheSendTipNamesItsRecipients()
    {
        Fixture f;
        const QImage star = IconStrip::pixmap(IconStrip::Present, 16).toImage().convertToFormat(QImage::Format_ARGB32);
        const auto carriesStar = [&star](QWidget *w) {
            return w->windowIcon().pixmap(16).toImage().convertToFormat(QImage::Format_ARGB32) == star;
        };
        TSendForm *w = f.messages().openSendWindow({{"A", "hostA"}, {"B", "hostB"}});
        THuzaiForm *absence = f.shell->absence().openAbsenceWindow("hostB", "B", "away");
        f.messages().miShowLogShowClick();
        TIventForm notice(f.session->settings, std::nullopt);
        for (QWidget *window : QList<QWidget *>{f.form(), w, &f.recv(), absence, f.messages().logForm(), &notice})
            QVERIFY2(carriesStar(window), qPrintable(window->objectName()));

        // Minimised, a send window's tray icon says whom it is for.
        w->trayIcon()->setTrayAvailable([] { return true; });
        w->showMinimized();
        QTRY_VERIFY(w->trayIcon()->trayIcon());
        QCOMPARE(w->trayIcon()->trayIcon()->toolTip(), u"Zephinet -送信ウィンドウ- 送信先：A;B"_qs);
        w->trayIcon()->restore();
        QVERIFY(w->isVisible());
        QVERIFY(!w->isMinimized());
        w->close();
        absence->close();
    }

    void arrivals_doNotTakeTheKeyboardFromASendWindow()
    {
        // The offscreen platform activates every window it shows, so this
        // checks what each window asks of the window system; e2e_focus
        // types on a real display.
        const auto showsWithoutActivating = [](QWidget *w) {
            return w->windowHandle() && w->windowHandle()->property("_q_showWithoutActivating").toBool();
        };
        Fixture f("RecvAutoOpen=1\r\n");
        TIventForm notice(f.session->settings, std::nullopt);
        TSendForm *w = f.messages().openSendWindow({{"A", "hostA"}});
        QVERIFY(!showsWithoutActivating(w));
        // A message and an absence answer arrive while the user is typing.
        f.arrive("B", "hostB", "hello");
        THuzaiForm *absence = f.shell->absence().openAbsenceWindow("hostB", "B", "away");
        notice.ShowEventNotice(u"「B」からメッセージが届きました。"_qs, false);
        QVERIFY(f.recv().isVisible());
        QCOMPARE(f.recv().mmRecvData->toPlainText(), u"hello"_qs);
        QVERIFY(showsWithoutActivating(&f.recv()));
        QVERIFY(showsWithoutActivating(absence));
        // The notice is never given the keyboard, not even when the window
        // manager looks for one to focus after a window closed.
        QVERIFY(notice.windowFlags() & Qt::WindowDoesNotAcceptFocus);

        // What the user opens by a command does take the keyboard.
        f.arrive("B", "hostB", "next");
        f.recv().hide();
        f.messages().miMessageRecvClick();
        QVERIFY(!showsWithoutActivating(&f.recv()));
        QTRY_COMPARE(QApplication::activeWindow(), &f.recv());
        absence->close();
        w->close();
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
        // Files copied in a file manager: their addresses are no text to send.
        auto *files = new QMimeData;
        files->setUrls({QUrl::fromLocalFile(u"/home/a/議事録.txt"_qs), QUrl::fromLocalFile(u"/tmp/b c.png"_qs)});
        files->setText(QString::fromUtf8(files->urls().at(0).toEncoded()) + u"\r\n"_qs + files->urls().at(1).toString()
                       + u"\r\n"_qs);
        QGuiApplication::clipboard()->setMimeData(files);
        f.boxes.clear();
        f.action("miMessageClipSend")->trigger();
        f.messages().miClipSendClick("A");
        auto *uriList = new QMimeData; // Qt offers these as text as well
        uriList->setUrls({QUrl::fromLocalFile(u"/tmp/only"_qs)});
        QGuiApplication::clipboard()->setMimeData(uriList);
        f.messages().miClipSendClick("A");
        QCOMPARE(f.boxes, QStringList(3, u"テキスト以外のメッセージを送信することはできません。"_qs));
        QVERIFY(f.sentMessages().isEmpty());
        // A text that only mentions a file is a message.
        auto *mention = new QMimeData;
        mention->setUrls({QUrl::fromLocalFile(u"/tmp/x"_qs)});
        mention->setText(u"see file:///tmp/x"_qs);
        QGuiApplication::clipboard()->setMimeData(mention);
        f.messages().miClipSendClick("A");
        QCOMPARE(f.sentMessages(), QList<QByteArray>{"ZNMESSAGE:MESSAGE&|10.0.0.1&|SELF&|me&|see file:///tmp/x"});
        f.transport.sent.clear();

        // The desktop's clipboard holds LF; the empty text is sent too.
        QGuiApplication::clipboard()->setText(u"line1\nline2"_qs);
        f.action("miMessageClipSend")->trigger();
        QCOMPARE(f.sentMessages(),
                 (QList<QByteArray>{"ZNMESSAGE:MESSAGE&|10.0.0.1&|SELF&|me&|line1\r\nline2",
                                    "ZNMESSAGE:MESSAGE&|10.0.0.2&|SELF&|me&|line1\r\nline2"}));
        f.transport.sent.clear();
        // An empty clipboard is said to be empty, and nothing goes out.
        const QString empty = u"クリップボードが空のため、送信することができません。"_qs;
        QGuiApplication::clipboard()->setText(QString());
        f.messages().miClipSendClick("A");
        QCOMPARE(f.boxes.last(), empty);
        QGuiApplication::clipboard()->clear();
        f.boxes.clear();
        f.action("miMessageClipSend")->trigger();
        QCOMPARE(f.boxes, QStringList{empty});
        QVERIFY(f.sentMessages().isEmpty());
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
        QCOMPARE(log.size(), 100); // the record limit
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
        TrayAnimation &tray = f.shell->tray().animation();
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
        f.shell->pmTaskMenuPopup();
        const TaskMenuItems &items = f.shell->taskMenuItems();
        QCOMPARE(items.miWindowRecv->text(), u"メッセージ受信 <未読0通>(&R)"_qs);
        QVERIFY(!items.miWindowRecv->isEnabled());
        f.arrive("A", "hostA", "1");
        f.arrive("B", "hostB", "2");
        f.shell->pmTaskMenuPopup();
        QCOMPARE(items.miWindowRecv->text(), u"メッセージ受信 <未読2通>(&R)"_qs);
        QCOMPARE(items.miClipRecv->text(), u"クリップボード受信 <未読2通>(&L)"_qs);
        QVERIFY(items.miClipRecv->isEnabled());
        // The tray click and the receive hot key read the oldest; not while a box is open.
        f.frontend.setDialogShowing(true);
        f.shell->trayClicked();
        f.shell->hotKeyPressed(DesktopShell::HotKeyReceive);
        QCOMPARE(f.session->recvQueue().UnreadCount(), 2);
        f.frontend.setDialogShowing(false);
        f.shell->trayClicked();
        f.shell->hotKeyPressed(DesktopShell::HotKeyReceive);
        QCOMPARE(f.session->recvQueue().UnreadCount(), 0);
        QCOMPARE(f.recv().mmRecvData->toPlainText(), u"2"_qs);
        // Nothing unread: the click brings up the user list, unless a box is open.
        QVERIFY(!f.form()->isVisible());
        f.frontend.setDialogShowing(true);
        f.shell->trayClicked();
        QVERIFY(!f.form()->isVisible());
        f.frontend.setDialogShowing(false);
        f.shell->trayClicked();
        QVERIFY(f.form()->isVisible());
        QVERIFY(f.recv().isVisible());
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

    // Every window used to open centred, over the user list and over the
    // message it answers: each now keeps clear of those showing.
    void windows_openClearOfTheWindowsTheyComeFrom()
    {
        Fixture f;
        f.form()->show();
        const QRect screen = f.form()->screen()->availableGeometry();
        // Clear of a window: beside it, or leaving its title bar and its left
        // edge in sight.
        constexpr int InSight = 16;
        const auto clearOf = [](const QWidget *w, const QWidget *under) {
            const QRect a = w->frameGeometry();
            const QRect b = under->frameGeometry();
            return !a.intersects(b) || (a.left() >= b.left() + InSight && a.top() >= b.top() + InSight);
        };
        f.arrive("A", "hostA", "hello");
        f.messages().miMessageRecvClick();
        TRecvForm &recv = f.recv();
        QVERIFY(clearOf(&recv, f.form()));
        QTest::mouseClick(recv.btRecv, Qt::LeftButton);
        QCOMPARE(f.sendWindows().size(), 1);
        TSendForm *reply = f.sendWindows().first();
        QVERIFY(clearOf(reply, &recv));
        QVERIFY(clearOf(reply, f.form()));
        f.messages().miMessageSendClick(
            {TPeer{"A", "hostA", "10.0.0.1", false}, TPeer{"B", "hostB", "10.0.0.2", false}});
        QCOMPARE(f.sendWindows().size(), 2);
        TSendForm *second = f.sendWindows().at(0) == reply ? f.sendWindows().at(1) : f.sendWindows().at(0);
        for (const QWidget *under : std::initializer_list<const QWidget *>{reply, &recv, f.form()})
            QVERIFY2(clearOf(second, under), qPrintable(under->objectName()));
        for (const QWidget *w : std::initializer_list<const QWidget *>{second, reply, &recv})
            QVERIFY2(screen.contains(w->frameGeometry()), qPrintable(w->objectName()));
        reply->close();
        second->close();
    }

    void quote_coversLinesScrolledAwayAndNothingForAnEmptyMessage()
    {
        Fixture f("ReturnMessagePlus=1\r\n");
        QByteArray text;
        for (int i = 0; i < 80; ++i)
            text += "line " + QByteArray::number(i) + "\r\n";
        text += QByteArray(400, 'w'); // far below the window's end, and wrapped there
        f.arrive("A", "hostA", text);
        f.arrive("A", "hostA", "");
        f.messages().miMessageRecvClick();
        TRecvForm &recv = f.recv();
        recv.resize(TRecvForm::DesignSize);
        QVERIFY(QTest::qWaitForWindowExposed(&recv));
        const QString quoted = recv.quotedText();
        const QStringList lines = quoted.split(u'\n', Qt::SkipEmptyParts);
        QVERIFY2(lines.size() > 82, qPrintable(QString::number(lines.size()))); // the long line wraps
        QCOMPARE(lines.at(79), u">line 79"_qs);
        QCOMPARE(QString(lines.mid(80).join(QString()).remove(u'>')), QString(400, u'w'));
        // What the window shows after scrolling there is what was quoted.
        recv.mmRecvData->moveCursor(QTextCursor::End);
        recv.mmRecvData->ensureCursorVisible();
        QCoreApplication::processEvents();
        QCOMPARE(recv.quotedText(), quoted);

        recv.btNext->click();
        QCOMPARE(recv.mmRecvData->toPlainText(), QString());
        QCOMPARE(recv.quotedText(), QString());
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
        const QList<QByteArray> first =
            MakeDatagrams(QByteArray("ZNMESSAGE:MESSAGE&|10.0.0.9&|hostA&|A&|" + QByteArray(1200, 'a')));
        const QList<QByteArray> second =
            MakeDatagrams(QByteArray("ZNMESSAGE:MESSAGE&|10.0.0.9&|hostA&|A&|" + QByteArray(1200, 'b')));
        QCOMPARE(first.size(), 3);
        f.session->reassembler().ReceiveDatagram(first[0], 0x0A000001);
        f.session->reassembler().ReceiveDatagram(second[0], 0x0A000001); // a repeated number opens a second slot
        f.clock.advance(30000);
        f.session->reassembler().ReceiveDatagram(first[2], 0x0A000001); // renews the stamp
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
        QCOMPARE(warnings(),
                 (QList<QByteArray>{"ZNMESSAGE:MESSAGE_EXCLAMATION&|10.0.0.1&|me",
                                    "ZNMESSAGE:MESSAGE_EXCLAMATION&|10.0.0.1&|me"}));
        f.session->TimeoutTimerTimer();
        QCOMPARE(warnings().size(), 2);
        QCOMPARE(f.session->recvQueue().UnreadCount(), 0);
    }

    void sendAfterClose_hidesTheMainWindow()
    {
        Fixture f("SendAfterClose=1\r\n");
        f.form()->show();
        TSendForm *w = f.messages().openSendWindow({{"A", "hostA"}}, u"hi"_qs);
        w->btSendClick();
        QVERIFY(!f.form()->isVisible() || f.form()->isMinimized());
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
        f.form()->miShowFontLargeClick(14);
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
