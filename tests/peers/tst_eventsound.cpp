#include "platform/eventsound.h"
#include "settings/settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zn;

namespace {

class RecordingOutput final : public SoundOutput {
public:
    explicit RecordingOutput(QStringList &calls) : m_calls(calls) {}
    void beep() override { m_calls << QStringLiteral("beep"); }
    void playFile(const QString &path) override { m_calls << QStringLiteral("play ") + path; }

private:
    QStringList &m_calls;
};

// A tenth of a second of silence as 8 kHz mono 16-bit PCM.
QByteArray silentWav()
{
    const quint32 samples = 800;
    const quint32 dataBytes = samples * 2;
    QByteArray wav;
    auto u32 = [&wav](quint32 v) {
        for (int i = 0; i < 4; ++i)
            wav.append(char((v >> (8 * i)) & 0xFF));
    };
    auto u16 = [&wav](quint16 v) {
        wav.append(char(v & 0xFF));
        wav.append(char(v >> 8));
    };
    wav.append("RIFF");
    u32(36 + dataBytes);
    wav.append("WAVEfmt ");
    u32(16);
    u16(1);        // PCM
    u16(1);        // mono
    u32(8000);     // samples per second
    u32(16000);    // bytes per second
    u16(2);        // block alignment
    u16(16);       // bits per sample
    wav.append("data");
    u32(dataBytes);
    wav.append(QByteArray(int(dataBytes), '\0'));
    return wav;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestEventSound : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void choice_data();
    void choice();
    void settingsReadAtEachEvent();
    void unreadableFile_playsNothing();
    void soundSystem_playsAndRefusesQuietly();

private:
    QTemporaryDir m_dir;
    QString m_online, m_offline, m_arrived;
};

void TestEventSound::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_online = m_dir.filePath(QStringLiteral("online.wav"));
    m_offline = m_dir.filePath(QStringLiteral("オフライン.wav"));
    m_arrived = m_dir.filePath(QStringLiteral("arrived.wav"));
    for (const QString &path : {m_online, m_offline, m_arrived})
        QVERIFY(writeFile(path, silentWav()));
}

void TestEventSound::choice_data()
{
    QTest::addColumn<bool>("soundBeep");
    QTest::addColumn<bool>("iventSound");
    QTest::addColumn<int>("kind");
    // "online", "offline", "arrived" name the prepared files; anything else is
    // used as the path itself.
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("expected");

    const QString online = QStringLiteral("online");
    QTest::addRow("both on: the beep wins") << true << true << 0 << online << QStringLiteral("beep");
    QTest::addRow("beep alone") << true << false << 1 << online << QStringLiteral("beep");
    QTest::addRow("beep with an empty file") << true << false << 2 << QString() << QStringLiteral("beep");
    QTest::addRow("file: online") << false << true << 0 << online << QStringLiteral("play online");
    QTest::addRow("file: offline") << false << true << 1 << QStringLiteral("offline")
                                   << QStringLiteral("play offline");
    QTest::addRow("file: arrived") << false << true << 2 << QStringLiteral("arrived")
                                   << QStringLiteral("play arrived");
    QTest::addRow("neither") << false << false << 0 << online << QString();
    QTest::addRow("empty path") << false << true << 0 << QString() << QString();
    QTest::addRow("missing file") << false << true << 0
                                  << QStringLiteral("/nonexistent/zephinet/none.wav") << QString();
    QTest::addRow("directory") << false << true << 0 << QStringLiteral("/") << QString();
}

void TestEventSound::choice()
{
    QFETCH(bool, soundBeep);
    QFETCH(bool, iventSound);
    QFETCH(int, kind);
    QFETCH(QString, file);
    QFETCH(QString, expected);

    const auto resolve = [this](const QString &name) {
        if (name == u"online")
            return m_online;
        if (name == u"offline")
            return m_offline;
        if (name == u"arrived")
            return m_arrived;
        return name;
    };

    Settings settings;
    settings.SoundBeep = soundBeep;
    settings.IventSound = iventSound;
    // Every other kind has a real file, so that a wrong index would be heard.
    settings.SoundFiles = {m_online, m_offline, m_arrived};
    settings.SoundFiles[std::size_t(kind)] = resolve(file);

    QStringList calls;
    EventSound sound(settings, std::make_unique<RecordingOutput>(calls));
    sound.PlayEventSound(SoundKind(kind));

    QStringList wanted;
    if (expected.startsWith(u"play "))
        wanted << QStringLiteral("play ") + resolve(expected.mid(5));
    else if (!expected.isEmpty())
        wanted << expected;
    QCOMPARE(calls, wanted);
}

void TestEventSound::settingsReadAtEachEvent()
{
    Settings settings;
    QStringList calls;
    EventSound sound(settings, std::make_unique<RecordingOutput>(calls));

    sound.PlayEventSound(SoundKind::MessageArrived);
    QVERIFY(calls.isEmpty());

    settings.IventSound = true;
    settings.SoundFiles[2] = m_arrived;
    sound.PlayEventSound(SoundKind::MessageArrived);
    settings.SoundBeep = true;
    sound.PlayEventSound(SoundKind::MessageArrived);
    QCOMPARE(calls, (QStringList{QStringLiteral("play ") + m_arrived, QStringLiteral("beep")}));
}

void TestEventSound::unreadableFile_playsNothing()
{
    const QString path = m_dir.filePath(QStringLiteral("locked.wav"));
    QVERIFY(writeFile(path, silentWav()));
    QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    if (QFileInfo(path).isReadable())
        QSKIP("running with rights that read any file");

    Settings settings;
    settings.IventSound = true;
    settings.SoundFiles[0] = path;
    QStringList calls;
    EventSound sound(settings, std::make_unique<RecordingOutput>(calls));
    sound.PlayEventSound(SoundKind::UserOnline);
    QVERIFY(calls.isEmpty());
}

void TestEventSound::soundSystem_playsAndRefusesQuietly()
{
    // Whether or not this machine has audio output, playing returns at once
    // and a file that is no WAV stays silent without taking anything down.
    const QString notWav = m_dir.filePath(QStringLiteral("text.wav"));
    QVERIFY(writeFile(notWav, QByteArray("not a sound\r\n")));

    QtSoundOutput output;
    output.playFile(m_online);
    output.playFile(m_online);
    output.playFile(notWav);
    output.playFile(m_offline);
    output.playFile(m_arrived);
    output.playFile(m_online);
    QTest::qWait(50);
    output.playFile(m_online);
    QTest::qWait(20);
}

QTEST_MAIN(TestEventSound)
#include "tst_eventsound.moc"
