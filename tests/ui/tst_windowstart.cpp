// Window mode where no display exists, as over a plain SSH session: a clear
// error and status 1 instead of the toolkit aborting the program.

#include <QProcess>
#include <QtTest>

class TestWindowStart : public QObject
{
    Q_OBJECT

private slots:
    void noDisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("with a file") << QStringList{QStringLiteral("survey.sgy")};
        QTest::newRow("without a file") << QStringList();
    }

    void noDisplay()
    {
        QFETCH(QStringList, arguments);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_MESSAGE_PATTERN"})
            env.remove(QLatin1String(name));
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(QString::fromLocal8Bit(qgetenv("TREVALON_BIN_DIR")) + QStringLiteral("/trevalon"), arguments);
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 1);
        QCOMPARE(QString::fromUtf8(process.readAllStandardError()).trimmed(),
                 QStringLiteral("\"Error: no display available; use a command such as info (see --help).\""));
        QVERIFY(process.readAllStandardOutput().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestWindowStart)
#include "tst_windowstart.moc"
