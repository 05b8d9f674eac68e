// What a real line and a real user do wrong: late and split answers, a flood, an adapter
// pulled out mid-frame, a port someone else holds or the user may not open, and many
// connects. Each case checks the exact bytes on the wire and the exact boxes.

#include "link/Link.h"
#include "panel/Unit1.h"
#include "sim/Controller.h"
#include "tests/support/Boxes.h"
#include "tests/support/ChildProgram.h"
#include "tests/support/InFlight.h"
#include "tests/support/Panel.h"

#include <QDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstddef>

#include <malloc.h>
#include <sys/stat.h>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's runtime has it; GCC ships no header that declares it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

using namespace std::chrono_literals;

namespace {

const std::string kFrameWithSideLights = "ancnbyjnenfnenfnknlngnhniydn";
const sim::Behaviour kSilent = sim::BehaviourNamed("silent").value();

int openDescriptors() { return int(QDir("/proc/self/fd").entryList(QDir::NoDotAndDotDot | QDir::System).size()); }

// The bytes the process holds allocated now. Not its resident size: a sanitizer keeps freed
// blocks out of use for a while and maps shadow memory for them, which is its own, not ours.
long long liveHeapBytes() {
#if defined(__SANITIZE_ADDRESS__)
    return static_cast<long long>(__sanitizer_get_current_allocated_bytes());
#else
    const struct mallinfo2 heap = mallinfo2();
    return static_cast<long long>(heap.uordblks + heap.hblkhd);
#endif
}

} // namespace

class FaultTest : public QObject {
    Q_OBJECT

private slots:
    void init() { CreatePanel(); }
    void cleanup() {
        delete Form1;
        Form1 = nullptr;
        seam::Reset();
    }

    // The answer to the first send comes after its wait: the second send's wait takes it.
    void lateAnswerAcknowledgesTheNextSend() {
        sim::Controller controller(kSilent);
        BoxRecorder recorder;
        ConnectPanel(controller.Path());
        seam::BeforeRead([&](int read) {
            if (read == 1 && std::ranges::count(seam::Trace(), 'w') == 2) {
                controller.Send("ok");
                controller.WaitForHandled(0);
            }
        });
        WriteCommand("a", 1);
        QCOMPARE(recorder.lines, (QStringList{"a", "FALSE", "a", "TRUE"}));
        QCOMPARE(controller.ReceivedBytes(), std::string("aa"));
    }

    // "o" comes in the last read of one wait, "k" in the first of the next: neither wait
    // sees exactly "ok".
    void okSplitAcrossWaitsNeverCounts() {
        sim::Controller controller(kSilent);
        BoxRecorder recorder;
        ConnectPanel(controller.Path());
        seam::BeforeRead([&](int read) {
            const bool first = std::ranges::count(seam::Trace(), 'w') == 1;
            if (read == kPassesOfAWait || (read == 1 && !first)) {
                controller.Send(read == kPassesOfAWait ? "o" : "k");
                controller.WaitForHandled(0);
            }
        });
        WriteCommand("a", 1);
        QCOMPARE(recorder.lines, TenFailedSends('a'));
        QCOMPARE(controller.ReceivedBytes(), std::string(kSendsOfAByte, 'a'));
    }

    // A megabyte of garbage arrives as the frame starts: every wait reads at most 22 bytes of
    // it, the frame runs to its end, and what the process holds grows by far less than the
    // flood (the boxes' lines are all it keeps).
    void floodDuringAFrame() {
        sim::Controller controller(kSilent);
        BoxRecorder recorder;
        ConnectPanel(controller.Path());
        controller.Send(std::string(1 << 20, 'x'));
        QVERIFY(controller.WaitForAnswered(1));
        const long long before = liveHeapBytes();

        Form1->Standlicht->Click();

        std::string wire;
        QStringList lines;
        for (const char byte : kFrameWithSideLights) {
            wire += std::string(kSendsOfAByte, byte);
            lines << TenFailedSends(byte);
        }
        QVERIFY(controller.WaitForReceived(wire.size()));
        QCOMPARE(controller.ReceivedBytes(), wire);
        QCOMPARE(recorder.lines, lines);
        const long long grown = liveHeapBytes() - before;
        QVERIFY2(grown < (1 << 20) / 4, qPrintable(QString("holds %1 KiB more").arg(grown / 1024)));
    }

    // The adapter is pulled out after the fifth byte: the rest of the frame still runs, each
    // byte with its echo, one failed write, a wait of failed reads, and no second send.
    void hangUpInTheMiddleOfAFrame() {
        sim::Behaviour unplugged;
        unplugged.hangUpAfter = 5;
        sim::Controller controller(unplugged);
        BoxRecorder recorder;
        ConnectPanel(controller.Path());
        AnswersInFlight(controller);

        Form1->Standlicht->Click();

        QStringList lines;
        for (int i = 0; i < 4; ++i) lines << QString(QChar(kFrameWithSideLights[i])) << "TRUE";
        lines << "b" << FailedWait() << "b" << IoFailure("WriteFile") << FailedWait();
        for (const char byte : kFrameWithSideLights.substr(5))
            lines << QString(QChar(byte)) << IoFailure("WriteFile") << FailedWait();
        QCOMPARE(controller.ReceivedBytes(), kFrameWithSideLights.substr(0, 5));
        QCOMPARE(recorder.lines, lines);
        QCOMPARE(Form1->comportbut->Caption(), Text("trennen"));
    }

    void portHeldByAnotherProcess() {
        sim::Controller controller;
        ChildProgram holder(TestTool("hold_port"), {"exclusive", controller.Path()});
        QCOMPARE(holder.ReadLine(), std::string("held"));

        BoxRecorder recorder;
        ConnectPanel(controller.Path());
        QCOMPARE(recorder.lines.size(), 1);
        QVERIFY(recorder.lines[0].startsWith("Der gew"));
        QCOMPARE(Form1->comportbut->Caption(), Text("verbinden"));

        QCOMPARE(holder.Finish(), 0);
        ConnectPanel(controller.Path());
        QCOMPARE(Form1->comportbut->Caption(), Text("trennen"));
        QCOMPARE(recorder.lines.size(), 1);
        QCOMPARE(controller.ReceivedBytes(), std::string());
    }

    // A terminal nobody may open: a normal user is refused with EACCES; root opens anything,
    // so as root the opener first becomes a user of no group.
    void deviceTheUserMayNotOpen() {
        sim::Controller controller;
        QCOMPARE(chmod(controller.Path().c_str(), 0), 0);
        ChildProgram opener(TestTool("hold_port"), {"--as-nobody", "exclusive", controller.Path()});
        QCOMPARE(opener.ReadLine(), QString("refused %1").arg(EACCES).toStdString());
        QCOMPARE(opener.Finish(), 0);
    }

    void manyConnectsLeaveNoPortOpen() {
        sim::Controller controller;
        BoxRecorder recorder;
        ConnectPanel(controller.Path());
        Form1->comportbut->Click();
        const int before = openDescriptors();
        for (int i = 0; i < 1000; ++i) {
            Form1->comportbut->Click();
            Form1->comportbut->Click();
        }
        QCOMPARE(openDescriptors(), before);
        QCOMPARE(recorder.lines, QStringList{});
        QCOMPARE(controller.ReceivedBytes(), std::string());
    }
};

QTEST_MAIN(FaultTest)
#include "tst_faults.moc"
