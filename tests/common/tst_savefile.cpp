#include "common/savefile.h"
#include "faildevice.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zn;
using zn::test::FailDevice;

namespace {
QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}
} // namespace

class TestSaveFile : public QObject {
    Q_OBJECT
private slots:
    void save_replacesWholeFile();
    void failedStep_keepsOldFileAndLeavesNoTemporary_data();
    void failedStep_keepsOldFileAndLeavesNoTemporary();
};

void TestSaveFile::save_replacesWholeFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.txt"));
    QVERIFY(saveFile(path, "a longer first text"));
    QVERIFY(saveFile(path, "short"));
    QCOMPARE(readAll(path), QByteArray("short"));
    QStringList steps;
    QVERIFY(saveFile(path, "third", FailDevice::opener(FailDevice::None, &steps)));
    QCOMPARE(readAll(path), QByteArray("third"));
    QCOMPARE(steps, (QStringList{QStringLiteral("open"), QStringLiteral("write"), QStringLiteral("commit")}));
}

void TestSaveFile::failedStep_keepsOldFileAndLeavesNoTemporary_data()
{
    QTest::addColumn<int>("step");
    QTest::addColumn<QStringList>("steps");
    const QString open = QStringLiteral("open"), write = QStringLiteral("write"), commit = QStringLiteral("commit");
    QTest::addRow("open") << int(FailDevice::Open) << QStringList{open};
    QTest::addRow("write, half written") << int(FailDevice::Write) << QStringList{open, write};
    QTest::addRow("commit") << int(FailDevice::Commit) << QStringList{open, write, commit};
}

void TestSaveFile::failedStep_keepsOldFileAndLeavesNoTemporary()
{
    QFETCH(int, step);
    QFETCH(QStringList, steps);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.txt"));
    QVERIFY(saveFile(path, "old contents"));

    QStringList seen;
    QVERIFY(!saveFile(path, "new contents that never arrive", FailDevice::opener(FailDevice::Step(step), &seen)));
    QCOMPARE(seen, steps);
    QCOMPARE(readAll(path), QByteArray("old contents"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("a.txt")});
}

QTEST_GUILESS_MAIN(TestSaveFile)
#include "tst_savefile.moc"
