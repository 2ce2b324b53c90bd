// The connection checks' window in the desktop program: opened from the help
// menu or from the status bar's offer, running the real checks on the
// running copy's socket while the window stays responsive.
#include "app/tmainform.h"
#include "desktopfixture.h"
#include "diagnosis/diagnosis.h"
#include "diagnosis/tdiagnosisform.h"
#include "net/udpservice.h"
#include "net/wire.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>

using namespace zn;
using Fixture = test::DesktopFixture;

class TestDiagnosis : public QObject {
    Q_OBJECT
private slots:
    void menu_runsEveryCheckInOrderWithoutBlocking();
    void lonelyHint_offersTheWindowOnlyWhileNobodyElseIsListed();
};

namespace {
constexpr int CheckTimeoutMs = 30000;

QAction *diagnosisCommand(Fixture &f)
{
    return f.form()->commands().miHelpDiagnosis;
}
} // namespace

void TestDiagnosis::menu_runsEveryCheckInOrderWithoutBlocking()
{
    Fixture f;
    f.startAsMe({});
    const auto sentBefore = f.transport.messages().size();
    diagnosisCommand(f)->trigger();
    TDiagnosisForm *form = f.shell->diagnosisForm();
    QVERIFY(form && form->isVisible());
    QCOMPARE(form->windowTitle(), QStringLiteral("Zephinet -接続の診断-"));
    // The trigger came back before the checks ended: the window is drawn
    // and answers meanwhile.
    QVERIFY(form->diagnosis().isRunning());
    QVERIFY(form->statusLabel()->text().startsWith(QStringLiteral("診断しています。")));
    QVERIFY(!form->findChild<QPushButton *>(QStringLiteral("btRun"))->isEnabled());

    // A copy answers this copy's new announcement, under a name that looks
    // like markup: the window shows it as typed.
    QSignalSpy diagnosed(form, &TDiagnosisForm::diagnosed);
    QTRY_VERIFY_WITH_TIMEOUT(f.transport.messages().size() > sentBefore, CheckTimeoutMs);
    QVERIFY(f.transport.messages().last().startsWith("ZNMESSAGE:LOGIN&|SELF&|"));
    const QByteArray answer = LoginOkMessage("10.0.0.9", "PC2", "<b>bob</b>", "0", "10.0.0.2");
    emit f.session->udp().datagramReceived(MakeDatagrams(answer).first(), 0x0A000002);
    QTRY_VERIFY_WITH_TIMEOUT(diagnosed.size() == 1, CheckTimeoutMs);

    const QString text = form->findingView()->toPlainText();
    qsizetype at = 0;
    for (const QString &title :
         {u"ポート"_qs, u"ネットワークインターフェース"_qs, u"ブロードキャストの経路"_qs, u"ファイアウォール"_qs,
          u"セグメントのZephinet"_qs, u"メッセージを送るマシンのIPアドレス"_qs}) {
        const qsizetype found = text.indexOf(title, at);
        QVERIFY2(found >= 0, qPrintable(title));
        at = found;
    }
    QVERIFY(
        text.contains(QStringLiteral("ポート%1（UDP）はこのZephinetが使っています。").arg(f.session->udp().port())));
    QVERIFY(text.contains(QStringLiteral("<b>bob</b>（PC2）: 10.0.0.2")));
    // Its own announcement went to the recorder, not back to the socket.
    QVERIFY(text.contains(QStringLiteral("自分の告知は戻ってきませんでした。")));
    QVERIFY(form->statusLabel()->text().startsWith(QStringLiteral("問題が")));
    QVERIFY(form->findChild<QPushButton *>(QStringLiteral("btRun"))->isEnabled());
}

void TestDiagnosis::lonelyHint_offersTheWindowOnlyWhileNobodyElseIsListed()
{
    {
        Fixture f;
        f.startAsMe({{"me", "SELF", "10.0.0.9", false}});
        QLabel *hint = f.form()->lonelyHint();
        f.form()->startLonelyWatch(10);
        QTRY_VERIFY(!hint->isHidden());
        QVERIFY(hint->text().contains(QStringLiteral("ほかのユーザが見つかりません。")));
        emit hint->linkActivated(QStringLiteral("diagnosis"));
        QVERIFY(f.shell->diagnosisForm() && f.shell->diagnosisForm()->isVisible());
        // Someone comes: the offer goes, for the rest of the run.
        f.session->roster().AddOrUpdatePeer("bob", "PC2", "10.0.0.2", false);
        QVERIFY(hint->isHidden());
        f.session->roster().RemovePeer("PC2");
        QTest::qWait(50);
        QVERIFY(hint->isHidden());
    }
    Fixture f;
    f.startAsMe({{"me", "SELF", "10.0.0.9", false}, {"bob", "PC2", "10.0.0.2", false}});
    f.form()->startLonelyWatch(10);
    QTest::qWait(100);
    QVERIFY(f.form()->lonelyHint()->isHidden());
}

QTEST_MAIN(TestDiagnosis)
#include "tst_diagnosis.moc"
