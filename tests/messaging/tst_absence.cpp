// Absence mode through the real windows and the session: the toggle with its
// questions, the absence-message editor, asking absent users and the
// windows that show their answers. Datagrams are recorded, not sent.
#include "app/tmainform.h"
#include "common/codec.h"
#include "desktopfixture.h"
#include "faildevice.h"
#include "fakeclock.h"
#include "messaging/absencecenter.h"
#include "messaging/messagecenter.h"
#include "messaging/thuzaiform.h"
#include "messaging/thuzaisetform.h"
#include "messaging/tsendform.h"
#include "net/netfakes.h"
#include "net/reassembly.h"
#include "net/wire.h"
#include "peers/roster.h"
#include "peers/traymenu.h"
#include "platform/desktopfrontend.h"
#include "platform/trayindicator.h"
#include "session/session.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

using namespace zn;
using zn::test::RecordingTransport;

namespace {

struct Fixture : test::DesktopFixture {
    explicit Fixture(const QByteArray &ini = {}) : DesktopFixture("MouseAnimation=0\r\n" + ini, Time::Fake)
    {
        startAsMe({{"A", "hostA", "10.0.0.1", true},
                   {"B", "hostB", "10.0.0.2", true},
                   {"C", "hostC", "10.0.0.3", false},
                   {"B", "hostB2", "10.0.0.4", false}});
        transport.sent.clear();
    }

    AbsenceCenter &absence() { return shell->absence(); }
    QToolButton *sbHuzai() { return form()->findChild<QToolButton *>(QStringLiteral("sbHuzai")); }
    QAction *action(const char *name) { return form()->findChild<QAction *>(QString::fromLatin1(name)); }
    // The three faces of AbsentMode.
    bool shownAbsent(bool absent)
    {
        return sbHuzai()->isChecked() == absent && action("miSettingHuzaiMode")->isChecked() == absent
            && shell->taskMenuItems().miHuzaiMode->isChecked() == absent;
    }
    QList<QByteArray> sentOf(QByteArrayView kind) const
    {
        QList<QByteArray> out;
        for (const QByteArray &m : transport.messages()) {
            if (m.startsWith(QByteArray(kind.toByteArray() + "&|")))
                out.append(m);
        }
        return out;
    }
    void answer(const QByteArray &source, const QByteArray &machine, const QByteArray &handle, const QByteArray &text)
    {
        emit session->reassembler().messageReceived(HuzaiMessageMessage("10.0.0.9", machine, handle, text), source);
    }
    static QList<THuzaiForm *> absenceWindows()
    {
        QList<THuzaiForm *> out;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *f = qobject_cast<THuzaiForm *>(w); f && f->isVisible())
                out.append(f);
        }
        return out;
    }
    static int editors()
    {
        int n = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            n += qobject_cast<THuzaiSetForm *>(w) && w->isVisible();
        return n;
    }
};

} // namespace

class tst_Absence : public QObject {
    Q_OBJECT
private slots:
    void toggle_questionsAndTheirNoKeepTheButton()
    {
        Fixture f("HuzaiModeCheck=1\r\nHuzaiReturnCheck=1\r\n");
        TrayIndicator &tray = f.shell->tray();
        QVERIFY(f.action("miSettingHuzaiMode")->isEnabled());
        QVERIFY(f.shell->taskMenuItems().miHuzaiMode->isEnabled());

        // No to "absence will be set": still present, button released.
        f.frontend.setNextAnswer(Answer::No);
        f.sbHuzai()->click();
        QCOMPARE(f.boxes.last(), QStringLiteral("不在に設定します。よろしいですか？"));
        QVERIFY(!f.session->local.AbsentMode);
        QVERIFY(f.shownAbsent(false));
        QVERIFY(f.sentOf(keyword::InfoChange).isEmpty());

        // Yes: absent, announced, the tray rests on the absent icon.
        f.sbHuzai()->click();
        QVERIFY(f.session->local.AbsentMode);
        QVERIFY(f.shownAbsent(true));
        QCOMPARE(f.sentOf(keyword::InfoChange), QList<QByteArray>{InfoChangeMessage("SELF", "me", "1", "10.0.0.9")});
        QCOMPARE(tray.toolTip(), QStringLiteral("Zephinet（不在中）"));
        QCOMPARE(tray.shownImage(), 16);

        // No to "absence will be cleared", from the tray menu: still absent.
        f.frontend.setNextAnswer(Answer::No);
        f.shell->taskMenuItems().miHuzaiMode->trigger();
        QCOMPARE(f.boxes.last(), QStringLiteral("不在を解除します。よろしいですか？"));
        QVERIFY(f.session->local.AbsentMode);
        QVERIFY(f.shownAbsent(true));

        // While messages are unread the animation goes on; the state still changes.
        tray.animation().StartTrayAnimation();
        f.action("miSettingHuzaiMode")->trigger();
        QVERIFY(!f.session->local.AbsentMode);
        QVERIFY(f.shownAbsent(false));
        QVERIFY(tray.animation().running());
        QCOMPARE(f.sentOf(keyword::InfoChange).size(), 2);
    }

