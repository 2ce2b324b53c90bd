// The password prompt, AskPassword and the password change dialog.
#include "options/tpasschangeform.h"
#include "options/tpasscheckform.h"
#include "platform/desktopfrontend.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace zn;

namespace {

// Boxes are answered at once and recorded.
struct Boxes {
    DesktopFrontend frontend;
    QStringList texts;
    QList<int> flags;
    Boxes()
    {
        frontend.setAutoAnswer(Answer::Ok);
        QObject::connect(&frontend, &DesktopFrontend::messageBoxShown, &frontend, [this](const QString &t, int f) {
            texts.append(t);
            flags.append(f);
        });
    }
};

const QString Wrong = QStringLiteral("パスワードが違います。");

// Runs AskPassword and types each of `tries` into the prompt in turn, with
// OK after each; after the last, Cancel when `cancelAtEnd`.
struct PromptRun {
    bool passed = false;
    QList<bool> flagWhileOpen;
    QString title;
    QString caption;
    int maxLength = 0;
    QLineEdit::EchoMode echo = QLineEdit::Normal;
};

PromptRun runPrompt(Boxes &boxes, const QByteArray &password, const QStringList &tries, bool cancelAtEnd,
                    bool viaEnter = false)
{
    PromptRun run;
    bool showing = false;
    QTimer::singleShot(0, &boxes.frontend, [&] {
        auto *prompt = qobject_cast<TPassCheckForm *>(QApplication::activeModalWidget());
        QVERIFY(prompt);
        run.title = prompt->laTitle->text();
        run.caption = prompt->windowTitle();
        run.maxLength = prompt->edPassword->maxLength();
        run.echo = prompt->edPassword->echoMode();
        for (const QString &typed : tries) {
            if (!prompt->isVisible())
                return;
            run.flagWhileOpen.append(showing);
            prompt->edPassword->setText(typed);
            if (viaEnter)
                QTest::keyClick(prompt->edPassword, Qt::Key_Return);
            else
                prompt->btOk->click();
        }
        if (cancelAtEnd && prompt->isVisible())
            prompt->btCancel->click();
    });
    run.passed = AskPassword(QStringLiteral("ログビューアを開くにはパスワードが必要です。"), password, boxes.frontend,
                             [&showing](bool s) { showing = s; });
    if (showing)
        run.flagWhileOpen.append(true); // never cleared: reported as a failure below
    return run;
}

} // namespace

class TestPasswordForms : public QObject {
    Q_OBJECT
private slots:
    void prompt_rightPasswordPasses();
    void prompt_wrongThenRightPasses();
    void prompt_cancelAndCloseBoxFail();
    void prompt_emptyPasswordEmptyEntryPasses();
    void prompt_isCaseSensitiveAndExact();
    void change_needsCurrentPassword();
    void change_mismatchKeepsOld();
    void change_emptyNewRemovesPassword();
    void change_cancelChangesNothing();
    void change_enterInAnyEditSets();
    void change_characterWithoutCp932Form_refused();
};

void TestPasswordForms::prompt_rightPasswordPasses()
{
    Boxes boxes;
    const PromptRun run = runPrompt(boxes, "s3cret", {QStringLiteral("s3cret")}, false);
    QVERIFY(run.passed);
    QVERIFY(boxes.texts.isEmpty());
    QCOMPARE(run.title, QStringLiteral("ログビューアを開くにはパスワードが必要です。"));
    QCOMPARE(run.caption, QStringLiteral("Zephinet -パスワード確認-"));
    QCOMPARE(run.maxLength, 32);
    QCOMPARE(run.echo, QLineEdit::Password);
    QCOMPARE(run.flagWhileOpen, QList<bool>{true});
    // Enter in the edit is OK.
    QVERIFY(runPrompt(boxes, "s3cret", {QStringLiteral("s3cret")}, false, true).passed);
}

void TestPasswordForms::prompt_wrongThenRightPasses()
{
    Boxes boxes;
    const PromptRun run =
        runPrompt(boxes, "pw", {QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("pw")}, false);
    QVERIFY(run.passed);
    QCOMPARE(boxes.texts, QStringList({Wrong, Wrong}));
    QCOMPARE(boxes.flags.first(), mb::Ok | mb::IconWarning);

    // After a wrong try the typed text is selected for the next one.
    TPassCheckForm prompt("pw", boxes.frontend);
    prompt.show();
    prompt.edPassword->setText(QStringLiteral("wrong"));
    prompt.btOkClick();
    QCOMPARE(prompt.edPassword->selectedText(), QStringLiteral("wrong"));
    QVERIFY(!prompt.passwordPassed());
    QVERIFY(prompt.isVisible());
}

void TestPasswordForms::prompt_cancelAndCloseBoxFail()
{
    Boxes boxes;
    const PromptRun run = runPrompt(boxes, "pw", {QStringLiteral("nope")}, true);
    QVERIFY(!run.passed);
    QCOMPARE(boxes.texts, QStringList{Wrong});
    QCOMPARE(run.flagWhileOpen, QList<bool>{true}); // and cleared after

    bool closed = false;
    QTimer::singleShot(0, &boxes.frontend, [&closed] {
        QWidget *prompt = QApplication::activeModalWidget();
        QVERIFY(prompt);
        closed = prompt->close();
    });
    QVERIFY(!AskPassword(QStringLiteral("t"), "pw", boxes.frontend, {}));
    QVERIFY(closed);
}

void TestPasswordForms::prompt_emptyPasswordEmptyEntryPasses()
{
    Boxes boxes;
    QVERIFY(runPrompt(boxes, {}, {QString()}, false).passed);
    QVERIFY(!runPrompt(boxes, {}, {QStringLiteral(" ")}, true).passed);
}

