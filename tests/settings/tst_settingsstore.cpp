#include "common/codec.h"
#include "faildevice.h"
#include "settings/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace zn;

namespace {
QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<missing>";
    return f.readAll();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The key names of the file, in file order.
QByteArrayList keyOrder(const QByteArray &file)
{
    QByteArrayList keys;
    for (const QByteArray &line : file.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (line.startsWith('['))
            keys << line.trimmed();
        else if (eq > 0)
            keys << line.first(eq);
    }
    return keys;
}

// A numeric field of Settings by its key name.
qint64 numericField(const Settings &s, const QByteArray &key)
{
    if (key == "PortNo")
        return s.PortNo;
    if (key == "ActivePortNo")
        return s.ActivePortNo;
    if (key == "LogSave")
        return s.LogSave;
    if (key == "ClipRecvInfo")
        return s.ClipRecvInfo;
    if (key == "SendSelfCheck")
        return s.SendSelfCheck;
    if (key == "StartShow")
        return s.StartShow;
    if (key == "AutoCloseTimer")
        return s.AutoCloseTimer;
    if (key == "TaskAnimation")
        return s.TaskAnimation;
    if (key == "LogFileMaxCount")
        return s.LogFileMaxCount;
    if (key == "Size")
        return s.Size;
    if (key == "SortIndex")
        return s.SortIndex;
    if (key == "SortUpper")
        return s.SortUpper;
    qFatal("unknown key");
}

const QByteArray Machine("MACHINE1");
} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT
private slots:
    void init();

    void missingFile_givesDefaults_thenFontSizeWriteCreatesOnlyFont();
    void numbers_data();
    void numbers();
    void huzaiMessage_storedOnOneLine_readsBackAsLines_data();
    void huzaiMessage_storedOnOneLine_readsBackAsLines();
    void password_storedScrambledTwice_data();
    void password_storedScrambledTwice();
    void password_unreadable_readsAsEmpty_data();
    void password_unreadable_readsAsEmpty();
    void saveAll_writesTableOrder_andRoundTrips();
    void saveAll_keepsOtherLinesByteForByte();
    void saveAll_unencodablePath_writesNothing();
    void saveAll_unwritable_reportsPathAndKeepsOldFile();
    void longValues_areCut();
    void garbageFile_loadsWithDefaults();
    void legacyFile_readsCorrectly();
    void writeSort_writesBothKeys();
    void placement_defaultsAndRoundTrip();
    void settingsFileName_data();
    void settingsFileName();
    void programDirectory_fallsBackToConfigDirectory();
    void programDirectory_notWritable_settingsGoToConfigDirectory();
    void writers_failingDevice_reportPathAndKeepOldFile_data();
    void writers_failingDevice_reportPathAndKeepOldFile();
    void normalizeFontSize_data();
    void normalizeFontSize();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestSettingsStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("Zephinet.INI"));
}

void TestSettingsStore::missingFile_givesDefaults_thenFontSizeWriteCreatesOnlyFont()
{
    const SettingsStore store(m_path);
    const Settings s = store.load(Machine, m_dir->path() + u'/');

    Settings expected;
    expected.HandleName = Machine;
    expected.LogFileName = m_dir->path() + QStringLiteral("/LOG.ZNG");
    QCOMPARE(s, expected);
    QCOMPARE(s.PortNo, quint16(50000));
    QCOMPARE(s.ActivePortNo, quint16(50000));
    QVERIFY(s.LogSave);
    QCOMPARE(s.LogFileMaxCount, 100);
    QCOMPARE(s.Size, quint8(9));
    QCOMPARE(s.SortIndex, quint8(0));
    QVERIFY(s.SortUpper);
    QVERIFY(s.Password.isEmpty());
    QVERIFY(!QFile::exists(m_path));

    // A program directory without its trailing separator gives the same log path.
    QCOMPARE(store.load(Machine, m_dir->path()).LogFileName, expected.LogFileName);

    QCOMPARE(store.writeFontSize(NormalizeFontSize(s.Size)), QString());
    QCOMPARE(readAll(m_path), QByteArray("[Font]\r\nSize=9\r\n"));
}

