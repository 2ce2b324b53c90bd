// Names and texts from the network are shown as plain text in every window,
// menu, tip, notice and box that shows them: markup stays visible as typed,
// "&" makes no mnemonic, and the commands of a menu entry reach its peer.
// Everything arrives as datagrams through the session's own reassembly and
// dispatch, and is read back from the real widgets.
#include "app/tmainform.h"
#include "common/codec.h"
#include "desktopfixture.h"
#include "fakeclock.h"
#include "log/logfile.h"
#include "messaging/messagecenter.h"
#include "messaging/thuzaiform.h"
#include "messaging/tlogform.h"
#include "messaging/trecvform.h"
#include "messaging/tsendform.h"
#include "net/netfakes.h"
#include "net/reassembly.h"
#include "net/wire.h"
#include "peers/roster.h"
#include "peers/traymenu.h"
#include "platform/desktopfrontend.h"
#include "platform/tiventform.h"
#include "session/session.h"

#include <QApplication>
#include <QClipboard>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QToolTip>
#include <QTreeView>

using namespace zn;

namespace {

struct Peer {
    QByteArray handle;
    QByteArray machine;
    QByteArray address;
    quint32 ipv4;
};

const Peer Markup{"<b>x</b><img src=x>", "<i>M</i>", "10.0.0.1", 0x0A000001};
const Peer Amp{"A&B", "PC&2", "10.0.0.2", 0x0A000002};
// What "A&B" reads as once its "&" is taken for a mnemonic.
const Peer Decoy{"AB", "PC3", "10.0.0.3", 0x0A000003};
// Blanks that rich text folds, and a tab that a menu takes for its shortcut column.
const Peer Blanks{" x  y\tz ", "PC4", "10.0.0.4", 0x0A000004};

QString text(const QByteArray &bytes)
{
    return cp932::decode(bytes);
}

// What a label shows: its text as it is, or the text of the document it renders.
QString shownBy(const QLabel *label)
{
    if (!label)
        return u"(no label)"_qs;
    const Qt::TextFormat format = label->textFormat();
    if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(label->text())))
        return label->text();
    QTextDocument document;
    document.setHtml(label->text());
    return document.toPlainText().replace(QChar::Nbsp, u' ');
}

// What a menu entry shows: "&&" is one "&", a lone "&" only underlines the
// character after it, and a tab ends the caption (the shortcut column follows).
QString shownBy(const QAction *entry)
{
    const QString caption = entry->text();
    QString out;
    for (qsizetype i = 0; i < caption.size() && caption[i] != u'\t'; ++i) {
        if (caption[i] != u'&')
            out += caption[i];
        else if (i + 1 < caption.size() && caption[i + 1] == u'&')
            out += caption[++i];
    }
    return out;
}

// The tool tip the user list brings up for a pointer resting on the cell.
QString tipShownFor(QTreeView *list, const QModelIndex &index)
{
    QToolTip::hideText();
    const QPoint at = list->visualRect(index).center();
    QHelpEvent event(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &event);
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->inherits("QTipLabel") && w->isVisible())
            return shownBy(static_cast<QLabel *>(w));
    }
    return u"(no tip)"_qs;
}

struct Fixture : test::DesktopFixture {
    std::unique_ptr<TIventForm> notice;

    Fixture() : DesktopFixture("MouseAnimation=0\r\nOnlineCheck=1\r\nRecvCheck=1\r\nOpenCheck=1\r\n", Time::Fake)
    {
        notice = std::make_unique<TIventForm>(session->settings, std::nullopt);
        frontend.setNoticeSink([this](const QString &t, bool important) { notice->ShowEventNotice(t, important); });
        // A box nobody expects must not hang the test; the boxes looked at are shown for real.
        start(Answer::Ok);
        for (const Peer &p : {Markup, Amp, Decoy, Blanks})
            login(p);
        transport.sent.clear();
    }
    ~Fixture()
    {
        shell->stop();
        // Closed windows go once the session they write to is still there.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        frontend.setNoticeSink({});
    }

