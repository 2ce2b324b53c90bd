// Writes the log and the settings file of DIR through the program's own
// writers, version after version, until it is killed:
//   crashwriter DIR LOG SETTINGS
// starts after log version LOG and settings version SETTINGS (what DIR holds
// now) and prints "L <v>" or "S <v>" on standard output after each write
// completed. Exits by itself after 30 s, so that a lost driver leaves no
// writer behind; exits 1 when a write fails.
//
//   crashwriter --check-log OLD NEW LIMIT
// checks a log that a killed desktop program left: NEW must be OLD (either
// may be missing: no log yet) with whole records "desk <n>" added on top,
// newer than OLD's, and the oldest dropped beyond LIMIT records; prints the
// number of records and of new ones, exits 1 with the reason otherwise.
#include "crashversions.h"
#include "fakeclock.h"
#include "fakefrontend.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>

#include <cstdio>
#include <unistd.h>
#include <variant>

using namespace zn;
using namespace zn::test;

namespace {
void say(const QByteArray &line)
{
    const QByteArray out = line + '\n';
    // Unbuffered: a line on the pipe means the write before it completed.
    (void)!::write(1, out.constData(), size_t(out.size()));
}
QByteArray fileOrNothing(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Record {
    QByteArray lines; // the record's four lines as stored
    int number = 0;   // n of its text "desk <n>"
};

// The records of a log file, or the reason it is none.
std::variant<QList<Record>, QString> parseLog(const QByteArray &content)
{
    const QList<QByteArray> lines = LogFile::SplitLines(content);
    QByteArray rebuilt;
    for (const QByteArray &line : lines)
        rebuilt += line + "\r\n";
    if (rebuilt != content || lines.size() % 4 != 0)
        return QStringLiteral("not whole lines of four-line records");
    static const QRegularExpression stamp(
        QStringLiteral("^\\d{4}年\\d\\d月\\d\\d日 (午前|午後|AM|PM) \\d{1,2}時\\d\\d分\\d\\d秒$"));
    QList<Record> records;
    for (qsizetype i = 0; i < lines.size(); i += 4) {
        const QByteArray &text = lines[i + 3];
        bool ok = false;
        const int number = text.startsWith("desk ") ? text.mid(5).toInt(&ok) : 0;
        if (!stamp.match(cp932::decode(lines[i])).hasMatch() || !ok || lines[i + 1] != lines[1]
            || lines[i + 2] != lines[2])
            return QStringLiteral("record %1 is not whole").arg(i / 4 + 1);
        if (!records.isEmpty() && number >= records.last().number)
            return QStringLiteral("record %1 is out of order").arg(i / 4 + 1);
        records.append({lines[i] + lines[i + 1] + lines[i + 2] + text, number});
    }
    return records;
}

int checkLog(const QString &oldPath, const QString &newPath, int limit)
{
    const auto oldLog = parseLog(fileOrNothing(oldPath));
    const auto newLog = parseLog(fileOrNothing(newPath));
    const QString *why = std::get_if<QString>(&newLog);
    if (!why && std::holds_alternative<QString>(oldLog))
        why = &std::get<QString>(oldLog);
    if (why) {
        std::printf("torn log: %s\n", qPrintable(*why));
        return 1;
    }
    const QList<Record> &before = std::get<QList<Record>>(oldLog);
    const QList<Record> &after = std::get<QList<Record>>(newLog);
    const int newest = before.isEmpty() ? -1 : before.first().number;
    qsizetype added = 0;
    while (added < after.size() && after[added].number > newest)
        ++added;
    const qsizetype kept = after.size() - added;
    bool whole = after.size() == qMin<qsizetype>(limit, before.size() + added) && kept <= before.size();
    for (qsizetype i = 0; whole && i < kept; ++i)
        whole = after[added + i].lines == before[i].lines;
    if (!whole) {
        std::printf("log is neither the old one nor the old one with records added: %lld before, %lld after\n",
                    qlonglong(before.size()), qlonglong(after.size()));
        return 1;
    }
    std::printf("%lld %lld\n", qlonglong(after.size()), qlonglong(added));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 5 && args[1] == u"--check-log")
        return checkLog(args[2], args[3], args[4].toInt());
    if (args.size() != 4)
        return 2;
    const QString dir = args[1];
    int logVersion = args[2].toInt();
    int settingsVersion = args[3].toInt();

    Settings settings = crash::optionsOf(1, dir);
    FakeClock clock;
    clock.wall = crash::LogEpoch;
    FakeFrontend frontend;
    LogFile log(settings, clock, frontend);
    const SettingsStore store(dir + QStringLiteral("/Zephinet.INI"));

    say("ready");
    const QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        ++logVersion;
        clock.ms = qint64(logVersion) * 1000;
        if (!log.WriteLog(crash::logSender(), crash::logAddressee(), crash::logText(logVersion)) || !log.flush())
            return 1;
        say("L " + QByteArray::number(logVersion));
        ++settingsVersion;
        if (!crash::writeSettingsVersion(store, settingsVersion, dir).isEmpty())
            return 1;
        say("S " + QByteArray::number(settingsVersion));
    }
    return 0;
}
