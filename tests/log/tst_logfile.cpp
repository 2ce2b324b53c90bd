#include "common/codec.h"
#include "faildevice.h"
#include "fakeclock.h"
#include "fakefrontend.h"
#include "log/logfile.h"
#include "settings/settings.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace zn;

namespace {

QByteArray sj(QStringView text)
{
    return cp932::bytes(text);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), content.size());
}

QByteArray records(int count, const QByteArray &prefix = "old ")
{
    QByteArray out;
    for (int i = 0; i < count; ++i)
        out += "date\r\nfrom\r\nto\r\n" + prefix + QByteArray::number(i) + "\r\n";
    return out;
}

} // namespace

class tst_LogFile : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_settings = Settings();
        m_settings.LogFileName = m_dir.filePath(QStringLiteral("LOG.ZNG"));
        QFile::remove(m_settings.LogFileName);
        m_frontend.clear();
    }

    void timeStamp_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("expected");
        QTest::addRow("afternoon, Japanese") << QTime(15, 7, 9) << "ja_JP" << u"2001年04月05日 午後 3時07分09秒"_qs;
        QTest::addRow("hour after midnight") << QTime(0, 5, 0) << "ja_JP" << u"2001年04月05日 午前 12時05分00秒"_qs;
        QTest::addRow("hour after noon") << QTime(12, 59, 59) << "ja_JP" << u"2001年04月05日 午後 12時59分59秒"_qs;
        QTest::addRow("morning, C locale") << QTime(9, 0, 1) << "C" << u"2001年04月05日 AM 9時00分01秒"_qs;
        QTest::addRow("evening, English") << QTime(23, 10, 0) << "en_US" << u"2001年04月05日 PM 11時10分00秒"_qs;
    }
    void timeStamp()
    {
        QFETCH(QTime, time);
        QFETCH(QString, language);
        QFETCH(QString, expected);
        QCOMPARE(cp932::decode(FormatTimeStamp(QDateTime(QDate(2001, 4, 5), time), QLocale(language))), expected);
    }

    void writeLog_putsNewestRecordFirstInFourLines()
    {
        LogFile log(m_settings, m_clock, m_frontend);
        QSignalSpy written(&log, &LogFile::written);
        QVERIFY(log.WriteLog(PeerLabel("alice", "pc1"), PeerLabel("bob", "pc2"), "first"));
        m_clock.advance(61 * 1000);
        QVERIFY(log.WriteLog(PeerLabel("bob", "pc2"), PeerLabel("alice", "pc1"), "second"));
        // Taken in one pass of the event loop: one rewrite, told once.
        QVERIFY(written.wait());
        QCOMPARE(written.size(), 1);

        const QByteArray stamp1 = FormatTimeStamp(m_clock.wall);
        const QByteArray stamp2 = FormatTimeStamp(m_clock.now());
        QCOMPARE(readAll(m_settings.LogFileName),
                 stamp2 + "\r\n" + "bob" + sj(u"（") + "pc2" + sj(u"）") + "\r\nalice" + sj(u"（pc1）")
                     + "\r\nsecond\r\n" + stamp1 + "\r\nalice" + sj(u"（pc1）") + "\r\nbob" + sj(u"（pc2）")
                     + "\r\nfirst\r\n");
        QVERIFY(m_frontend.notices.isEmpty());
    }

    void lineBreaks_keepFourLinesAndReadBack()
    {
        LogFile log(m_settings, m_clock, m_frontend);
        QVERIFY(log.WriteLog("a", "b", "one\r\ntwo\r\nthree"));
        QVERIFY(log.WriteLog("c", "d", "lone\nfeed and lone\rreturn"));
        QVERIFY(log.WriteLog("e", "f", "already \\| escaped"));
        QVERIFY(log.flush());
        const QList<QByteArray> lines = LogFile::SplitLines(readAll(m_settings.LogFileName));
        QCOMPARE(lines.size(), 12);
        QCOMPARE(lines[3], "already \\| escaped");
        QCOMPARE(lines[7], "lone\\|feed and lone\\|return");
        QCOMPARE(lines[11], "one\\|two\\|three");

        const LoadedLog loaded = LogFile::LoadLog(m_settings.LogFileName);
        QCOMPARE(loaded.state, LoadedLog::Records);
        QCOMPARE(loaded.records.size(), 3);
        QCOMPARE(loaded.records[2].LogData, "one\r\ntwo\r\nthree");
        QCOMPARE(loaded.records[1].SendUser, "c");
        QCOMPARE(loaded.records[1].LogData, "lone\r\nfeed and lone\r\nreturn");
        QCOMPARE(loaded.records[0].LogData, "already \r\n escaped");
    }

    // Labels carry handle and machine names from the network, which may hold
    // line breaks; a line break written as such would shift every record
    // below it for every reader of the file.
    void lineBreaksInLabels_becomeBlanks()
    {
        LogFile log(m_settings, m_clock, m_frontend);
        QVERIFY(log.WriteLog("old", "me", "first"));
        QVERIFY(log.WriteLog(PeerLabel("a\r\nb", "pc\r1"), PeerLabel("me", "x\ny"), "text"));
        QVERIFY(log.flush());
        const QList<QByteArray> lines = LogFile::SplitLines(readAll(m_settings.LogFileName));
        QCOMPARE(lines.size(), 8);
        QCOMPARE(lines[1], PeerLabel("a  b", "pc 1"));
        QCOMPARE(lines[2], PeerLabel("me", "x y"));
        QCOMPARE(lines[5], "old");
    }

    void recordLimit_trimsOneRecordPerWrite_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::addRow("101st record drops the oldest") << 100 << 100 << 100;
        QTest::addRow("under the limit grows") << 100 << 99 << 100;
        QTest::addRow("lowered limit keeps the size") << 10 << 100 << 100;
        QTest::addRow("no limit") << 0 << 150 << 151;
    }
    void recordLimit_trimsOneRecordPerWrite()
    {
        QFETCH(int, limit);
        QFETCH(int, before);
        QFETCH(int, after);
        writeAll(m_settings.LogFileName, records(before));
        m_settings.LogFileMaxCount = limit;
        LogFile log(m_settings, m_clock, m_frontend);
        QVERIFY(log.WriteLog("me", "you", "new"));
        QVERIFY(log.flush());
        const LoadedLog loaded = LogFile::LoadLog(m_settings.LogFileName);
        QCOMPARE(loaded.records.size(), after);
        QCOMPARE(loaded.records.first().LogData, "new");
        // The oldest record goes first; the newest old one stays.
        const QByteArray oldestKept = "old " + QByteArray::number(after == before + 1 ? before - 1 : before - 2);
        QCOMPARE(loaded.records.last().LogData, oldestKept);
        QCOMPARE(loaded.records[1].LogData, "old 0");
    }

    void logSaveOff_writesNothing()
    {
        m_settings.LogSave = false;
        LogFile log(m_settings, m_clock, m_frontend);
        QVERIFY(log.WriteLog("me", "you", "text"));
        QVERIFY(log.flush());
        QVERIFY(!QFile::exists(m_settings.LogFileName));
        QVERIFY(m_frontend.notices.isEmpty());
    }

    void emptyStates_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("state");
        QTest::addRow("missing") << 0 << int(LoadedLog::NoLog);
        QTest::addRow("empty") << 1 << int(LoadedLog::NoLog);
        QTest::addRow("unreadable (a directory)") << 2 << int(LoadedLog::InvalidFile);
    }
    void emptyStates()
    {
        QFETCH(int, kind);
        QFETCH(int, state);
        if (kind == 1)
            writeAll(m_settings.LogFileName, {});
        if (kind == 2)
            QVERIFY(QDir().mkpath(m_settings.LogFileName));
        const LoadedLog loaded = LogFile::LoadLog(m_settings.LogFileName);
        QCOMPARE(int(loaded.state), state);
        QVERIFY(loaded.records.isEmpty());
        if (kind == 2)
            QVERIFY(QDir(m_settings.LogFileName).removeRecursively());
    }

    void loadLog_readsAtMost10000RecordsAndPadsTheLast()
    {
        writeAll(m_settings.LogFileName, records(10003) + "date\r\nfrom");
        LoadedLog loaded = LogFile::LoadLog(m_settings.LogFileName);
        QCOMPARE(loaded.records.size(), 10000);
        QCOMPARE(loaded.records.last().LogData, "old 9999");

        writeAll(m_settings.LogFileName, records(2) + "date\r\nfrom");
        loaded = LogFile::LoadLog(m_settings.LogFileName);
        QCOMPARE(loaded.records.size(), 3);
        QCOMPARE(loaded.records.last(), (LogRecord{"date", "from", "", ""}));
    }

    void writeFailure_showsNoticeAndKeepsTheFile()
    {
        writeAll(m_settings.LogFileName, records(3));
        LogFile log(m_settings, m_clock, m_frontend);
        for (const auto step : {test::FailDevice::Open, test::FailDevice::Write, test::FailDevice::Commit}) {
            log.setSaveDevice([step](const QString &path) { return std::make_unique<test::FailDevice>(path, step); });
            QVERIFY(log.WriteLog("me", "you", "lost"));
            QVERIFY(!log.flush());
        }
        QCOMPARE(m_frontend.notices.size(), 3);
        QCOMPARE(m_frontend.notices[0].text,
                 u"ログファイルをアクセス中にエラーが発生しました。ログの保存を中止しました。"_qs);
        QVERIFY(m_frontend.notices[0].important);
        QCOMPARE(readAll(m_settings.LogFileName), records(3));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{u"LOG.ZNG"_qs});

        // Logging stays on: the next record is written once the disk has room.
        LogFile healthy(m_settings, m_clock, m_frontend);
        QVERIFY(healthy.WriteLog("me", "you", "kept"));
        QVERIFY(healthy.flush());
        QCOMPARE(LogFile::LoadLog(m_settings.LogFileName).records.size(), 4);
    }

    void writeFailure_missingDirectoryAndHeldLock()
    {
        m_settings.LogFileName = m_dir.filePath(QStringLiteral("no/such/dir/LOG.ZNG"));
        LogFile log(m_settings, m_clock, m_frontend);
        QVERIFY(log.WriteLog("me", "you", "text"));
        QVERIFY(!log.flush());
        QCOMPARE(m_frontend.notices.size(), 1);

        m_settings.LogFileName = m_dir.filePath(QStringLiteral("LOG.ZNG"));
        QLockFile other(m_settings.LogFileName + u".lock"_qs);
        QVERIFY(other.lock());
        log.setLockTimeout(50);
        QVERIFY(log.WriteLog("me", "you", "text"));
        QVERIFY(!log.flush());
        QCOMPARE(m_frontend.notices.size(), 2);
        QVERIFY(!QFile::exists(m_settings.LogFileName));
        other.unlock();
        QVERIFY(log.WriteLog("me", "you", "text"));
        QVERIFY(log.flush());
        QCOMPARE(m_frontend.notices.size(), 2);
    }

    void twoProcessesSharingOneFile_loseNoRecord()
    {
        QProcess a;
        QProcess b;
        const QString child = QStringLiteral(LOGWRITER_CHILD);
        a.start(child, {m_settings.LogFileName, QStringLiteral("200"), QStringLiteral("A")});
        b.start(child, {m_settings.LogFileName, QStringLiteral("200"), QStringLiteral("B")});
        QVERIFY(a.waitForFinished(60000));
        QVERIFY(b.waitForFinished(60000));
        QCOMPARE(a.exitCode(), 0);
        QCOMPARE(b.exitCode(), 0);

        const LoadedLog loaded = LogFile::LoadLog(m_settings.LogFileName);
        QCOMPARE(loaded.records.size(), 400);
        QSet<QByteArray> texts;
        for (const LogRecord &r : loaded.records)
            texts.insert(r.LogData);
        QCOMPARE(texts.size(), 400);
        for (int i = 0; i < 200; ++i) {
            QVERIFY(texts.contains("A " + QByteArray::number(i)));
            QVERIFY(texts.contains("B " + QByteArray::number(i)));
        }
        QVERIFY(!QFile::exists(m_settings.LogFileName + u".lock"_qs));
    }

    // Records taken in one pass are written together, each to the file and
    // under the limit that held when it was taken; records still waiting when
    // the log object goes are written before it is gone.
    void recordsTakenTogether_keepTheirFileLimitAndOrder()
    {
        const QString first = m_settings.LogFileName;
        const QString second = m_dir.filePath(QStringLiteral("OTHER.ZNG"));
        writeAll(first, records(2));
        m_settings.LogFileMaxCount = 3;
        {
            LogFile log(m_settings, m_clock, m_frontend);
            for (const QByteArray text : {"a", "b", "c"})
                QVERIFY(log.WriteLog("me", "you", text));
            m_settings.LogFileName = second;
            m_settings.LogFileMaxCount = 0;
            QVERIFY(log.WriteLog("me", "you", "d"));
        }
        const LoadedLog one = LogFile::LoadLog(first);
        QCOMPARE(one.records.size(), 3);
        QCOMPARE(one.records[0].LogData, "c");
        QCOMPARE(one.records[2].LogData, "a");
        const LoadedLog two = LogFile::LoadLog(second);
        QCOMPARE(two.records.size(), 1);
        QCOMPARE(two.records[0].LogData, "d");

        // Deleting comes after the records taken before it.
        LogFile log(m_settings, m_clock, m_frontend);
        QVERIFY(log.WriteLog("me", "you", "e"));
        QVERIFY(log.DeleteLog());
        QVERIFY(!QFile::exists(second));
        QVERIFY(m_frontend.notices.isEmpty());
    }

    void deleteLog_removesTheFile()
    {
        writeAll(m_settings.LogFileName, records(2));
        LogFile log(m_settings, m_clock, m_frontend);
        QVERIFY(log.DeleteLog());
        QCOMPARE(log.LoadLog().state, LoadedLog::NoLog);
        QVERIFY(log.DeleteLog());
    }

private:
    QTemporaryDir m_dir;
    Settings m_settings;
    test::FakeClock m_clock;
    test::FakeFrontend m_frontend;
};

QTEST_GUILESS_MAIN(tst_LogFile)
#include "tst_logfile.moc"
