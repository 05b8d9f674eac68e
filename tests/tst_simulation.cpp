// The controller's window: the indicators blink while on, and the log pairs each byte
// received with its answer. Bytes come from a real terminal, as the panel sends them.

#include "demo/ExchangeLog.h"
#include "demo/SimulationWindow.h"
#include "sim/Controller.h"

#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr char kFrameOrder[] = "acbjefefklghid";

// The frame that switches on the lights `on` (command letters) and every other light off.
std::string FrameLighting(const std::string& on) {
    std::string frame;
    for (const char letter : std::string(kFrameOrder)) {
        frame += letter;
        frame += on.find(letter) != std::string::npos ? 'y' : 'n';
    }
    return frame;
}

// The panel's end of the controller's terminal.
class PanelEnd {
public:
    explicit PanelEnd(sim::Controller& controller) : controller_(controller) {
        fd_ = ::open(controller.Path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios raw{};
        tcgetattr(fd_, &raw);
        cfmakeraw(&raw);
        tcsetattr(fd_, TCSANOW, &raw);
    }
    ~PanelEnd() { ::close(fd_); }
    bool isOpen() const { return fd_ >= 0; }

    // Byte by byte, each after the last one's answer of `answerSize` bytes has gone out, as
    // the panel waits for it; all at once when no answer comes.
    bool send(const std::string& bytes, std::size_t answerSize) {
        if (answerSize == 0) return ::write(fd_, bytes.data(), bytes.size()) == ssize_t(bytes.size());
        for (const char byte : bytes) {
            if (::write(fd_, &byte, 1) != 1) return false;
            answered_ += answerSize;
            if (!controller_.WaitForAnswered(answered_)) return false;
            char answer[16];
            for (std::size_t got = 0; got < answerSize;) {
                const ssize_t n = ::read(fd_, answer, std::min(sizeof answer, answerSize - got));
                if (n <= 0) return false;
                got += std::size_t(n);
            }
        }
        return true;
    }

private:
    sim::Controller& controller_;
    int fd_ = -1;
    std::size_t answered_ = 0;
};

struct Tick {
    bool left, right;
};

} // namespace

class SimulationTest : public QObject {
    Q_OBJECT

private slots:
    void blinking_data() {
        QTest::addColumn<QString>("on");
        QTest::addColumn<bool>("left");
        QTest::addColumn<bool>("right");
        QTest::newRow("left indicator") << "e" << true << false;
        QTest::newRow("right indicator") << "f" << false << true;
        QTest::newRow("hazard lights") << "ef" << true << true;
        QTest::newRow("hazard lights with dipped beam") << "aef" << true << true;
        QTest::newRow("no indicator") << "abi" << false << false;
    }
    void blinking() {
        QFETCH(QString, on);
        QFETCH(bool, left);
        QFETCH(bool, right);
        sim::Controller controller;
        SimulationWindow window(controller);
        PanelEnd panel(controller);
        QVERIFY(panel.isOpen());

        const QTimer& timer = window.BlinkTimer();
        const double hertz = 1000.0 / (2 * timer.interval());
        QVERIFY2(hertz >= 1.3 && hertz <= 1.7, qPrintable(QString::number(hertz)));

        std::vector<Tick> ticks;
        QObject::connect(&timer, &QTimer::timeout, &window,
                         [&] { ticks.push_back({window.LampShown('e'), window.LampShown('f')}); });
        QVERIFY(panel.send(FrameLighting(on.toStdString()), 2));
        QTRY_COMPARE_WITH_TIMEOUT(window.FrameCount(), 1, 10000);
        // Lit at once, then dark and lit by turns, both indicators alike.
        const bool lit = ticks.size() % 2 == 0;
        QCOMPARE(window.LampShown('e'), left && lit);
        QCOMPARE(window.LampShown('f'), right && lit);
        QCOMPARE(timer.isActive(), left || right);
        for (const char other : std::string("abcdghijkl"))
            QCOMPARE(window.LampShown(other), on.contains(QChar(other)));
        if (left || right) {
            QTRY_VERIFY_WITH_TIMEOUT(ticks.size() >= 4, 20000);
            for (std::size_t i = 0; i < ticks.size(); ++i) {
                const bool lit = i % 2 == 1;
                QCOMPARE(ticks[i].left, left && lit);
                QCOMPARE(ticks[i].right, right && lit);
            }
        }

        // Switched off: dark, and the timer rests.
        QVERIFY(panel.send(FrameLighting(""), 2));
        QTRY_COMPARE_WITH_TIMEOUT(window.FrameCount(), 2, 10000);
        QVERIFY(!timer.isActive());
        for (const char letter : std::string(kFrameOrder)) QVERIFY(!window.LampShown(letter));
    }

