#include "settings/inifile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace zn;

namespace {
QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "<missing>";
    return f.readAll();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

const QByteArray Missing("<missing>");
} // namespace

class TestIniFile : public QObject {
    Q_OBJECT
private slots:
    void value_data();
    void value();
    void value_longValueIsCut_data();
    void value_longValueIsCut();
    void setValue_data();
    void setValue();
    void write_batchCreatesFileAndKeepsOtherLines();
    void write_failure_reportsPathAndKeepsOldFile_data();
    void write_failure_reportsPathAndKeepsOldFile();
    void firstDamagedLine_data();
    void firstDamagedLine();
};

void TestIniFile::value_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("expected"); // Missing for no value

    const QByteArray basic("[Font]\r\nSize=12\r\n[Sort]\r\nSortIndex=2\r\n");
    QTest::addRow("plain") << basic << QByteArray("Font") << QByteArray("Size") << QByteArray("12");
    QTest::addRow("other section") << basic << QByteArray("Sort") << QByteArray("SortIndex") << QByteArray("2");
    QTest::addRow("ascii case ignored") << basic << QByteArray("fONT") << QByteArray("SIZE") << QByteArray("12");
    QTest::addRow("missing key") << basic << QByteArray("Font") << QByteArray("Name") << Missing;
    QTest::addRow("key of another section") << basic << QByteArray("Font") << QByteArray("SortIndex") << Missing;
    QTest::addRow("missing section") << basic << QByteArray("Security") << QByteArray("Size") << Missing;
    QTest::addRow("empty file") << QByteArray() << QByteArray("Font") << QByteArray("Size") << Missing;
    QTest::addRow("empty value is a value")
        << QByteArray("[A]\r\nk=\r\n") << QByteArray("A") << QByteArray("k") << QByteArray();
    QTest::addRow("blanks around key and value")
        << QByteArray("  [ A ]  \r\n\t k \t=  v w \t\r\n") << QByteArray("A") << QByteArray("k") << QByteArray("v w");
    QTest::addRow("first '=' splits") << QByteArray("[A]\r\nk=a=b\r\n") << QByteArray("A") << QByteArray("k")
                                      << QByteArray("a=b");
    QTest::addRow("first of two sections")
        << QByteArray("[A]\r\nk=1\r\n[B]\r\n[a]\r\nk=2\r\n") << QByteArray("A") << QByteArray("k") << QByteArray("1");
    QTest::addRow("first of two keys") << QByteArray("[A]\r\nk=1\r\nK=2\r\n") << QByteArray("A") << QByteArray("k")
                                       << QByteArray("1");
    QTest::addRow("comment is no key") << QByteArray("[A]\r\n;k=1\r\n") << QByteArray("A") << QByteArray("k")
                                       << Missing;
    QTest::addRow("key before any section")
        << QByteArray("k=1\r\n[A]\r\n") << QByteArray("A") << QByteArray("k") << Missing;
    QTest::addRow("header without bracket")
        << QByteArray("[A\r\nk=1\r\n") << QByteArray("A") << QByteArray("k") << QByteArray("1");
    QTest::addRow("LF only") << QByteArray("[A]\nk=1\n") << QByteArray("A") << QByteArray("k") << QByteArray("1");
    QTest::addRow("no final line break") << QByteArray("[A]\r\nk=1") << QByteArray("A") << QByteArray("k")
                                         << QByteArray("1");
    QTest::addRow("garbage lines around")
        << QByteArray("junk\r\n[A]\r\n=x\r\nno equals\r\n\x01\x02\xff\r\nk=1\r\n]]\r\n") << QByteArray("A")
        << QByteArray("k") << QByteArray("1");
    QTest::addRow("invalid CP932 kept as bytes")
        << QByteArray("[A]\r\nk=\xff\x81\r\n") << QByteArray("A") << QByteArray("k") << QByteArray("\xff\x81");
    QTest::addRow("CP932 trail byte 5C") << QByteArray("[A]\r\nk=\x95\x5c\x8e\xa6\r\n") << QByteArray("A")
                                         << QByteArray("k") << QByteArray("\x95\x5c\x8e\xa6");
    // A Latin-1 case fold would equate 0xC0 and 0xE0 (two katakana bytes).
    QTest::addRow("no case fold above ASCII")
        << QByteArray("[A]\r\n\xc0=1\r\n") << QByteArray("A") << QByteArray("\xe0") << Missing;
    QTest::addRow("after an overlong line") << QByteArray("[A]\r\nx=" + QByteArray(1 << 20, 'x') + "\r\nk=1\r\n")
                                            << QByteArray("A") << QByteArray("k") << QByteArray("1");
}