void TestSettingsStore::numbers_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<qint64>("expected");

    const QByteArray L("LocalSetting");
    QTest::addRow("port hex") << L << QByteArray("PortNo") << QByteArray("0x1F90") << qint64(8080);
    QTest::addRow("port hex upper X") << L << QByteArray("PortNo") << QByteArray("0X1f90") << qint64(8080);
    QTest::addRow("port not a number") << L << QByteArray("PortNo") << QByteArray("abc") << qint64(50000);
    QTest::addRow("port low 16 bits") << L << QByteArray("PortNo") << QByteArray("70000") << qint64(4464);
    QTest::addRow("active port follows") << L << QByteArray("ActivePortNo") << QByteArray("70000") << qint64(4464);
    QTest::addRow("port bare 0x") << L << QByteArray("PortNo") << QByteArray("0x") << qint64(50000);
    QTest::addRow("port beyond 32 bits") << L << QByteArray("PortNo") << QByteArray("99999999999") << qint64(50000);
    QTest::addRow("port with trailing text") << L << QByteArray("PortNo") << QByteArray("80a") << qint64(50000);
    QTest::addRow("port empty") << L << QByteArray("PortNo") << QByteArray("") << qint64(50000);
    QTest::addRow("LogSave 2") << L << QByteArray("LogSave") << QByteArray("2") << qint64(1);
    QTest::addRow("LogSave yes") << L << QByteArray("LogSave") << QByteArray("yes") << qint64(1);
    QTest::addRow("LogSave 0") << L << QByteArray("LogSave") << QByteArray("0") << qint64(0);
    QTest::addRow("ClipRecvInfo 0") << L << QByteArray("ClipRecvInfo") << QByteArray("0") << qint64(0);
    QTest::addRow("ClipRecvInfo -1") << L << QByteArray("ClipRecvInfo") << QByteArray("-1") << qint64(1);
    QTest::addRow("StartShow true default false") << L << QByteArray("StartShow") << QByteArray("x") << qint64(0);
    QTest::addRow("StartShow hex") << L << QByteArray("StartShow") << QByteArray("0x10") << qint64(1);
    QTest::addRow("byte low 8 bits") << L << QByteArray("AutoCloseTimer") << QByteArray("261") << qint64(5);
    QTest::addRow("byte negative") << L << QByteArray("AutoCloseTimer") << QByteArray("-1") << qint64(255);
    QTest::addRow("byte not a number") << L << QByteArray("AutoCloseTimer") << QByteArray("5s") << qint64(5);
    QTest::addRow("integer kept whole") << L << QByteArray("LogFileMaxCount") << QByteArray("70000") << qint64(70000);
    QTest::addRow("integer plus sign") << L << QByteArray("LogFileMaxCount") << QByteArray("+7") << qint64(7);
    QTest::addRow("integer hex wraps") << L << QByteArray("TaskAnimation") << QByteArray("0xFFFFFFFF") << qint64(-1);
    QTest::addRow("size as stored") << QByteArray("Font") << QByteArray("Size") << QByteArray("10") << qint64(10);
    QTest::addRow("sort index") << QByteArray("Sort") << QByteArray("SortIndex") << QByteArray("2") << qint64(2);
    QTest::addRow("sort upper 0") << QByteArray("Sort") << QByteArray("SortUpper") << QByteArray("0") << qint64(0);
}

void TestSettingsStore::numbers()
{
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, stored);
    QFETCH(qint64, expected);
    const QByteArray fileKey = key == "ActivePortNo" ? QByteArray("PortNo") : key;
    QVERIFY(writeAll(m_path, "[" + section + "]\r\n" + fileKey + "=" + stored + "\r\n"));
    QCOMPARE(numericField(SettingsStore(m_path).load(Machine, m_dir->path()), key), expected);
}

void TestSettingsStore::huzaiMessage_storedOnOneLine_readsBackAsLines_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<QByteArray>("storedLine");
    QTest::addColumn<QByteArray>("readBack");

    const QByteArray twoLines = cp932::bytes(u"外出中です。\r\n15時に戻ります。");
    QTest::addRow("two lines") << twoLines << QByteArray("HuzaiMessage=" + QByteArray(twoLines).replace("\r\n", "\\n"))
                               << twoLines;
    QTest::addRow("empty lines") << QByteArray("a\r\n\r\nb\r\n") << QByteArray("HuzaiMessage=a\\n\\nb\\n")
                                 << QByteArray("a\r\n\r\nb\r\n");
    // The 5C of "ソ" (83 5C) followed by "n" is no escape.
    QTest::addRow("trail byte 5C before n")
        << QByteArray("\x83\x5cnet") << QByteArray("HuzaiMessage=\x83\x5cnet") << QByteArray("\x83\x5cnet");
    // A lone LF would break the file's line; it is stored as a line break.
    QTest::addRow("lone LF") << QByteArray("a\nb") << QByteArray("HuzaiMessage=a\\nb") << QByteArray("a\r\nb");
    // Typed "\n" comes back as a line break: the encoding escapes nothing else.
    QTest::addRow("typed backslash n") << QByteArray("a\\nb") << QByteArray("HuzaiMessage=a\\nb")
                                       << QByteArray("a\r\nb");
}

