// lichtpult-bench: prints one table of timings and memory, each figure beside a floor
// measured in the same run. Everything runs on pseudo-terminals with the simulated controller
// and, for the message boxes, real Qt boxes on the offscreen platform.

#include "link/Limits.h"
#include "link/Link.h"
#include "panel/LinkBinding.h"
#include "panel/Unit1.h"
#include "protocol/LightFrame.h"
#include "sim/Controller.h"
#include "tests/support/Boxes.h"
#include "tests/support/Panel.h"
#include "tests/support/Percentile.h"
#include "toolkit/Application.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

void header() {
    std::printf("| Figure | n | Median | p99 | Floor (median) | Ratio | Goal |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
}

void row(const char* figure, const std::vector<double>& values, double floor, const char* unit,
         const char* goal) {
    const double median = Percentile(values, 0.5);
    std::printf("| %s | %zu | %.3f %s | %.3f %s | %.3f %s | %.2f (p99 %.2f) | %s |\n", figure,
                values.size(), median, unit, Percentile(values, 0.99), unit, floor, unit,
                median / floor, Percentile(values, 0.99) / floor, goal);
    std::fflush(stdout);
}

// No window: a box counts as confirmed the moment it is shown.
void withoutBoxes() {
    SetModalBoxPresenter([](const ModalBox&) {});
}

// A one-byte write and its two-byte answer, straight on the terminal: what any exchange costs.
double rawPingPong(int fd) {
    const auto start = Clock::now();
    const char byte = 'a';
    if (::write(fd, &byte, 1) != 1) return -1;
    int got = 0;
    char answer[2];
    while (got < 2) {
        pollfd ready{fd, POLLIN, 0};
        poll(&ready, 1, 100);
        const ssize_t n = ::read(fd, answer + got, 2 - got);
        if (n > 0) got += int(n);
    }
    return msBetween(start, Clock::now());
}

void acknowledgedByte() {
    sim::Controller controller, floorController;
    withoutBoxes();
    hComPort = OpenComPort(controller.Path());
    ConfigureComPort(hComPort);
    SetComTimeouts(hComPort);
    const int fd = ::open(floorController.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios raw{};
    tcgetattr(fd, &raw);
    cfmakeraw(&raw);
    tcsetattr(fd, TCSANOW, &raw);

    std::vector<double> byte, floor;
    for (int i = 0; i < 2200; ++i) {
        const double f = rawPingPong(fd);
        const auto start = Clock::now();
        WriteCommand("a", 1);
        const double b = msBetween(start, Clock::now());
        if (i >= 200) { // warm-up
            floor.push_back(f);
            byte.push_back(b);
        }
    }
    ::close(fd);
    CloseComPort();
    row("Acknowledged byte, instant controller, boxes confirmed without a window", byte,
        Percentile(floor, 0.5), "ms", "ratio ≤ 1.3 to a raw write/answer ping-pong");
}

void unansweredWait() {
    sim::Behaviour silent;
    silent.reply = sim::Behaviour::Reply::Silent;
    sim::Controller controller(silent);
    withoutBoxes();
    hComPort = OpenComPort(controller.Path());
    SetComTimeouts(hComPort);
    std::vector<double> waits;
    for (int i = 0; i < 300; ++i) {
        const auto start = Clock::now();
        WaitForOk();
        waits.push_back(msBetween(start, Clock::now()));
    }
    CloseComPort();
    const std::string figure = "Wait that gets no answer (" + std::to_string(kMaxPasses) + " × (" +
                               std::to_string(kReadTotalMs) + " ms read + " + std::to_string(kPauseMs) +
                               " ms pause))";
    row(figure.c_str(), waits, kLongestWaitMs, "ms",
        ("median ≤ 1.10, p99 ≤ 1.30 of " + std::to_string(kLongestWaitMs) + " ms").c_str());
}

void pacedFrame() {
    sim::Behaviour paced;
    paced.lineRate = true;
    sim::Controller controller(paced);
    withoutBoxes();
    CreatePanel();
    ConnectPanel(controller.Path());
    std::vector<double> frames;
    for (int i = 0; i < 20; ++i) {
        const auto start = Clock::now();
        SendLightStates();
        frames.push_back(msBetween(start, Clock::now()));
    }
    Form1->comportbut->Click();
    const double floor = 28 * 3 * std::chrono::duration<double, std::milli>(sim::kByteTime).count();
    row("Whole frame at 9600 baud (28 bytes, each with its 2-byte answer)", frames, floor, "ms",
        "reported: the line's own floor is 87.5 ms");
}

// Returns the median, the floor of the next figure.
double boxToBox() {
    sim::Controller controller;
    SetModalBoxPresenter({});
    CreatePanel();
    ConnectPanel(controller.Path());

    std::vector<double> gaps;
    QPointer<QMessageBox> last;
    Clock::time_point confirmed{};
    QTimer timer;
    timer.setInterval(0);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || box == last) return;
        const auto shown = Clock::now();
        if (confirmed != Clock::time_point{}) gaps.push_back(msBetween(confirmed, shown));
        last = box;
        confirmed = Clock::now();
        box->button(QMessageBox::Ok)->click();
    });
    timer.start();
    for (int i = 0; i < 10; ++i) {
        confirmed = {};
        Form1->Standlicht->Click();
    }
    timer.stop();
    Form1->comportbut->Click();
    row("From confirming one box to the next box shown (real boxes, offscreen)", gaps, 16.0, "ms",
        "p99 ≤ 16 ms (one display frame)");
    return Percentile(gaps, 0.5);
}

