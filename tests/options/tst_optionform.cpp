// The options window through its controls: filling, change tracking, the
// apply checks in their order, the copy into the settings and the file,
// the broadcast, the tray menu, the extra addresses, the choosers, the
// sound tests, the password button, the keys, the help topics and the one
// window that the menus open.
#include "app/tmainform.h"
#include "common/codec.h"
#include "common/ipv4.h"
#include "desktopfixture.h"
#include "faildevice.h"
#include "net/netfakes.h"
#include "net/wire.h"
#include "options/helpcontexts.h"
#include "options/optionformopener.h"
#include "options/toptionform.h"
#include "options/tpasschangeform.h"
#include "options/tpasscheckform.h"
#include "peers/traymenu.h"
#include "platform/desktopfrontend.h"
#include "platform/eventsound.h"
#include "session/session.h"
#include "settings/scramble.h"
#include "settings/sendiplist.h"
#include "settings/settingsstore.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace zn;
using zn::test::FailDevice;
using zn::test::RecordingTransport;

namespace {

class RecordingSound final : public SoundOutput {
public:
    explicit RecordingSound(QStringList &played) : m_played(played) {}
    void beep() override { m_played.append(QStringLiteral("beep")); }
    void playFile(const QString &path) override { m_played.append(path); }

private:
    QStringList &m_played;
};

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A loaded session over a settings file of its own, and its options window.
struct Fixture {
    QTemporaryDir dir;
    DesktopFrontend frontend;
    RecordingTransport transport;
    std::unique_ptr<Session> session;
    QMenu trayMenu;
    TaskMenuItems tray;
    QPointer<TOptionForm> form;
    QStringList boxes;
    QList<int> boxFlags;
    QStringList played;

    explicit Fixture(const QByteArray &ini = {})
    {
        QFile file(iniPath());
        if (file.open(QIODevice::WriteOnly))
            file.write("[LocalSetting]\r\nHandleName=alice\r\nPortNo=50000\r\n" + ini);
        file.close();
        session = std::make_unique<Session>(frontend, QStringList(), &transport);
        session->loadSettings(dir.path() + u'/');
        session->local.MachineName = "SELF";
        session->local.Address = "10.0.0.9";
        QObject::connect(&frontend, &DesktopFrontend::messageBoxShown, &frontend,
                         [this](const QString &text, int flags) {
                             boxes.append(text);
                             boxFlags.append(flags);
                         });
        frontend.setAutoAnswer(Answer::Ok);
        fillTaskMenu(&trayMenu, tray, session->settings);
        followTaskMenuVisibility(*session, tray, &trayMenu);
        open();
    }
    ~Fixture() { delete form.data(); }

    void open()
    {
        form = new TOptionForm(*session, frontend);
        form->setSoundOutput(std::make_unique<RecordingSound>(played));
        form->show();
    }
    QString iniPath() const { return dir.filePath(QStringLiteral("Zephinet.INI")); }
    QByteArray ini() const { return readFile(iniPath()); }
    Settings stored() const { return SettingsStore(iniPath()).load("SELF", dir.path() + u'/'); }
    QList<QByteArray> infoChanges() const
    {
        QList<QByteArray> out;
        for (const QByteArray &m : transport.messages()) {
            if (m.startsWith(QByteArray(keyword::InfoChange.toByteArray() + "&|")))
                out.append(m);
        }
        return out;
    }
    void press(QWidget *widget, Qt::Key key) { QTest::keyClick(widget, key); }
};

// One refused value: how to make it, the warning, the page and the control shown.
struct Refusal {
    const char *name;
    std::function<void(TOptionForm &)> edit;
    QString message;
    const char *page;
    const char *control;
};

const QList<Refusal> &refusals()
{
    static const QList<Refusal> cases = {
        {"blank handle name", [](TOptionForm &f) { f.edHandleName->setText(QStringLiteral("  \t ")); },
         QStringLiteral("ハンドル名を指定してください。"), "tsLocal", "edHandleName"},
        {"field separator in handle", [](TOptionForm &f) { f.edHandleName->setText(QStringLiteral("a&|b")); },
         QStringLiteral("ハンドル名に「&|」は使用できません。"), "tsLocal", "edHandleName"},
        {"escape in handle", [](TOptionForm &f) { f.edHandleName->setText(QStringLiteral("a\\|b")); },
         QStringLiteral("ハンドル名に「\\|」は使用できません。"), "tsLocal", "edHandleName"},
        // "ソ" is 83 5C: its second byte and the "|" read as "\|" on the wire.
        {"escape hidden in a double-byte character",
         [](TOptionForm &f) { f.edHandleName->setText(QStringLiteral("ソ|")); },
         QStringLiteral("ハンドル名に「\\|」は使用できません。"), "tsLocal", "edHandleName"},
        {"semicolon in handle", [](TOptionForm &f) { f.edHandleName->setText(QStringLiteral("a;b")); },
         QStringLiteral("ハンドル名に「;」は使用できません。"), "tsLocal", "edHandleName"},
        {"handle without a CP932 form", [](TOptionForm &f) { f.edHandleName->setText(QStringLiteral("a😀")); },
         cp932::unencodableMessage(QStringLiteral("😀")), "tsLocal", "edHandleName"},
        {"log size abc while logging", [](TOptionForm &f) { f.edLogFileSize->setText(QStringLiteral("abc")); },
         QStringLiteral("ログファイルサイズは0～9999までの数値で設定してください。"), "tsLog", "edLogFileSize"},
        {"negative log size", [](TOptionForm &f) { f.edLogFileSize->setText(QStringLiteral("-1")); },
         QStringLiteral("ログファイルサイズは0～9999までの数値で設定してください。"), "tsLog", "edLogFileSize"},
        {"port 80", [](TOptionForm &f) { f.edPortNo->setText(QStringLiteral("80")); },
         QStringLiteral("ポート番号は1024～65535までの数値で設定してください。"), "tsNetwork", "edPortNo"},
        {"port 65536", [](TOptionForm &f) { f.edPortNo->setText(QStringLiteral("65536")); },
         QStringLiteral("ポート番号は1024～65535までの数値で設定してください。"), "tsNetwork", "edPortNo"},
        {"port empty", [](TOptionForm &f) { f.edPortNo->clear(); },
         QStringLiteral("ポート番号は1024～65535までの数値で設定してください。"), "tsNetwork", "edPortNo"},
        {"separator in absence message",
         [](TOptionForm &f) { f.mmHuzaiMessage->setPlainText(QStringLiteral("line\nx&|y")); },
         QStringLiteral("不在通知メッセージ内に「&|」は使用できません。"), "tsLocal", "mmHuzaiMessage"},
        {"escape in absence message", [](TOptionForm &f) { f.mmHuzaiMessage->setPlainText(QStringLiteral("x\\|y")); },
         QStringLiteral("不在通知メッセージ内に「\\|」は使用できません。"), "tsLocal", "mmHuzaiMessage"},
        {"auto-close 0 while closing",
         [](TOptionForm &f) {
             f.cbAutoClose->setChecked(true);
             f.edAutoClose->setText(QStringLiteral("0"));
         },
         QStringLiteral("待機秒数は1～99までの数値で設定してください。"), "tsIvent", "edAutoClose"},
        // Two bad values: the earlier check speaks.
        {"handle before port",
         [](TOptionForm &f) {
             f.edPortNo->setText(QStringLiteral("80"));
             f.edHandleName->setText(QStringLiteral("a;b"));
         },
         QStringLiteral("ハンドル名に「;」は使用できません。"), "tsLocal", "edHandleName"},
        {"log size before port",
         [](TOptionForm &f) {
             f.edPortNo->setText(QStringLiteral("80"));
             f.edLogFileSize->setText(QStringLiteral("x"));
         },
         QStringLiteral("ログファイルサイズは0～9999までの数値で設定してください。"), "tsLog", "edLogFileSize"},
        {"port before absence message",
         [](TOptionForm &f) {
             f.mmHuzaiMessage->setPlainText(QStringLiteral("&|"));
             f.edPortNo->setText(QStringLiteral("x"));
         },
         QStringLiteral("ポート番号は1024～65535までの数値で設定してください。"), "tsNetwork", "edPortNo"},
        {"absence message before auto-close",
         [](TOptionForm &f) {
             f.cbAutoClose->setChecked(true);
             f.edAutoClose->setText(QStringLiteral("0"));
             f.mmHuzaiMessage->setPlainText(QStringLiteral("\\|"));
         },
         QStringLiteral("不在通知メッセージ内に「\\|」は使用できません。"), "tsLocal", "mmHuzaiMessage"},
    };
    return cases;
}

} // namespace