void TestIniFile::value()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, expected);
    const IniDocument doc(file);
    QCOMPARE(doc.value(section, key).value_or(Missing), expected);
    QCOMPARE(doc.toBytes(), file);
}

void TestIniFile::value_longValueIsCut_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QByteArray>("expected");

    QTest::addRow("1023 kept") << QByteArray(1023, 'a') << QByteArray(1023, 'a');
    QTest::addRow("1024 cut") << QByteArray(1024, 'a') << QByteArray(1023, 'a');
    QTest::addRow("5000 cut") << QByteArray(5000, 'b') << QByteArray(1023, 'b');
    QTest::addRow("double-byte character not split")
        << QByteArray(QByteArray(1022, 'a') + "\x82\xa0" + "tail") << QByteArray(1022, 'a');
    QTest::addRow("double-byte character fits")
        << QByteArray(QByteArray(1021, 'a') + "\x82\xa0" + "tail") << QByteArray(QByteArray(1021, 'a') + "\x82\xa0");
}

void TestIniFile::value_longValueIsCut()
{
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, expected);
    const IniDocument doc(QByteArray("[A]\r\nk=" + stored + "\r\n"));
    QCOMPARE(doc.value("A", "k").value_or(Missing), expected);
}

void TestIniFile::setValue_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("after");

    const QByteArray mixed("; written by hand\r\n"
                           "[Font]\r\n"
                           "Size=12\r\n"
                           "Colour=red\r\n"
                           "\r\n"
                           "; end of fonts\r\n"
                           "[Other]\r\n"
                           "garbage \xff\x81 line\n"
                           "Size=3\r\n");
    QTest::addRow("replaced in place, rest kept") << mixed << QByteArray("FONT") << QByteArray("size")
                                                  << QByteArray("9") << QByteArray(mixed).replace("Size=12", "size=9");
    QTest::addRow("new key after the section's last key")
        << mixed << QByteArray("Font") << QByteArray("Name") << QByteArray("x")
        << QByteArray(mixed).replace("Colour=red\r\n", "Colour=red\r\nName=x\r\n");
    QTest::addRow("new section at the end") << mixed << QByteArray("Sort") << QByteArray("SortIndex") << QByteArray("1")
                                            << QByteArray(mixed + "[Sort]\r\nSortIndex=1\r\n");
    QTest::addRow("empty file") << QByteArray() << QByteArray("Font") << QByteArray("Size") << QByteArray("9")
                                << QByteArray("[Font]\r\nSize=9\r\n");
    QTest::addRow("key into an empty section")
        << QByteArray("[A]\r\n; note\r\n[B]\r\n") << QByteArray("A") << QByteArray("k") << QByteArray("1")
        << QByteArray("[A]\r\nk=1\r\n; note\r\n[B]\r\n");
    QTest::addRow("last line without line break") << QByteArray("[A]\r\nk=1") << QByteArray("A") << QByteArray("j")
                                                  << QByteArray("2") << QByteArray("[A]\r\nk=1\r\nj=2\r\n");
    QTest::addRow("new section after a line without line break")
        << QByteArray("[A]\r\nk=1") << QByteArray("B") << QByteArray("j") << QByteArray("2")
        << QByteArray("[A]\r\nk=1\r\n[B]\r\nj=2\r\n");
    QTest::addRow("LF line keeps its LF") << QByteArray("[A]\nk=1\n") << QByteArray("A") << QByteArray("k")
                                          << QByteArray("2") << QByteArray("[A]\nk=2\n");
    QTest::addRow("only the first of two keys")
        << QByteArray("[A]\r\nk=1\r\nk=2\r\n") << QByteArray("A") << QByteArray("k") << QByteArray("3")
        << QByteArray("[A]\r\nk=3\r\nk=2\r\n");
    QTest::addRow("line breaks in a value cannot add a key")
        << QByteArray("[A]\r\n") << QByteArray("A") << QByteArray("k") << QByteArray("x\r\nPassword=00\ny")
        << QByteArray("[A]\r\nk=x  Password=00 y\r\n");
}

