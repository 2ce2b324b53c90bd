#include "fakeclock.h"
#include "platform/eventsound.h"
#include "settings/settings.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    u16(1);     // PCM
    u16(1);     // mono
    u32(8000);  // samples per second
    u32(16000); // bytes per second
    u16(2);     // block alignment
    u16(16);    // bits per sample
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
    void burstOfEvents_soundsOnce();
    void arrival_neverSilencedByPresenceSound();
    void soundOutput_loadsOncePlaysOneAtATime();
    void eventSound_throughSoundSystem_playsChosenFile();
    void soundSystem_loadedWithFirstSoundFile();

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
    QTest::addRow("file: offline") << false << true << 1 << QStringLiteral("offline") << QStringLiteral("play offline");
    QTest::addRow("file: arrived") << false << true << 2 << QStringLiteral("arrived") << QStringLiteral("play arrived");
    QTest::addRow("neither") << false << false << 0 << online << QString();
    QTest::addRow("empty path") << false << true << 0 << QString() << QString();
    QTest::addRow("missing file") << false << true << 0 << QStringLiteral("/nonexistent/zephinet/none.wav")
                                  << QString();
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

// A flood of messages sounds once per quarter second, not once per message.
void TestEventSound::burstOfEvents_soundsOnce()
{
    zn::test::FakeClock clock;
    Settings settings;
    settings.IventSound = true;
    settings.SoundFiles[2] = m_arrived;
    QStringList calls;
    EventSound sound(settings, std::make_unique<RecordingOutput>(calls), &clock);
    for (int i = 0; i < 100; ++i) {
        sound.PlayEventSound(SoundKind::MessageArrived);
        clock.advance(1);
    }
    QCOMPARE(calls.size(), 1);
    clock.advance(EventSound::MinGapMs - 100);
    settings.SoundBeep = true;
    sound.PlayEventSound(SoundKind::UserOnline);
    QCOMPARE(calls, (QStringList{QStringLiteral("play ") + m_arrived, QStringLiteral("beep")}));
    sound.PlayEventSound(SoundKind::UserOnline);
    QCOMPARE(calls.size(), 2);
}

