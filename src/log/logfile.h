// The message log: one CP932 text file, CR LF line ends, records of exactly
// four lines each, newest first, no header:
//   2024年04月01日 午前 9時00分00秒      when the record was written
//   alice（pc1）                          sender label
//   bob（pc2）                            addressee label
//   hello\|world                          the text, every line break as "\|"
#pragma once

#include "common/logwriter.h"
#include "common/savefile.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace zn {

class Clock;
class FailureReports;
class Frontend;
class Roster;
struct Settings;
struct TPeer;

struct LogRecord {
    QByteArray SaveDate;
    QByteArray SendUser;
    QByteArray RecvUser;
    QByteArray LogData; // line breaks as CR LF

    friend bool operator==(const LogRecord &, const LogRecord &) = default;
};

// What reading the log gave: records, or one of the two empty states.
struct LoadedLog {
    enum State { Records, NoLog, InvalidFile };
    State state = NoLog;
    QList<LogRecord> records; // index 0 is the newest
};

// 'yyyy"年"mm"月"dd"日" ampm h"時"mm"分"ss"秒"': 2001年04月05日 午後 3時07分09秒.
// The designator is the locale's own (午前/午後 under Japanese, AM/PM under
// English and the C locale); one with no CP932 form falls back to AM/PM.
QByteArray FormatTimeStamp(const QDateTime &time, const QLocale &locale = QLocale::system());

class LogFile : public QObject, public LogWriter {
    Q_OBJECT
public:
    static constexpr int MaxLoadedRecords = 10000;
    // How long a write waits for another copy that shares the file.
    static constexpr int LockTimeoutMs = 3000;

    LogFile(const Settings &settings, const Clock &clock, Frontend &frontend, QObject *parent = nullptr);
    // Waits for the records still being written.
    ~LogFile() override;

    // Takes a record, stamped now, for the top of the file named by
    // LogFileName. When LogFileMaxCount is not 0 and the file then holds
    // more records than that, the oldest one drops (only one: a limit
    // lowered later does not shrink the file at once). Line breaks in the
    // labels become blanks (LabelLine).
    //
    // The file is rewritten on a thread of its own, so that neither a burst
    // of messages nor a slow disk holds up the windows: the records taken in
    // one pass of the event loop are written in one go, atomically, under a
    // lock file shared with other copies, in the order they were taken. A
    // write that fails (the file cannot be read, locked or written) is told
    // by one important notice, on this object's thread. True when the
    // record was taken or logging is off; false after the notice when no
    // file is named.
    bool WriteLog(const QByteArray &sender, const QByteArray &addressee, const QByteArray &text) override;

    // Waits until every record taken so far is written, and tells a failure
    // at once; true when every record since the last flush was written.
    bool flush();

    // The first 10000 records of the log file, once the records taken are
    // written (flush). A file that does not exist,
    // or holds no record, is the no-log state; one that exists but cannot be
    // read (no permission, a directory, an I/O error) is the invalid state.
    LoadedLog LoadLog();
    static LoadedLog LoadLog(const QString &path);
    // The records of a file's contents, as LoadLog reads them: four lines a
    // record, a short last record filled with empty lines, 10000 at most.
    static LoadedLog ParseLog(QByteArrayView content);

    // Deletes the log file, once the records taken are written; true when
    // it is gone.
    bool DeleteLog();

    // The text as line 4 holds it: CR LF, and also a lone CR or LF, become
    // "\|", so that every reader of the file still sees four lines a record.
    static QByteArray EscapeText(QByteArrayView text);
    // A label as lines 2 and 3 hold it: each CR and each LF (a handle name
    // from the network may hold them) becomes a blank.
    static QByteArray LabelLine(QByteArrayView label);
    // Line 4 back into a text: "\|" becomes CR LF.
    static QByteArray UnescapeText(QByteArrayView line);
    // The lines of a file as line-oriented readers see them: ended by CR LF,
    // a lone CR or a lone LF; a last line without an end counts too.
    static QList<QByteArray> SplitLines(QByteArrayView content);

    // A relative LogFileName names a file in `directory` (the settings
    // file's), not in whatever the working directory happens to be.
    void setDirectory(const QString &directory) { m_directory = directory; }
    // The file LogFileName names, relative names resolved.
    QString filePath() const;

    // Test seam: the device that replaces the file (a failing one).
    void setSaveDevice(OpenSaveDevice open) { m_openDevice = std::move(open); }
    void setLockTimeout(int ms) { m_lockTimeoutMs = ms; }
    // Failures are told through `reports` (once per command) instead of
    // straight to the frontend.
    void setFailureReports(FailureReports *reports) { m_reports = reports; }

signals:
    // A record was written; a viewer that is open reads the file again.
    void written();

private:
    struct Record {
        QString path;
        int maxCount;
        QByteArray lines[4];
    };
    // The records taken in one pass of the event loop, with what writes them.
    struct Batch {
        QList<Record> records;
        OpenSaveDevice open;
        int lockTimeoutMs;
    };

    bool fail();
    void handOver();
    // Hands over what is taken and waits until it is written; true when
    // every record since the last wait was.
    bool waitUntilWritten();
    void tellResults();
    void work();
    // Puts `records` (oldest first, all for one file) at the top of it.
    static bool writeRecords(const QList<Record> &records, const OpenSaveDevice &open, int lockTimeoutMs);

    const Settings &m_settings;
    QString m_directory;
    const Clock &m_clock;
    Frontend &m_frontend;
    OpenSaveDevice m_openDevice;
    FailureReports *m_reports = nullptr;
    int m_lockTimeoutMs = LockTimeoutMs;

    QList<Record> m_taken; // not handed over yet (this object's thread only)
    bool m_handOverPosted = false;

    // Shared with the writing thread.
    std::mutex m_mutex;
    std::condition_variable m_wake; // a batch is waiting, or stop
    std::condition_variable m_idle; // every batch is written
    std::deque<Batch> m_batches;
    bool m_writing = false;
    bool m_stop = false;
    int m_failedBatches = 0;  // not told yet
    int m_writtenBatches = 0; // not told yet
    bool m_failedSinceFlush = false;
    bool m_resultsPosted = false;
    std::thread m_thread;
};

// The roster entry a log label "handle（machine）" names, or null: every
// place where a "（" begins is tried, up to the label's last two bytes (the
// "）"), and the last one naming a machine of the roster wins, so that a
// handle name that itself holds "（" still finds its machine.
const TPeer *FindLabelledPeer(QByteArrayView label, const Roster &roster);

} // namespace zn