void TestIniFile::setValue()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, after);
    IniDocument doc(before);
    doc.setValue(section, key, value);
    QCOMPARE(doc.toBytes(), after);
}

void TestIniFile::write_batchCreatesFileAndKeepsOtherLines()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Zephinet.INI"));
    const IniFile file(path);
    QVERIFY(file.read().toBytes().isEmpty());

    QCOMPARE(file.write({{"Font", "Size", "9"}}), QString());
    QCOMPARE(readAll(path), QByteArray("[Font]\r\nSize=9\r\n"));

    QVERIFY(writeAll(path, "; mine\r\n[Font]\r\nSize=9\r\nx\r\n"));
    QCOMPARE(file.write({{"Sort", "SortIndex", "1"}, {"Font", "Size", "14"}, {"Sort", "SortUpper", "0"}}), QString());
    QCOMPARE(readAll(path), QByteArray("; mine\r\n[Font]\r\nSize=14\r\nx\r\n[Sort]\r\nSortIndex=1\r\nSortUpper=0\r\n"));
    QCOMPARE(file.read().value("sort", "sortupper").value_or(Missing), QByteArray("0"));
}

void TestIniFile::write_failure_reportsPathAndKeepsOldFile_data()
{
    QTest::addColumn<QString>("relativePath");
    QTest::addColumn<QString>("setup");

    // Every case fails for root as well, which ignores file permissions.
    QTest::addRow("directory in place of the file") << QStringLiteral("Zephinet.INI") << QStringLiteral("dir");
    QTest::addRow("parent is a regular file") << QStringLiteral("plain/Zephinet.INI") << QStringLiteral("parentfile");
    // The temporary file beside it gets a suffix and so a name too long for
    // the file system; the old file must survive the failure.
    QTest::addRow("existing file, no room for the temporary") << QString(250, u'z') << QStringLiteral("oldfile");
    QTest::addRow("read-only directory") << QStringLiteral("ro/Zephinet.INI") << QStringLiteral("readonly");
}

void TestIniFile::write_failure_reportsPathAndKeepsOldFile()
{
    QFETCH(QString, relativePath);
    QFETCH(QString, setup);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(relativePath);
    const QByteArray old("[Font]\r\nSize=12\r\n");
    if (setup == u"dir") {
        QVERIFY(QDir().mkpath(path));
    } else if (setup == u"parentfile") {
        QVERIFY(writeAll(dir.filePath(QStringLiteral("plain")), "not a directory"));
    } else if (setup == u"oldfile") {
        QVERIFY(writeAll(path, old));
    } else if (setup == u"readonly") {
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("ro"))));
        QVERIFY(writeAll(path, old));
        QFile::setPermissions(dir.filePath(QStringLiteral("ro")), QFile::ReadOwner | QFile::ExeOwner);
        if (QFile probe(dir.filePath(QStringLiteral("ro/probe"))); probe.open(QIODevice::WriteOnly)) {
            QFile::setPermissions(dir.filePath(QStringLiteral("ro")),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("permissions do not bind this user (root)");
        }
    }

    const QString error = IniFile(path).write({{"Font", "Size", "9"}});
    QFile::setPermissions(dir.filePath(QStringLiteral("ro")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(error, QFileInfo(path).absoluteFilePath() + QStringLiteral(" に書き込めません"));
    if (setup == u"oldfile" || setup == u"readonly")
        QCOMPARE(readAll(path), old);
    // No temporary file is left behind.
    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : left)
        QVERIFY2(name == u"plain" || name == QFileInfo(path).fileName(), qPrintable(name));
}