class TestOptionForm : public QObject {
    Q_OBJECT
private slots:
    void show_fillsFromSettings_applyDisabled();
    void changes_enableApply_data();
    void changes_enableApply();
    void apply_refused_data();
    void apply_refused();
    void apply_copiesTrimsAndWrites();
    void apply_uncheckedLogAndAutoClose_restoreBadNumbers();
    void apply_desktopNotification_staysTheDesktopsUntilChanged();
    void apply_language_followsTheDesktopUntilChosen();
    void apply_directSend_unwrittenUntilChanged();
    void apply_portChange_infoOncePerApply();
    void apply_broadcastsInfoChangeEveryTime();
    void apply_trayItemsFollowAtOnce();
    void apply_failedWrite_keepsApplyEnabledAndWindowOpen();
    void apply_keepsBytesOfUntouchedTexts();
    void addresses_data();
    void addresses();
    void addresses_listThatNoLongerFits_refused();
    void addresses_deleteAsksAndRemovesSelected();
    void keys_enterIsOkDeleteRemovesEnterAdds();
    void huzaiMessage_stopsAt1000Characters();
    void choosers_logGetsExtensionSoundRowGetsFile();
    void soundTest_playsRowFileWhateverTheSetting();
    void passwordChange_inMemoryAtOnceFileWithApply();
    void cancel_dropsChanges_nextOpeningStartsFromSettings();
    void help_everyListedControlHasItsTopic();
    void opener_oneWindowPasswordOnlyWhenNone();
    void opener_menusOpenTheWindow();
};

void TestOptionForm::show_fillsFromSettings_applyDisabled()
{
    Fixture f("HuzaiMessage=out\\nback soon\r\nSendIP=1.2.3.4&|5.6.7.8&|\r\nLogSave=0\r\nIventSound=1\r\n"
              "AutoClose=0\r\nTaskAnimation=2\r\nMouseAnimation=0\r\nSendSelfCheck=0\r\n"
              "[Security]\r\nPasswordLog=1\r\n");
    TOptionForm &o = *f.form;
    QCOMPARE(o.windowTitle(), QStringLiteral("Zephinet -オプション-"));
    QCOMPARE(o.pcOption->currentWidget(), o.tsLocal);
    QVERIFY(!o.btTekiyo->isEnabled());
    QCOMPARE(o.edHandleName->text(), QStringLiteral("alice"));
    QCOMPARE(o.edMachineName->text(), QStringLiteral("SELF"));
    QVERIFY(o.edMachineName->isReadOnly());
    QVERIFY(o.edIPAddress->text().isEmpty()); // the socket did not start
    QCOMPARE(o.mmHuzaiMessage->toPlainText(), QStringLiteral("out\nback soon"));
    QCOMPARE(o.lbSendIP->count(), 2);
    QCOMPARE(o.lbSendIP->item(1)->text(), QStringLiteral("5.6.7.8"));
    QVERIFY(o.edAddSendIP->text().isEmpty());
    QVERIFY(!o.btAddSendIP->isEnabled());
    QCOMPARE(o.edPortNo->text(), QStringLiteral("50000"));
    QVERIFY(!o.cbSendSelfCheck->isChecked());
    QVERIFY(o.cbClipRecvInfo->isChecked());
    QVERIFY(o.cbPasswordLog->isChecked());
    QCOMPARE(o.cbTaskAnimation->currentIndex(), 2);
    QCOMPARE(o.cbMouseAnimation->currentIndex(), 0);
    // Logging off: its labels grey, its controls disabled.
    for (QWidget *w : std::initializer_list<QWidget *>{o.laLogFile, o.laLogSize1, o.laLogSize2, o.edLogFileName,
                                                       o.btLogSansyo, o.edLogFileSize})
        QVERIFY2(!w->isEnabled(), qPrintable(w->objectName()));
    QVERIFY(!o.edAutoClose->isEnabled());
    QVERIFY(!o.cbExclamationAutoClose->isEnabled());
    QVERIFY(o.rbIventSoundWave->isChecked());
    for (int i = 0; i < 3; ++i)
        QVERIFY(o.edSound[size_t(i)]->isEnabled() && o.btSoundTest[size_t(i)]->isEnabled());
    QVERIFY(!o.edPassword->isEnabled());
    QCOMPARE(o.edPassword->echoMode(), QLineEdit::Password);

    // Dependent enabling follows the boxes.
    o.cbLogSave->setChecked(true);
    QVERIFY(o.edLogFileName->isEnabled() && o.laLogSize2->isEnabled());
    o.cbAutoClose->setChecked(true);
    QVERIFY(o.edAutoClose->isEnabled() && o.cbExclamationAutoClose->isEnabled());
    o.rbIventSoundBeep->setChecked(true);
    QVERIFY(!o.edSound[0]->isEnabled() && !o.btSansyo[2]->isEnabled() && !o.laSound[1]->isEnabled());
}