// A message arriving just after a peer came online still sounds; presence
// sounds keep their distance from every sound.
void TestEventSound::arrival_neverSilencedByPresenceSound()
{
    zn::test::FakeClock clock;
    Settings settings;
    settings.IventSound = true;
    settings.SoundFiles[1] = m_offline;
    settings.SoundFiles[2] = m_arrived;
    settings.SoundBeep = true;
    QStringList calls;
    EventSound sound(settings, std::make_unique<RecordingOutput>(calls), &clock);
    sound.PlayEventSound(SoundKind::UserOnline);
    clock.advance(100);
    sound.PlayEventSound(SoundKind::MessageArrived);
    QCOMPARE(calls.size(), 2);
    clock.advance(100);
    sound.PlayEventSound(SoundKind::UserOffline);
    sound.PlayEventSound(SoundKind::MessageArrived);
    QCOMPARE(calls.size(), 2);
    settings.SoundBeep = false;
    clock.advance(EventSound::MinGapMs - 100);
    sound.PlayEventSound(SoundKind::UserOffline);
    clock.advance(1);
    sound.PlayEventSound(SoundKind::MessageArrived);
    QCOMPARE(calls,
             (QStringList{QStringLiteral("beep"), QStringLiteral("beep"), QStringLiteral("play ") + m_offline,
                          QStringLiteral("play ") + m_arrived}));
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

namespace {
// Records what the output does with its effects; a test decides which are
// still playing.
struct EffectLog {
    QStringList calls;
    std::map<QString, bool> playing;
};

class RecordingEffect final : public SoundEffect {
public:
    RecordingEffect(EffectLog &log, QString name) : m_log(log), m_name(std::move(name))
    {
        m_log.calls << QStringLiteral("load ") + m_name;
    }
    ~RecordingEffect() override { m_log.calls << QStringLiteral("drop ") + m_name; }
    void play() override
    {
        m_log.calls << QStringLiteral("play ") + m_name;
        m_log.playing[m_name] = true;
    }
    void stop() override
    {
        m_log.calls << QStringLiteral("stop ") + m_name;
        m_log.playing[m_name] = false;
    }
    bool isPlaying() const override { return m_log.playing[m_name]; }

private:
    EffectLog &m_log;
    QString m_name;
};
} // namespace

void TestEventSound::soundOutput_loadsOncePlaysOneAtATime()
{
    EffectLog log;
    const auto nameOf = [this](const QString &path) { return QFileInfo(path).completeBaseName(); };
    QtSoundOutput output([&](const QString &path) { return std::make_unique<RecordingEffect>(log, nameOf(path)); });
    const QString online = nameOf(m_online), offline = nameOf(m_offline);

    // Loaded once, played at each event.
    output.playFile(m_online);
    log.playing[online] = false;
    output.playFile(m_online);
    QCOMPARE(log.calls,
             (QStringList{QStringLiteral("load ") + online, QStringLiteral("play ") + online,
                          QStringLiteral("play ") + online}));

    // A new sound cuts the one still playing short.
    log.calls.clear();
    output.playFile(m_offline);
    QCOMPARE(log.calls,
             (QStringList{QStringLiteral("load ") + offline, QStringLiteral("stop ") + online,
                          QStringLiteral("play ") + offline}));

    // A file replaced on disk is loaded again.
    log.calls.clear();
    log.playing[offline] = false;
    QFile file(m_online);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    file.close();
    output.playFile(m_online);
    QCOMPARE(log.calls,
             (QStringList{QStringLiteral("drop ") + online, QStringLiteral("load ") + online,
                          QStringLiteral("play ") + online}));

    // Beyond three files, the silent ones are let go; the playing one stays.
    log.calls.clear();
    output.playFile(m_arrived);
    log.playing[nameOf(m_arrived)] = false;
    const QString fourth = m_dir.filePath(QStringLiteral("fourth.wav"));
    QVERIFY(writeFile(fourth, silentWav()));
    log.playing[online] = true;
    output.playFile(fourth);
    QVERIFY(log.calls.contains(QStringLiteral("drop ") + offline));
    QVERIFY(log.calls.contains(QStringLiteral("drop arrived")));
    QVERIFY(!log.calls.contains(QStringLiteral("drop ") + online));
    QCOMPARE(log.calls.last(), QStringLiteral("play fourth"));
}

void TestEventSound::eventSound_throughSoundSystem_playsChosenFile()
{
    // The whole path from settings to effect: the kind's file, nothing for
    // a file that is gone, the beep when asked for.
    EffectLog log;
    Settings settings;
    settings.IventSound = true;
    settings.SoundFiles = {m_online, QStringLiteral("/nonexistent/none.wav"), m_arrived};
    auto output = std::make_unique<QtSoundOutput>(
        [&](const QString &path) { return std::make_unique<RecordingEffect>(log, QFileInfo(path).fileName()); });
    EventSound sound(settings, std::move(output));
    sound.PlayEventSound(SoundKind::MessageArrived);
    sound.PlayEventSound(SoundKind::UserOffline);
    QCOMPARE(log.calls, (QStringList{QStringLiteral("load arrived.wav"), QStringLiteral("play arrived.wav")}));
}

namespace {
bool multimediaMapped()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6Multimedia");
}
} // namespace

// The multimedia libraries are mapped by the first sound file a copy plays,
// through the sound plugin, and not before.
void TestEventSound::soundSystem_loadedWithFirstSoundFile()
{
    QVERIFY(!multimediaMapped());
    QtSoundOutput output;
    output.beep();
    QVERIFY(!multimediaMapped());
    const QString wav = m_dir.filePath(QStringLiteral("first.wav"));
    QVERIFY(writeFile(wav, silentWav()));
    output.playFile(wav);
    QVERIFY(multimediaMapped());
}

QTEST_MAIN(TestEventSound)
#include "tst_eventsound.moc"
