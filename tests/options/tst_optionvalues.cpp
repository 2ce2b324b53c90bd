// The options window's value checks without a window: texts as typed in,
// the settings they make or the first refusal out.
#include "common/codec.h"
#include "options/optionvalues.h"

#include <QTest>

using namespace zn;

Q_DECLARE_METATYPE(OptionRefusal::Control)

namespace {

// Before the apply: the window was filled from these settings and texts.
Settings inForce()
{
    Settings s;
    s.HandleName = "ab\x81\x20z"; // 0x81 0x20 is no CP932 character
    s.LogFileMaxCount = 250;
    s.PortNo = 50000;
    s.AutoCloseTimer = 7;
    return s;
}

const QString ShownName = QStringLiteral("ab?z");
const QString ShownHuzai = QStringLiteral("shown");

// The columns every row has: the typed texts, and the absence message's
// bytes behind ShownHuzai.
void addTextColumns()
{
    QTest::addColumn<QString>("handle");
    QTest::addColumn<QString>("huzai");
    QTest::addColumn<QByteArray>("storedHuzai");
    QTest::addColumn<QString>("logSize");
    QTest::addColumn<bool>("logSave");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("autoClose");
    QTest::addColumn<bool>("autoCloseOn");
}

OptionValues checkRow()
{
    QFETCH(QString, handle);
    QFETCH(QString, huzai);
    QFETCH(QByteArray, storedHuzai);
    QFETCH(QString, logSize);
    QFETCH(bool, logSave);
    QFETCH(QString, port);
    QFETCH(QString, autoClose);
    QFETCH(bool, autoCloseOn);
    const Settings s = inForce();
    return CheckOptionTexts({handle, huzai, logSize, logSave, port, autoClose, autoCloseOn},
                            {ShownName, s.HandleName, ShownHuzai, storedHuzai}, s);
}

} // namespace

class TestOptionValues : public QObject {
    Q_OBJECT
private slots:
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
};

void TestOptionValues::accepted_data()
{
    addTextColumns();
    QTest::addColumn<QByteArray>("handleName");
    QTest::addColumn<QByteArray>("huzaiMessage");
    QTest::addColumn<int>("logFileMaxCount");
    QTest::addColumn<int>("portNo");
    QTest::addColumn<int>("autoCloseTimer");
    QTest::addColumn<bool>("restored");

    QTest::addRow("typed, trimmed, CR LF")
        << u"  山田 太郎 \t"_qs << u"会議中\n15時に戻ります"_qs << QByteArray("old") << u"0"_qs << true << u"1024"_qs
        << u"99"_qs << true << cp932::bytes(u"山田 太郎") << cp932::bytes(u"会議中\r\n15時に戻ります") << 0 << 1024
        << 99 << false;
    QTest::addRow("untouched texts keep their bytes")
        << ShownName << ShownHuzai << QByteArray("\x81\x7f") << u"9999"_qs << true << u"65535"_qs << u"1"_qs << true
        << QByteArray("ab\x81\x20z") << QByteArray("\x81\x7f") << 9999 << 65535 << 1 << false;
    QTest::addRow("bad numbers in fields switched off keep their values")
        << u"me"_qs << u""_qs << QByteArray("old") << u"abc"_qs << false << u"50000"_qs << u"0"_qs << false
        << QByteArray("me") << QByteArray() << 250 << 50000 << 7 << true;
}

void TestOptionValues::accepted()
{
    QFETCH(QByteArray, handleName);
    QFETCH(QByteArray, huzaiMessage);
    QFETCH(int, logFileMaxCount);
    QFETCH(int, portNo);
    QFETCH(int, autoCloseTimer);
    QFETCH(bool, restored);
    const OptionValues values = checkRow();
    QVERIFY2(!values.refusal, values.refusal ? qPrintable(values.refusal->message) : "");
    QCOMPARE(values.settings.HandleName, handleName);
    QCOMPARE(values.settings.HuzaiMessage, huzaiMessage);
    QCOMPARE(values.settings.LogFileMaxCount, logFileMaxCount);
    QCOMPARE(int(values.settings.PortNo), portNo);
    QCOMPARE(int(values.settings.AutoCloseTimer), autoCloseTimer);
    QCOMPARE(values.logFileMaxCountRestored, restored);
    QCOMPARE(values.autoCloseTimerRestored, restored);
}