void TestSettingsStore::huzaiMessage_storedOnOneLine_readsBackAsLines()
{
    QFETCH(QByteArray, message);
    QFETCH(QByteArray, storedLine);
    QFETCH(QByteArray, readBack);
    const SettingsStore store(m_path);

    QCOMPARE(store.writeHuzaiMessage(message), QString());
    QCOMPARE(readAll(m_path), QByteArray("[LocalSetting]\r\n" + storedLine + "\r\n"));
    QCOMPARE(store.load(Machine, m_dir->path()).HuzaiMessage, readBack);

    Settings s;
    s.HuzaiMessage = message;
    QCOMPARE(store.saveAll(s), QString());
    QVERIFY(readAll(m_path).contains(QByteArray("\r\n" + storedLine + "\r\n")));
    QCOMPARE(store.load(Machine, m_dir->path()).HuzaiMessage, readBack);
}

void TestSettingsStore::password_storedScrambledTwice_data()
{
    QTest::addColumn<QByteArray>("password");
    QTest::addRow("empty") << QByteArray();
    QTest::addRow("one byte") << QByteArray("x");
    QTest::addRow("ascii") << QByteArray("Secret123");
    QTest::addRow("double-byte and high bytes") << QByteArray("\x82\xa0\xff\x01 ~");
    QTest::addRow("32 characters") << QByteArray(32, 'p');
}

void TestSettingsStore::password_storedScrambledTwice()
{
    QFETCH(QByteArray, password);
    const SettingsStore store(m_path);
    Settings s;
    s.Password = password;
    QCOMPARE(store.saveAll(s), QString());

    const QRegularExpression stored(QStringLiteral("\r\nPassword=([0-9A-F]*)\r\n"));
    const auto match = stored.match(QString::fromLatin1(readAll(m_path)));
    QVERIFY(match.hasMatch());
    QCOMPARE(match.captured(1).size(), 6 + 4 * password.size());
    QCOMPARE(store.load(Machine, m_dir->path()).Password, password);
}

void TestSettingsStore::password_unreadable_readsAsEmpty_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addRow("not hex") << QByteArray("hello world!");
    QTest::addRow("odd length") << QByteArray("96CCCAD");
    QTest::addRow("inner layer not hex") << QByteArray("005A5A5A5A"); // -> "ZZZZ"
    QTest::addRow("inner layer odd") << QByteArray("00303030");       // -> "000"
    QTest::addRow("one layer only") << QByteArray("32");
}

void TestSettingsStore::password_unreadable_readsAsEmpty()
{
    QFETCH(QByteArray, stored);
    QVERIFY(writeAll(m_path, "[Security]\r\nPasswordRecv=1\r\nPassword=" + stored + "\r\n[Sort]\r\nSortIndex=1\r\n"));
    const Settings s = SettingsStore(m_path).load(Machine, m_dir->path());
    QVERIFY(s.Password.isEmpty());
    QVERIFY(s.PasswordRecv);
    QCOMPARE(s.SortIndex, quint8(1));
}

