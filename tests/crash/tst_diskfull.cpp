// A full disk and a read-only directory, for real: the test runs in a mount
// namespace of its own (exit 77 when it cannot make one) with a small tmpfs
// that only it sees. No write may crash or change an old file, and each
// failing command tells its failure once, however many writes fail in it.
#include "fakefrontend.h"
#include "log/logfile.h"
#include "net/netfakes.h"
#include "session/session.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace zn;
using namespace zn::test;

namespace {

const QString LogError = QStringLiteral("ログファイルをアクセス中にエラーが発生しました。ログの保存を中止しました。");

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Writes until the file system refuses a single byte more.
bool fill(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray chunk(64 * 1024, 'f');
    while (f.write(chunk) == chunk.size()) {}
    while (f.write("f", 1) == 1) {}
    return true;
}

// The directory's files, each with its bytes.
QMap<QString, QByteArray> snapshot(const QString &dir)
{
    QMap<QString, QByteArray> files;
    for (const QString &name : QDir(dir).entryList(QDir::Files | QDir::Hidden))
        files.insert(name, name == u"filler" ? QByteArray() : readAll(dir + u'/' + name));
    return files;
}

int countOf(const QList<FakeFrontend::Notice> &notices, const QString &text)
{
    return int(std::count_if(notices.begin(), notices.end(), [&](const auto &n) { return n.text == text; }));
}

// A settings file and a log of three records, through the real writers.
void writeFiles(const QString &dir)
{
    FakeFrontend frontend;
    RecordingTransport transport;
    Session session(frontend, {}, &transport);
    session.loadSettings(dir + u'/');
    session.settings.HandleName = "before";
    QVERIFY(session.saveSettings());
    session.writeMainPlacement({{10, 20, 300, 400}, DefaultColumnWidths});
    for (const char *text : {"one", "two", "three"})
        QVERIFY(session.queueMessage("PC9", "peer", text));
    QVERIFY(session.log().flush());
    QVERIFY(frontend.boxes.isEmpty() && frontend.notices.isEmpty());
}

// Several writes of both files in one command, and a second command.
void failEveryWrite(Session &session, FakeFrontend &frontend, int expectedBoxes)
{
    {
        const auto command = session.command();
        session.writePlacement(PlacementSection::SendForm, {1, 2, 3, 4});
        session.writePlacement(PlacementSection::RecvForm, {1, 2, 3, 4});
        session.writeMainPlacement({{1, 2, 300, 400}, DefaultColumnWidths});
        session.writeFontSize(14);
        for (const char *text : {"lost 1", "lost 2", "lost 3"})
            QVERIFY(session.queueMessage("PC9", "peer", text));
    }
    QVERIFY(!session.log().flush());
    QCOMPARE(frontend.boxes.size(), expectedBoxes);
    QCOMPARE(countOf(frontend.notices, LogError), 1);
    {
        const auto command = session.command();
        session.settings.HandleName = "after";
        QVERIFY(!session.saveSettings());
        session.writePlacement(PlacementSection::LogForm, {1, 2, 3, 4});
        QVERIFY(session.queueMessage("PC9", "peer", "lost 4"));
    }
    QVERIFY(!session.log().flush());
    QCOMPARE(frontend.boxes.size(), 2 * expectedBoxes);
    QCOMPARE(countOf(frontend.notices, LogError), 2);
}

} // namespace

