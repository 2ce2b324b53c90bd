#include <QProcess>
#include <QTest>

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void noGraphicalSession_saysSoAndEnds();
};

void TestStartup::noGraphicalSession_saysSoAndEnds()
{
    // Qt would abort on its platform plugin with a message that tells a user
    // nothing; the program says what is missing and ends with an error code.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(ZEPHINET_PROGRAM), {});
    QVERIFY(program.waitForFinished(60000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 2);
    const QByteArray error = program.readAllStandardError();
    QVERIFY2(error.contains("DISPLAY") && error.contains("WAYLAND_DISPLAY"), error.constData());
    QCOMPARE(error.count('\n'), 1);
    QVERIFY(!error.contains("plugin"));
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