// One frame to an instant controller with every box a real message box, confirmed the moment
// it opens, and one byte the controller never acknowledges.
void frameAndUnacknowledgedByte(double boxToBoxMs) {
    sim::Controller controller;
    SetModalBoxPresenter({});
    CreatePanel();
    ConnectPanel(controller.Path());
    ModalConfirmer confirmer;
    std::vector<double> frames;
    for (int i = 0; i < 20; ++i) {
        const auto start = Clock::now();
        Form1->Standlicht->Click();
        frames.push_back(msBetween(start, Clock::now()));
    }
    sim::Behaviour silent;
    silent.reply = sim::Behaviour::Reply::Silent;
    controller.SetBehaviour(silent);
    std::vector<double> bytes;
    for (int i = 0; i < 10; ++i) {
        const auto start = Clock::now();
        WriteCommand("a", 1);
        bytes.push_back(msBetween(start, Clock::now()));
    }
    Form1->comportbut->Click();
    row("Whole frame, instant controller, 56 real boxes confirmed at once", frames,
        56 * boxToBoxMs, "ms", "reported; floor: 56 boxes at the measured box-to-box median");
    const std::string sends = std::to_string(kMaxSends);
    row(("Byte never acknowledged (" + sends + " sends, " + std::to_string(2 * kMaxSends) + " real boxes)").c_str(),
        bytes, kMaxSends * kLongestWaitMs, "ms",
        ("reported; floor: " + sends + " unanswered waits of " + std::to_string(kLongestWaitMs) + " ms").c_str());
}

long processCount() {
    long processes = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc"))
        processes += std::isdigit(static_cast<unsigned char>(entry.path().filename().string()[0])) ? 1 : 0;
    return processes;
}

// Idle processes until the machine has `total`, each with its standard descriptors on
// /dev/null as a daemon has them; they end with the object.
class IdleProcesses {
public:
    explicit IdleProcesses(long total) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
            posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", O_RDWR, 0);
        char program[] = "/bin/sleep", always[] = "infinity";
        char* argv[] = {program, always, nullptr};
        for (long n = processCount(); n < total; ++n) {
            pid_t pid = -1;
            if (posix_spawn(&pid, program, &actions, nullptr, argv, environ) != 0) break;
            pids_.push_back(pid);
        }
        posix_spawn_file_actions_destroy(&actions);
    }
    ~IdleProcesses() {
        for (const pid_t pid : pids_) kill(pid, SIGKILL);
        for (const pid_t pid : pids_) waitpid(pid, nullptr, 0);
    }
    IdleProcesses(const IdleProcesses&) = delete;
    IdleProcesses& operator=(const IdleProcesses&) = delete;

private:
    std::vector<pid_t> pids_;
};

// An exclusive open looks through every process it may see for another holder of the
// terminal; the floor is the same open without a share mode, which looks for none. Once with
// the machine as it is, once with idle processes added up to a few hundred.
void openCost() {
    const auto measure = [] {
        sim::Controller controller;
        std::vector<double> exclusive, shared;
        for (int i = 0; i < 300; ++i) {
            for (const serial::DWORD share : {serial::DWORD{0}, serial::DWORD{3}}) {
                const auto start = Clock::now();
                const serial::HANDLE port =
                    serial::CreateFileA(controller.Path().c_str(), serial::GENERIC_READ | serial::GENERIC_WRITE,
                                       share, nullptr, serial::OPEN_EXISTING, 0, nullptr);
                (share == 0 ? exclusive : shared).push_back(msBetween(start, Clock::now()));
                serial::CloseHandle(port);
            }
        }
        const std::string figure = "Exclusive open of a free port, " + std::to_string(processCount()) + " processes";
        row(figure.c_str(), exclusive, Percentile(shared, 0.5), "ms", "≤ 5 ms; floor: the open without a share mode");
    };
    measure();
    const IdleProcesses idle(300);
    measure();
}

long residentKiB() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE) / 1024;
}

long openDescriptors() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                         std::filesystem::directory_iterator{});
}

// The simulated controller as a process of its own, so the session's memory is the panel's
// alone and not the controller's record of every byte.
struct SimulatorProcess {
    pid_t pid = -1;
    FILE* out = nullptr; // a file, not a pipe: a full pipe would stop the controller's thread
    std::string path;

