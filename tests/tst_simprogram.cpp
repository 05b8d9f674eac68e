// lichtpult-sim's command line: help and version on stdout with status 0, anything it cannot
// use refused with the usage on stderr and status 2, before any terminal is opened.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

class SimProgramTest : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");  // what stdout must match; stderr the other one
        QTest::addColumn<QString>("err");
        const QString usage = "^usage: \\S*lichtpult-sim \\[--behaviour ok\\|silent\\|crlf\\|slow\\|paced\\|hangup\\]";
        const QString version = QString("^lichtpult-sim %1\\n$").arg(QRegularExpression::escape(LICHTPULT_VERSION));
        QTest::newRow("--help") << QStringList{"--help"} << 0 << usage << "^$";
        QTest::newRow("--help after an option") << QStringList{"--behaviour", "slow", "--help"} << 0 << usage << "^$";
        QTest::newRow("--version") << QStringList{"--version"} << 0 << version << "^$";
        QTest::newRow("unknown option") << QStringList{"--baud", "9600"} << 2 << "^$" << usage;
        QTest::newRow("unknown before --help") << QStringList{"-x", "--help"} << 2 << "^$" << usage;
        QTest::newRow("unknown behaviour") << QStringList{"--behaviour", "fast"} << 2 << "^$" << usage;
        QTest::newRow("behaviour missing") << QStringList{"--behaviour"} << 2 << "^$" << usage;
        QTest::newRow("device missing") << QStringList{"--device"} << 2 << "^$" << usage;
        QTest::newRow("exchanges file missing") << QStringList{"--exchanges"} << 2 << "^$" << usage;
        QTest::newRow("exchanges file cannot be made")
            << QStringList{"--exchanges", "/nonexistent/folder/x"} << 1 << "^$"
            << "^lichtpult-sim: /nonexistent/folder/x: No such file or directory\\n$";
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
        for (const char* name : {"ok", "silent", "crlf", "slow", "paced", "hangup"}) QTest::newRow(name) << name;
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

    // "hangup" lets the first byte in and then hangs up, unanswered: the panel's side reads
    // the end of the line.
    void hangupEndsTheLineAtTheFirstByte() {
        QProcess program;
        const int port = startAndOpen(program, {"--behaviour", "hangup"});
        QVERIFY(port >= 0);
        QCOMPARE(::write(port, "a", 1), ssize_t{1});
        char answer[2];
        QVERIFY(::read(port, answer, 2) <= 0); // blocks until the hang-up, then no byte
        ::close(port);
        program.terminate();
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 0);
    }

    // With --exchanges, each byte received and each answer is a line, stamped on the raw
    // monotonic clock: the answer after the byte, and both within the moments around them.
    void exchangesAreStamped() {
        QTemporaryDir folder;
        const QString file = folder.filePath("exchanges");
        QProcess program;
        const int port = startAndOpen(program, {"--exchanges", file});
        QVERIFY(port >= 0);
        const long long before = rawMicroseconds();
        QCOMPARE(::write(port, "a", 1), ssize_t{1});
        char answer[2];
        QCOMPARE(::read(port, answer, 2), ssize_t{2}); // blocks until "ok" is here
        const long long after = rawMicroseconds();
        // The answer's line follows its write.
        const auto lines = [&file] {
            QFile written(file);
            written.open(QIODevice::ReadOnly);
            return QString::fromLatin1(written.readAll()).split('\n', Qt::SkipEmptyParts);
        };
        QTRY_COMPARE_WITH_TIMEOUT(lines().size(), 2, 10000);
        ::close(port);
        program.terminate();
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 0);
        const QStringList in = lines()[0].split(' '), out = lines()[1].split(' ');
        QCOMPARE(in.mid(1), (QStringList{"in", "1"}));
        QCOMPARE(out.mid(1), (QStringList{"out", "2"}));
        QVERIFY(before <= in[0].toLongLong());
        QVERIFY(in[0].toLongLong() <= out[0].toLongLong());
        QVERIFY(out[0].toLongLong() <= after);
    }

private:
    // Starts the simulator with those arguments and opens its terminal, raw, as a panel does;
    // -1 when either fails.
    static int startAndOpen(QProcess& program, const QStringList& arguments) {
        program.start(LICHTPULT_SIM, arguments);
        if (!program.waitForReadyRead(10000)) return -1;
        const QByteArray path = program.readLine().trimmed();
        const int port = ::open(path.constData(), O_RDWR | O_NOCTTY);
        termios raw{};
        if (port < 0 || tcgetattr(port, &raw) != 0) return -1;
        cfmakeraw(&raw);
        return tcsetattr(port, TCSANOW, &raw) == 0 ? port : -1;
    }

    static long long rawMicroseconds() {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC_RAW, &now);
        return static_cast<long long>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
    }
};

QTEST_MAIN(SimProgramTest)
#include "tst_simprogram.moc"