    void logOfFrames_data() {
        QTest::addColumn<QString>("behaviour");
        QTest::addColumn<int>("answerSize");
        QTest::addColumn<QString>("answer");
        QTest::newRow("ok") << "ok" << 2 << "ok";
        QTest::newRow("with a line end") << "crlf" << 4 << "ok\\r\\n";
        // Each byte of the answer leaves on its own.
        QTest::newRow("at 9600 baud") << "paced" << 2 << "ok";
        QTest::newRow("never answers") << "silent" << 0 << "";
    }
    void logOfFrames() {
        QFETCH(QString, behaviour);
        QFETCH(int, answerSize);
        QFETCH(QString, answer);
        sim::Controller controller(*sim::BehaviourNamed(behaviour.toStdString()));
        SimulationWindow window(controller);
        PanelEnd panel(controller);
        QVERIFY(panel.send(FrameLighting("a"), std::size_t(answerSize)));
        QVERIFY(panel.send(FrameLighting("ai"), std::size_t(answerSize)));

        QStringList expected;
        for (const std::string& frame : {FrameLighting("a"), FrameLighting("ai")}) {
            if (!expected.isEmpty()) expected << "";
            for (const char byte : frame)
                expected << (QString(QChar(byte)) + QString::fromUtf8("  \u2192 ") + answer).trimmed();
        }
        QTRY_COMPARE_WITH_TIMEOUT(window.Log(), expected.join('\n'), 10000);
        QCOMPARE(window.FrameCount(), 2);
    }

    void logKeepsTheLastLines() {
        sim::Controller controller(*sim::BehaviourNamed("silent"));
        SimulationWindow window(controller);
        PanelEnd panel(controller);
        // 2,100 exchanges of digits, none of them a command; the last one unlike the others.
        std::string bytes;
        for (int i = 0; i < 2099; ++i) bytes += char('0' + i % 7);
        bytes += 'z';
        QVERIFY(panel.send(bytes, 0));
        QVERIFY(controller.WaitForReceived(bytes.size()));
        QTRY_VERIFY_WITH_TIMEOUT(window.Log().endsWith(QString::fromUtf8("\n") + bytes.back() + "  \u2192"), 10000);
        const QStringList lines = window.Log().split('\n');
        QCOMPARE(lines.size(), 2000);
        // The first 100 are gone.
        QCOMPARE(lines.front(), QString(QChar(bytes[100])) + QString::fromUtf8("  \u2192"));
    }

    // What the window's log is made of, event by event: "<x" the controller received byte x,
    // ">text" it wrote text towards the panel.
    void exchanges_data() {
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("expected");
        const QString to = QString::fromUtf8("  \u2192");
        QTest::newRow("one exchange") << QStringList{"<a", ">ok"} << QStringList{"a" + to + " ok"};
        QTest::newRow("answer in two writes") << QStringList{"<a", ">o", ">k"} << QStringList{"a" + to + " ok"};
        QTest::newRow("no answer yet") << QStringList{"<a"} << QStringList{"a" + to};
        QTest::newRow("a resend is a line of its own")
            << QStringList{"<a", "<a", ">ok"} << QStringList{"a" + to, "a" + to + " ok"};
        QTest::newRow("line end and control bytes shown")
            << QStringList{"<\x01", ">ok\r\n"} << QStringList{"\\x01" + to + " ok\\r\\n"};
        QTest::newRow("sent unasked") << QStringList{">ok"} << QStringList{to + " ok"};
        QTest::newRow("blank line after a frame's last value")
            << QStringList{"<d", ">ok", "<y", ">ok", "<a", ">ok"}
            << QStringList{"d" + to + " ok", "y" + to + " ok", "", "a" + to + " ok"};
        QTest::newRow("last value resent: still the same frame")
            << QStringList{"<d", ">ok", "<n", "<n", ">ok", "<a"}
            << QStringList{"d" + to + " ok", "n" + to, "n" + to + " ok", "", "a" + to};
        QTest::newRow("values of other lights end no frame")
            << QStringList{"<i", ">ok", "<y", ">ok", "<d"}
            << QStringList{"i" + to + " ok", "y" + to + " ok", "d" + to};
    }
    void exchanges() {
        QFETCH(QStringList, events);
        QFETCH(QStringList, expected);
        ExchangeLog log;
        for (const QString& event : events) {
            const std::string bytes = event.mid(1).toStdString();
            if (event.startsWith('<')) log.Receive(bytes.at(0));
            else log.Answer(bytes);
        }
        QCOMPARE(log.Text(), expected.join('\n'));
        QCOMPARE(log.Begun(), std::uint64_t(expected.size()));
    }

    void exchangesKept_data() {
        QTest::addColumn<int>("bytes");
        QTest::newRow("below the limit") << 1999;
        QTest::newRow("at the limit") << 2000;
        QTest::newRow("one over") << 2001;
        QTest::newRow("far over") << 5000;
    }
    void exchangesKept() {
        QFETCH(int, bytes);
        ExchangeLog log;
        for (int i = 0; i < bytes; ++i) {
            log.Receive(char('0' + i % 7));
            log.Answer("ok");
        }
        const int kept = std::min(bytes, 2000);
        QCOMPARE(int(log.Lines().size()), kept);
        QCOMPARE(log.Begun(), std::uint64_t(bytes));
        QCOMPARE(log.Lines().front(), QString(QChar('0' + (bytes - kept) % 7)) + QString::fromUtf8("  \u2192 ok"));
    }
};

QTEST_MAIN(SimulationTest)
#include "tst_simulation.moc"