void TestSettingsStore::saveAll_writesTableOrder_andRoundTrips()
{
    const SettingsStore store(m_path);
    Settings s;
    s.HandleName = cp932::bytes(u"山田");
    s.PortNo = 50123;
    s.HuzaiMessage = "out\r\nback at 3";
    s.StartShow = s.SendAfterClose = s.RecvAutoOpen = s.SendMachineHide = true;
    s.RecvMachineHide = s.RecvDateHide = s.TaskClipHide = s.TaskHuzaiHide = true;
    s.ClipRecvInfo = false;
    s.ReturnMessagePlus = s.ReturnRecvHide = true;
    s.TaskAnimation = 2;
    s.MouseAnimation = 0;
    s.RecvOpenCheck = s.HuzaiModeCheck = s.HuzaiReturnCheck = s.HuzaiSetCheck = true;
    s.SendSelfCheck = false;
    s.PasswordOnline = s.PasswordOption = s.PasswordRecv = s.PasswordLog = true;
    s.Password = "pw";
    s.LogSave = false;
    s.LogFileName = QStringLiteral("/home/user/ログ.ZNG");
    s.LogFileMaxCount = 0;
    s.SendIP = "192.168.1.5&|10.0.0.7&|";
    s.AutoLocate = false;
    s.AutoClose = s.ExclamationAutoClose = true;
    s.AutoCloseTimer = 99;
    s.OnlineCheck = s.OfflineCheck = s.OpenCheck = s.RecvCheck = true;
    s.IventSound = true;
    s.SoundBeep = false;
    s.SoundFiles = {QStringLiteral("/a/on.wav"), QString(), QStringLiteral("/b/着信.wav")};
    s.DesktopNotification = 0;
    s.DirectSend = 0;
    s.ActivePortNo = 50123;
    QCOMPARE(store.saveAll(s), QString());

    const QByteArrayList expectedOrder{"[LocalSetting]",
                                       "HandleName",
                                       "PortNo",
                                       "HuzaiMessage",
                                       "StartShow",
                                       "SendAfterClose",
                                       "RecvAutoOpen",
                                       "SendMachineHide",
                                       "RecvMachineHide",
                                       "RecvDateHide",
                                       "TaskClipHide",
                                       "TaskHuzaiHide",
                                       "ClipRecvInfo",
                                       "ReturnMessagePlus",
                                       "ReturnRecvHide",
                                       "TaskAnimation",
                                       "MouseAnimation",
                                       "RecvOpenCheck",
                                       "HuzaiModeCheck",
                                       "HuzaiReturnCheck",
                                       "HuzaiSetCheck",
                                       "SendSelfCheck",
                                       "LogSave",
                                       "LogFileName",
                                       "LogFileMaxCount",
                                       "SendIP",
                                       "AutoLocate",
                                       "AutoClose",
                                       "ExclamationAutoClose",
                                       "AutoCloseTimer",
                                       "OnlineCheck",
                                       "OfflineCheck",
                                       "OpenCheck",
                                       "RecvCheck",
                                       "IventSound",
                                       "SoundBeep",
                                       "SoundFileUserOnline",
                                       "SoundFileUserOffline",
                                       "SoundFileRecvMessage",
                                       "DesktopNotification",
                                       "DirectSend",
                                       "[Security]",
                                       "PasswordOnline",
                                       "PasswordOption",
                                       "PasswordRecv",
                                       "PasswordLog",
                                       "Password"};
    const QByteArray file = readAll(m_path);
    QCOMPARE(keyOrder(file), expectedOrder);
    QVERIFY(file.contains("\r\nPortNo=50123\r\nHuzaiMessage=out\\nback at 3\r\nStartShow=1\r\n"));
    QVERIFY(file.contains("\r\nLogFileName=/home/user/\x83\x8d\x83\x4f.ZNG\r\n"));
    QVERIFY(file.contains("\r\nSendSelfCheck=0\r\n"));
    QVERIFY(file.contains("\r\nDesktopNotification=0\r\nDirectSend=0\r\n"));

    QCOMPARE(store.load("OTHER", QStringLiteral("/elsewhere/")), s);
}

void TestSettingsStore::saveAll_keepsOtherLinesByteForByte()
{
    const QByteArray before("; my settings\r\n"
                            "[MainFormLocate]\r\n"
                            "Left=10\r\n"
                            "[LocalSetting]\r\n"
                            "PortNo=1234\r\n"
                            "UnknownKey=\xff\xfe kept\r\n"
                            "garbage line without equals\r\n"
                            "\r\n"
                            "[Zzz]\r\n"
                            "a=b\r\n");
    QVERIFY(writeAll(m_path, before));
    const SettingsStore store(m_path);
    Settings s = store.load(Machine, m_dir->path());
    QCOMPARE(s.PortNo, quint16(1234));
    s.PortNo = 4321;
    QCOMPARE(store.saveAll(s), QString());

    const QByteArray after = readAll(m_path);
    QVERIFY(after.startsWith("; my settings\r\n[MainFormLocate]\r\nLeft=10\r\n[LocalSetting]\r\nPortNo=4321\r\n"
                             "UnknownKey=\xff\xfe kept\r\nHandleName=MACHINE1\r\n"));
    QVERIFY(after.contains("SoundFileRecvMessage=\r\n"
                           "garbage line without equals\r\n\r\n[Zzz]\r\na=b\r\n[Security]\r\n"));
    QVERIFY(after.endsWith("\r\n"));
    QCOMPARE(after.count("PortNo="), 1);
}

