#include "log/logfile.h"

#include "common/clock.h"
#include "common/codec.h"
#include "common/failurereports.h"
#include "common/frontend.h"
#include "common/text.h"
#include "peers/roster.h"
#include "settings/settings.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QThread>

namespace zn {

namespace {

const char LogErrorText[] =
    QT_TRANSLATE_NOOP("zn::LogFile", "ログファイルをアクセス中にエラーが発生しました。ログの保存を中止しました。");

// QLockFile::tryLock backs off exponentially from 100 ms, so against a
// copy that writes often it gives up after a handful of unlucky tries. Short
// randomised retries until the deadline keep the wait fair and bounded.
bool lockWithin(QLockFile &lock, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (lock.tryLock(0))
            return true;
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired())
            return false;
        QThread::msleep(1 + QRandomGenerator::global()->bounded(5));
    }
}

QByteArray twoDigits(int value)
{
    return QByteArray::number(value).rightJustified(2, '0');
}

} // namespace

QByteArray FormatTimeStamp(const QDateTime &time, const QLocale &locale)
{
    // Every arriving message is stamped: the fixed words are encoded once,
    // and the designator once for each text it takes, since each encoding
    // opens a converter of its own.
    struct Words {
        QByteArray year = cp932::bytes(u"年"), month = cp932::bytes(u"月"), day = cp932::bytes(u"日"),
                   hour = cp932::bytes(u"時"), minute = cp932::bytes(u"分"), second = cp932::bytes(u"秒");
    };
    static const Words words;
    thread_local QString lastText;
    thread_local QByteArray lastDesignator;

    const QDate date = time.date();
    const QTime clock = time.time();
    const bool afternoon = clock.hour() >= 12;
    const QString text = afternoon ? locale.pmText() : locale.amText();
    if (text != lastText || lastDesignator.isEmpty()) {
        const cp932::Encoded encoded = cp932::encode(text);
        lastText = text;
        lastDesignator = encoded.ok() && !encoded.bytes.isEmpty() ? encoded.bytes : QByteArray(afternoon ? "PM" : "AM");
    }
    const int hour12 = clock.hour() % 12 == 0 ? 12 : clock.hour() % 12;
    return QByteArray::number(date.year()).rightJustified(4, '0') + words.year + twoDigits(date.month()) + words.month
        + twoDigits(date.day()) + words.day + ' ' + lastDesignator + ' ' + QByteArray::number(hour12) + words.hour
        + twoDigits(clock.minute()) + words.minute + twoDigits(clock.second()) + words.second;
}

QByteArray PeerLabel(QByteArrayView handleName, QByteArrayView machineName)
{
    // Encoded once: two labels are made for every arriving message.
    static const QByteArray open = cp932::bytes(u"（"), close = cp932::bytes(u"）");
    return handleName.toByteArray() + open + machineName.toByteArray() + close;
}

LogFile::LogFile(const Settings &settings, const Clock &clock, Frontend &frontend, QObject *parent)
    : QObject(parent), m_settings(settings), m_clock(clock), m_frontend(frontend)
{}

LogFile::~LogFile()
{
    waitUntilWritten();
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    if (m_thread.joinable())
        m_thread.join();
}

QByteArray LogFile::EscapeText(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out += LineBreakEscape;
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray LogFile::LabelLine(QByteArrayView label)
{
    QByteArray out = label.toByteArray();
    for (char &c : out) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return out;
}

QByteArray LogFile::UnescapeText(QByteArrayView line)
{
    return line.toByteArray().replace(LineBreakEscape.toByteArray(), CrLf.toByteArray());
}

QList<QByteArray> LogFile::SplitLines(QByteArrayView content)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(content.sliced(start, i - start).toByteArray());
        if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < content.size())
        lines.append(content.sliced(start).toByteArray());
    return lines;
}

bool LogFile::fail()
{
    if (m_reports)
        m_reports->notice(tr(LogErrorText));
    else
        m_frontend.showEventNotice(tr(LogErrorText), true);
    return false;
}

QString LogFile::filePath() const
{
    const QString &name = m_settings.LogFileName;
    if (name.isEmpty() || m_directory.isEmpty() || QFileInfo(name).isAbsolute())
        return name;
    return QDir(m_directory).filePath(name);
}

bool LogFile::WriteLog(const QByteArray &sender, const QByteArray &addressee, const QByteArray &text)
{
    if (!m_settings.LogSave)
        return true;
    if (m_settings.LogFileName.isEmpty())
        return fail();
    m_taken.append({filePath(),
                    m_settings.LogFileMaxCount,
                    {FormatTimeStamp(m_clock.now()), LabelLine(sender), LabelLine(addressee), EscapeText(text)}});
    if (!m_handOverPosted) {
        m_handOverPosted = true;
        QMetaObject::invokeMethod(this, &LogFile::handOver, Qt::QueuedConnection);
    }
    return true;
}

void LogFile::handOver()
{
    m_handOverPosted = false;
    if (m_taken.isEmpty())
        return;
    {
        const std::lock_guard lock(m_mutex);
        m_batches.push_back({std::exchange(m_taken, {}), m_openDevice, m_lockTimeoutMs});
        if (!m_thread.joinable())
            m_thread = std::thread(&LogFile::work, this);
    }
    m_wake.notify_one();
}