    void receive(const QByteArray &message, quint32 from)
    {
        for (const QByteArray &datagram : MakeDatagrams(message))
            session->reassembler().ReceiveDatagram(datagram, from);
    }
    void login(const Peer &p, QByteArrayView absenceFlag = "0")
    {
        receive(LoginMessage(p.machine, p.handle, absenceFlag, p.address), p.ipv4);
    }
    QModelIndex cell(const Peer &p, int column) const
    {
        return form()->userList()->model()->index(session->roster().indexOfMachine(p.machine), column);
    }
    bool sentTo(QByteArrayView kind, const Peer &p) const
    {
        const QByteArray start = kind.toByteArray() + "&|" + p.address + "&|";
        for (const QByteArray &m : transport.messages()) {
            if (m.startsWith(start))
                return true;
        }
        return false;
    }
    // Opens the peer submenu as the user does and chooses the entry showing `caption`.
    bool choose(QMenu *menu, const QString &caption)
    {
        emit menu->aboutToShow();
        for (QAction *entry : menu->actions()) {
            if (shownBy(entry) == caption) {
                entry->trigger();
                return true;
            }
        }
        return false;
    }
    // Runs `open`, during which one real message box comes up; gives what the
    // box showed, and closes it.
    QString boxShownBy(const std::function<void()> &open)
    {
        QString shown = u"(no box)"_qs;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            poll.stop();
            shown = shownBy(box->findChild<QLabel *>(u"qt_msgbox_label"_qs));
            box->done(QMessageBox::Ok);
        });
        poll.start();
        frontend.setAutoAnswer(std::nullopt);
        open();
        frontend.setAutoAnswer(Answer::Ok);
        return shown;
    }
};

} // namespace

class TestNetworkText : public QObject {
    Q_OBJECT
private slots:
    void userListAndPeerMenus_showNamesAsTheyAreAndReachTheirPeer();
    void windowsNoticesAndBoxes_showNamesAndTextsAsTheyAre();
};

void TestNetworkText::userListAndPeerMenus_showNamesAsTheyAreAndReachTheirPeer()
{
    Fixture f;
    f.form()->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.form()));
    QTreeView *list = f.form()->userList();
    for (const Peer &p : {Markup, Amp, Blanks}) {
        QCOMPARE(list->model()->data(f.cell(p, 0)).toString(), text(p.handle));
        QCOMPARE(list->model()->data(f.cell(p, 1)).toString(), text(p.machine));
        QCOMPARE(tipShownFor(list, f.cell(p, 1)), text(p.machine));
        // A tab shows as a blank in tips and menus, which have no tab stops.
        QCOMPARE(tipShownFor(list, f.cell(p, 0)), text(p.handle).replace(u'\t', u' '));
    }

    const TaskMenuItems &tray = f.shell->taskMenuItems();
    for (QMenu *menu : {tray.miClipSend, tray.miWindowSend, tray.miHuzaiRecv, f.shell->sendList()}) {
        emit menu->aboutToShow();
        QStringList shown;
        for (const QAction *entry : menu->actions()) {
            shown.append(shownBy(entry));
            QVERIFY2(QKeySequence::mnemonic(entry->text()).isEmpty(), qPrintable(entry->text()));
        }
        shown.sort();
        QStringList expected;
        for (const Peer &p : {Markup, Amp, Decoy, Blanks})
            expected.append(text(p.handle).replace(u'\t', u' '));
        expected.sort();
        QCOMPARE(shown, expected);
    }

    // Each per-peer command chosen on the "A&B" entry reaches that peer, not "AB".
    for (QMenu *menu : {tray.miWindowSend, f.shell->sendList()}) {
        QVERIFY(f.choose(menu, u"A&B"_qs));
        const QList<TSendForm *> windows = test::visibleWindows<TSendForm>();
        QCOMPARE(windows.size(), 1);
        QCOMPARE(windows.first()->edSendName->displayText(), u"A&B"_qs);
        QCOMPARE(windows.first()->edSendMachine->displayText(), u"PC&2"_qs);
        windows.first()->close();
    }
    QGuiApplication::clipboard()->setText(u"from the clipboard"_qs);
    QVERIFY(f.choose(tray.miClipSend, u"A&B"_qs));
    QVERIFY(f.choose(tray.miHuzaiRecv, u"A&B"_qs));
    QVERIFY(f.sentTo(keyword::Message, Amp));
    QVERIFY(f.sentTo(keyword::HuzaiCheck, Amp));
    QVERIFY(!f.sentTo(keyword::Message, Decoy));
    QVERIFY(!f.sentTo(keyword::HuzaiCheck, Decoy));
}