void TestSettingsStore::saveAll_unencodablePath_writesNothing()
{
    QVERIFY(writeAll(m_path, "[Font]\r\nSize=12\r\n"));
    Settings s;
    s.SoundFiles[1] = QStringLiteral("/sounds/\U0001F600.wav");
    const QString error = SettingsStore(m_path).saveAll(s);
    QVERIFY(error.startsWith(QFileInfo(m_path).absoluteFilePath() + QStringLiteral(" に書き込めません")));
    QVERIFY(error.contains(QStringLiteral("\U0001F600")));
    QCOMPARE(readAll(m_path), QByteArray("[Font]\r\nSize=12\r\n"));
}

void TestSettingsStore::saveAll_unwritable_reportsPathAndKeepsOldFile()
{
    // The temporary file beside a 250-character name cannot be created, for
    // root as well: every writer fails and the old file stays.
    const QString path = m_dir->filePath(QString(250, u'x'));
    const QByteArray old("[LocalSetting]\r\nPortNo=1\r\n");
    QVERIFY(writeAll(path, old));
    const SettingsStore store(path);
    const QString expected = QFileInfo(path).absoluteFilePath() + QStringLiteral(" に書き込めません");

    QCOMPARE(store.saveAll(Settings{}), expected);
    QCOMPARE(store.writeFontSize(9), expected);
    QCOMPARE(store.writeSort(1, false), expected);
    QCOMPARE(store.writeHuzaiMessage("x"), expected);
    QCOMPARE(store.writePlacement(PlacementSection::SendForm, {1, 2, 3, 4}), expected);
    QCOMPARE(store.writeMainPlacement({1, 2, 3, 4}, {5, 6, 7}), expected);
    QCOMPARE(readAll(path), old);
    QCOMPARE(store.load(Machine, m_dir->path()).PortNo, quint16(1));

    // A parent that is a regular file.
    const SettingsStore below(path + QStringLiteral("/Zephinet.INI"));
    QCOMPARE(below.writeFontSize(9),
             QFileInfo(path + QStringLiteral("/Zephinet.INI")).absoluteFilePath()
                 + QStringLiteral(" に書き込めません"));
}

void TestSettingsStore::longValues_areCut()
{
    QVERIFY(writeAll(m_path,
                     "[LocalSetting]\r\nHandleName=" + QByteArray(3000, 'h')
                         + "\r\nHuzaiMessage=" + QByteArray(1020, 'm') + "\\n\\n"
                         + "\r\nSendIP=" + QByteArray(1022, '1') + "\x82\xa0&|\r\n"));
    const Settings s = SettingsStore(m_path).load(Machine, m_dir->path());
    QCOMPARE(s.HandleName, QByteArray(1023, 'h'));
    // Cut before decoding: 1020 + "\n" + "\" of the next escape.
    QCOMPARE(s.HuzaiMessage, QByteArray(QByteArray(1020, 'm') + "\r\n\\"));
    QCOMPARE(s.SendIP, QByteArray(1022, '1'));
}

void TestSettingsStore::garbageFile_loadsWithDefaults()
{
    QVERIFY(writeAll(m_path,
                     QByteArray("\xff\xfe\x00\x01 junk\n[LocalSetting\r\n"
                                "PortNo=\x82\r\n"
                                "HandleName=\x81\r\n"
                                "= nothing\r\n"
                                "[[Font]]\r\n"
                                "Size=14\r\n"
                                "LogSave\r\n"
                                "[Sort]\r\nSortIndex=\xff\xff\r\n"
                                "\r\r\r\n",
                                92)));
    const Settings s = SettingsStore(m_path).load(Machine, m_dir->path());
    QCOMPARE(s.PortNo, quint16(50000));
    QCOMPARE(s.HandleName, Machine); // "\x81" is no CP932 text: the default
    QCOMPARE(s.Size, quint8(9));     // "[[Font]]" names the section "[Font"
    QVERIFY(s.LogSave);
    QCOMPARE(s.SortIndex, quint8(0));
}

