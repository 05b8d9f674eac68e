// The figures, each beside its floor: start-up against an empty Win32 window, and box to box
// against bare message boxes one after the other. BENCH lines, no checks of their own but
// those that say why a round did not run to its end.

#include "tests/windows/drive/Scenarios.h"

#include "tests/windows/drive/Boxes.h"
#include "tests/windows/drive/Frames.h"
#include "tests/support/Percentile.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace drive {

namespace {

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void row(const std::string& figure, const std::vector<double>& values, double floor, const std::string& goal) {
    std::printf("BENCH|%s|%zu|%.3f ms|%.3f ms|%.3f ms|%.2f (p99 %.2f)|%s\n", figure.c_str(), values.size(),
                Percentile(values, 0.5), Percentile(values, 0.99), floor,
                Percentile(values, 0.5) / floor, Percentile(values, 0.99) / floor, goal.c_str());
}

// Confirms the open box with Enter; with `another`, waits for the next box to be shown and
// focused and returns the time in between. Negative when a box does not come or go.
double boxToBox(const Program& program, bool another) {
    const Box box = nextBox(program);
    if (box.window == nullptr) return -1;
    const auto confirmed = std::chrono::steady_clock::now();
    press(box.window, VK_RETURN);
    if (!waitFor([&] { return !IsWindow(box.window); })) return -1;
    if (!another) return 0;
    if (nextBox(program).window == nullptr) return -1;
    return msSince(confirmed);
}

// From the start of the process until its window is shown and the program waits for input,
// its first paint done; negative for a start that did not get there (already a FAIL).
double startUpMs(const char* exe) {
    const auto began = std::chrono::steady_clock::now();
    Program program;
    const bool started = start(program, exe);
    const double ms = msSince(began);
    if (program.process.hProcess != nullptr) stop(program);
    return started ? ms : -1;
}

} // namespace

void benchmark(Program& first) {
    stop(first); // each start below is timed from the beginning
    first = Program{};
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string empty = self;
    empty = empty.substr(0, empty.find_last_of('\\') + 1) + "lichtpult-empty.exe";
    // A figure only from rounds that ran to their end; a round that did not has said why.
    std::vector<double> panel, bare;
    for (int i = 0; i < 20; ++i) {
        const double floor = startUpMs(empty.c_str()), ms = startUpMs(panelExe.c_str());
        if (floor < 0 || ms < 0) return;
        bare.push_back(floor);
        panel.push_back(ms);
    }
    row("Start-up until the window waits for input, first paint done (Wine, Xvfb)", panel,
        Percentile(bare, 0.5), "reported; floor: an empty Win32 window");

    // Box to box: the panel's frame, and bare boxes one after the other.
    std::vector<double> gaps, bareGaps;
    Program program;
    const auto abandon = [](Program& running, const std::string& why) {
        check(false, why);
        if (running.process.hProcess != nullptr) stop(running);
    };
    if (!start(program, panelExe.c_str()) || !connectCom1(program))
        return abandon(program, "the panel's box round did not start");
    for (int frame = 0; frame < 5; ++frame) {
        click(program, layout("Standlicht"));
        for (int i = 0; i < 56; ++i) {
            const double gap = boxToBox(program, i < 55);
            if (gap < 0) return abandon(program, "box " + std::to_string(i + 1) + " of frame " + std::to_string(frame + 1) + " did not come or go");
            if (i < 55) gaps.push_back(gap);
        }
        settle(program);
    }
    stop(program);
    Program boxes;
    if (!start(boxes, empty.c_str())) return abandon(boxes, "the bare boxes' round did not start");
    PostMessageA(boxes.window, WM_APP, 0, 0);
    for (int i = 0; i < 280; ++i) {
        const double gap = boxToBox(boxes, i < 279);
        if (gap < 0) return abandon(boxes, "bare box " + std::to_string(i + 1) + " did not come or go");
        if (i < 279) bareGaps.push_back(gap);
    }
    stop(boxes);
    row("From confirming one box to the next box shown and focused (Wine, Xvfb)", gaps,
        Percentile(bareGaps, 0.5), "reported; floor: bare MessageBoxA one after the other");
    std::printf("BENCH|Bare boxes one after the other (the floor above)|%zu|%.3f ms|%.3f ms|-|-|reported: Wine's own round trip of a box\n",
                bareGaps.size(), Percentile(bareGaps, 0.5), Percentile(bareGaps, 0.99));
}

} // namespace drive
