// The log viewer through its real window, over a session whose log file lives
// in a temporary directory and whose datagrams are recorded instead of sent.
#include "app/tmainform.h"
#include "common/codec.h"
#include "desktopfixture.h"
#include "fakeclock.h"
#include "log/logfile.h"
#include "messaging/messagecenter.h"
#include "messaging/tlogform.h"
#include "messaging/tsendform.h"
#include "net/netfakes.h"
#include "peers/roster.h"
#include "platform/desktopfrontend.h"
#include "session/session.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>

using namespace zn;

namespace {

QByteArray sj(QStringView text)
{
    return cp932::bytes(text);
}

struct Fixture : test::DesktopFixture {
    QStringList prompts;

    explicit Fixture(const QByteArray &ini = {})
        : DesktopFixture("MouseAnimation=0\r\nLogFileMaxCount=0\r\n" + ini, Time::Fake)
    {
        startAsMe({{"A", "hostA", "10.0.0.1", false}, {"me", "SELF", "10.0.0.9", false}});
    }

    QString logPath() const { return session->settings.LogFileName; }
    // A record as this copy writes it, one second after the one before.
    void write(const QByteArray &from, const QByteArray &to, const QByteArray &text)
    {
        clock.advance(1000);
        QVERIFY(session->log().WriteLog(from, to, text));
        QVERIFY(session->log().flush());
    }
    void received(const QByteArray &text) { write(PeerLabel("A", "hostA"), PeerLabel("me", "SELF"), text); }
    void sent(const QByteArray &text) { write(PeerLabel("me", "SELF"), PeerLabel("A", "hostA"), text); }

    TLogForm *open()
    {
        form()->findChild<QAction *>(QStringLiteral("miShowLogShow"))->trigger();
        return shell->messages().logForm();
    }
    QList<TSendForm *> sendWindows() const { return test::visibleWindows<TSendForm>(); }
};

QString counter(const TLogForm *viewer)
{
    const QString title = viewer->windowTitle();
    return title.mid(title.lastIndexOf(u'['));
}

} // namespace

class tst_LogForm : public QObject {
    Q_OBJECT

private slots:
    void stepping_countsAndStopsAtBothEnds()
    {
        Fixture f;
        for (const char *text : {"first", "second", "third"})
            f.received(text);
        TLogForm *viewer = f.open();
        QVERIFY(viewer && viewer->isVisible());
        QCOMPARE(viewer->windowTitle(), u"Zephinet -ログビューア- [1/3]"_qs);
        QCOMPARE(viewer->mmLogData->toPlainText(), u"third"_qs); // newest first
        QVERIFY(!viewer->btPrev->isEnabled());
        QVERIFY(viewer->btNext->isEnabled());

        QTest::mouseClick(viewer->btNext, Qt::LeftButton);
        QTest::mouseClick(viewer->btNext, Qt::LeftButton);
        QCOMPARE(counter(viewer), u"[3/3]"_qs);
        QCOMPARE(viewer->mmLogData->toPlainText(), u"first"_qs);
        QVERIFY(!viewer->btNext->isEnabled());
        QVERIFY(viewer->btPrev->isEnabled());
        QCOMPARE(viewer->edSendUser->text(), u"A（hostA）"_qs);
        QCOMPARE(viewer->edRecvUser->text(), u"me（SELF）"_qs);
        QCOMPARE(viewer->edSaveDate->text(), cp932::decode(FormatTimeStamp(f.clock.wall.addSecs(1))));

        QTest::mouseClick(viewer->btPrev, Qt::LeftButton);
        QCOMPARE(counter(viewer), u"[2/3]"_qs);
        QCOMPARE(viewer->mmLogData->toPlainText(), u"second"_qs);
        QVERIFY(viewer->btPrev->isEnabled() && viewer->btNext->isEnabled());
    }