void LogFile::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_batches.empty(); });
        if (m_batches.empty())
            return;
        const Batch batch = std::move(m_batches.front());
        m_batches.pop_front();
        m_writing = true;
        lock.unlock();

        // A batch may span a change of the file's name or limit.
        bool ok = true;
        for (qsizetype first = 0; first < batch.records.size();) {
            qsizetype end = first + 1;
            while (end < batch.records.size() && batch.records[end].path == batch.records[first].path
                   && batch.records[end].maxCount == batch.records[first].maxCount)
                ++end;
            ok = writeRecords(batch.records.mid(first, end - first), batch.open, batch.lockTimeoutMs) && ok;
            first = end;
        }

        lock.lock();
        m_writing = false;
        ++(ok ? m_writtenBatches : m_failedBatches);
        m_failedSinceFlush = m_failedSinceFlush || !ok;
        if (!m_resultsPosted) {
            m_resultsPosted = true;
            QMetaObject::invokeMethod(this, &LogFile::tellResults, Qt::QueuedConnection);
        }
        if (m_batches.empty())
            m_idle.notify_all();
    }
}

void LogFile::tellResults()
{
    int failures = 0;
    int writes = 0;
    {
        const std::lock_guard lock(m_mutex);
        m_resultsPosted = false;
        failures = std::exchange(m_failedBatches, 0);
        writes = std::exchange(m_writtenBatches, 0);
    }
    for (int i = 0; i < failures; ++i)
        fail();
    if (writes > 0)
        emit written();
}

bool LogFile::waitUntilWritten()
{
    handOver();
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [this] { return m_batches.empty() && !m_writing; });
    return !std::exchange(m_failedSinceFlush, false);
}

bool LogFile::flush()
{
    const bool written = waitUntilWritten();
    tellResults();
    return written;
}

bool LogFile::writeRecords(const QList<Record> &records, const OpenSaveDevice &open, int lockTimeoutMs)
{
    const QString &path = records.first().path;
    // Copies started with different settings files may share one log: the
    // read, the change and the write happen under one lock, so that no copy
    // writes back a file that misses another's record.
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lockWithin(lock, lockTimeoutMs))
        return false;

    QByteArray content;
    QFile file(path);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return false;
        content = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return false;
        file.close();
    }

    QList<QByteArray> lines = SplitLines(content);
    const int maxCount = records.first().maxCount;
    for (const Record &record : records) {
        for (int i = 3; i >= 0; --i)
            lines.prepend(record.lines[i]);
        if (maxCount != 0 && lines.size() / 4 > maxCount)
            lines.resize(qMax<qsizetype>(0, lines.size() - 4));
    }

    QByteArray out;
    out.reserve(content.size() + 256 * records.size());
    for (const QByteArray &line : std::as_const(lines))
        out += line + CrLf;
    // Not flushed to the disk: the log is rewritten for every message, and
    // the next message must not wait for the disk each time. A killed
    // program still leaves a whole file (the rename); ext4 (by default) and
    // btrfs write out a file renamed over another before the rename, so that
    // there a power cut, too, leaves the old or the new log. The settings
    // file, written seldom, is flushed.
    return saveFile(path, out, open, SyncToDisk::No);
}

LoadedLog LogFile::LoadLog()
{
    flush();
    return LoadLog(filePath());
}

LoadedLog LogFile::LoadLog(const QString &path)
{
    LoadedLog log;
    QFile file(path);
    if (path.isEmpty() || !QFileInfo::exists(path))
        return log;
    if (!file.open(QIODevice::ReadOnly)) {
        log.state = LoadedLog::InvalidFile;
        return log;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        log.state = LoadedLog::InvalidFile;
        return log;
    }
    return ParseLog(content);
}

LoadedLog LogFile::ParseLog(QByteArrayView content)
{
    LoadedLog log;
    const QList<QByteArray> lines = SplitLines(content);
    const qsizetype count = qMin<qsizetype>((lines.size() + 3) / 4, MaxLoadedRecords);
    log.records.reserve(count);
    auto line = [&lines](qsizetype i) { return i < lines.size() ? lines[i] : QByteArray(); };
    for (qsizetype r = 0; r < count; ++r) {
        const qsizetype first = r * 4;
        log.records.append({line(first), line(first + 1), line(first + 2), UnescapeText(line(first + 3))});
    }
    log.state = log.records.isEmpty() ? LoadedLog::NoLog : LoadedLog::Records;
    return log;
}

const TPeer *FindLabelledPeer(QByteArrayView label, const Roster &roster)
{
    static const QByteArray open = cp932::bytes(u"（");
    const TPeer *found = nullptr;
    for (qsizetype at = label.indexOf(open); at >= 0; at = label.indexOf(open, at + 1)) {
        const qsizetype start = at + open.size();
        const qsizetype length = label.size() - 2 - start;
        if (length < 0)
            continue;
        const QByteArrayView machine = label.sliced(start, length);
        for (const TPeer &peer : roster.peers()) {
            if (peer.MachineName == machine)
                found = &peer;
        }
    }
    return found;
}

bool LogFile::DeleteLog()
{
    flush();
    const QString path = filePath();
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lockWithin(lock, m_lockTimeoutMs))
        return false;
    return !QFileInfo::exists(path) || QFile::remove(path);
}

} // namespace zn