void TestPasswordForms::prompt_isCaseSensitiveAndExact()
{
    Boxes boxes;
    const QByteArray password = "Pass\x83\x5c"; // "Passソ" in CP932
    QVERIFY(!runPrompt(boxes, password, {QStringLiteral("passソ")}, true).passed);
    QVERIFY(!runPrompt(boxes, password, {QStringLiteral("Passソ ")}, true).passed);
    QVERIFY(runPrompt(boxes, password, {QStringLiteral("Passソ")}, false).passed);
    // A character without a CP932 form matches nothing, not even a "?".
    QVERIFY(!runPrompt(boxes, "?", {QStringLiteral("😀")}, true).passed);
}

void TestPasswordForms::change_needsCurrentPassword()
{
    Boxes boxes;
    QByteArray password = "old";
    TPassChangeForm change(password, boxes.frontend);
    change.show();
    QCOMPARE(change.windowTitle(), QStringLiteral("Zephinet -パスワード設定-"));
    QVERIFY(change.findChild<QGroupBox *>(QStringLiteral("gbPassCheck"))->isVisible());
    for (QLineEdit *edit : {change.edOldPass, change.edNewPass, change.edNewPassCheck}) {
        QCOMPARE(edit->maxLength(), 32);
        QCOMPARE(edit->echoMode(), QLineEdit::Password);
    }
    change.edOldPass->setText(QStringLiteral("OLD"));
    change.edNewPass->setText(QStringLiteral("new"));
    change.edNewPassCheck->setText(QStringLiteral("new"));
    change.btSetteiClick();
    QCOMPARE(boxes.texts, QStringList{Wrong});
    QCOMPARE(change.focusWidget(), change.edOldPass);
    QCOMPARE(password, QByteArray("old"));
    QVERIFY(change.isVisible());

    change.edOldPass->setText(QStringLiteral("old"));
    change.btSetteiClick();
    QCOMPARE(password, QByteArray("new"));
    QCOMPARE(change.result(), int(QDialog::Accepted));

    // Without a password none is asked for: the first one is set at once.
    QByteArray none;
    TPassChangeForm first(none, boxes.frontend);
    first.show();
    QVERIFY(!first.findChild<QGroupBox *>(QStringLiteral("gbPassCheck"))->isVisible());
    QVERIFY(!first.edOldPass->isVisible());
    QCOMPARE(first.focusWidget(), first.edNewPass);
    first.edNewPass->setText(QStringLiteral("set"));
    first.edNewPassCheck->setText(QStringLiteral("set"));
    first.btSetteiClick();
    QCOMPARE(none, QByteArray("set"));
}

void TestPasswordForms::change_mismatchKeepsOld()
{
    Boxes boxes;
    QByteArray password = "old";
    TPassChangeForm change(password, boxes.frontend);
    change.show();
    change.edOldPass->setText(QStringLiteral("old"));
    change.edNewPass->setText(QStringLiteral("new1"));
    change.edNewPassCheck->setText(QStringLiteral("new2"));
    change.btSetteiClick();
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("新しいパスワードの設定と確認パスワードの入力が違います。")});
    QCOMPARE(boxes.flags.first(), mb::Ok | mb::IconWarning);
    QCOMPARE(change.focusWidget(), change.edNewPass);
    QCOMPARE(password, QByteArray("old"));
    QVERIFY(change.isVisible());
}

void TestPasswordForms::change_emptyNewRemovesPassword()
{
    Boxes boxes;
    QByteArray password = "old";
    TPassChangeForm change(password, boxes.frontend);
    change.edOldPass->setText(QStringLiteral("old"));
    change.btSetteiClick();
    QVERIFY(boxes.texts.isEmpty());
    QVERIFY(password.isEmpty());
}

void TestPasswordForms::change_cancelChangesNothing()
{
    Boxes boxes;
    QByteArray password = "old";
    TPassChangeForm change(password, boxes.frontend);
    change.edOldPass->setText(QStringLiteral("old"));
    change.edNewPass->setText(QStringLiteral("n"));
    change.edNewPassCheck->setText(QStringLiteral("n"));
    change.btCancel->click();
    QCOMPARE(change.result(), int(QDialog::Rejected));
    QCOMPARE(password, QByteArray("old"));
}

void TestPasswordForms::change_enterInAnyEditSets()
{
    Boxes boxes;
    for (int which = 0; which < 3; ++which) {
        QByteArray password = "a";
        TPassChangeForm change(password, boxes.frontend);
        change.show();
        change.edOldPass->setText(QStringLiteral("a"));
        change.edNewPass->setText(QStringLiteral("b"));
        change.edNewPassCheck->setText(QStringLiteral("b"));
        QLineEdit *edits[] = {change.edOldPass, change.edNewPass, change.edNewPassCheck};
        QTest::keyClick(edits[which], Qt::Key_Return);
        QCOMPARE(password, QByteArray("b"));
    }
}

void TestPasswordForms::change_characterWithoutCp932Form_refused()
{
    Boxes boxes;
    QByteArray password;
    TPassChangeForm change(password, boxes.frontend);
    change.show();
    change.edNewPass->setText(QStringLiteral("a😀"));
    change.edNewPassCheck->setText(QStringLiteral("a😀"));
    change.btSetteiClick();
    QCOMPARE(boxes.texts.size(), 1);
    QVERIFY(boxes.texts.first().contains(QStringLiteral("😀")) || boxes.texts.first().contains(QStringLiteral("1F600")));
    QCOMPARE(change.focusWidget(), change.edNewPass);
    QVERIFY(password.isEmpty());
}

QTEST_MAIN(TestPasswordForms)
#include "tst_passwordforms.moc"