void TestOptionForm::changes_enableApply_data()
{
    QTest::addColumn<int>("which");
    const char *names[] = {"handle name",   "absence message", "check box", "radio button", "drop-down list",
                           "address added", "address deleted", "port",      "sound file",   "absence editor text"};
    for (int i = 0; i < int(std::size(names)); ++i)
        QTest::addRow("%s", names[i]) << i;
}

void TestOptionForm::changes_enableApply()
{
    QFETCH(int, which);
    Fixture f("SendIP=1.2.3.4&|\r\n");
    TOptionForm &o = *f.form;
    QVERIFY(!o.btTekiyo->isEnabled());
    switch (which) {
    case 0: QTest::keyClicks(o.edHandleName, QStringLiteral("x")); break;
    case 1: QTest::keyClicks(o.mmHuzaiMessage, QStringLiteral("x")); break;
    case 2: o.cbRecvDateHide->click(); break;
    case 3: o.rbIventSoundBeep->click(); break;
    case 4: o.cbMouseAnimation->setCurrentIndex(2); break;
    case 5:
        o.edAddSendIP->setText(QStringLiteral("10.1"));
        QVERIFY(!o.btTekiyo->isEnabled()); // typing an address is no change yet
        o.btAddSendIP->click();
        break;
    case 6:
        o.lbSendIP->item(0)->setSelected(true);
        f.frontend.setNextAnswer(Answer::Yes);
        o.btDeleteSendIP->click();
        break;
    case 7:
        o.edPortNo->selectAll();
        QTest::keyClicks(o.edPortNo, QStringLiteral("50000"));
        break;
    case 8: o.edSound[1]->setText(QStringLiteral("/x.wav")); break;
    case 9: o.setHuzaiMessage("edited"); break;
    }
    QVERIFY(o.btTekiyo->isEnabled());
    QVERIFY(o.btTekiyoClick());
    QVERIFY(!o.btTekiyo->isEnabled());
}

void TestOptionForm::apply_refused_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < refusals().size(); ++i)
        QTest::addRow("%s", refusals()[i].name) << i;
}

void TestOptionForm::apply_refused()
{
    QFETCH(int, index);
    const Refusal &r = refusals()[index];
    Fixture f;
    TOptionForm &o = *f.form;
    const Settings before = f.session->settings;
    const QByteArray fileBefore = f.ini();
    r.edit(o);
    o.pcOption->setCurrentWidget(o.tsSound);
    // OK with a refused value leaves the window open on the page of the bad control.
    o.btSetteiClick();
    QCOMPARE(f.boxes, QStringList{r.message});
    QCOMPARE(f.boxFlags.first(), mb::Ok | mb::IconWarning);
    QCOMPARE(o.pcOption->currentWidget()->objectName(), QString::fromLatin1(r.page));
    QVERIFY(o.focusWidget());
    QCOMPARE(o.focusWidget()->objectName(), QString::fromLatin1(r.control));
    QVERIFY(f.form);
    QVERIFY(o.isVisible());
    QVERIFY(o.btTekiyo->isEnabled());
    // Nothing copied, sent or written.
    QVERIFY(f.session->settings == before);
    QCOMPARE(f.ini(), fileBefore);
    QVERIFY(f.infoChanges().isEmpty());
}

void TestOptionForm::apply_copiesTrimsAndWrites()
{
    Fixture f;
    TOptionForm &o = *f.form;
    o.edHandleName->setText(QStringLiteral("  山田 太郎 \t"));
    o.mmHuzaiMessage->setPlainText(QStringLiteral("会議中\n15時に戻ります"));
    o.cbStartShow->setChecked(true);
    o.cbClipRecvInfo->setChecked(false);
    o.cbPasswordRecv->setChecked(true);
    o.edLogFileName->setText(QStringLiteral("/tmp/other.ZNG"));
    o.edLogFileSize->setText(QStringLiteral("0"));
    o.edPortNo->setText(QStringLiteral("1024"));
    o.edAddSendIP->setText(QStringLiteral("192.168.1.010"));
    o.btAddSendIPClick();
    o.edAddSendIP->setText(QStringLiteral("10.1"));
    o.btAddSendIPClick();
    o.cbAutoClose->setChecked(true);
    o.edAutoClose->setText(QStringLiteral("99"));
    o.cbExclamationAutoClose->setChecked(true);
    o.rbIventSoundWave->setChecked(true);
    o.edSound[2]->setText(QStringLiteral("/sounds/in.wav"));
    o.cbTaskAnimation->setCurrentIndex(0);
    o.cbMouseAnimation->setCurrentIndex(2);
    QSignalSpy applied(&o, &TOptionForm::settingsApplied);

    QVERIFY(o.btTekiyoClick());
    const Settings &s = f.session->settings;
    QCOMPARE(s.HandleName, cp932::bytes(u"山田 太郎"));
    QCOMPARE(s.HuzaiMessage, cp932::bytes(u"会議中\r\n15時に戻ります"));
    QVERIFY(s.StartShow && !s.ClipRecvInfo && s.PasswordRecv);
    QCOMPARE(s.LogFileName, QStringLiteral("/tmp/other.ZNG"));
    QCOMPARE(s.LogFileMaxCount, 0);
    QCOMPARE(s.PortNo, quint16(1024));
    QCOMPARE(s.ActivePortNo, quint16(50000)); // the socket keeps its port until the next start
    QCOMPARE(s.SendIP, QByteArray("192.168.1.8&|10.0.0.1&|"));
    QVERIFY(s.AutoClose && s.ExclamationAutoClose);
    QCOMPARE(s.AutoCloseTimer, quint8(99));
    QVERIFY(s.IventSound && !s.SoundBeep);
    QCOMPARE(s.SoundFiles[2], QStringLiteral("/sounds/in.wav"));
    QCOMPARE(s.TaskAnimation, 0);
    QCOMPARE(s.MouseAnimation, 2);
    QCOMPARE(applied.size(), 1);
    QCOMPARE(applied.first().at(0).value<Settings>().HandleName, QByteArray("alice"));
    QCOMPARE(applied.first().at(1).value<Settings>().HandleName, cp932::bytes(u"山田 太郎"));

    // The file holds what the settings hold; the next start reads the same.
    Settings stored = f.stored();
    stored.ActivePortNo = s.ActivePortNo;
    stored.Size = s.Size;
    QVERIFY(stored == s);
    QVERIFY(!o.btTekiyo->isEnabled());
    QVERIFY(o.isVisible()); // apply keeps the window open

    // Applying with nothing changed still rewrites the settings file: the
    // password is scrambled with a new key, and the keys are written again.
    QFile::remove(f.iniPath());
    QVERIFY(o.btTekiyoClick());
    QVERIFY(f.ini().contains("HandleName="));
}

