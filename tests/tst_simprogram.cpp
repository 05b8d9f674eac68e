// lichtpult-sim's command line: help and version on stdout with status 0, anything it cannot
// use refused with the usage on stderr and status 2, before any terminal is opened.

#include <QProcess>
#include <QRegularExpression>
#include <QTest>

class SimProgramTest : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");  // what stdout must match; stderr the other one
        QTest::addColumn<QString>("err");
        const QString usage = "^usage: \\S*lichtpult-sim \\[--behaviour ok\\|silent\\|crlf\\|slow\\|paced\\]";
        const QString version = QString("^lichtpult-sim %1\\n$").arg(QRegularExpression::escape(LICHTPULT_VERSION));
        QTest::newRow("--help") << QStringList{"--help"} << 0 << usage << "^$";
        QTest::newRow("--help after an option") << QStringList{"--behaviour", "slow", "--help"} << 0 << usage << "^$";
        QTest::newRow("--version") << QStringList{"--version"} << 0 << version << "^$";
        QTest::newRow("unknown option") << QStringList{"--baud", "9600"} << 2 << "^$" << usage;
        QTest::newRow("unknown before --help") << QStringList{"-x", "--help"} << 2 << "^$" << usage;
        QTest::newRow("unknown behaviour") << QStringList{"--behaviour", "fast"} << 2 << "^$" << usage;
        QTest::newRow("behaviour missing") << QStringList{"--behaviour"} << 2 << "^$" << usage;
        QTest::newRow("device missing") << QStringList{"--device"} << 2 << "^$" << usage;
        QTest::newRow("a stray word") << QStringList{"ok"} << 2 << "^$" << usage;
    }
    void commandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QProcess program;
        program.start(LICHTPULT_SIM, arguments);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), status);
        const QString stdoutText = QString::fromUtf8(program.readAllStandardOutput());
        const QString stderrText = QString::fromUtf8(program.readAllStandardError());
        QVERIFY2(QRegularExpression(out).match(stdoutText).hasMatch(), qPrintable(stdoutText));
        QVERIFY2(QRegularExpression(err).match(stderrText).hasMatch(), qPrintable(stderrText));
    }

    // Each behaviour the usage names starts the controller on a new terminal; interrupted,
    // it ends with status 0.
    void behaviours_data() {
        QTest::addColumn<QString>("behaviour");
        for (const char* name : {"ok", "silent", "crlf", "slow", "paced"}) QTest::newRow(name) << name;
    }
    void behaviours() {
        QFETCH(QString, behaviour);
        QProcess program;
        program.start(LICHTPULT_SIM, {"--behaviour", behaviour});
        QVERIFY(program.waitForStarted(10000));
        QVERIFY(program.waitForReadyRead(10000));
        const QString path = QString::fromUtf8(program.readLine()).trimmed();
        QVERIFY2(path.startsWith("/dev/pts/"), qPrintable(path));
        program.terminate();
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }
};

QTEST_MAIN(SimProgramTest)
#include "tst_simprogram.moc"