    SimulatorProcess() {
        out = std::tmpfile();
        if (out == nullptr) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fileno(out), STDOUT_FILENO);
        char program[] = SIMULATOR;
        char* argv[] = {program, nullptr};
        posix_spawn(&pid, program, &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        char line[256] = {};
        for (int tries = 0; tries < 1000 && path.empty(); ++tries) {
            std::rewind(out);
            if (std::fgets(line, sizeof line, out) != nullptr && std::strchr(line, '\n') != nullptr)
                path.assign(line, std::strlen(line) - 1);
            else
                usleep(10'000);
        }
    }
    // Ends the simulator and returns how many frames it printed.
    int framesSeen() {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        std::rewind(out);
        int frames = 0;
        char line[1024];
        while (std::fgets(line, sizeof line, out) != nullptr)
            frames += std::strncmp(line, "Rahmen ", 7) == 0 ? 1 : 0;
        std::fclose(out);
        return frames;
    }
};

// A long session: 1,000 frames with every box real and confirmed. Memory and descriptors
// afterwards are what they were after the first frames.
bool soak() {
    SimulatorProcess simulator;
    SetModalBoxPresenter({});
    CreatePanel();
    ConnectPanel(simulator.path);
    ModalConfirmer confirmer;
    for (int i = 0; i < 10; ++i) Form1->Standlicht->Click(); // the toolkit's caches warm up
    confirmer.lines.clear();
    const long memoryBefore = residentKiB(), descriptorsBefore = openDescriptors();
    std::vector<double> frames;
    for (int i = 0; i < 1000; ++i) {
        const auto start = Clock::now();
        Form1->Standlicht->Click();
        frames.push_back(msBetween(start, Clock::now()));
        confirmer.lines.clear(); // the helper's record, not the program's memory
    }
    const long grownKiB = residentKiB() - memoryBefore;
    const long moreDescriptors = openDescriptors() - descriptorsBefore;
    Form1->comportbut->Click();
    const int framesSeen = simulator.framesSeen();
    const bool held = grownKiB <= 1024 && moreDescriptors == 0 && framesSeen == 1010;
    const std::string goal = "resident memory " + std::to_string(grownKiB) + " KiB, descriptors " +
                             std::to_string(moreDescriptors) + ", frames " +
                             std::to_string(framesSeen) + ": " +
                             (held ? "held (≤ 1 MiB, none)" : "FAILED (≤ 1 MiB, none)");
    row("1,000 frames in one session, 56,000 real boxes", frames, Percentile(frames, 0.5), "ms",
        goal.c_str());
    return held;
}

struct Start {
    double ms;
    double peakMiB;
};

Start startOnce(bool bare, const std::string& platform) {
    const char* program = FIRSTPAINT;
    char bareArgument[] = "bare";
    char* argv[] = {const_cast<char*>(program), bare ? bareArgument : nullptr, nullptr};
    std::vector<std::string> variables = {"QT_QPA_PLATFORM=" + platform};
    for (char** e = environ; *e != nullptr; ++e)
        if (std::string(*e).rfind("QT_QPA_PLATFORM=", 0) != 0) variables.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& v : variables) envp.push_back(v.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    const auto start = Clock::now();
    pid_t child = 0;
    const int failed = posix_spawn(&child, program, &quiet, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&quiet);
    if (failed != 0) return {-1, -1};
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    return {msBetween(start, Clock::now()), usage.ru_maxrss / 1024.0};
}

void startUp(const std::string& platform) {
    std::vector<double> panelMs, bareMs, panelMiB, bareMiB;
    for (int i = 0; i < 21; ++i) {
        const Start bare = startOnce(true, platform);
        const Start panel = startOnce(false, platform);
        if (i == 0) continue; // caches
        bareMs.push_back(bare.ms);
        panelMs.push_back(panel.ms);
        bareMiB.push_back(bare.peakMiB);
        panelMiB.push_back(panel.peakMiB);
    }
    const std::string time = "Start-up until the window is first painted (" + platform + ")";
    const std::string memory = "Peak resident memory at first paint (" + platform + ")";
    row(time.c_str(), panelMs, Percentile(bareMs, 0.5), "ms", "≤ 60 ms; floor: an empty Qt window");
    row(memory.c_str(), panelMiB, Percentile(bareMiB, 0.5), "MiB",
        "≤ 35 MB; floor: an empty Qt window");
}

std::string cpuModel() {
    std::ifstream info("/proc/cpuinfo");
    for (std::string line; std::getline(info, line);)
        if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
    return "unknown CPU";
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BindLinkToToolkit();
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    std::printf("lichtpult-bench on %s, %ld cores, platform %s\n\n", cpuModel().c_str(),
                sysconf(_SC_NPROCESSORS_ONLN), qgetenv("QT_QPA_PLATFORM").constData());
    header();
    acknowledgedByte();
    // "byte": that figure alone, for working on the exchange.
    if (argc > 1 && std::string(argv[1]) == "byte") return 0;
    unansweredWait();
    pacedFrame();
    frameAndUnacknowledgedByte(boxToBox());
    openCost();
    const bool soakHeld = soak();
    startUp("offscreen");
    // On a real display when there is one (scripts/bench provides Xvfb).
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) startUp("xcb");
    delete Form1;
    Form1 = nullptr;
    return soakHeld ? 0 : 1;
}