void TestOptionForm::apply_uncheckedLogAndAutoClose_restoreBadNumbers()
{
    Fixture f("LogSave=0\r\nLogFileMaxCount=250\r\nAutoClose=0\r\nAutoCloseTimer=7\r\n");
    TOptionForm &o = *f.form;
    o.edLogFileSize->setText(QStringLiteral("abc"));
    o.edAutoClose->setText(QStringLiteral("0"));
    QVERIFY(o.btTekiyoClick());
    QVERIFY(f.boxes.isEmpty());
    QCOMPARE(o.edLogFileSize->text(), QStringLiteral("250"));
    QCOMPARE(o.edAutoClose->text(), QStringLiteral("7"));
    QCOMPARE(f.session->settings.LogFileMaxCount, 250);
    QCOMPARE(f.session->settings.AutoCloseTimer, quint8(7));
}

void TestOptionForm::apply_desktopNotification_staysTheDesktopsUntilChanged()
{
    // Never chosen: the box shows this desktop's default (the window, off
    // Wayland), and an apply that leaves it keeps the choice unmade.
    Fixture f;
    TOptionForm &o = *f.form;
    QVERIFY(!o.cbDesktopNotification->isChecked());
    o.cbStartShow->setChecked(true);
    QVERIFY(o.btTekiyoClick());
    QCOMPARE(f.stored().DesktopNotification, -1);
    o.cbDesktopNotification->setChecked(true);
    QVERIFY(o.btTekiyoClick());
    QCOMPARE(f.session->settings.DesktopNotification, 1);
    QCOMPARE(f.stored().DesktopNotification, 1);
    o.cbDesktopNotification->setChecked(false);
    QVERIFY(o.btTekiyoClick());
    QCOMPARE(f.stored().DesktopNotification, 0);

    Fixture chosen("DesktopNotification=1\r\n");
    QVERIFY(chosen.form->cbDesktopNotification->isChecked());
}

void TestOptionForm::apply_language_followsTheDesktopUntilChosen()
{
    // Untouched, the file gains no key: older copies' files keep their bytes.
    Fixture f;
    TOptionForm &o = *f.form;
    QCOMPARE(o.cbLanguage->currentIndex(), 0);
    o.cbStartShow->setChecked(true);
    QVERIFY(o.btTekiyoClick());
    QVERIFY(!f.ini().contains("Language"));
    QVERIFY(f.boxes.isEmpty());
    o.cbLanguage->setCurrentIndex(2);
    QVERIFY(o.btTekiyoClick());
    QCOMPARE(f.session->settings.Language, 1);
    QVERIFY(f.ini().contains("\r\nLanguage=1\r\n"));
    QCOMPARE(f.boxes, QStringList{QStringLiteral("表示言語の設定は次回の起動から有効になります。")});
    // Back to the desktop's: the key stays, saying so.
    o.cbLanguage->setCurrentIndex(0);
    QVERIFY(o.btTekiyoClick());
    QVERIFY(f.ini().contains("\r\nLanguage=2\r\n"));
    QCOMPARE(f.boxes.size(), 2);

    Fixture chosen("Language=0\r\n");
    QCOMPARE(chosen.form->cbLanguage->currentIndex(), 1);
}

void TestOptionForm::apply_directSend_unwrittenUntilChanged()
{
    // Direct unless chosen otherwise; an apply that leaves the box keeps the
    // key out of the file.
    Fixture f;
    TOptionForm &o = *f.form;
    QVERIFY(o.cbDirectSend->isChecked());
    QCOMPARE(o.cbDirectSend->parentWidget()->parentWidget(), o.tsNetwork);
    o.cbStartShow->setChecked(true);
    QVERIFY(o.btTekiyoClick());
    QCOMPARE(f.stored().DirectSend, -1);
    QVERIFY(!f.ini().contains("DirectSend"));
    o.cbDirectSend->setChecked(false);
    QVERIFY(o.btTekiyoClick());
    QCOMPARE(f.session->settings.DirectSend, 0);
    QCOMPARE(f.stored().DirectSend, 0);
    o.cbDirectSend->setChecked(true);
    QVERIFY(o.btTekiyoClick());
    QCOMPARE(f.stored().DirectSend, 1);

    Fixture chosen("DirectSend=0\r\n");
    QVERIFY(!chosen.form->cbDirectSend->isChecked());
}

void TestOptionForm::apply_portChange_infoOncePerApply()
{
    Fixture f;
    TOptionForm &o = *f.form;
    const QString info = QStringLiteral("ポート番号の設定は次回の起動から有効になります。");
    o.edPortNo->setText(QStringLiteral("50001"));
    QVERIFY(o.btTekiyoClick());
    QCOMPARE(f.boxes, QStringList{info});
    QCOMPARE(f.boxFlags.first(), mb::Ok | mb::IconInformation);
    // The configured port is now 50001: applying again says nothing.
    QVERIFY(o.btTekiyoClick());
    QCOMPARE(f.boxes.size(), 1);
    // Back to the port in use: it differs from the configured one again.
    o.edPortNo->setText(QStringLiteral("50000"));
    QVERIFY(o.btTekiyoClick());
    QCOMPARE(f.boxes, QStringList({info, info}));
    QCOMPARE(f.session->settings.ActivePortNo, quint16(50000));
}