void TestNetworkText::windowsNoticesAndBoxes_showNamesAndTextsAsTheyAre()
{
    Fixture f;
    const auto noticeShows = [&f](const QString &line) {
        return f.notice->isVisible() && shownBy(f.notice->laMessage).split(u'\n').contains(line);
    };
    for (const Peer &p : {Markup, Amp})
        QVERIFY(noticeShows(u"「"_qs + text(p.handle) + u"」はオンライン状態です。"_qs));
    const QByteArray message = "<i>hello</i> & <a href=x>more</a>";
    for (const Peer &p : {Markup, Amp}) {
        const QString name = text(p.handle);
        const QString machine = text(p.machine);

        // A message arrives: the notice, the receive window and the log viewer.
        f.receive(MessageMessage("10.0.0.9", p.machine, p.handle, message), p.ipv4);
        QVERIFY(noticeShows(u"「"_qs + name + u"」からメッセージが届きました。"_qs));
        f.shell->messages().miMessageRecvClick();
        TRecvForm &recv = *f.shell->messages().recvForm();
        QVERIFY(recv.isVisible());
        QCOMPARE(recv.edHandleName->displayText(), name);
        QCOMPARE(recv.edMachineName->displayText(), machine);
        QCOMPARE(recv.mmRecvData->toPlainText(), text(message));
        f.shell->messages().miShowLogShowClick();
        TLogForm *log = f.shell->messages().logForm();
        QVERIFY(log && log->isVisible());
        QCOMPARE(log->edSendUser->displayText(), text(PeerLabel(p.handle, p.machine)));
        QCOMPARE(log->mmLogData->toPlainText(), text(message));
        log->close();

        // The reply's send window, and the box when its addressee went offline.
        recv.btRecv->click();
        const QList<TSendForm *> windows = test::visibleWindows<TSendForm>();
        QCOMPARE(windows.size(), 1);
        TSendForm *send = windows.first();
        QCOMPARE(send->edSendName->displayText(), name);
        QCOMPARE(send->edSendMachine->displayText(), machine);
        recv.hide();
        f.receive(LogoutMessage(p.machine), p.ipv4);
        send->setText(u"reply"_qs);
        QCOMPARE(f.boxShownBy([send] { send->btSendClick(); }),
                 QString(u"「"_qs + name
                         + u"」がオフライン状態になりました。このユーザにメッセージを送信できませんでした。\n"
                           "送信できなかったメッセージは、この送信ウィンドウに残してあります。"_qs));
        send->close(); // the window keeps what it could not send

        // Back, absent: its read confirmation, absence message and "none" answer.
        f.login(p, "1");
        f.receive(OpenCheckMessage("10.0.0.9", p.handle), p.ipv4);
        QVERIFY(noticeShows(u"「"_qs + name + u"」に送信したメッセージが確認されました。"_qs));
        const QByteArray away = "<b>away</b> &amp; back at 3";
        QVERIFY(f.session->askAbsenceMessage(p.address));
        f.receive(HuzaiMessageMessage("10.0.0.9", p.machine, p.handle, away), p.ipv4);
        const QList<THuzaiForm *> absence = test::visibleWindows<THuzaiForm>();
        QCOMPARE(absence.size(), 1);
        QCOMPARE(absence.first()->edHandleName->displayText(), name);
        QCOMPARE(absence.first()->edMachineName->displayText(), machine);
        QCOMPARE(absence.first()->mmRecvData->toPlainText(), text(away));
        absence.first()->close();
        QVERIFY(f.session->askAbsenceMessage(p.address));
        const QByteArray none = HuzaiMessageMessage("10.0.0.9", p.machine, p.handle, "Nothing");
        QCOMPARE(f.boxShownBy([&] { f.receive(none, p.ipv4); }),
                 QString(u"「"_qs + name + u"」は不在ではないか、不在メッセージが設定されていません。"_qs));
        f.notice->close();
    }

    // A field that should be a number quotes what came instead, in the
    // notification window: text from the network opens no box.
    QCOMPARE(f.boxShownBy([&] { f.login(Markup, "<b>1</b>"); }), u"(no box)"_qs);
    QVERIFY(noticeShows(u"'<b>1</b>' は整数ではありません"_qs));
}

QTEST_MAIN(TestNetworkText)
#include "tst_networktext.moc"