    void huzaiSetCheck_goesThroughTheEditor()
    {
        Fixture f("HuzaiSetCheck=1\r\n");
        Settings old = f.session->settings;
        old.HuzaiMessage = "old";
        QVERIFY(f.session->applySettings(old, Session::SettingsWrite::HuzaiMessage));
        QStringList applied;
        QObject::connect(
            f.session.get(), &Session::settingsChanged, &f.frontend,
            [&](const Settings &, const Settings &now) { applied.append(cp932::toWidgetText(now.HuzaiMessage)); });

        f.sbHuzai()->click();
        QVERIFY(f.absence().huzaiSetFormOpen());
        QVERIFY(f.shownAbsent(false));
        THuzaiSetForm *editor = f.absence().huzaiSetForm();
        QCOMPARE(editor->mmHuzaiMessage->toPlainText(), u"old"_qs);
        // Again while it is open: only brought to the front.
        f.sbHuzai()->click();
        QCOMPARE(Fixture::editors(), 1);
        QVERIFY(f.shownAbsent(false));
        QVERIFY(!f.session->local.AbsentMode);

        // The reserved sequences are refused, "&|" first; the editor stays.
        editor->mmHuzaiMessage->setPlainText(u"a\\|b&|c"_qs);
        editor->btOk->click();
        QCOMPARE(f.boxes.last(), QStringLiteral("不在通知メッセージ内に「&|」は使用できません。"));
        editor->mmHuzaiMessage->setPlainText(u"a\\|b"_qs);
        editor->btOk->click();
        QCOMPARE(f.boxes.last(), QStringLiteral("不在通知メッセージ内に「\\|」は使用できません。"));
        // A double-byte character whose second byte is 0x5C, then "|": as peers read it.
        editor->mmHuzaiMessage->setPlainText(u"ソ|"_qs);
        editor->btOk->click();
        QCOMPARE(f.boxes.last(), QStringLiteral("不在通知メッセージ内に「\\|」は使用できません。"));
        QVERIFY(f.absence().huzaiSetFormOpen());
        QVERIFY(!f.session->local.AbsentMode);
        QVERIFY(f.sentOf(keyword::InfoChange).isEmpty());

        // A settings file that cannot be written: told, the editor stays with
        // the text, absence and the message in force stay as they were.
        f.session->setSaveDevice(test::FailDevice::opener(test::FailDevice::Commit));
        editor->mmHuzaiMessage->setPlainText(u"not stored"_qs);
        editor->btOk->click();
        QVERIFY2(f.boxes.last().endsWith(u"に書き込めません"_qs), qPrintable(f.boxes.last()));
        QCoreApplication::processEvents();
        QVERIFY(f.absence().huzaiSetFormOpen());
        QCOMPARE(editor->mmHuzaiMessage->toPlainText(), u"not stored"_qs);
        QVERIFY(!f.session->local.AbsentMode);
        QVERIFY(f.shownAbsent(false));
        QVERIFY(f.sentOf(keyword::InfoChange).isEmpty());
        QCOMPARE(f.session->settings.HuzaiMessage, QByteArray("old"));
        QVERIFY(applied.isEmpty());
        f.session->setSaveDevice({});

        // Two lines: stored at once as one line with "\n", absent, announced, closed.
        editor->mmHuzaiMessage->setPlainText(u"外出中\n15時に戻ります"_qs);
        editor->btOk->click();
        QTRY_VERIFY(!f.absence().huzaiSetFormOpen());
        QVERIFY(f.session->local.AbsentMode);
        QVERIFY(f.shownAbsent(true));
        QCOMPARE(f.session->settings.HuzaiMessage, cp932::bytes(u"外出中\r\n15時に戻ります"));
        QCOMPARE(applied, QStringList{u"外出中\n15時に戻ります"_qs});
        QCOMPARE(f.sentOf(keyword::InfoChange).size(), 1);
        QFile ini(f.iniPath());
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray stored = ini.readAll();
        QVERIFY(stored.contains(QByteArray("HuzaiMessage=" + cp932::bytes(u"外出中\\n15時に戻ります") + "\r\n")));
        QVERIFY(stored.contains("[HuzaiSetFormLocate]"));
        // Loaded again, the line break is back.
        Session again(f.frontend, {}, &f.transport);
        again.loadSettings(f.dir.path() + u'/');
        QCOMPARE(again.settings.HuzaiMessage, cp932::bytes(u"外出中\r\n15時に戻ります"));

        // Present again (no question asked), then the editor's cancel changes nothing.
        f.sbHuzai()->click();
        QVERIFY(!f.session->local.AbsentMode);
        f.sbHuzai()->click();
        QVERIFY(f.absence().huzaiSetFormOpen());
        // The options window applies another message, then the one before again.
        const Settings before = f.session->settings;
        Settings fromOptions = before;
        fromOptions.HuzaiMessage = "from the options";
        f.session->applySettings(fromOptions, Session::SettingsWrite::Nothing);
        QCOMPARE(f.absence().huzaiSetForm()->mmHuzaiMessage->toPlainText(), u"from the options"_qs);
        f.session->applySettings(before, Session::SettingsWrite::Nothing);
        f.absence().huzaiSetForm()->btCancel->click();
        QTRY_VERIFY(!f.absence().huzaiSetFormOpen());
        QVERIFY(!f.session->local.AbsentMode);
        QVERIFY(f.shownAbsent(false));
        QCOMPARE(f.session->settings.HuzaiMessage, cp932::bytes(u"外出中\r\n15時に戻ります"));
    }