void TestOptionForm::apply_broadcastsInfoChangeEveryTime()
{
    Fixture f("SendIP=10.0.0.5&|\r\n");
    TOptionForm &o = *f.form;
    f.session->local.AbsentMode = true;
    o.edHandleName->setText(QStringLiteral("bob"));
    QVERIFY(o.btTekiyoClick());
    const QList<QByteArray> first = f.infoChanges();
    // By broadcast and to the extra address, with the new name.
    QCOMPARE(first.size(), 2);
    QCOMPARE(first.first(), QByteArray("ZNMESSAGE:INFO_CHANGE&|SELF&|bob&|1&|10.0.0.9"));
    QCOMPARE(f.transport.destinations(), QList<quint32>({BroadcastIPv4, 0x0A000005}));

    // Nothing changed: the peers are told again all the same.
    QVERIFY(o.btTekiyoClick());
    QCOMPARE(f.infoChanges().size(), 4);
    QCOMPARE(f.infoChanges().last(), first.first());
}

void TestOptionForm::apply_trayItemsFollowAtOnce()
{
    Fixture f;
    TOptionForm &o = *f.form;
    const auto clipVisible = [&f] {
        return f.tray.miLine3->isVisible() && f.tray.miClipRecv->isVisible()
            && f.tray.miClipSend->menuAction()->isVisible();
    };
    const auto huzaiVisible = [&f] {
        return f.tray.miLine10->isVisible() && f.tray.miHuzaiMode->isVisible()
            && f.tray.miHuzaiRecv->menuAction()->isVisible();
    };
    QVERIFY(clipVisible() && huzaiVisible());
    o.cbTaskClipHide->setChecked(true);
    QVERIFY(clipVisible()); // only the apply hides them
    QVERIFY(o.btTekiyoClick());
    QVERIFY(!f.tray.miLine3->isVisible() && !f.tray.miClipRecv->isVisible()
            && !f.tray.miClipSend->menuAction()->isVisible());
    QVERIFY(huzaiVisible());
    o.cbTaskClipHide->setChecked(false);
    o.cbTaskHuzaiHide->setChecked(true);
    QVERIFY(o.btTekiyoClick());
    QVERIFY(clipVisible());
    QVERIFY(!f.tray.miLine10->isVisible() && !f.tray.miHuzaiMode->isVisible()
            && !f.tray.miHuzaiRecv->menuAction()->isVisible());
}

void TestOptionForm::apply_failedWrite_keepsApplyEnabledAndWindowOpen()
{
    for (const FailDevice::Step step : {FailDevice::Open, FailDevice::Write, FailDevice::Commit}) {
        Fixture f;
        TOptionForm &o = *f.form;
        const QByteArray fileBefore = f.ini();
        f.session->setSaveDevice(FailDevice::opener(step));
        o.edHandleName->setText(QStringLiteral("bob"));
        o.cbTaskClipHide->setChecked(true);
        o.btSetteiClick();
        QCOMPARE(f.boxes, QStringList{CannotWriteText(f.iniPath())});
        QCOMPARE(f.boxFlags.first(), mb::Ok | mb::IconError);
        QVERIFY(o.btTekiyo->isEnabled());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(f.form);
        QVERIFY(o.isVisible());
        // The settings and the tray menu were updated before the write; the
        // file is as it was.
        QCOMPARE(f.session->settings.HandleName, QByteArray("bob"));
        QVERIFY(!f.tray.miClipRecv->isVisible());
        QCOMPARE(f.ini(), fileBefore);

        // Once the file can be written, the same window applies.
        f.session->setSaveDevice({});
        o.btSetteiClick();
        QTRY_VERIFY(!f.form);
        QCOMPARE(f.stored().HandleName, QByteArray("bob"));
    }
}

void TestOptionForm::apply_keepsBytesOfUntouchedTexts()
{
    // 0x81 0x20 is no CP932 character; a window that only changes a check box
    // must not turn the texts into replacement characters.
    Fixture f;
    const QByteArray handle("ab\x81\x20z");
    f.session->settings.HandleName = handle;
    f.session->settings.HuzaiMessage = "\x81\x7f";
    delete f.form.data();
    f.open();
    TOptionForm &o = *f.form;
    o.cbRecvDateHide->setChecked(true);
    QVERIFY(o.btTekiyoClick());
    QCOMPARE(f.session->settings.HandleName, handle);
    QCOMPARE(f.session->settings.HuzaiMessage, QByteArray("\x81\x7f"));
    // Written as they were (reading such a value back gives its default).
    QVERIFY(f.ini().contains(QByteArray("\r\nHandleName=" + handle + "\r\n")));

    // A name longer than the edit takes stays whole unless edited.
    const QByteArray longName(80, 'n');
    f.session->settings.HandleName = longName;
    delete f.form.data();
    f.open();
    QCOMPARE(f.form->edHandleName->text().size(), 50);
    QVERIFY(f.form->btTekiyoClick());
    QCOMPARE(f.session->settings.HandleName, longName);
    f.form->edHandleName->backspace();
    QVERIFY(f.form->btTekiyoClick());
    QCOMPARE(f.session->settings.HandleName, QByteArray(49, 'n'));
}

void TestOptionForm::addresses_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("listed"); // empty: refused

    QTest::addRow("dotted") << QStringLiteral("192.168.1.5") << QStringLiteral("192.168.1.5");
    QTest::addRow("short form") << QStringLiteral("10.1") << QStringLiteral("10.0.0.1");
    QTest::addRow("octal part") << QStringLiteral("192.168.1.010") << QStringLiteral("192.168.1.8");
    QTest::addRow("broadcast") << QStringLiteral("255.255.255.255") << QString();
    QTest::addRow("part above 255") << QStringLiteral("300.1.1.1") << QString();
    QTest::addRow("name") << QStringLiteral("printer") << QString();
    QTest::addRow("full-width digits") << QStringLiteral("１０.１") << QString();
}

void TestOptionForm::addresses()
{
    QFETCH(QString, typed);
    QFETCH(QString, listed);
    Fixture f("SendIP=1.1.1.1&|\r\n");
    TOptionForm &o = *f.form;
    o.pcOption->setCurrentWidget(o.tsNetwork);
    o.edAddSendIP->setText(typed);
    QVERIFY(o.btAddSendIP->isEnabled());
    o.btAddSendIP->click();
    if (listed.isEmpty()) {
        QCOMPARE(f.boxes, QStringList{QStringLiteral("IPアドレスの指定に誤りがあります。")});
        QCOMPARE(o.lbSendIP->count(), 1);
        QCOMPARE(o.edAddSendIP->text(), typed);
        QCOMPARE(o.focusWidget(), o.edAddSendIP);
        QVERIFY(!o.btTekiyo->isEnabled());
    } else {
        QVERIFY(f.boxes.isEmpty());
        QCOMPARE(o.lbSendIP->count(), 2);
        QCOMPARE(o.lbSendIP->item(1)->text(), listed);
        QVERIFY(o.edAddSendIP->text().isEmpty());
        QVERIFY(!o.btAddSendIP->isEnabled());
        QVERIFY(o.btTekiyo->isEnabled());
    }
}