void TestIniFile::firstDamagedLine_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("line"); // 0: sound

    // What the reader has rules for is no damage.
    QTest::addRow("empty") << QByteArray() << 0;
    QTest::addRow("written by the program")
        << QByteArray("[LocalSetting]\r\nHandleName=\x96\xbc\x91\x4f\r\nPortNo=50000\r\n[Font]\r\nSize=9\r\n") << 0;
    QTest::addRow("blank lines, comments, blanks around")
        << QByteArray("\r\n; note\r\n  [ A ]  \r\n\t k = v \r\n   \r\n") << 0;
    QTest::addRow("unknown section and key, out-of-range number")
        << QByteArray("[Mine]\r\nColour=red\r\n[LocalSetting]\r\nPortNo=70000\r\nLogSave=yes\r\n") << 0;
    QTest::addRow("key outside any section, empty value") << QByteArray("k=1\r\n[A]\r\nx=\r\n") << 0;
    QTest::addRow("header without bracket, LF only, no last line end") << QByteArray("[A\nk=1\nj=2") << 0;
    QTest::addRow("overlong value") << QByteArray("[A]\r\nk=" + QByteArray(5000, 'x') + "\r\n") << 0;
    QTest::addRow("invalid CP932 in a comment, which nothing reads") << QByteArray(";\xa0\xa0\r\n[A]\r\n") << 0;
    QTest::addRow("lone CR inside a line") << QByteArray("[A]\r\nk=a\rb\r\n") << 0;
    QTest::addRow("user-defined double-byte character") << QByteArray("[A]\r\nk=\xf0\x40\r\n") << 0;

    // What no program writes, and the reader would pass over.
    QTest::addRow("line without '='") << QByteArray("[A]\r\nk=1\r\nbroken line\r\nj=2\r\n") << 3;
    QTest::addRow("empty key") << QByteArray("[A]\r\n = 1\r\n") << 2;
    // A value's bytes decide only that value.
    QTest::addRow("invalid CP932 in a value") << QByteArray("[A]\r\nk=\xff\xfe\r\n") << 0;
    QTest::addRow("lead byte without its trail at a line end") << QByteArray("[A]\r\nk=a\x82\r\n") << 0;
    QTest::addRow("UTF-8 that is no CP932, in a value") << QByteArray("[A]\r\nk=\xe3\x81\x82\r\n") << 0;
    QTest::addRow("NUL bytes of a zeroed tail") << QByteArray("[A]\r\nk=1\r\n\0\0\0\0", 15) << 3;
    QTest::addRow("NUL inside a value") << QByteArray("[A]\r\nk=a\0b\r\n", 12) << 2;
    // UTF-8 often reads as CP932 by chance ("名前" does); this "あ" does not.
    QTest::addRow("UTF-8 that is no CP932, in a key") << QByteArray("[A]\r\n\xe3\x81\x82=1\r\n") << 2;
    QTest::addRow("invalid CP932 in a header") << QByteArray("k=1\r\n[A\xff]\r\n") << 2;
    QTest::addRow("lead byte of a key swallowing the '='") << QByteArray("[A]\r\nk\x82=1\r\n") << 2;
}

void TestIniFile::firstDamagedLine()
{
    QFETCH(QByteArray, file);
    QFETCH(int, line);
    QCOMPARE(IniDocument(file).firstDamagedLine().value_or(0), qsizetype(line));
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
