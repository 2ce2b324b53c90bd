// Fuzz target: any bytes as the log file, read as the viewer reads it
// (lines, records of four, labels naming peers), then a record written on
// top of it as a received message is.
#include "common/codec.h"
#include "common/localpeer.h"
#include "fakeclock.h"
#include "fakefrontend.h"
#include "log/logfile.h"
#include "peers/roster.h"
#include "settings/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace zn;

namespace {

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_log: %s\n", what);
        std::abort();
    }
}

QString logDirectory()
{
    static QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/zephinet-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/zephinet-fuzz-XXXXXX"));
    check(dir.isValid(), "no temporary directory");
    return dir.path();
}

bool hasLineEnd(const QByteArray &line)
{
    return line.contains('\r') || line.contains('\n');
}

QByteArray joinLines(const QList<QByteArray> &lines)
{
    QByteArray out;
    for (const QByteArray &line : lines)
        out += line + "\r\n";
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_log";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static const QString path = logDirectory() + QStringLiteral("/LOG.ZNG");

    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<QByteArray> lines = LogFile::SplitLines(bytes);
    for (const QByteArray &line : lines)
        check(!hasLineEnd(line), "a line end inside a line");

    const LoadedLog log = LogFile::ParseLog(bytes);
    const qsizetype expected = qMin<qsizetype>((lines.size() + 3) / 4, LogFile::MaxLoadedRecords);
    check(log.records.size() == expected, "record count");
    check(log.state == (expected ? LoadedLog::Records : LoadedLog::NoLog), "state");

    // What the viewer does with each record: the three label lines shown,
    // the text decoded, the labels looked up among the peers for a reply.
    static Settings settings;
    static LocalPeer local;
    static test::FakeFrontend frontend;
    static Roster roster(settings, local);
    if (roster.count() == 0) {
        local.MachineName = "SELF";
        roster.AddOrUpdatePeer("self", "SELF", "10.0.0.1", false);
        roster.AddOrUpdatePeer("peer", "PC2", "10.0.0.2", false);
        roster.AddOrUpdatePeer("odd", cp932::bytes(u"（）"), "10.0.0.3", false);
    }
    for (const LogRecord &record : log.records) {
        check(!hasLineEnd(record.SaveDate) && !hasLineEnd(record.SendUser) && !hasLineEnd(record.RecvUser),
              "a label holds a line end");
        cp932::decode(record.SaveDate);
        cp932::decode(record.SendUser);
        cp932::decode(record.RecvUser);
        cp932::toWidgetText(record.LogData);
        for (const QByteArray *label : {&record.SendUser, &record.RecvUser}) {
            if (const TPeer *peer = FindLabelledPeer(*label, roster))
                check(label->contains(peer->MachineName), "a label names a machine it does not hold");
        }
    }
    // Written out as the writer writes records, the records read back the same.
    if (log.records.size() < LogFile::MaxLoadedRecords) {
        QList<QByteArray> out;
        for (const LogRecord &record : log.records)
            out << record.SaveDate << record.SendUser << record.RecvUser << LogFile::EscapeText(record.LogData);
        check(LogFile::ParseLog(joinLines(out)).records == log.records, "records change when written again");
        // Line 4 holds the text with every line break escaped: read and
        // escaped again, each line is as it was.
        check(out.first(lines.size()) == lines, "a line changes when read and written again");
    }

    // The same bytes as the file on disk, read, and a record added on top.
    QFile::remove(path);
    {
        QFile file(path);
        check(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(), "cannot write the file");
    }
    const LoadedLog loaded = LogFile::LoadLog(path);
    check(loaded.records == log.records, "the file reads unlike its bytes");

    settings.LogFileName = path;
    settings.LogFileMaxCount = 100;
    test::FakeClock clock;
    LogFile writer(settings, clock, frontend);
    frontend.clear();
    const QByteArray sender = PeerLabel("peer", "PC2");
    const QByteArray addressee = PeerLabel("self", "SELF");
    check(writer.WriteLog(sender, addressee, "new\r\ntext") && writer.flush(), "the record is not written");
    check(frontend.notices.isEmpty(), "a notice for a good write");
    QFile file(path);
    check(file.open(QIODevice::ReadOnly), "the written file cannot be read");
    const QList<QByteArray> after = LogFile::SplitLines(file.readAll());
    QList<QByteArray> before = lines;
    before.prepend("new\\|text");
    before.prepend(addressee);
    before.prepend(sender);
    before.prepend(FormatTimeStamp(clock.now()));
    if (before.size() / 4 > settings.LogFileMaxCount)
        before.resize(before.size() - 4);
    // The old lines stay as they were, below the new record; only the oldest
    // record goes once the file holds more than the limit.
    check(after == before, "the old lines do not survive a write");
    return 0;
}