    void fetch_asksAbsentUsersAndShowsEachAnswer()
    {
        Fixture f("[HuzaiFormLocate]\r\nLeft=40\r\nTop=30\r\nWidth=350\r\nHeight=260\r\n");
        // Selected A (absent) and C (present): only A is asked.
        f.shell->absence().miMessageHuzaiRecvClick(
            {f.session->roster().peers().at(f.session->roster().indexOfMachine("hostA")),
             f.session->roster().peers().at(f.session->roster().indexOfMachine("hostC"))});
        QCOMPARE(f.sentOf(keyword::HuzaiCheck), QList<QByteArray>{HuzaiCheckMessage("10.0.0.1", "10.0.0.9")});
        // The tray submenu asks every user of that handle name, absent or not.
        f.absence().miHuzaiRecvClick("B");
        QCOMPARE(f.sentOf(keyword::HuzaiCheck).size(), 3);
        QVERIFY(f.sentOf(keyword::HuzaiCheck).at(2).startsWith("ZNMESSAGE:HUZAI_CHECK&|10.0.0.4&|"));

        // Nobody asked hostC: dropped.
        f.answer("10.0.0.3", "hostC", "C", "sneaky");
        QVERIFY(Fixture::absenceWindows().isEmpty());
        const QByteArray away = cp932::bytes(u"≪不在メッセージです≫") + "\r\n\r\nout";
        f.answer("10.0.0.1", "hostA", "A", away);
        f.answer("10.0.0.1", "hostA", "A", away); // a second answer to one request
        f.answer("10.0.0.2", "hostB", "B", "lunch\r\n<b>x</b>");
        f.answer("10.0.0.4", "hostB2", "B", "Nothing");
        QCOMPARE(f.boxes.last(), QStringLiteral("「B」は不在ではないか、不在メッセージが設定されていません。"));
        const QList<THuzaiForm *> windows = Fixture::absenceWindows();
        QCOMPARE(windows.size(), 2);
        THuzaiForm *a = windows.at(0)->edMachineName->text() == u"hostA" ? windows.at(0) : windows.at(1);
        THuzaiForm *b = a == windows.at(0) ? windows.at(1) : windows.at(0);
        QCOMPARE(a->edHandleName->text(), u"A"_qs);
        QCOMPARE(a->mmRecvData->toPlainText(), u"≪不在メッセージです≫\n\nout"_qs);
        QCOMPARE(b->mmRecvData->toPlainText(), u"lunch\n<b>x</b>"_qs);
        QCOMPARE(a->windowTitle(), u"Zephinet -不在メッセージ受信-"_qs);
        // The first at the stored placement, the later one a step down and
        // right, so that both can be read.
        QVERIFY(b->x() > a->x() && b->y() > a->y());
        QCOMPARE(a->size(), QSize(350, 260));
        QVERIFY(a->hasListSlot() && b->hasListSlot());
        QCOMPARE(f.absence().huzaiWindows().count(), 2);

        // The font-size command reaches them as it reaches send windows.
        f.form()->miShowFontLargeClick(14);
        QCOMPARE(a->mmRecvData->font().pointSize(), 14);
        QCOMPARE(b->mmRecvData->font().pointSize(), 14);

        // "メッセージ送信(&S)": a send window to that user; the absence window stays.
        a->btSend->click();
        TSendForm *send = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *s = qobject_cast<TSendForm *>(w); s && s->isVisible())
                send = s;
        QVERIFY(send);
        QCOMPARE(send->recipients(), (QList<Recipient>{{"A", "hostA"}}));
        QVERIFY(a->isVisible());
        send->close();

        // "確認(&C)" closes it and gives the slot back.
        a->move(60, 50);
        a->btOk->click();
        QTRY_COMPARE(f.absence().huzaiWindows().count(), 1);
        const Placement stored = f.session->readPlacement(PlacementSection::HuzaiForm, {});
        QCOMPARE(stored.left, 60);
    }

    void fetch_fromTheListIsOfferedForAbsentSelections()
    {
        Fixture f;
        QAction *fetch = f.action("miMessageHuzaiRecv");
        QTreeView *list = f.form()->userList();
        list->selectionModel()->select(list->model()->index(f.session->roster().indexOfMachine("hostC"), 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QVERIFY(!fetch->isEnabled());
        list->selectionModel()->select(list->model()->index(f.session->roster().indexOfMachine("hostB"), 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QVERIFY(fetch->isEnabled());
        fetch->trigger();
        QCOMPARE(f.sentOf(keyword::HuzaiCheck), QList<QByteArray>{HuzaiCheckMessage("10.0.0.2", "10.0.0.9")});
    }
};

QTEST_MAIN(tst_Absence)
#include "tst_absence.moc"
