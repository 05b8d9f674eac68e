// Set-up, error boxes and the acknowledged byte transfer, against the simulated controller.

#include "link/Link.h"
#include "link/Messages.h"
#include "panel/LinkBinding.h"
#include "sim/Controller.h"
#include "tests/support/Boxes.h"
#include "tests/support/InFlight.h"
#include "tests/support/Seam.h"

#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

#include <unistd.h>

using namespace std::chrono_literals;
using Reply = sim::Behaviour::Reply;

Q_DECLARE_METATYPE(sim::Behaviour)
Q_DECLARE_METATYPE(std::string)

namespace {

sim::Behaviour reply(Reply kind, std::string answer = "ok", std::chrono::microseconds delay = {}) {
    sim::Behaviour b;
    b.reply = kind;
    b.answer = std::move(answer);
    b.delay = delay;
    return b;
}

// Opens the controller's terminal as the connect button does.
void connectTo(const sim::Controller& controller) {
    hComPort = OpenComPort(controller.Path());
    QVERIFY(hComPort != serial::INVALID_HANDLE_VALUE);
    ConfigureComPort(hComPort);
    SetComTimeouts(hComPort);
}

// What `work` writes to stderr, through a file put in its place meanwhile.
std::string standardErrorOf(const std::function<void()>& work) {
    std::FILE* file = std::tmpfile();
    if (file == nullptr) return "(no temporary file for stderr)";
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    ::dup2(::fileno(file), STDERR_FILENO);
    work();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    std::rewind(file);
    std::string written;
    for (int c; (c = std::fgetc(file)) != EOF;) written += static_cast<char>(c);
    std::fclose(file);
    return written;
}

std::string silentWait() {
    std::string passes;
    for (int i = 0; i < kPassesOfAWait; ++i) passes += "0.";
    return passes;
}

} // namespace

class LinkTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() {
        CloseComPort();
        seam::Reset();
    }

    // Each row sends the bytes one WriteCommand each and checks the wire and the boxes.
    void transfer_data() {
        QTest::addColumn<sim::Behaviour>("behaviour");
        QTest::addColumn<std::string>("bytes");
        QTest::addColumn<std::string>("received");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<std::string>("late");

        QTest::newRow("answers at once") << reply(Reply::Now) << std::string("an")
                                         << std::string("an")
                                         << QStringList{"a", "TRUE", "n", "TRUE"} << std::string();
        QTest::newRow("never answers")
            << reply(Reply::Silent) << std::string("a") << std::string(kSendsOfAByte, 'a')
            << TenFailedSends('a') << std::string();
        QTest::newRow("answers garbage")
            << reply(Reply::Now, "xy") << std::string("a") << std::string(kSendsOfAByte, 'a')
            << TenFailedSends('a') << std::string();
        QTest::newRow("ok with line end read as ok, line end spoils the next wait")
            << reply(Reply::Now, "ok\r\n") << std::string("an") << std::string("ann")
            << QStringList{"a", "TRUE", "n", "FALSE", "n", "TRUE"} << std::string();
        // "k" comes after the read that got "o" has ended, so it arrives together with the
        // line end in a later read of the same wait.
        QTest::newRow("o, then k with the line end in the next read")
            << reply(Reply::Now, "o") << std::string("a") << std::string(kSendsOfAByte, 'a')
            << TenFailedSends('a') << std::string("k\r\n");
        // The wait reads on past "ok\r" and takes the line end with it, so nothing is left
        // over to spoil the clean "ok" that answers the second send.
        sim::Behaviour okSecondTime = reply(Reply::Scripted);
        okSecondTime.script = {"o", "ok"};
        QTest::newRow("o, then k with the line end in one wait, then ok to the second send")
            << okSecondTime << std::string("a") << std::string("aa")
            << QStringList{"a", "FALSE", "a", "TRUE"} << std::string("k\r\n");
        QTest::newRow("o and k in separate reads of one wait")
            << reply(Reply::Now, "o") << std::string("a") << std::string("a")
            << QStringList{"a", "TRUE"} << std::string("k");
        QTest::newRow("o and k 0.3 ms apart") << reply(Reply::Split, "ok", 300us)
                                              << std::string("a") << std::string("a")
                                              << QStringList{"a", "TRUE"} << std::string();
        sim::Behaviour third = reply(Reply::OnSend);
        third.sendNumber = 3;
        QTest::newRow("acknowledges only the third send")
            << third << std::string("a") << std::string("aaa")
            << QStringList{"a", "FALSE", "a", "FALSE", "a", "TRUE"} << std::string();
        sim::Behaviour paced = reply(Reply::Now);
        paced.lineRate = true;
        QTest::newRow("paced at 9600 baud") << paced << std::string("an") << std::string("an")
                                            << QStringList{"a", "TRUE", "n", "TRUE"} << std::string();
        sim::Behaviour unplugged = reply(Reply::Now);
        unplugged.hangUpAfter = 1;
        QTest::newRow("hangs up after the first byte")
            << unplugged << std::string("a") << std::string("a")
            << (QStringList{"a"} << FailedWait() << "a" << IoFailure("WriteFile") << FailedWait())
            << std::string();
    }
    void transfer() {
        QFETCH(sim::Behaviour, behaviour);
        QFETCH(std::string, bytes);
        QFETCH(std::string, received);
        QFETCH(QStringList, boxes);
        QFETCH(std::string, late);

        sim::Controller controller(behaviour);
        BoxRecorder recorder;
        connectTo(controller);
        // Paced too: what is due by each read is there for it, the rest comes in its time.
        AnswersInFlight(controller, late, 2);
        QCOMPARE(recorder.lines, QStringList{});
        for (const char byte : bytes) WriteCommand(Text(1, byte), 1);

        QCOMPARE(recorder.lines, boxes);
        QVERIFY(controller.WaitForReceived(received.size()));
        QCOMPARE(controller.ReceivedBytes(), received);
    }

    // The reads and pauses of one wait, counted: a pause after every pass that leaves the
    // reply unequal to "ok", the last pass included, and none after the one that completes it.
    void waitPasses_data() {
        QTest::addColumn<sim::Behaviour>("behaviour");
        QTest::addColumn<std::string>("late");
        QTest::addColumn<std::string>("trace");
        QTest::newRow("ok at once") << reply(Reply::Now) << std::string() << std::string("w2");
        QTest::newRow("o, then k") << reply(Reply::Now, "o") << std::string("k")
                                   << std::string("w1.1");
        QTest::newRow("garbage") << reply(Reply::Now, "xy") << std::string()
                                 << std::string("w2.").append(silentWait(), 2);
        QTest::newRow("ok and a line end") << reply(Reply::Now, "ok\r\n") << std::string()
                                           << std::string("w2");
        sim::Behaviour hungUp = reply(Reply::Now);
        hungUp.hangUpAfter = 1;
        std::string failedWait;
        for (int i = 0; i < kPassesOfAWait; ++i) failedWait += "x.";
        QTest::newRow("line hung up") << hungUp << std::string() << std::string("w").append(failedWait);
    }
    void waitPasses() {
        QFETCH(sim::Behaviour, behaviour);
        QFETCH(std::string, late);
        QFETCH(std::string, trace);
        sim::Controller controller(behaviour);
        BoxRecorder recorder;
        connectTo(controller);
        AnswersInFlight(controller, late, 2);
        QVERIFY(serial::WriteFile(hComPort, "a", 1, nullptr, nullptr));
        WaitForOk();
        QCOMPARE(seam::Trace(), trace);
    }

    void silentWaitReadsElevenTimes() {
        sim::Controller controller(reply(Reply::Silent));
        BoxRecorder recorder;
        connectTo(controller);
        WriteCommand("a", 1);
        std::string tenSends;
        for (int i = 0; i < kSendsOfAByte; ++i) tenSends.append("w").append(silentWait());
        QCOMPARE(seam::Trace(), tenSends);
    }

    void lineHungUpBeforeTheFirstSend() {
        sim::Controller controller;
        BoxRecorder recorder;
        connectTo(controller);
        controller.HangUp();

        QCOMPARE(WriteCommand("a", 1), serial::DWORD{0});
        QCOMPARE(recorder.lines, (QStringList{"a", IoFailure("WriteFile")} << FailedWait()));
        QCOMPARE(controller.ReceivedBytes(), std::string());
    }

    void neverWritesMoreThanTheTextHolds() {
        sim::Controller controller;
        BoxRecorder recorder;
        connectTo(controller);
        AnswersInFlight(controller);
        QCOMPARE(WriteCommand("a", 5), serial::DWORD{1});
        QCOMPARE(recorder.lines, (QStringList{"a", "TRUE"}));
        QCOMPARE(controller.ReceivedBytes(), std::string("a"));
    }

    // The wait ends the moment "ok" is complete, byte after byte of an exchange: after the
    // read that completes it comes no pause, only the outcome box and the next byte's write.
    void waitEndsWhenOkIsComplete() {
        sim::Controller controller;
        BoxRecorder recorder;
        connectTo(controller);
        AnswersInFlight(controller);
        const std::string bytes = "acbjefefklghid";
        std::string trace;
        QStringList lines;
        for (const char byte : bytes) {
            QCOMPARE(WriteCommand(Text(1, byte), 1), serial::DWORD{1});
            trace += "w2";
            lines << QString(QChar(byte)) << "TRUE";
        }
        QCOMPARE(seam::Trace(), trace);
        QCOMPARE(recorder.lines, lines);
        QCOMPARE(controller.ReceivedBytes(), bytes);
    }

    void configuringAHungUpLineShowsEachFailedCall() {
        sim::Controller controller;
        BoxRecorder recorder;
        hComPort = OpenComPort(controller.Path());
        QVERIFY(hComPort != serial::INVALID_HANDLE_VALUE);
        controller.HangUp();
        ConfigureComPort(hComPort);
        SetComTimeouts(hComPort);
        QCOMPARE(recorder.lines,
                 (QStringList{IoFailure("GetCommState"), IoFailure("SetCommState")}));
    }

    void readFailureShowsItsBoxAndCountsNothing() {
        BoxRecorder recorder;
        hComPort = nullptr;
        char buffer[2];
        QCOMPARE(ReadComPort(buffer, 2), serial::DWORD{0});
        QCOMPARE(recorder.lines, QStringList{"!ReadFile: Bad file descriptor"});
    }

    // Bound to nothing, the link shows no box: each message is one line on stderr, a control
    // byte written out, so none is lost and none spans lines.
    void unboundMessagesAreLinesOnStandardError() {
        sim::Controller controller;
        BoxRecorder recorder;
        connectTo(controller);
        AnswersInFlight(controller);
        lichtpult::link::BindMessages(nullptr, nullptr);
        const std::string written = standardErrorOf([] {
            WriteCommand("\r", 1);
            CloseComPort();
            char buffer[2];
            ReadComPort(buffer, 2);
        });
        BindLinkToToolkit();
        QCOMPARE(recorder.lines, QStringList{});
        QCOMPARE(QString::fromStdString(written), QString("message: \\x0D\n"
                                                          "message: TRUE\n"
                                                          "error: ReadFile: Bad file descriptor\n"));
    }
};

QTEST_GUILESS_MAIN(LinkTest)
#include "tst_link.moc"