void TestSettingsStore::legacyFile_readsCorrectly()
{
    const QString fixture = QFINDTESTDATA("data/legacy.INI");
    QVERIFY(!fixture.isEmpty());
    QVERIFY(QFile::copy(fixture, m_path));
    const SettingsStore store(m_path);
    const Settings s = store.load(Machine, m_dir->path());

    QCOMPARE(cp932::decode(s.HandleName), QStringLiteral("表示テスト"));
    QCOMPARE(s.PortNo, quint16(50010));
    QCOMPARE(s.ActivePortNo, quint16(50010));
    QCOMPARE(cp932::toWidgetText(s.HuzaiMessage), QStringLiteral("外出中です。\n15時に戻ります。"));
    QVERIFY(s.StartShow);
    QVERIFY(!s.SendAfterClose);
    QVERIFY(s.RecvAutoOpen);
    QVERIFY(s.RecvDateHide);
    QVERIFY(s.TaskHuzaiHide);
    QVERIFY(!s.ClipRecvInfo);
    QVERIFY(s.ReturnMessagePlus);
    QCOMPARE(s.TaskAnimation, 2);
    QCOMPARE(s.MouseAnimation, 0);
    QVERIFY(s.HuzaiModeCheck);
    QVERIFY(s.HuzaiSetCheck);
    QVERIFY(!s.SendSelfCheck);
    QVERIFY(!s.PasswordOnline);
    QVERIFY(s.PasswordOption);
    QVERIFY(!s.PasswordRecv);
    QVERIFY(s.PasswordLog);
    QCOMPARE(s.Password, QByteArray("secret"));
    QVERIFY(s.LogSave);
    QCOMPARE(s.LogFileName, QStringLiteral("C:\\Program Files\\Zephinet\\ログ.ZNG"));
    QCOMPARE(s.LogFileMaxCount, 500);
    QCOMPARE(s.SendIP, QByteArray("192.168.1.5&|10.0.0.7&|"));
    QVERIFY(!s.AutoLocate);
    QVERIFY(s.AutoClose);
    QVERIFY(!s.ExclamationAutoClose);
    QCOMPARE(s.AutoCloseTimer, quint8(12));
    QVERIFY(s.OnlineCheck && s.OfflineCheck && s.OpenCheck && !s.RecvCheck);
    QVERIFY(s.IventSound && !s.SoundBeep);
    QCOMPARE(s.SoundFiles[0], QStringLiteral("C:\\WINDOWS\\Media\\chimes.wav"));
    QCOMPARE(s.SoundFiles[1], QString());
    QCOMPARE(s.SoundFiles[2], QStringLiteral("C:\\サウンド\\着信.wav"));
    QCOMPARE(s.Size, quint8(12));
    QCOMPARE(s.SortIndex, quint8(2));
    QVERIFY(!s.SortUpper);

    QCOMPARE(store.readPlacement(PlacementSection::MainForm, {1, 2, 3, 4}), (Placement{312, -20, 450, 346}));
    QCOMPARE(store.readColumnWidths(), (ColumnWidths{180, 110, 100}));

    // Saving what was read changes nothing but the freshly scrambled password.
    const QByteArray before = readAll(m_path);
    QCOMPARE(store.saveAll(s), QString());
    const QRegularExpression password(QStringLiteral("Password=[0-9A-F]*"));
    QCOMPARE(QString::fromLatin1(readAll(m_path)).replace(password, QString()),
             QString::fromLatin1(before).replace(password, QString()));
    QCOMPARE(store.load(Machine, m_dir->path()), s);
}

void TestSettingsStore::writeSort_writesBothKeys()
{
    const SettingsStore store(m_path);
    QCOMPARE(store.writeSort(2, false), QString());
    QCOMPARE(readAll(m_path), QByteArray("[Sort]\r\nSortIndex=2\r\nSortUpper=0\r\n"));
    QCOMPARE(store.writeSort(1, true), QString());
    QCOMPARE(readAll(m_path), QByteArray("[Sort]\r\nSortIndex=1\r\nSortUpper=1\r\n"));
}