class TestDiskFull : public QObject {
    Q_OBJECT
public:
    explicit TestDiskFull(QString base) : m_base(std::move(base)) {}

private slots:
    void readOnlyDirectory_oldFilesKept_toldOncePerCommand();
    void readOnlyDirectory_damagedSettings_keptInPlace_toldOnce();
    void fullDisk_oldFilesKept_toldOncePerCommand_thenWritesAgain();

private:
    // A directory of the tmpfs, read-only from now on (a read-only bind
    // mount of itself: that binds root too).
    bool makeReadOnly(const QString &dir)
    {
        const QByteArray d = QFile::encodeName(dir);
        return ::mount(d.constData(), d.constData(), nullptr, MS_BIND, nullptr) == 0
            && ::mount(nullptr, d.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
    }
    QString m_base;
};

void TestDiskFull::readOnlyDirectory_oldFilesKept_toldOncePerCommand()
{
    const QString dir = m_base + QStringLiteral("/ro");
    QVERIFY(QDir().mkpath(dir));
    writeFiles(dir);
    QVERIFY(makeReadOnly(dir));
    const auto before = snapshot(dir);

    FakeFrontend frontend;
    RecordingTransport transport;
    Session session(frontend, {}, &transport);
    session.loadSettings(dir + u'/');
    QCOMPARE(session.settings.HandleName, QByteArray("before"));
    QVERIFY(frontend.boxes.isEmpty());
    failEveryWrite(session, frontend, 1);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(frontend.boxes.first().text, CannotWriteText(session.settingsPath()));
    QCOMPARE(snapshot(dir), before);
    QVERIFY(::umount(QFile::encodeName(dir).constData()) == 0);
}

void TestDiskFull::readOnlyDirectory_damagedSettings_keptInPlace_toldOnce()
{
    const QString dir = m_base + QStringLiteral("/damaged");
    QVERIFY(QDir().mkpath(dir));
    QFile ini(dir + QStringLiteral("/Zephinet.INI"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(QByteArray("[LocalSetting]\r\nHandleName=mine\r\n\0\0\0\0\0\0\0\0", 40));
    ini.close();
    QVERIFY(makeReadOnly(dir));
    const auto before = snapshot(dir);

    FakeFrontend frontend;
    RecordingTransport transport;
    Session session(frontend, {}, &transport);
    session.loadSettings(dir + u'/');
    QCOMPARE(session.settings.HandleName, session.local.MachineName);
    QCOMPARE(frontend.boxes.size(), 1);
    QCOMPARE(frontend.boxes.first().flags, mb::Ok | mb::IconWarning);
    QVERIFY2(frontend.boxes.first().text.contains(u"そのまま"), qPrintable(frontend.boxes.first().text));
    // Nothing is written to the damaged file for the rest of the run, and
    // nothing more is said about it.
    {
        const auto command = session.command();
        QVERIFY(session.saveSettings());
        session.writeFontSize(12);
        session.writeMainPlacement({{1, 2, 300, 400}, DefaultColumnWidths});
    }
    QCOMPARE(frontend.boxes.size(), 1);
    QCOMPARE(snapshot(dir), before);
    QVERIFY(::umount(QFile::encodeName(dir).constData()) == 0);
}

void TestDiskFull::fullDisk_oldFilesKept_toldOncePerCommand_thenWritesAgain()
{
    const QString dir = m_base + QStringLiteral("/full");
    QVERIFY(QDir().mkpath(dir));
    writeFiles(dir);
    QVERIFY(fill(dir + QStringLiteral("/filler")));
    const auto before = snapshot(dir);

    FakeFrontend frontend;
    RecordingTransport transport;
    Session session(frontend, {}, &transport);
    session.loadSettings(dir + u'/');
    QCOMPARE(session.settings.HandleName, QByteArray("before"));
    failEveryWrite(session, frontend, 1);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(frontend.boxes.first().text, CannotWriteText(session.settingsPath()));
    QCOMPARE(snapshot(dir), before);

    // Room again: the next command writes, and says nothing.
    QVERIFY(QFile::remove(dir + QStringLiteral("/filler")));
    frontend.clear();
    {
        const auto command = session.command();
        QVERIFY(session.saveSettings());
        QVERIFY(session.queueMessage("PC9", "peer", "kept"));
    }
    QVERIFY(session.log().flush());
    QVERIFY(frontend.boxes.isEmpty() && frontend.notices.isEmpty());
    QVERIFY(readAll(session.settingsPath()).contains("HandleName=after\r\n"));
    QVERIFY(readAll(session.settings.LogFileName).contains("\r\nkept\r\n"));
}

// The tmpfs in a mount namespace of this process alone; nothing of it is
// seen outside, and it goes when the process ends.
static std::optional<QByteArray> privateTmpfs()
{
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return std::nullopt;
    QByteArray base = QFile::encodeName(QDir::tempPath()) + "/zephinet-diskfull-XXXXXX";
    if (!::mkdtemp(base.data()))
        return std::nullopt;
    if (::mount("tmpfs", base.constData(), "tmpfs", 0, "size=512k,mode=700") != 0) {
        ::rmdir(base.constData());
        return std::nullopt;
    }
    return base;
}

int main(int argc, char **argv)
{
    const std::optional<QByteArray> base = privateTmpfs();
    if (!base) {
        std::puts("no mount namespace or tmpfs could be made: skipped");
        return 77;
    }
    QCoreApplication app(argc, argv);
    TestDiskFull test(QFile::decodeName(*base));
    const int result = QTest::qExec(&test, argc, argv);
    ::umount2(base->constData(), MNT_DETACH);
    ::rmdir(base->constData());
    return result;
}

#include "tst_diskfull.moc"