void TestOptionForm::addresses_listThatNoLongerFits_refused()
{
    // 59 addresses of 15 characters are 1003 stored characters; two of 8
    // more make 1023, the most the settings file gives back.
    QByteArray list;
    for (int i = 0; i < 59; ++i)
        list += "192.168.100.200&|";
    Fixture f("SendIP=" + list + "\r\n");
    TOptionForm &o = *f.form;
    QCOMPARE(o.lbSendIP->count(), 59);
    for (const char *fits : {"10.0.0.1", "10.0.0.2"}) {
        o.edAddSendIP->setText(QString::fromLatin1(fits));
        o.btAddSendIPClick();
    }
    QVERIFY(f.boxes.isEmpty());
    QCOMPARE(o.lbSendIP->count(), 61);
    o.edAddSendIP->setText(QStringLiteral("10.0.0.3"));
    o.btAddSendIPClick();
    QCOMPARE(f.boxes.size(), 1);
    QVERIFY(f.boxes.first().startsWith(QStringLiteral("これ以上IPアドレスを追加できません。")));
    QVERIFY(f.boxes.first().contains(QStringLiteral("255件")));
    QCOMPARE(o.lbSendIP->count(), 61);
    QCOMPARE(o.edAddSendIP->text(), QStringLiteral("10.0.0.3"));
    QCOMPARE(o.focusWidget(), o.edAddSendIP);
    // What is listed is stored whole and read back whole.
    QVERIFY(o.btTekiyoClick());
    const QByteArrayList stored = SplitSendIP(f.stored().SendIP);
    QCOMPARE(stored.size(), 61);
    QCOMPARE(stored.last(), QByteArray("10.0.0.2"));
}

void TestOptionForm::addresses_deleteAsksAndRemovesSelected()
{
    Fixture f("SendIP=1.1.1.1&|2.2.2.2&|3.3.3.3&|4.4.4.4&|\r\n");
    TOptionForm &o = *f.form;
    const QString question = QStringLiteral("指定したIPアドレスを削除します。よろしいですか？");
    // Nothing selected: no question, nothing removed, but a change.
    o.btDeleteSendIPClick();
    QVERIFY(f.boxes.isEmpty());
    QCOMPARE(o.lbSendIP->count(), 4);
    QVERIFY(o.btTekiyo->isEnabled());

    o.btTekiyoClick();
    o.lbSendIP->item(1)->setSelected(true);
    o.lbSendIP->item(3)->setSelected(true);
    f.frontend.setNextAnswer(Answer::No);
    o.btDeleteSendIPClick();
    QCOMPARE(f.boxes, QStringList{question});
    QCOMPARE(f.boxFlags.first(), mb::YesNo | mb::IconQuestion | mb::DefaultButton2);
    QCOMPARE(o.lbSendIP->count(), 4);
    QVERIFY(!o.btTekiyo->isEnabled());

    f.frontend.setNextAnswer(Answer::Yes);
    o.btDeleteSendIPClick();
    QCOMPARE(o.lbSendIP->count(), 2);
    QCOMPARE(o.lbSendIP->item(0)->text(), QStringLiteral("1.1.1.1"));
    QCOMPARE(o.lbSendIP->item(1)->text(), QStringLiteral("3.3.3.3"));
    QVERIFY(o.btTekiyoClick());
    QCOMPARE(f.session->settings.SendIP, QByteArray("1.1.1.1&|3.3.3.3&|"));
}

void TestOptionForm::keys_enterIsOkDeleteRemovesEnterAdds()
{
    {
        Fixture f("SendIP=1.1.1.1&|2.2.2.2&|\r\n");
        TOptionForm &o = *f.form;
        // Enter in the address edit adds; with the edit empty it does nothing.
        o.edAddSendIP->setText(QStringLiteral("10.1"));
        f.press(o.edAddSendIP, Qt::Key_Return);
        QCOMPARE(o.lbSendIP->count(), 3);
        f.press(o.edAddSendIP, Qt::Key_Return);
        QCOMPARE(o.lbSendIP->count(), 3);
        QVERIFY(f.form);
        // Delete in the list removes the selected entries after the question.
        o.lbSendIP->item(0)->setSelected(true);
        f.frontend.setNextAnswer(Answer::Yes);
        f.press(o.lbSendIP, Qt::Key_Delete);
        QCOMPARE(o.lbSendIP->count(), 2);
        // Enter in the absence message is a line break.
        o.mmHuzaiMessage->setFocus();
        QTest::keyClicks(o.mmHuzaiMessage, QStringLiteral("a"));
        f.press(o.mmHuzaiMessage, Qt::Key_Return);
        QCOMPARE(o.mmHuzaiMessage->toPlainText(), QStringLiteral("a\n"));
        QVERIFY(f.form && o.isVisible());
        // Enter in the list is OK.
        f.press(o.lbSendIP, Qt::Key_Return);
        QTRY_VERIFY(!f.form);
        QCOMPARE(f.session->settings.SendIP, QByteArray("2.2.2.2&|10.0.0.1&|"));
    }
    // Enter in any edit or check box is OK.
    for (const char *name : {"edHandleName", "edPortNo", "cbStartShow", "cbExclamationAutoClose", "edSoundRecv"}) {
        Fixture f;
        QWidget *control = f.form->findChild<QWidget *>(QString::fromLatin1(name));
        QVERIFY(control);
        control->setEnabled(true);
        f.press(control, Qt::Key_Enter);
        QTRY_VERIFY2(!f.form, name);
    }
    // Enter in the handle name with a refused value stays open.
    Fixture f;
    f.form->edHandleName->setText(QStringLiteral(";"));
    f.press(f.form->edHandleName, Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(f.form);
    QCOMPARE(f.boxes.size(), 1);
    // Escape is Cancel.
    f.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.form));
    f.press(f.form->edPortNo, Qt::Key_Escape);
    QTRY_VERIFY(!f.form);
}