void TestSettingsStore::placement_defaultsAndRoundTrip()
{
    const SettingsStore store(m_path);
    const Placement defaults{(1920 - 450) / 2, (1080 - 346) / 2, 450, 346};
    QCOMPARE(store.readPlacement(PlacementSection::SendForm, defaults), defaults);
    QCOMPARE(store.readColumnWidths(), DefaultColumnWidths);

    QCOMPARE(store.writePlacement(PlacementSection::SendForm, {-5, 7, 300, 200}), QString());
    QCOMPARE(store.readPlacement(PlacementSection::SendForm, defaults), (Placement{-5, 7, 300, 200}));

    QCOMPARE(store.writePlacement(PlacementSection::IventForm, {11, 22, 33, 44}, false), QString());
    QCOMPARE(store.readPlacement(PlacementSection::IventForm, defaults), (Placement{11, 22, 450, 346}));

    QCOMPARE(store.writeMainPlacement({1, 2, 500, 400}, {150, 100, 80}), QString());
    QCOMPARE(store.readPlacement(PlacementSection::MainForm, defaults), (Placement{1, 2, 500, 400}));
    QCOMPARE(store.readColumnWidths(), (ColumnWidths{150, 100, 80}));

    QCOMPARE(readAll(m_path),
             QByteArray("[SendFormLocate]\r\nLeft=-5\r\nTop=7\r\nWidth=300\r\nHeight=200\r\n"
                        "[IventFormLocate]\r\nLeft=11\r\nTop=22\r\n"
                        "[MainFormLocate]\r\nLeft=1\r\nTop=2\r\nWidth=500\r\nHeight=400\r\n"
                        "UserList1=150\r\nUserList2=100\r\nUserList3=80\r\n"));

    // A stored position is one, wherever it is: a monitor up and left of the
    // first gives both coordinates negative. Only a missing one is none.
    QCOMPARE(store.readPosition(PlacementSection::IventForm), std::optional(QPoint(11, 22)));
    QCOMPARE(store.writePlacement(PlacementSection::IventForm, {-1200, -300, 0, 0}, false), QString());
    QCOMPARE(store.readPosition(PlacementSection::IventForm), std::optional(QPoint(-1200, -300)));
    QCOMPARE(store.writePlacement(PlacementSection::IventForm, {-1, -1, 0, 0}, false), QString());
    QCOMPARE(store.readPosition(PlacementSection::IventForm), std::optional(QPoint(-1, -1)));
    QCOMPARE(store.readPosition(PlacementSection::LogForm), std::nullopt);
}

void TestSettingsStore::settingsFileName_data()
{
    QTest::addColumn<QStringList>("parameters");
    QTest::addColumn<QString>("fileName");

    QTest::addRow("none") << QStringList() << QStringLiteral("Zephinet.INI");
    QTest::addRow("work") << QStringList{QStringLiteral("work")} << QStringLiteral("Zephinet -work-.INI");
    QTest::addRow("second ignored") << QStringList{QStringLiteral("abc"), QStringLiteral("x")}
                                    << QStringLiteral("Zephinet -abc-.INI");
    QTest::addRow("empty parameter") << QStringList{QString()} << QStringLiteral("Zephinet --.INI");
    QTest::addRow("japanese") << QStringList{QStringLiteral("仕事")} << QStringLiteral("Zephinet -仕事-.INI");
    QTest::addRow("parent escape") << QStringList{QStringLiteral("../../etc/x")}
                                   << QStringLiteral("Zephinet -______etc_x-.INI");
    QTest::addRow("absolute") << QStringList{QStringLiteral("/tmp/x")} << QStringLiteral("Zephinet -_tmp_x-.INI");
    QTest::addRow("backslash") << QStringList{QStringLiteral("a\\b")} << QStringLiteral("Zephinet -a_b-.INI");
    QTest::addRow("dots alone") << QStringList{QStringLiteral("...")} << QStringLiteral("Zephinet -__.-.INI");
    QTest::addRow("single dot kept") << QStringList{QStringLiteral("a.b")} << QStringLiteral("Zephinet -a.b-.INI");
}

void TestSettingsStore::settingsFileName()
{
    QFETCH(QStringList, parameters);
    QFETCH(QString, fileName);
    const QString name = SettingsFileName(parameters);
    QCOMPARE(name, fileName);
    QVERIFY(!name.contains(u'/') && !name.contains(u"..-"_qs));
}

