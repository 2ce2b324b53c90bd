// Kills a writer of the log and the settings file with SIGKILL at random
// moments, 200 times: every time, each file must be exactly the version
// before the write that was cut off or the version after it.
#include "crashversions.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <optional>

using namespace zn;
using namespace zn::test;

namespace {

std::optional<QByteArray> readFile(const QString &path)
{
    QFile f(path);
    if (!f.exists())
        return std::nullopt;
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<unreadable>");
    return f.readAll();
}

// The stored password changes at every write (its key is drawn anew), so
// the comparison leaves its value out; it is compared unscrambled instead.
QByteArray withoutPassword(const QByteArray &file)
{
    QByteArrayList lines = file.split('\n');
    for (QByteArray &line : lines) {
        if (line.startsWith("Password="))
            line = "Password=*\r";
    }
    return lines.join('\n');
}

// Settings version v as a fresh file gets it: the options of the last odd
// version, then the placement of the last even one. Replacing keys in place
// keeps the layout the first two writes gave, so this is the whole file.
std::optional<QByteArray> expectedSettings(int v, const QString &directory)
{
    if (v == 0)
        return std::nullopt;
    QTemporaryDir scratch;
    const SettingsStore store(scratch.filePath(QStringLiteral("Zephinet.INI")));
    const int odd = v % 2 == 1 ? v : v - 1;
    if (!crash::writeSettingsVersion(store, odd, directory).isEmpty())
        qFatal("scratch write failed");
    if (v >= 2 && !crash::writeSettingsVersion(store, odd + 1 > v ? v - 1 : odd + 1, directory).isEmpty())
        qFatal("scratch write failed");
    return readFile(store.filePath());
}

bool settingsAre(int v, const QString &directory, const std::optional<QByteArray> &file)
{
    const std::optional<QByteArray> expected = expectedSettings(v, directory);
    if (!expected || !file)
        return !expected && !file;
    if (withoutPassword(*expected) != withoutPassword(*file))
        return false;
    const SettingsStore store(directory + QStringLiteral("/Zephinet.INI"));
    const int odd = v % 2 == 1 ? v : v - 1;
    return store.load("M", directory).Password == crash::optionsOf(odd, directory).Password;
}

bool logIs(int v, const std::optional<QByteArray> &file)
{
    return v == 0 ? !file : file && *file == crash::expectedLog(v);
}

} // namespace

class TestKillWrites : public QObject {
    Q_OBJECT
private slots:
    void killedAnywhere_eachFileIsWholeOldOrNew();
};

void TestKillWrites::killedAnywhere_eachFileIsWholeOldOrNew()
{
    const int runs = qEnvironmentVariableIsSet("ZN_KILL_RUNS") ? qEnvironmentVariableIntValue("ZN_KILL_RUNS") : 200;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = QDir(dir.path()).canonicalPath();
    const QString logPath = path + QStringLiteral("/LOG.ZNG");
    const QString iniPath = path + QStringLiteral("/Zephinet.INI");
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);

    int logVersion = 0;
    int settingsVersion = 0;
    int failures = 0;
    int afterCommit = 0; // kills between a completed write and its report
    QStringList strays;
    int lockFiles = 0;
    quint32 window = 40000; // µs
    for (int run = 0; run < runs; ++run) {
        QProcess writer;
        writer.start(QStringLiteral(CRASHWRITER),
                     {path, QString::number(logVersion), QString::number(settingsVersion)});
        QVERIFY2(writer.waitForStarted(10000), qPrintable(writer.errorString()));
        QByteArray out;
        while (!out.contains("ready\n") && writer.waitForReadyRead(10000))
            out += writer.readAllStandardOutput();
        QVERIFY2(out.contains("ready\n"), out.constData());
        // Each run cuts somewhere into the first few writes (a settings
        // write waits for the disk, some milliseconds). A run that completed
        // no write lets the next one wait longer, so that a slow machine, too,
        // gets past the first write, even while other tests load it.
        QThread::usleep(random.bounded(window));
        ::kill(pid_t(writer.processId()), SIGKILL);
        QVERIFY(writer.waitForFinished(10000));
        out += writer.readAllStandardOutput();
        QVERIFY2(writer.exitStatus() == QProcess::CrashExit, "a write failed");

        int lastLog = logVersion;
        int lastSettings = settingsVersion;
        for (const QByteArray &line : out.split('\n')) {
            if (line.startsWith("L "))
                lastLog = line.mid(2).toInt();
            else if (line.startsWith("S "))
                lastSettings = line.mid(2).toInt();
        }
        const std::optional<QByteArray> log = readFile(logPath);
        const std::optional<QByteArray> ini = readFile(iniPath);
        std::optional<int> nowLog, nowSettings;
        for (int v : {lastLog, lastLog + 1}) {
            if (!nowLog && logIs(v, log))
                nowLog = v;
        }
        for (int v : {lastSettings, lastSettings + 1}) {
            if (!nowSettings && settingsAre(v, path, ini))
                nowSettings = v;
        }
        if (!nowLog || !nowSettings) {
            ++failures;
            qWarning("run %d (seed %u): log %s after report %d, settings %s after report %d", run, seed,
                     nowLog ? "whole" : "TORN", lastLog, nowSettings ? "whole" : "TORN", lastSettings);
            // Go on from whatever the files hold now.
            QFile::remove(logPath);
            QFile::remove(iniPath);
            logVersion = settingsVersion = 0;
            continue;
        }
        afterCommit += int(*nowLog > lastLog) + int(*nowSettings > lastSettings);
        window = *nowLog + *nowSettings > logVersion + settingsVersion ? 40000 : qMin(window * 2, 480000u);
        logVersion = *nowLog;
        settingsVersion = *nowSettings;
        // What a kill may leave besides the two files: the lock file and
        // Qt's own files for removing a stale one, and rarely a whole new
        // version under a temporary name (killed between writing it and
        // renaming it). Counted, not failed: neither is one of the files.
        for (const QString &name : QDir(path).entryList(QDir::Files | QDir::Hidden)) {
            if (name.startsWith(u"LOG.ZNG.lock"))
                ++lockFiles;
            else if (name != u"LOG.ZNG" && name != u"Zephinet.INI" && !strays.contains(name))
                strays << name;
        }
    }
    qInfo("kill test: %d runs, %d failures (seed %u); reached log version %d and settings version %d; "
          "%d kills fell between a rename and its report; %lld temporary files left (%s); "
          "%d lock files counted after the runs",
          runs, failures, seed, logVersion, settingsVersion, afterCommit, qlonglong(strays.size()),
          qPrintable(strays.join(u' ')), lockFiles);
    QCOMPARE(failures, 0);
    // Kills that never let a write complete would prove nothing.
    QVERIFY(logVersion > 0 && settingsVersion > 0);
}

QTEST_GUILESS_MAIN(TestKillWrites)
#include "tst_killwrites.moc"