void TestOptionValues::refused_data()
{
    addTextColumns();
    QTest::addColumn<OptionRefusal::Control>("control");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("logRestored");

    struct Row {
        const char *name;
        QString handle, huzai;
        QByteArray storedHuzai;
        QString logSize, port, autoClose;
        OptionRefusal::Control control;
        QString message;
    };
    using C = OptionRefusal;
    const QString amp = u"不在通知メッセージ内に「&|」は使用できません。"_qs;
    const QString esc = u"不在通知メッセージ内に「\\|」は使用できません。"_qs;
    const QString logText = u"ログファイルサイズは0～9999までの数値で設定してください。"_qs;
    const QString portText = u"ポート番号は1024～65535までの数値で設定してください。"_qs;
    const Row rows[] = {
        {"blank handle", u" \t "_qs, ShownHuzai, "", u"1"_qs, u"1024"_qs, u"1"_qs, C::HandleName,
         u"ハンドル名を指定してください。"_qs},
        {"handle without CP932 form", u"a😀"_qs, ShownHuzai, "", u"1"_qs, u"1024"_qs, u"1"_qs, C::HandleName,
         cp932::unencodableMessage(u"😀"_qs)},
        {"separator in handle", u"a&|b"_qs, ShownHuzai, "", u"1"_qs, u"1024"_qs, u"1"_qs, C::HandleName,
         u"ハンドル名に「&|」は使用できません。"_qs},
        {"escape hidden in 0x83 0x5C", u"ソ|"_qs, ShownHuzai, "", u"1"_qs, u"1024"_qs, u"1"_qs, C::HandleName,
         u"ハンドル名に「\\|」は使用できません。"_qs},
        {"semicolon before port", u"a;b"_qs, ShownHuzai, "", u"1"_qs, u"80"_qs, u"1"_qs, C::HandleName,
         u"ハンドル名に「;」は使用できません。"_qs},
        {"negative log size", u"me"_qs, ShownHuzai, "", u"-1"_qs, u"1024"_qs, u"1"_qs, C::LogFileMaxCount, logText},
        {"log size over 9999", u"me"_qs, ShownHuzai, "", u"10000"_qs, u"1024"_qs, u"1"_qs, C::LogFileMaxCount, logText},
        {"port 1023", u"me"_qs, ShownHuzai, "", u"1"_qs, u"1023"_qs, u"1"_qs, C::PortNo, portText},
        {"port 65536", u"me"_qs, ShownHuzai, "", u"1"_qs, u"65536"_qs, u"1"_qs, C::PortNo, portText},
        {"port empty", u"me"_qs, ShownHuzai, "", u"1"_qs, u""_qs, u"1"_qs, C::PortNo, portText},
        {"separator in typed message", u"me"_qs, u"line\nx&|y"_qs, "", u"1"_qs, u"1024"_qs, u"1"_qs, C::HuzaiMessage,
         amp},
        {"escape in typed message", u"me"_qs, u"x\\|y"_qs, "", u"1"_qs, u"1024"_qs, u"1"_qs, C::HuzaiMessage, esc},
        {"message without CP932 form", u"me"_qs, u"a😀"_qs, "", u"1"_qs, u"1024"_qs, u"1"_qs, C::HuzaiMessage,
         cp932::unencodableMessage(u"😀"_qs)},
        {"separator in untouched bytes", u"me"_qs, ShownHuzai, "a&|\x81", u"1"_qs, u"1024"_qs, u"1"_qs, C::HuzaiMessage,
         amp},
        {"auto-close 0 while closing", u"me"_qs, ShownHuzai, "", u"1"_qs, u"1024"_qs, u"0"_qs, C::AutoCloseTimer,
         u"待機秒数は1～99までの数値で設定してください。"_qs},
        {"auto-close 100", u"me"_qs, ShownHuzai, "", u"1"_qs, u"1024"_qs, u"100"_qs, C::AutoCloseTimer,
         u"待機秒数は1～99までの数値で設定してください。"_qs},
    };
    for (const Row &r : rows) {
        QTest::addRow("%s", r.name) << r.handle << r.huzai << r.storedHuzai << r.logSize << true << r.port
                                    << r.autoClose << true << r.control << r.message << false;
    }
    // Logging off: a bad size is put back before the port speaks.
    QTest::addRow("bad log size off, then bad port") << u"me"_qs << ShownHuzai << QByteArray() << u"x"_qs << false
                                                     << u"80"_qs << u"1"_qs << true << C::PortNo << portText << true;
}

void TestOptionValues::refused()
{
    QFETCH(OptionRefusal::Control, control);
    QFETCH(QString, message);
    QFETCH(bool, logRestored);
    const OptionValues values = checkRow();
    QVERIFY(values.refusal);
    QCOMPARE(values.refusal->message, message);
    QCOMPARE(values.refusal->control, control);
    QCOMPARE(values.logFileMaxCountRestored, logRestored);
    QVERIFY(!values.autoCloseTimerRestored);
}

QTEST_GUILESS_MAIN(TestOptionValues)
#include "tst_optionvalues.moc"