void TestSettingsStore::programDirectory_fallsBackToConfigDirectory()
{
    const QString exe = m_dir->filePath(QStringLiteral("bin"));
    const QString config = m_dir->filePath(QStringLiteral("config/Zephinet"));
    QVERIFY(QDir().mkpath(exe));
    QCOMPARE(ProgramDirectoryFor(exe, config), exe + u'/');
    QVERIFY(!QFileInfo::exists(config));

    // An executable directory that cannot hold files (here: not a directory).
    const QString notADirectory = m_dir->filePath(QStringLiteral("file"));
    QVERIFY(writeAll(notADirectory, "x"));
    QCOMPARE(ProgramDirectoryFor(notADirectory, config), config + u'/');
    QVERIFY(QFileInfo(config).isDir());

    QVERIFY(ProgramDirectory().endsWith(u'/'));
}

void TestSettingsStore::programDirectory_notWritable_settingsGoToConfigDirectory()
{
    // An installed program: its directory exists but this user cannot write
    // there (decided by the seam, since permissions do not bind root).
    const QString exe = m_dir->filePath(QStringLiteral("bin"));
    const QString config = m_dir->filePath(QStringLiteral("config/Zephinet"));
    QVERIFY(QDir().mkpath(exe));
    QStringList asked;
    const auto notWritable = [&asked](const QString &directory) {
        asked << directory;
        return false;
    };
    const QString directory = ProgramDirectoryFor(exe, config, notWritable);
    QCOMPARE(asked, QStringList{exe});
    QCOMPARE(directory, config + u'/');

    const SettingsStore store(directory + SettingsFileName({}));
    QCOMPARE(store.writeFontSize(12), QString());
    QCOMPARE(readAll(config + QStringLiteral("/Zephinet.INI")), QByteArray("[Font]\r\nSize=12\r\n"));
    QVERIFY(QDir(exe).isEmpty());
    QCOMPARE(store.load(Machine, directory).LogFileName, config + QStringLiteral("/LOG.ZNG"));

    // A writable one keeps the settings beside the program.
    QCOMPARE(ProgramDirectoryFor(exe, config, [](const QString &) { return true; }), exe + u'/');
    QVERIFY(UserConfigDirectory().endsWith(QStringLiteral("/Zephinet")));
    QVERIFY(!UserConfigDirectory().endsWith(QStringLiteral("/Zephinet/Zephinet")));
}

void TestSettingsStore::writers_failingDevice_reportPathAndKeepOldFile_data()
{
    QTest::addColumn<int>("step");
    QTest::addRow("open") << int(test::FailDevice::Open);
    QTest::addRow("write") << int(test::FailDevice::Write);
    QTest::addRow("commit") << int(test::FailDevice::Commit);
}

void TestSettingsStore::writers_failingDevice_reportPathAndKeepOldFile()
{
    QFETCH(int, step);
    const QByteArray old("[LocalSetting]\r\nPortNo=1\r\n[Font]\r\nSize=12\r\n");
    QVERIFY(writeAll(m_path, old));
    QStringList steps;
    const SettingsStore store(m_path, test::FailDevice::opener(test::FailDevice::Step(step), &steps));
    const QString expected = QFileInfo(m_path).absoluteFilePath() + QStringLiteral(" に書き込めません");

    QCOMPARE(store.saveAll(Settings{}), expected);
    QCOMPARE(store.writeFontSize(9), expected);
    QCOMPARE(store.writeSort(1, false), expected);
    QCOMPARE(store.writeHuzaiMessage("x"), expected);
    QCOMPARE(store.writePlacement(PlacementSection::SendForm, {1, 2, 3, 4}), expected);
    QCOMPARE(store.writeMainPlacement({1, 2, 3, 4}, {5, 6, 7}), expected);
    QCOMPARE(readAll(m_path), old);
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Zephinet.INI")});
    QCOMPARE(steps.count(QStringLiteral("open")), 6);
    // A write that changes nothing never reaches the device, and so succeeds.
    steps.clear();
    QCOMPARE(store.writeFontSize(12), QString());
    QVERIFY(steps.isEmpty());
}

void TestSettingsStore::normalizeFontSize_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("size");
    for (const auto &[stored, size] : std::initializer_list<std::pair<int, int>>{
             {14, 14}, {12, 12}, {0, 12}, {8, 8}, {2, 8}, {9, 9}, {1, 9}, {10, 9}, {13, 9}, {255, 9}, {-1, 9}})
        QTest::addRow("%d", stored) << stored << size;
}

void TestSettingsStore::normalizeFontSize()
{
    QFETCH(int, stored);
    QFETCH(int, size);
    QCOMPARE(int(NormalizeFontSize(stored)), size);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