void TestOptionForm::huzaiMessage_stopsAt1000Characters()
{
    Fixture f;
    TOptionForm &o = *f.form;
    o.mmHuzaiMessage->setPlainText(QString(998, u'あ'));
    o.mmHuzaiMessage->moveCursor(QTextCursor::End);
    QTest::keyClicks(o.mmHuzaiMessage, QStringLiteral("xyz"));
    QCOMPARE(o.mmHuzaiMessage->toPlainText().size(), 1000);
    // A line break counts as the two characters it is stored as.
    o.mmHuzaiMessage->setPlainText(QString(998, u'a'));
    o.mmHuzaiMessage->moveCursor(QTextCursor::End);
    QTest::keyClick(o.mmHuzaiMessage, Qt::Key_Return);
    QTest::keyClicks(o.mmHuzaiMessage, QStringLiteral("b"));
    QCOMPARE(o.mmHuzaiMessage->toPlainText(), QString(998, u'a') + u'\n');
    QVERIFY(o.btTekiyoClick());
    QCOMPARE(f.session->settings.HuzaiMessage.size(), 1000);
}

void TestOptionForm::choosers_logGetsExtensionSoundRowGetsFile()
{
    Fixture f;
    TOptionForm &o = *f.form;
    QList<FileRequest> requests;
    FileChoice answer;
    o.setFileChooser([&](QWidget *, const FileRequest &request) {
        requests.append(request);
        return answer;
    });
    const QString existing = f.dir.path();
    o.edLogFileName->setText(existing + QStringLiteral("/old.ZNG"));
    answer = {existing + QStringLiteral("/mylog"), 0};
    o.btLogSansyo->click();
    QCOMPARE(requests.last().kind, FileRequest::Save);
    QCOMPARE(requests.last().title, QStringLiteral("ログファイル保存先指定"));
    QCOMPARE(requests.last().filters,
             QStringList({QStringLiteral("Zephinetログファイル(*.ZNG)"), QStringLiteral("すべてのファイル(*.*)")}));
    QCOMPARE(requests.last().directory, existing);
    QCOMPARE(o.edLogFileName->text(), existing + QStringLiteral("/mylog.ZNG"));
    // With the other filter, or with an extension, the name stays as chosen.
    answer = {existing + QStringLiteral("/plain"), 1};
    o.btLogSansyo->click();
    QCOMPARE(o.edLogFileName->text(), existing + QStringLiteral("/plain"));
    answer = {existing + QStringLiteral("/log.txt"), 0};
    o.btLogSansyo->click();
    QCOMPARE(o.edLogFileName->text(), existing + QStringLiteral("/log.txt"));
    // A directory that does not exist is no starting point; cancelling keeps the name.
    o.edLogFileName->setText(QStringLiteral("/no/such/dir/LOG.ZNG"));
    answer = {};
    o.btLogSansyo->click();
    QVERIFY(requests.last().directory.isEmpty());
    QCOMPARE(o.edLogFileName->text(), QStringLiteral("/no/such/dir/LOG.ZNG"));

    o.rbIventSoundWave->setChecked(true);
    o.edSound[1]->setText(existing + QStringLiteral("/a.wav"));
    answer = {QStringLiteral("/sounds/off.wav"), 0};
    o.btSansyo[1]->click();
    QCOMPARE(requests.last().kind, FileRequest::Open);
    QCOMPARE(requests.last().title, QStringLiteral("サウンド設定"));
    QCOMPARE(requests.last().filters,
             QStringList({QStringLiteral("サウンドファイル(*.wav)"), QStringLiteral("すべてのファイル(*.*)")}));
    QCOMPARE(requests.last().directory, existing);
    QCOMPARE(o.edSound[1]->text(), QStringLiteral("/sounds/off.wav"));
    QVERIFY(o.edSound[0]->text().isEmpty() && o.edSound[2]->text().isEmpty());
}

void TestOptionForm::soundTest_playsRowFileWhateverTheSetting()
{
    Fixture f;
    TOptionForm &o = *f.form;
    const QString wav = f.dir.filePath(QStringLiteral("in.wav"));
    QFile file(wav);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("RIFF");
    file.close();
    o.edSound[2]->setText(wav);
    o.edSound[0]->setText(f.dir.filePath(QStringLiteral("missing.wav")));
    o.btSoundTestClick(2);
    o.btSoundTestClick(0);
    o.btSoundTestClick(1);
    QCOMPARE(f.played, QStringList{wav});
    QVERIFY(!f.session->settings.IventSound);
}

void TestOptionForm::passwordChange_inMemoryAtOnceFileWithApply()
{
    Fixture f("[Security]\r\nPassword=" + ScrambleText(ScrambleText("old")) + "\r\n");
    QPointer<TOptionForm> o = f.form;
    QCOMPARE(f.session->settings.Password, QByteArray("old"));
    QTimer::singleShot(0, o, [] {
        auto *change = qobject_cast<TPassChangeForm *>(QApplication::activeModalWidget());
        QVERIFY(change);
        change->edOldPass->setText(QStringLiteral("old"));
        change->edNewPass->setText(QStringLiteral("new"));
        change->edNewPassCheck->setText(QStringLiteral("new"));
        change->btSettei->click();
    });
    o->btPasswordChange->click();
    QCOMPARE(f.session->settings.Password, QByteArray("new"));
    QCOMPARE(o->edPassword->text().size(), 3);
    QVERIFY(o->btTekiyo->isEnabled());
    QCOMPARE(f.stored().Password, QByteArray("old"));

    // Cancelled: the new password stays in force, the file keeps the old one.
    o->btCancelClick();
    QTRY_VERIFY(!o);
    QCOMPARE(f.session->settings.Password, QByteArray("new"));
    QCOMPARE(f.stored().Password, QByteArray("old"));

    // Applied: the file gets it.
    f.open();
    QCOMPARE(f.form->edPassword->text().size(), 3);
    QVERIFY(f.form->btTekiyoClick());
    QCOMPARE(f.stored().Password, QByteArray("new"));
}

void TestOptionForm::cancel_dropsChanges_nextOpeningStartsFromSettings()
{
    Fixture f;
    f.form->edHandleName->setText(QStringLiteral("bob"));
    f.form->cbStartShow->setChecked(true);
    f.form->close(); // the close box
    QTRY_VERIFY(!f.form);
    QCOMPARE(f.session->settings.HandleName, QByteArray("alice"));
    QVERIFY(f.infoChanges().isEmpty());
    f.open();
    QCOMPARE(f.form->edHandleName->text(), QStringLiteral("alice"));
    QVERIFY(!f.form->cbStartShow->isChecked());
    QVERIFY(!f.form->btTekiyo->isEnabled());
}