    void recordArriving_keepsTheRecordOnScreen_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("afterOne");
        QTest::addColumn<QString>("afterThree");
        QTest::addRow("no limit") << 0 << u"[3/7]"_qs << u"[6/10]"_qs;
        QTest::addRow("at the limit") << 6 << u"[3/6]"_qs << u"[6/6]"_qs;
    }
    void recordArriving_keepsTheRecordOnScreen()
    {
        QFETCH(int, limit);
        QFETCH(QString, afterOne);
        QFETCH(QString, afterThree);
        Fixture f;
        for (int i = 1; i <= 6; ++i)
            f.received("message " + QByteArray::number(i));
        f.session->settings.LogFileMaxCount = limit;
        f.session->roster().AddOrUpdatePeer("B", "hostB", "10.0.0.2", false);
        f.session->roster().AddOrUpdatePeer("C", "hostC", "10.0.0.3", false);
        TLogForm *viewer = f.open();
        viewer->btNextClick();
        QCOMPARE(counter(viewer), u"[2/6]"_qs);
        QCOMPARE(viewer->mmLogData->toPlainText(), u"message 5"_qs);

        // Received while the viewer is open: queued and logged.
        QVERIFY(f.session->queueMessage("hostA", "A", "arrived"));
        QTRY_COMPARE(counter(viewer), afterOne);
        QCOMPARE(viewer->mmLogData->toPlainText(), u"message 5"_qs);

        // Sent to three users from a send window while the viewer is open:
        // three records, written in one go.
        TSendForm *w = f.shell->messages().openSendWindow({{"A", "hostA"}, {"B", "hostB"}, {"C", "hostC"}}, u"sent"_qs);
        w->btSendClick();
        QTRY_COMPARE(counter(viewer), afterThree);
        QCOMPARE(viewer->mmLogData->toPlainText(), u"message 5"_qs);
        QCOMPARE(viewer->records().first().LogData, QByteArray("sent"));
        QCOMPARE(viewer->records().at(2).RecvUser, PeerLabel("A", "hostA"));
    }

    void emptyStates_missingEmptyAndUnreadableFiles()
    {
        Fixture f;
        f.sent("to be cleared");
        QFile::remove(f.logPath());
        TLogForm *viewer = f.open();
        QCOMPARE(viewer->view(), TLogForm::View::NoLog);
        QCOMPARE(viewer->windowTitle(), u"Zephinet -ログビューア- [0/0]"_qs);
        QCOMPARE(viewer->mmLogData->toPlainText(), u"記録されているログはありません。"_qs);
        for (QWidget *off :
             std::initializer_list<QWidget *>{viewer->btPrev, viewer->btNext, viewer->mmLogData, viewer->btReSend})
            QVERIFY2(!off->isEnabled(), qPrintable(off->objectName()));
        QVERIFY(viewer->edSendUser->text().isEmpty() && viewer->edSaveDate->text().isEmpty());

        // The first record written while it is open is shown as 1/1.
        f.sent("hello");
        QCOMPARE(counter(viewer), u"[1/1]"_qs);
        QVERIFY(viewer->mmLogData->isEnabled());
        QVERIFY(viewer->btReSend->isEnabled());

        QFile empty(f.logPath());
        QVERIFY(empty.open(QIODevice::WriteOnly | QIODevice::Truncate));
        empty.close();
        viewer->LoadLog();
        QCOMPARE(viewer->view(), TLogForm::View::NoLog);
        QCOMPARE(counter(viewer), u"[0/0]"_qs);

        // A directory where the file should be cannot be read.
        QVERIFY(QFile::remove(f.logPath()));
        QVERIFY(QDir().mkdir(f.logPath()));
        viewer->LoadLog();
        QCOMPARE(viewer->view(), TLogForm::View::InvalidFile);
        QCOMPARE(viewer->windowTitle(), u"Zephinet -ログビューア- [ログオープンエラー]"_qs);
        QCOMPARE(viewer->mmLogData->toPlainText(), u"ログファイルが不正です。"_qs);
        QVERIFY(!viewer->btPrev->isEnabled() && !viewer->btNext->isEnabled() && !viewer->btReSend->isEnabled());
        QVERIFY(viewer->edRecvUser->text().isEmpty());
    }

    void clearing_asksFirstAndEmptiesOnlyOnYes()
    {
        Fixture f;
        f.sent("one");
        f.sent("two");
        TLogForm *viewer = f.open();
        f.frontend.setNextAnswer(Answer::No);
        QTest::mouseClick(viewer->btDelete, Qt::LeftButton);
        QCOMPARE(f.boxes.size(), 1);
        QCOMPARE(f.boxes[0], u"ログをクリアしてもよろしいですか？"_qs);
        QCOMPARE(f.boxFlags[0], mb::IconQuestion | mb::YesNo);
        QVERIFY(QFile::exists(f.logPath()));
        QCOMPARE(counter(viewer), u"[1/2]"_qs);

        QTest::mouseClick(viewer->btDelete, Qt::LeftButton); // answered Yes
        QCOMPARE(f.boxes.size(), 2);
        QVERIFY(!QFile::exists(f.logPath()));
        QCOMPARE(viewer->view(), TLogForm::View::NoLog);
        QCOMPARE(counter(viewer), u"[0/0]"_qs);
        QCOMPARE(viewer->mmLogData->toPlainText(), u"記録されているログはありません。"_qs);
    }

    void sendAgain_toOnlineAndOfflinePeers()
    {
        Fixture f;
        f.write(PeerLabel("old name", "SELF"), PeerLabel("A", "hostA"), "before the rename");
        f.sent(sj(u"二行の\r\nメッセージ"));
        TLogForm *viewer = f.open();
        QCOMPARE(viewer->btReSend->text(), u"再送信(&S)"_qs);
        QVERIFY(viewer->btReSend->isEnabled());

        // The addressee's current handle name comes from the roster.
        f.session->roster().AddOrUpdatePeer("A renamed", "hostA", "10.0.0.1", false);
        QTest::mouseClick(viewer->btReSend, Qt::LeftButton);
        QCOMPARE(f.sendWindows().size(), 1);
        TSendForm *w = f.sendWindows().first();
        QCOMPARE(w->edSendName->text(), u"A renamed"_qs);
        QCOMPARE(w->edSendMachine->text(), u"hostA"_qs);
        QCOMPARE(w->mmSendData->toPlainText(), u"二行の\nメッセージ"_qs);
        const QPointer<TSendForm> guard(w);
        w->btSendClick();
        QTRY_VERIFY(guard.isNull());
        QCOMPARE(f.transport.messages().last(), "ZNMESSAGE:MESSAGE&|10.0.0.1&|SELF&|me&|" + sj(u"二行の\\|メッセージ"));
        QTRY_COMPARE(counter(viewer), u"[2/3]"_qs); // the new record went on top
        QVERIFY(f.boxes.isEmpty());

        // A record written under a former handle name offers neither.
        viewer->btNextClick();
        QCOMPARE(viewer->mmLogData->toPlainText(), u"before the rename"_qs);
        QVERIFY(!viewer->btReSend->isEnabled());

        viewer->btPrevClick();
        f.session->roster().RemovePeer("hostA");
        viewer->btReSendClick();
        QCOMPARE(f.boxes.size(), 1);
        QCOMPARE(f.boxes[0],
                 u"対象となる相手先がオフラインかマシン名が変更されたため、再送信、及び返信することはできません。"_qs);
        QCOMPARE(f.boxFlags[0], mb::IconWarning);
        QVERIFY(f.sendWindows().isEmpty());
    }

    void reply_quotesEachLineWhenAsked_data()
    {
        QTest::addColumn<bool>("quote");
        QTest::addColumn<QString>("text");
        QTest::addRow("ReturnMessagePlus on") << true << u">一行目\n>second line\n"_qs;
        QTest::addRow("ReturnMessagePlus off") << false << QString();
    }
    void reply_quotesEachLineWhenAsked()
    {
        QFETCH(bool, quote);
        QFETCH(QString, text);
        Fixture f;
        f.session->settings.ReturnMessagePlus = quote;
        // A handle name holding "（" still finds the machine after the last one.
        f.session->roster().AddOrUpdatePeer(sj(u"B（仮）"), "hostB", "10.0.0.2", false);
        f.write(PeerLabel(sj(u"B（仮）"), "hostB"), PeerLabel("me", "SELF"), sj(u"一行目\r\nsecond line"));
        TLogForm *viewer = f.open();
        QCOMPARE(viewer->btReSend->text(), u"返信(&S)"_qs);
        viewer->btReSendClick();
        QCOMPARE(f.sendWindows().size(), 1);
        TSendForm *w = f.sendWindows().first();
        QCOMPARE(w->edSendName->text(), u"B（仮）"_qs);
        QCOMPARE(w->edSendMachine->text(), u"hostB"_qs);
        QCOMPARE(w->mmSendData->toPlainText(), text);
        QCOMPARE(w->mmSendData->textCursor().position(), int(text.size()));
        w->close();

        // The sender has left: the offline box, and no window.
        f.session->roster().RemovePeer("hostB");
        viewer->btReSendClick();
        QCOMPARE(f.boxes.size(), 1);
        QCOMPARE(f.boxFlags[0], mb::IconWarning);
        QTRY_VERIFY(f.sendWindows().isEmpty());
    }

    void tenThousandRecords_loadFully()
    {
        Fixture f;
        QByteArray content;
        for (int i = 0; i < 10001; ++i)
            content += "date\r\n" + PeerLabel("A", "hostA") + "\r\n" + PeerLabel("me", "SELF") + "\r\nrecord "
                + QByteArray::number(i) + "\\|line 2\r\n";
        QFile file(f.logPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
        file.close();

        TLogForm *viewer = f.open();
        QCOMPARE(viewer->count(), 10000);
        QCOMPARE(counter(viewer), u"[1/10000]"_qs);
        QCOMPARE(viewer->records().last().LogData, QByteArray("record 9999\r\nline 2"));
        QCOMPARE(viewer->records().at(5000).SendUser, PeerLabel("A", "hostA"));
        QCOMPARE(viewer->mmLogData->toPlainText(), u"record 0\nline 2"_qs);
    }

    void openCommand_reusesTheViewerAndAsksThePasswordOnlyToCreateIt()
    {
        Fixture f("[Security]\r\nPasswordLog=1\r\n");
        bool pass = false;
        bool dialogShowing = false;
        f.shell->messages().setPasswordGate([&](const QString &text) {
            f.prompts.append(text);
            dialogShowing = f.frontend.dialogShowing();
            return pass;
        });
        QAction *mainItem = f.form()->findChild<QAction *>(QStringLiteral("miShowLogShow"));
        QAction *trayItem = f.shell->taskMenuItems().miLogShow;
        QVERIFY(mainItem->isEnabled() && trayItem->isEnabled());

        mainItem->trigger();
        QCOMPARE(f.prompts, QStringList{u"ログビューアを開くにはパスワードが必要です。"_qs});
        QVERIFY(!f.shell->messages().logForm());
        QVERIFY(dialogShowing);
        QVERIFY(!f.frontend.dialogShowing());

        pass = true;
        trayItem->trigger();
        QCOMPARE(f.prompts.size(), 2);
        const QPointer<TLogForm> viewer = f.shell->messages().logForm();
        QVERIFY(viewer && viewer->isVisible());

        // Minimised (into the tray where there is one): the command shows it
        // again, without a prompt and without a second window.
        viewer->showMinimized();
        viewer->hide();
        mainItem->trigger();
        QCOMPARE(f.prompts.size(), 2);
        QCOMPARE(f.shell->messages().logForm(), viewer.data());
        QVERIFY(viewer->isVisible() && !viewer->isMinimized());

        f.form()->miShowFontLargeClick(14);
        QCOMPARE(viewer->mmLogData->font().pointSize(), 14);

        // Closing destroys it and keeps its placement for the next one.
        viewer->move(40, 50);
        viewer->resize(420, 330);
        const QPoint at = viewer->pos();
        QTest::mouseClick(viewer->btOk, Qt::LeftButton);
        QTRY_VERIFY(viewer.isNull());
        QVERIFY(!f.shell->messages().logForm());
        const Placement stored = f.session->readPlacement(PlacementSection::LogForm, {});
        QCOMPARE(QPoint(stored.left, stored.top), at);
        QCOMPARE(QSize(stored.width, stored.height), QSize(420, 330));

        mainItem->trigger();
        QCOMPARE(f.prompts.size(), 3);
        TLogForm *again = f.shell->messages().logForm();
        QVERIFY(again);
        QCOMPARE(again->size(), QSize(420, 330));
        QCOMPARE(again->pos(), at);
        QCOMPARE(again->position(), 0);
    }
};

QTEST_MAIN(tst_LogForm)
#include "tst_logform.moc"