void TestOptionForm::help_everyListedControlHasItsTopic()
{
    Fixture f;
    TOptionForm &o = *f.form;
    TPassCheckForm check(f.session->settings.Password, f.frontend);
    TPassChangeForm change(f.session->settings.Password, f.frontend);
    const QList<QWidget *> windows{&o, &check, &change};
    int found = 0;
    for (const HelpContextEntry &entry : OptionHelpContexts) {
        const QString pageName = QString::fromLatin1(entry.page.data(), qsizetype(entry.page.size()));
        const QString controlName = QString::fromLatin1(entry.control.data(), qsizetype(entry.control.size()));
        for (QWidget *window : windows) {
            QWidget *page = window->objectName() == pageName ? window : window->findChild<QWidget *>(pageName);
            if (!page)
                continue;
            QWidget *control = page->findChild<QWidget *>(controlName);
            QVERIFY2(control, qPrintable(pageName + u'/' + controlName));
            QCOMPARE(control->property("helpContext").toInt(), entry.context);
            ++found;
        }
    }
    QCOMPARE(found, int(OptionHelpContexts.size()));
    QCOMPARE(helpContextOf("tsSetting", "cbSendSelfCheck"), 28);
    QCOMPARE(helpContextOf("tsLog", "edLogFileName"), 30);

    // F1 on a focused control asks for its topic; so does the title bar's
    // help button followed by a click on the control.
    QSignalSpy asked(&o, &TOptionForm::helpRequested);
    o.pcOption->setCurrentWidget(o.tsNetwork);
    QTest::keyClick(o.edPortNo, Qt::Key_F1);
    QTest::keyClick(o.lbSendIP, Qt::Key_F1);
    QHelpEvent whatsThis(QEvent::WhatsThis, QPoint(1, 1), o.btAddSendIP->mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(o.btAddSendIP, &whatsThis);
    QCOMPARE(asked.size(), 3);
    QCOMPARE(asked.at(0).at(0).toInt(), 36);
    QCOMPARE(asked.at(1).at(0).toInt(), 34);
    QCOMPARE(asked.at(2).at(0).toInt(), 33);
    QSignalSpy askedCheck(&check, &TPassCheckForm::helpRequested);
    QTest::keyClick(check.edPassword, Qt::Key_F1);
    QCOMPARE(askedCheck.size(), 1);
    QCOMPARE(askedCheck.first().at(0).toInt(), 30);
    // F1 in the password change dialog of the options reaches the options' signal.
    QTimer::singleShot(0, &o, [] {
        auto *dialog = qobject_cast<TPassChangeForm *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        QTest::keyClick(dialog->edNewPass, Qt::Key_F1);
        dialog->btCancel->click();
    });
    o.btPasswordChangeClick();
    QCOMPARE(asked.size(), 4);
    QCOMPARE(asked.last().at(0).toInt(), 30);
}

void TestOptionForm::opener_oneWindowPasswordOnlyWhenNone()
{
    Fixture f("[Security]\r\nPasswordOption=1\r\n");
    delete f.form.data();
    OptionFormOpener opener(
        *f.session, f.frontend, [](bool) {}, &f.tray);
    QStringList prompts;
    bool pass = false;
    opener.setPasswordPrompt([&](const QString &title) {
        prompts.append(title);
        return pass;
    });
    QSignalSpy opened(&opener, &OptionFormOpener::formOpened);
    opener.miOptionShowClick();
    QCOMPARE(prompts, QStringList{QStringLiteral("オプションウィンドウを開くにはパスワードが必要です。")});
    QVERIFY(!opener.form());

    pass = true;
    opener.miOptionShowClick();
    QPointer<TOptionForm> first = opener.form();
    QVERIFY(first && first->isVisible());
    QCOMPARE(opened.size(), 1);
    // A second opening brings the first forward and asks for nothing.
    first->hide();
    opener.miOptionShowClick();
    QCOMPARE(prompts.size(), 2);
    QCOMPARE(opener.form(), first.data());
    QVERIFY(first->isVisible());
    QCOMPARE(opened.size(), 1);
    int windows = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        windows += qobject_cast<TOptionForm *>(w) ? 1 : 0;
    QCOMPARE(windows, 1);

    // Closing ends it; the next opening asks again and starts afresh.
    QSignalSpy applied(&opener, &OptionFormOpener::settingsApplied);
    first->btSetteiClick();
    QCOMPARE(applied.size(), 1);
    QTRY_VERIFY(!opener.form());
    opener.miOptionShowClick();
    QCOMPARE(prompts.size(), 3);
    QVERIFY(opener.form() && opener.form() != first);

    // Without the switch nobody is asked.
    delete opener.form();
    f.session->settings.PasswordOption = false;
    opener.miOptionShowClick();
    QCOMPARE(prompts.size(), 3);
    QVERIFY(opener.form());
}

void TestOptionForm::opener_menusOpenTheWindow()
{
    test::DesktopFixture desktop("[Security]\r\nPasswordOption=1\r\nPassword=" + ScrambleText(ScrambleText("pw"))
                                 + "\r\n");
    DesktopFrontend &frontend = desktop.frontend;
    frontend.setAutoAnswer(Answer::Ok);
    DesktopShell &shell = *desktop.shell;
    TMainForm &main = shell.mainWindow();
    QVERIFY(shell.start());
    QAction *menuItem = main.findChild<QAction *>(QStringLiteral("miSettingOption"));
    QVERIFY(menuItem && menuItem->isEnabled());
    QVERIFY(shell.taskMenuItems().miOptionShow->isEnabled());

    // The real prompt: the dialog-showing flag is up while it is open.
    bool flagWhileOpen = false;
    QTimer::singleShot(0, &main, [&] {
        auto *prompt = qobject_cast<TPassCheckForm *>(QApplication::activeModalWidget());
        QVERIFY(prompt);
        flagWhileOpen = frontend.dialogShowing();
        prompt->edPassword->setText(QStringLiteral("pw"));
        prompt->btOk->click();
    });
    menuItem->trigger();
    QVERIFY(flagWhileOpen);
    QVERIFY(!frontend.dialogShowing());
    QPointer<TOptionForm> form = shell.options().form();
    QVERIFY(form && form->isVisible());
    // The tray item raises the same window without a prompt (a prompt would
    // wait here for an answer that never comes).
    shell.taskMenuItems().miOptionShow->trigger();
    QCOMPARE(shell.options().form(), form.data());
    form->cbTaskHuzaiHide->setChecked(true);
    form->edPortNo->setText(QStringLiteral("50000"));
    form->btSetteiClick();
    QTRY_VERIFY(!form);
    QVERIFY(!shell.taskMenuItems().miHuzaiMode->isVisible());
    shell.stop();
}

QTEST_MAIN(TestOptionForm)
#include "tst_optionform.moc"
