// Drives the real lichtpult.exe as a user would, from a console program in the same Wine
// prefix: it starts the program, finds its window, clicks at the layout's coordinates and
// types with SendInput, reads each message box's title, text and icon, and confirms it. One
// scenario per run, named on the command line, since each wants the controller to behave
// differently; run_under_wine.sh leads COM1 to that controller first.
//
//   lichtpult-drive SCENARIO LICHTPULT.EXE SYNC-FOLDER
//
// The shell beside it is reached through files in SYNC-FOLDER: "<name>.request" asks it for
// something (a screenshot, the line hung up), "<name>.done" says it is done. Prints PASS and
// FAIL lines and exits with the number of failures.

#include "tests/support/Percentile.h"
#include "tests/windows/Scaled.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace {

int failures = 0;

bool check(bool passed, const std::string& what) {
    std::printf("%s %s\n", passed ? "PASS" : "FAIL", what.c_str());
    std::fflush(stdout);
    if (!passed) ++failures;
    return passed;
}

// Generous: the machine may be loaded. Only a fault makes a wait run out.
constexpr auto kPatience = std::chrono::seconds(60);

// Polls until `done` holds or the patience runs out.
bool waitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        Sleep(1);
    }
    return true;
}

// ---- The layout, as the window is drawn: client coordinates of each control -------------

struct Control {
    const char* name;
    const char* caption;
    int left, top, width, height; // in the client area
    bool connectedEnabled, connectedChecked, disconnectedEnabled, disconnectedChecked;
    bool isBox;
};

// Group boxes' children are at the group's place plus their own.
constexpr std::array<Control, 14> kControls = {{
    {"comportbut", "verbinden", 160, 208, 209, 33, true, false, true, false, false},
    {"Standlicht", "Standlicht", 8 + 8, 8 + 16, 81, 17, true, false, false, false, true},
    {"Abblendlicht", "Abblendlicht", 8 + 8, 8 + 40, 81, 17, true, false, false, false, true},
    {"Fernlicht", "Fernlicht", 8 + 8, 8 + 64, 81, 17, false, false, false, false, true},
    {"Rueckwaerts", "Rueckwaerts", 8 + 8, 104 + 16, 97, 17, true, false, false, false, true},
    {"Innenraum", "Innenraum", 8 + 8, 104 + 40, 97, 17, true, true, false, true, true},
    {"Nebelschlussleuchte", "Nebelschlussleuchte", 8 + 8, 176 + 16, 121, 17, false, false, false, false, true},
    {"Nebelscheinwerfer", "Nebelscheinwerfer", 8 + 8, 176 + 40, 121, 17, false, false, false, false, true},
    {"Links", "Links", 160 + 8, 8 + 16, 73, 17, true, false, false, false, true},
    {"Rechts", "Rechts", 160 + 8, 8 + 40, 81, 17, true, false, false, false, true},
    {"Warnblinklicht", "Warnblinklicht", 160 + 8, 8 + 64, 89, 17, true, false, false, false, true},
    {"Parklicht", "Parklicht", 160 + 8, 8 + 88, 81, 17, true, false, false, false, true},
    {"Abblendlicht_auto", "Abblendlicht", 160 + 8, 136 + 16, 89, 17, true, false, false, false, true},
    {"Fernlicht_auto", "Fernlicht", 160 + 8, 136 + 40, 81, 17, true, false, false, false, true},
}};

// The port choice's group: left, top, width, height at 96 dpi.
constexpr std::array<int, 4> kPortGroupBounds = {280, 8, 89, 193};
constexpr POINT kPortGroup = {kPortGroupBounds[0] + 44, kPortGroupBounds[1] + 4}; // on its frame, clear of its items

// The layout's pixels are for 96 dpi; the window shows them at the display's scale, which the
// scaling scenarios set (their name ends in it) and every other scenario leaves at 96.
int displayDpi = USER_DEFAULT_SCREEN_DPI;
int scaled(int pixels) { return Scaled(pixels, displayDpi); }

const std::string kOpenFailure = "Der gew\xE4hlte ComPort konnte nicht ge\xF6"
                                 "ffnet werden.\n\nBitte stellen sie sicher, das dieser von keiner "
                                 "anderen Anwendung benutzt wird.";

std::string windowText(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string className(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

bool request(const std::string& name);

// Wine reports a window visible before the X server has mapped it, and a click that lands in
// between reaches no window at all. Before the first click on a new window, the shell beside
// waits until X shows it (a key press needs no such wait: it never passes through X).
bool mapped(HWND window) {
    // Wine names the X window a moment after the Win32 one is visible.
    std::uintptr_t x = 0;
    waitFor([&] { return (x = reinterpret_cast<std::uintptr_t>(GetPropA(window, "__wine_x11_whole_window"))) != 0; });
    char name[32];
    std::snprintf(name, sizeof name, "mapped-%llx", static_cast<unsigned long long>(x));
    return check(x != 0 && request(name), std::string("X has mapped the window \"") + windowText(window) + "\"");
}

// ---- The program under test --------------------------------------------------------------

struct Program {
    PROCESS_INFORMATION process{};
    HWND window = nullptr;
    std::map<std::string, HWND> controls;
    std::vector<HWND> ports; // the radio items, top to bottom

    DWORD pid() const { return process.dwProcessId; }

    POINT toScreen(POINT client) const {
        ClientToScreen(window, &client);
        return client;
    }

    // The deepest child at a client point, disabled or not.
    HWND childAt(POINT client) const {
        HWND parent = window;
        POINT point = client;
        for (;;) {
            HWND child = ChildWindowFromPointEx(parent, point, CWP_SKIPINVISIBLE);
            if (child == nullptr || child == parent) return parent;
            MapWindowPoints(parent, child, &point, 1);
            parent = child;
        }
    }

    HWND operator[](const std::string& name) const { return controls.at(name); }

    std::string nameOf(HWND control) const {
        for (const auto& [name, handle] : controls)
            if (handle == control) return name;
        for (std::size_t i = 0; i < ports.size(); ++i)
            if (ports[i] == control) return "Com" + std::to_string(i + 1);
        return control == nullptr ? "nothing" : "'" + windowText(control) + "'";
    }
};

// The program has handled what was sent so far: a message sent to its window comes back only
// when its thread takes messages again, in its own loop or in a box's.
void settle(const Program& program) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(program.window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
}

bool start(Program& program, const char* exe) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string command = std::string("\"") + exe + "\"";
    if (!CreateProcessA(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &program.process))
        return check(false, "lichtpult.exe starts (error " + std::to_string(GetLastError()) + ")");
    struct Search {
        DWORD pid;
        HWND found;
    } search{program.pid(), nullptr};
    const bool shown = waitFor([&] {
        EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto* search = reinterpret_cast<Search*>(data);
                DWORD pid = 0;
                GetWindowThreadProcessId(window, &pid);
                if (pid == search->pid && IsWindowVisible(window) && windowText(window) == "window") {
                    search->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    if (!check(shown, "a window titled \"window\" appears")) return false;
    program.window = search.found;
    // Settled: it has drawn itself and waits for input.
    WaitForInputIdle(program.process.hProcess, 60000);
    if (!mapped(program.window)) return false;
    // Keys go to the active window, and Wine makes a new window active a while after showing
    // it: a key before that reaches nothing, as a user typing too early would find.
    if (!check(waitFor([&] { return GetForegroundWindow() == program.window; }), "the window is active"))
        return false;
    // WaitForInputIdle has been seen to return while the program was still starting, and a
    // key judged by the focus of that moment goes astray: the first Tab was once taken as
    // reaching the button that start-up focused, and then moved the focus on from it. A
    // message sent to the window comes back only once the program waits for input.
    settle(program);

    for (const Control& control : kControls)
        program.controls[control.name] =
            program.childAt({scaled(control.left + 6), scaled(control.top + control.height / 2)});
    HWND group = program.childAt({scaled(kPortGroup.x), scaled(kPortGroup.y)});
    for (HWND item = GetWindow(group, GW_CHILD); item != nullptr; item = GetWindow(item, GW_HWNDNEXT))
        program.ports.push_back(item);
    std::sort(program.ports.begin(), program.ports.end(), [](HWND a, HWND b) {
        RECT ra, rb;
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.top < rb.top;
    });
    return true;
}

// ---- Real input ----------------------------------------------------------------------------

void send(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// The mouse moved to a point of the screen.
INPUT pointerAt(POINT screen) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = static_cast<LONG>((screen.x * 65536 + width / 2) / width);
    move.mi.dy = static_cast<LONG>((screen.y * 65536 + height / 2) / height);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return move;
}

void clickAt(POINT screen) {
    const INPUT move = pointerAt(screen);
    // The press and the release carry the place too: X's report of an earlier move can still
    // arrive in between on a loaded machine and put the cursor back where the last click was,
    // and a press without a place lands wherever the cursor is then.
    INPUT down = move, up = move;
    down.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    up.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    send({move, down, up});
}

// A key pressed and let go; the program has taken the press before the release comes, as
// from a hand.
void press(HWND window, WORD key) {
    INPUT down{};
    down.type = INPUT_KEYBOARD;
    down.ki.wVk = key;
    down.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    INPUT up = down;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    DWORD_PTR result = 0;
    send({down});
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
    send({up});
}

// Clicks a control of the layout where a user would: its box, or a button's middle.
void click(const Program& program, const Control& control) {
    const POINT client = control.isBox ? POINT{control.left + 6, control.top + control.height / 2}
                                       : POINT{control.left + control.width / 2, control.top + control.height / 2};
    clickAt(program.toScreen(client));
}

const Control& layout(const std::string& name) {
    return *std::find_if(kControls.begin(), kControls.end(), [&](const Control& c) { return name == c.name; });
}

HWND captureOf(const Program& program) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(program.process.dwThreadId, &info);
    return info.hwndCapture;
}

HWND focusOf(const Program& program) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(program.process.dwThreadId, &info);
    return info.hwndFocus;
}

// Tab, and the control it moved the focus to. Input comes after the messages sent to the
// program, so only the focus itself tells that the key has been taken.
HWND tab(const Program& program) {
    const HWND before = focusOf(program);
    press(program.window, VK_TAB);
    waitFor([&] { return focusOf(program) != before; });
    return focusOf(program);
}

// ---- Message boxes -------------------------------------------------------------------------

struct Box {
    HWND window = nullptr;
    std::string title, text;
    bool errorIcon = false;
};

long long nowUs() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<long long>(count.QuadPart / (frequency.QuadPart / 1000000));
}

// The program's top-level windows of a class, in the system's order.
std::vector<HWND> windowsOf(const Program& program, const char* windowClass) {
    struct Search {
        DWORD pid;
        const char* windowClass;
        std::vector<HWND> found;
    } search{program.pid(), windowClass, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* search = reinterpret_cast<Search*>(data);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            if (pid == search->pid && className(window) == search->windowClass) search->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND openBox(const Program& program) {
    const std::vector<HWND> boxes = windowsOf(program, "#32770");
    // A box on its way out may still be listed beside the one on screen.
    const auto shown = std::find_if(boxes.begin(), boxes.end(), IsWindowVisible);
    return shown != boxes.end() ? *shown : boxes.empty() ? nullptr : boxes.back();
}

// The next box, once it is shown and has the keyboard; a null window if none comes.
Box nextBox(const Program& program) {
    Box box;
    const bool shown = waitFor([&] {
        box.window = openBox(program);
        return box.window != nullptr && IsWindowVisible(box.window) &&
               GetForegroundWindow() == box.window;
    });
    if (!shown) return {};
    box.title = windowText(box.window);
    char text[2048] = {};
    GetDlgItemTextA(box.window, 0xFFFF, text, sizeof text);
    box.text = text;
    // Only a box with an icon has one in its icon control.
    box.errorIcon = SendDlgItemMessageA(box.window, 0x440, STM_GETICON, 0, 0) != 0;
    return box;
}

enum class Confirm { Enter, MouseOnOk };

bool confirm(const Program& program, const Box& box, Confirm how = Confirm::Enter) {
    if (how == Confirm::Enter) {
        press(box.window, VK_RETURN);
    } else {
        if (!mapped(box.window)) return false;
        RECT ok;
        GetWindowRect(GetDlgItem(box.window, IDOK), &ok);
        clickAt({(ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2});
    }
    const bool closed = waitFor([&] { return !IsWindow(box.window); });
    settle(program);
    return closed;
}

// No box is open once the program has gone back to waiting.
bool noBoxOpen(const Program& program) {
    settle(program);
    return openBox(program) == nullptr;
}

// How many boxes of the program are on screen.
int boxesShown(const Program& program) {
    struct Count {
        DWORD pid;
        int boxes;
    } count{program.pid(), 0};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* count = reinterpret_cast<Count*>(data);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            if (pid == count->pid && className(window) == "#32770" && IsWindowVisible(window)) ++count->boxes;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count.boxes;
}

// A click on a control where the open box does not cover it, so that it would reach the
// window if the window took clicks; false when the box covers the whole control.
bool clickBeside(const Program& program, HWND control, const Box& box) {
    RECT target, cover;
    GetWindowRect(control, &target);
    GetWindowRect(box.window, &cover);
    const LONG y = (target.top + target.bottom) / 2;
    for (LONG x = target.right - 4; x > target.left; x -= 4) {
        if (PtInRect(&cover, POINT{x, y})) continue;
        clickAt({x, y});
        settle(program);
        return true;
    }
    return false;
}

// While a box is open, a click on the button changes nothing: the box stays the only one, and
// the button keeps its caption.
void clickOnTheButtonDuring(const Program& program, const Box& box) {
    const std::string caption = windowText(program["comportbut"]);
    check(clickBeside(program, program["comportbut"], box),
          "a click on \"" + caption + "\" beside the open [" + box.title + "] box");
    check(boxesShown(program) == 1, "one box on screen after that click, not " + std::to_string(boxesShown(program)));
    check(windowText(program["comportbut"]) == caption, "the button still reads \"" + caption + "\"");
}

// ---- Talking to the shell beside ---------------------------------------------------------

std::string syncFolder;
std::string panelExe;

// Asks the shell for something and waits until it is done.
// The answer is taken away once read: X gives a new program's window the number of one that
// has gone, and an old answer for that number must not stand for the new window.
bool request(const std::string& name) {
    const std::string asked = syncFolder + "\\" + name + ".request";
    const std::string done = syncFolder + "\\" + name + ".done";
    DeleteFileA(done.c_str());
    HANDLE file = CreateFileA(asked.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    const bool answered = waitFor([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
    DeleteFileA(done.c_str());
    return answered;
}

// ---- Checks shared by the scenarios --------------------------------------------------------

std::string printable(const std::string& text) {
    std::string out;
    for (const unsigned char c : text) {
        if (c >= 0x20 && c < 0x7F) out += static_cast<char>(c);
        else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

void checkStates(const Program& program, bool connected) {
    const std::string state = connected ? "connected" : "disconnected";
    check(windowText(program["comportbut"]) == (connected ? "trennen" : "verbinden"),
          state + ": the button reads \"" + windowText(program["comportbut"]) + "\"");
    for (const Control& control : kControls) {
        if (!control.isBox) continue;
        HWND box = program[control.name];
        const bool enabled = IsWindowEnabled(box) != FALSE;
        const bool checked = SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
        check(enabled == (connected ? control.connectedEnabled : control.disconnectedEnabled) &&
                  checked == (connected ? control.connectedChecked : control.disconnectedChecked),
              state + ": " + control.name + (enabled ? " enabled" : " disabled") +
                  (checked ? ", ticked" : ", clear"));
    }
    for (std::size_t i = 0; i < program.ports.size(); ++i)
        check((IsWindowEnabled(program.ports[i]) != FALSE) == !connected,
              state + ": Com" + std::to_string(i + 1) + (connected ? " disabled" : " enabled"));
}

bool connectCom1(const Program& program) {
    click(program, layout("comportbut"));
    const bool connected = waitFor([&] { return windowText(program["comportbut"]) == "trennen"; });
    return check(connected, "a click on \"verbinden\" connects on Com1");
}

// The controller of most scenarios answers every byte at once: a send it leaves
// unacknowledged is then a fault, unless its answer left the controller only after the
// panel's wait had ended (a late answer on a loaded machine, which the panel rightly sends
// again). The wait cannot end before eleven pauses of 1 ms after the byte's box closed, and
// that box closes only after the driver's key: the key's moment plus 11 ms is the earliest
// end, whatever the load. The box with "FALSE" shows later, by as long as the machine takes
// to make it. The shell beside compares the answer's moment with that earliest end: Wine's
// performance counter is Linux's raw monotonic clock, which the controller stamps its answers
// with.
bool promptController = false;
int writes = 0; // the panel's sends in this run so far: one after each echo box
constexpr long long kShortestWaitUs = 11 * 1000;

// How a box of a frame is confirmed; the scenario may act while it is open.
using AtBox = std::function<Confirm(std::size_t byteIndex, const Box& box)>;

// Confirms each box of one frame; each byte's sends end with "TRUE", after ten sends, or
// after a failed write, as the link sends. Returns every box seen.
std::vector<Box> confirmFrame(const Program& program, const std::string& frame, const AtBox& atBox = {}) {
    std::vector<Box> boxes;
    for (std::size_t index = 0; index < frame.size(); ++index) {
        const char byte = frame[index];
        for (int sends = 1;; ++sends) {
            bool wrote = true;
            long long waitEndsAfterUs = 0;
            std::string outcome;
            for (;;) {
                Box box = nextBox(program);
                if (!check(box.window != nullptr, "box " + std::to_string(boxes.size() + 1) + " appears"))
                    return boxes;
                if (box.text.size() == 1 && !box.errorIcon) {
                    ++writes;
                    check(box.text[0] == byte, "the echo shows " + std::string(1, byte) + ": " + box.text);
                }
                boxes.push_back(box);
                const bool last = !box.errorIcon && (box.text == "TRUE" || box.text == "FALSE");
                if (box.errorIcon && box.title == "WriteFile") wrote = false;
                if (last && box.text == "FALSE" && promptController)
                    check(request("late-" + std::to_string(writes) + "-" + std::to_string(waitEndsAfterUs)),
                          "the shell has judged the unacknowledged send " + std::to_string(writes));
                const Confirm how = atBox ? atBox(index, box) : Confirm::Enter;
                if (box.text.size() == 1 && !box.errorIcon) waitEndsAfterUs = nowUs() + kShortestWaitUs;
                if (!confirm(program, box, how))
                    return check(false, "box " + std::to_string(boxes.size()) + " closes"), boxes;
                if (last) {
                    outcome = box.text;
                    break;
                }
            }
            if (outcome == "TRUE" || sends >= 10 || !wrote) break;
        }
    }
    return boxes;
}

// Every byte of the frame ended with "TRUE"; a send before it went unanswered only where the
// shell found the answer late.
void checkAcknowledged(const std::vector<Box>& boxes, const std::string& frame, const std::string& what) {
    std::size_t acknowledged = 0, resent = 0;
    for (const Box& box : boxes) {
        acknowledged += !box.errorIcon && box.text == "TRUE";
        resent += !box.errorIcon && box.text == "FALSE";
    }
    check(acknowledged == frame.size() && boxes.size() == 2 * (frame.size() + resent),
          what + ": " + std::to_string(boxes.size()) + " boxes, each byte then TRUE" +
              (resent > 0 ? " (" + std::to_string(resent) + " late answers sent again)" : ""));
}

bool endsWithExitCodeZero(Program& program) {
    PostMessageA(program.window, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(program.process.hProcess, 60000) == WAIT_OBJECT_0;
    DWORD code = 1;
    GetExitCodeProcess(program.process.hProcess, &code);
    check(ended && code == 0, "WM_CLOSE ends the program with exit code " + std::to_string(code));
    return ended;
}

// Ended, whatever it was doing: the next program must not find this one's windows.
void stop(Program& program) {
    if (WaitForSingleObject(program.process.hProcess, 0) != WAIT_OBJECT_0) {
        if (program.window != nullptr) PostMessageA(program.window, WM_CLOSE, 0, 0);
        if (program.window == nullptr || WaitForSingleObject(program.process.hProcess, 60000) != WAIT_OBJECT_0) {
            TerminateProcess(program.process.hProcess, 1);
            WaitForSingleObject(program.process.hProcess, 60000);
        }
    }
    CloseHandle(program.process.hProcess);
    CloseHandle(program.process.hThread);
}

// ---- The scenarios -------------------------------------------------------------------------

void startUp(Program& program) {
    RECT outer;
    GetWindowRect(program.window, &outer);
    check(outer.left == 475 && outer.top == 106 && outer.right - outer.left == 386 &&
              outer.bottom - outer.top == 276,
          "the window is at " + std::to_string(outer.left) + "," + std::to_string(outer.top) + ", " +
              std::to_string(outer.right - outer.left) + " x " + std::to_string(outer.bottom - outer.top));
    for (const Control& control : kControls)
        check(className(program[control.name]) == "Button" && windowText(program[control.name]) == control.caption,
              std::string(control.name) + " at its place reads \"" + windowText(program[control.name]) + "\"");
    check(program.ports.size() == 6, "six ports to choose from");
    for (std::size_t i = 0; i < program.ports.size(); ++i) {
        const std::string name = "Com" + std::to_string(i + 1);
        const bool checked = SendMessageA(program.ports[i], BM_GETCHECK, 0, 0) == BST_CHECKED;
        check(windowText(program.ports[i]) == name && checked == (i == 0),
              name + (checked ? " selected" : " not selected"));
    }
    checkStates(program, false);
    // As a dialog starts: on a control, never on the window itself, where a first key would
    // do nothing.
    const HWND first = GetNextDlgTabItem(program.window, nullptr, FALSE);
    check(first != nullptr && focusOf(program) == first,
          "the focus starts on the first control Tab reaches: " + program.nameOf(focusOf(program)));
    check(noBoxOpen(program), "no box at start-up");
    check(request("window"), "a picture of the window is taken");
}

void connect(Program& program) {
    if (!connectCom1(program)) return;
    check(noBoxOpen(program), "connecting shows no box");
    checkStates(program, true);
    check(request("connected"), "the shell has looked at what the controller received");
}

void dippedBeam(Program& program) {
    if (!connectCom1(program)) return;
    promptController = true;
    // Standlicht first: the dipped beam then clears it from code, which sends no frame of its own.
    click(program, layout("Standlicht"));
    const std::string sideLights = "ancnbyjnenfnenfnknlngnhniydn";
    checkAcknowledged(confirmFrame(program, sideLights), sideLights, "Standlicht's frame");
    click(program, layout("Abblendlicht"));
    const std::string frame = "aycnbnjnenfnenfnknlngnhniydn";
    std::size_t seen = 0;
    const std::vector<Box> boxes = confirmFrame(program, frame, [&](std::size_t, const Box&) {
        if (seen == 0) check(request("box"), "a picture of the first box is taken");
        // Half of them with the mouse on OK, half with Enter.
        return seen++ % 2 == 0 ? Confirm::MouseOnOk : Confirm::Enter;
    });
    checkAcknowledged(boxes, frame, "Abblendlicht's frame");
    std::size_t plain = 0;
    for (const Box& box : boxes) plain += box.title == "lichtpult" && !box.errorIcon;
    check(plain == boxes.size(), std::to_string(plain) + " boxes titled lichtpult without the error icon");
    check(noBoxOpen(program), "no box after the frame's last");
    check(SendMessageA(program["Abblendlicht"], BM_GETCHECK, 0, 0) == BST_CHECKED &&
              SendMessageA(program["Standlicht"], BM_GETCHECK, 0, 0) == BST_UNCHECKED &&
              IsWindowEnabled(program["Fernlicht"]),
          "Abblendlicht ticked, Standlicht cleared, Fernlicht enabled");
    check(request("frame"), "the shell has looked at the frame the controller decoded");
}

void silentController(Program& program) {
    if (!connectCom1(program)) return;
    click(program, layout("Standlicht"));
    const std::string frame = "ancnbyjnenfnenfnknlngnhniydn";
    std::vector<Box> boxes;
    for (std::size_t i = 0; i < 20 * frame.size(); ++i) {
        Box box = nextBox(program);
        if (!check(box.window != nullptr, "box " + std::to_string(i + 1) + " appears")) return;
        boxes.push_back(box);
        if (!check(confirm(program, box), "box " + std::to_string(i + 1) + " closes")) return;
    }
    int wrong = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const std::string expected = i % 2 == 0 ? std::string(1, frame[i / 20]) : "FALSE";
        if (boxes[i].text != expected || boxes[i].errorIcon)
            wrong += !check(false, "box " + std::to_string(i + 1) + ": " + boxes[i].text + ", not " + expected);
    }
    check(wrong == 0, "560 boxes: each byte ten times, each followed by FALSE");
    check(noBoxOpen(program), "no box after the 560th");
    check(windowText(program["comportbut"]) == "trennen", "still connected");
}

// A click on a port's item selects it.
void choose(const Program& program, std::size_t index) {
    const std::string name = "Com" + std::to_string(index + 1);
    RECT item;
    GetWindowRect(program.ports.at(index), &item);
    clickAt({item.left + 8, (item.top + item.bottom) / 2});
    const bool chosen =
        waitFor([&] { return SendMessageA(program.ports[index], BM_GETCHECK, 0, 0) == BST_CHECKED; });
    check(chosen, "a click on " + name + " selects it");
    // The item is checked before its button lets the mouse go; a click sent while it still
    // holds the capture would land on the item again instead of on the button.
    check(waitFor([&] { return captureOf(program) == nullptr; }), name + " lets the mouse go");
}

// Com2 leads nowhere: a click on it, then on the button, shows the open failure's box.
Box openFailureBox(Program& program) {
    choose(program, 1);
    click(program, layout("comportbut"));
    return nextBox(program);
}

void portLedNowhere(Program& program) {
    Box box = openFailureBox(program);
    if (!check(box.window != nullptr, "a box appears")) {
        const HWND open = openBox(program);
        const HWND foreground = GetForegroundWindow();
        std::printf("  button \"%s\", Com2 %s, box %s, foreground %s \"%s\"\n",
                    windowText(program["comportbut"]).c_str(),
                    SendMessageA(program.ports[1], BM_GETCHECK, 0, 0) == BST_CHECKED ? "chosen" : "not chosen",
                    open == nullptr ? "none" : IsWindowVisible(open) ? "shown" : "hidden",
                    foreground == nullptr ? "none" : className(foreground).c_str(),
                    windowText(foreground).c_str());
        return;
    }
    check(box.text == kOpenFailure, "its text is the open failure, byte for byte: " + printable(box.text));
    check(box.title == "lichtpult" && !box.errorIcon, "titled lichtpult, no error icon: [" + box.title + "]");
    check(confirm(program, box), "Enter confirms it");
    check(noBoxOpen(program), "no second box");
    check(windowText(program["comportbut"]) == "verbinden", "still \"verbinden\"");
    check(SendMessageA(program.ports[1], BM_GETCHECK, 0, 0) == BST_CHECKED, "Com2 still selected");
    // As in a dialog, Tab from the button enters the port choice at the selected item.
    for (int i = 0; i < 30 && focusOf(program) != program["comportbut"]; ++i) tab(program);
    const HWND next = tab(program);
    check(next == program.ports[1], "Tab from the button enters the port choice at Com2, is " + program.nameOf(next));
}

std::wstring wideText(HWND window) {
    wchar_t text[2048] = {};
    GetWindowTextW(window, text, 2048);
    return text;
}

// Under a code page other than Windows-1252 (the shell starts this scenario with Wine's
// Cyrillic one), the texts still read as the program wrote them, read back as UTF-16.
void otherCodePage(Program& program) {
    check(GetACP() == 1251, "the system's code page is 1251, is " + std::to_string(GetACP()));
    check(wideText(program.window) == L"window", "the window's caption reads \"window\"");
    check(wideText(program["comportbut"]) == L"verbinden", "the button reads \"verbinden\"");
    check(wideText(program["Rueckwaerts"]) == L"Rueckwaerts", "a box reads \"Rueckwaerts\"");
    Box box = openFailureBox(program);
    if (!check(box.window != nullptr, "a box appears")) return;
    const std::wstring text = wideText(GetDlgItem(box.window, 0xFFFF));
    check(text == L"Der gew\u00E4hlte ComPort konnte nicht ge\u00F6ffnet werden.\n\nBitte stellen sie sicher, "
                  L"das dieser von keiner anderen Anwendung benutzt wird.",
          "the open failure reads as written, \"gew\u00E4hlte\" and \"ge\u00F6ffnet\" included");
    check(wideText(box.window) == L"lichtpult", "the box is titled lichtpult");
    check(confirm(program, box), "Enter confirms it");
    check(noBoxOpen(program), "no second box");
}

// The system's own words for an error code, as it gives them to any program.
std::wstring systemWords(DWORD code) {
    wchar_t text[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                  0, text, 512, nullptr);
    while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r')) --length;
    return std::wstring(text, length);
}

std::string utf8(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');
    out.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                            out.data(), static_cast<int>(out.size()), nullptr,
                                                            nullptr)));
    return out;
}

bool fitsWindows1252(const std::wstring& text) {
    BOOL lacking = FALSE;
    WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0,
                        nullptr, &lacking);
    return lacking == FALSE;
}

// The error code whose system words the text is, letter for letter; 0 for none.
DWORD codeOfWords(const std::wstring& text) {
    if (text.empty()) return 0;
    for (DWORD code = 1; code < 16000; ++code)
        if (systemWords(code) == text) return code;
    return 0;
}

// In another language (the shell starts this scenario in Russian and in Japanese), a failed
// call's box shows the system's words as the system gives them, read back as UTF-16, letters
// beyond Windows-1252 included. COM1 is on /dev/null, so the three set-up calls fail.
void systemWordsInTheBox(Program& program) {
    const std::wstring sample = systemWords(ERROR_INVALID_HANDLE);
    check(!fitsWindows1252(sample), "the system's words need letters beyond Windows-1252: " + utf8(sample));
    click(program, layout("comportbut"));
    for (const char* call : {"GetCommState", "SetCommState", "SetCommTimeouts"}) {
        const Box box = nextBox(program);
        if (!check(box.window != nullptr && box.errorIcon && box.title == call,
                   std::string("an error box titled ") + call + ": [" + box.title + "]"))
            return;
        const std::wstring shown = wideText(GetDlgItem(box.window, 0xFFFF));
        const DWORD code = codeOfWords(shown);
        check(code != 0 && !fitsWindows1252(shown), "it reads the system's words for error " + std::to_string(code) +
                                                        " letter for letter: " + utf8(shown));
        if (!check(confirm(program, box), "it closes")) return;
    }
    check(noBoxOpen(program), "no fourth box");
}

// ---- The program's resources and its scale ---------------------------------------------------

// The manifest as built into lichtpult.exe, read back from its resource section.
void manifest(Program&) {
    HMODULE image = LoadLibraryExA(panelExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    HRSRC found = image != nullptr ? FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)) : nullptr;
    if (!check(found != nullptr, "lichtpult.exe holds a manifest (RT_MANIFEST 1)")) return;
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(image, found)));
    const std::string text(bytes, SizeofResource(image, found));
    const auto holds = [&](const std::string& part) { return text.find(part) != std::string::npos; };
    check(holds(R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")"), "it asks for the common controls 6");
    check(holds(">PerMonitorV2, PerMonitor</dpiAwareness>") && holds(">true/pm</dpiAware>"),
          "it scales per monitor (v2, with the older declarations after)");
    check(holds(R"(<requestedExecutionLevel level="asInvoker")"), "it runs as the user who starts it");
    int systems = 0;
    for (const char* id : {"35138b9a-5d96-4fbd-8e2d-a2440225f93a", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
                           "1f676c76-80e1-4239-95bb-83d0f6d0da78", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
        systems += holds(std::string("<supportedOS Id=\"{") + id + "}\"/>");
    check(systems == 4, "it names Windows 7, 8, 8.1 and 10/11 (" + std::to_string(systems) + " of 4)");
    check(!holds("activeCodePage"), "it leaves the code page to the system");
    FreeLibrary(image);
}

// Within a pixel each way: the system rounds a frame's and a child's scaled pixels its own way.
bool closeTo(const RECT& actual, const RECT& expected) {
    return std::abs(actual.left - expected.left) <= 1 && std::abs(actual.top - expected.top) <= 1 &&
           std::abs(actual.right - expected.right) <= 1 && std::abs(actual.bottom - expected.bottom) <= 1;
}

// How many rows of a rectangle of a device context hold a dark pixel: the height of the text
// in it, where nothing else dark is.
int inkRows(HDC source, const RECT& area) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(source);
    HBITMAP picture = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ previous = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, source, area.left, area.top, SRCCOPY);
    GdiFlush();
    int first = -1, last = -1;
    const auto* pixels = static_cast<const std::uint8_t*>(bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = pixels + 4 * (y * width + x);
            if (p[0] + p[1] + p[2] < 3 * 128) {
                if (first < 0) first = y;
                last = y;
                break;
            }
        }
    SelectObject(memory, previous);
    DeleteObject(picture);
    DeleteDC(memory);
    return first < 0 ? 0 : last - first + 1;
}

// The same text drawn here in the layout's font at a given character height.
int inkRowsOf(const wchar_t* text, int characterHeight) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, 400, 200);
    const HGDIOBJ previousPicture = SelectObject(memory, picture);
    const RECT all = {0, 0, 400, 200};
    FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HFONT font = CreateFontW(characterHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Sans Serif");
    const HGDIOBJ previousFont = SelectObject(memory, font);
    SetTextColor(memory, RGB(0, 0, 0));
    SetBkMode(memory, TRANSPARENT);
    TextOutW(memory, 10, 10, text, static_cast<int>(std::wcslen(text)));
    const int rows = inkRows(memory, all);
    SelectObject(memory, previousFont);
    SelectObject(memory, previousPicture);
    DeleteObject(font);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return rows;
}

// The window, every control and the font at the display's scale (the shell set it).
void scale(Program& program) {
    const int dpi = static_cast<int>(GetDpiForWindow(program.window));
    check(dpi == displayDpi, "the window is drawn at " + std::to_string(dpi) + " dpi");
    RECT outer;
    GetWindowRect(program.window, &outer);
    const RECT expected = ScaledRect(475, 106, 386, 276, displayDpi);
    check(outer.left == expected.left && outer.top == expected.top && closeTo(outer, expected),
          "the window is at " + RectText(outer) + " (" + RectText(expected) + ")");
    // In the client area, as the layout places the controls.
    const auto clientRect = [&](HWND control) {
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, program.window, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    for (const Control& control : kControls) {
        const RECT r = clientRect(program[control.name]);
        const RECT e = ScaledRect(control.left, control.top, control.width, control.height, displayDpi);
        check(windowText(program[control.name]) == control.caption && closeTo(r, e),
              std::string(control.name) + " at " + RectText(r) + " (" + RectText(e) + ")");
    }
    const RECT group = clientRect(GetParent(program.ports.at(0)));
    const auto [left, top, width, height] = kPortGroupBounds;
    const RECT e = ScaledRect(left, top, width, height, displayDpi);
    check(closeTo(group, e), "the port choice at " + RectText(group) + " (" + RectText(e) + ")");
    int inside = 0, lastTop = -1;
    for (HWND port : program.ports) {
        const RECT r = clientRect(port);
        inside += r.left >= group.left && r.right <= group.right && r.top > lastTop && r.bottom <= group.bottom &&
                  r.bottom - r.top >= scaled(13);
        lastTop = r.top;
    }
    check(inside == 6, std::to_string(inside) + " of the 6 port items in the group, one under the other, each at least " +
                           std::to_string(scaled(13)) + " pixels high");
    // Another process's font cannot be asked for: its text on the screen is measured instead,
    // right of the radio glyph of "Com2" (neither selected nor focused, so nothing else dark).
    RECT item;
    GetWindowRect(program.ports.at(1), &item);
    item.left += scaled(20);
    HDC screen = GetDC(nullptr);
    const int shown = inkRows(screen, item);
    ReleaseDC(nullptr, screen);
    const int drawn = inkRowsOf(L"Com2", scaled(-11)), unscaled = inkRowsOf(L"Com2", -11);
    check(std::abs(shown - drawn) <= 1 && (displayDpi == USER_DEFAULT_SCREEN_DPI || std::abs(shown - unscaled) > 1),
          "\"Com2\" is " + std::to_string(shown) + " pixels high on the screen, as in a font of " +
              std::to_string(-scaled(-11)) + " pixels (" + std::to_string(drawn) + "; at 11 pixels " +
              std::to_string(unscaled) + ")");
    check(request("window"), "a picture of the window is taken");
}

// COM1 leads to a device that is no serial port: the open succeeds, each set-up call fails.
// A second click on "verbinden" while the first box is open must not connect again.
void setUpErrors(Program& program) {
    click(program, layout("comportbut"));
    const std::array<std::string, 3> calls = {"GetCommState", "SetCommState", "SetCommTimeouts"};
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const Box box = nextBox(program);
        if (!check(box.window != nullptr && box.errorIcon && box.title == calls[i],
                   "error box " + std::to_string(i + 1) + ": [" + box.title + "] " + printable(box.text)))
            return;
        if (i == 0) clickOnTheButtonDuring(program, box);
        if (!check(confirm(program, box), "error box " + std::to_string(i + 1) + " closes")) return;
    }
    check(noBoxOpen(program), "no fourth box");
    check(windowText(program["comportbut"]) == "trennen", "connected after the three boxes: \"" +
                                                           windowText(program["comportbut"]) + "\"");
}

// The controller stalls before the frame's first byte reaches it: the panel shows "FALSE" and
// sends the byte again, and the shell finds the answer late, not missing.
void lateAnswer(Program& program) {
    if (!connectCom1(program)) return;
    promptController = true;
    click(program, layout("Standlicht"));
    const std::string frame = "ancnbyjnenfnenfnknlngnhniydn";
    bool stalled = false;
    const std::vector<Box> boxes = confirmFrame(program, frame, [&](std::size_t, const Box&) {
        if (!stalled) stalled = check(request("stall"), "the controller stalls before the first byte");
        return Confirm::Enter;
    });
    checkAcknowledged(boxes, frame, "the frame");
    check(boxes.size() >= 4 && boxes[1].text == "FALSE" && boxes[2].text == "a" && boxes[3].text == "TRUE",
          "the first byte unacknowledged once, then acknowledged");
}

// Whether the text is the system's own message for some error code.
bool systemText(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                                             wide.data(), static_cast<int>(wide.size()))));
    return codeOfWords(wide) != 0;
}

void lineHungUp(Program& program) {
    if (!connectCom1(program)) return;
    promptController = true;
    click(program, layout("Standlicht"));
    // The first two bytes go through; the line drops before the third, while the second's
    // "TRUE" is open.
    const std::vector<Box> boxes = confirmFrame(program, "an", [&](std::size_t byteIndex, const Box& box) {
        if (byteIndex == 1 && box.text == "TRUE") check(request("hangup"), "the controller has hung up");
        return Confirm::Enter;
    });
    checkAcknowledged(boxes, "an", "before the hang-up");
    promptController = false;
    // A click on "trennen" while the frame's first error box is open must not close the port
    // under the frame.
    bool clicked = false;
    const std::vector<Box> rest = confirmFrame(program, "cnbyjnenfnenfnknlngnhniydn", [&](std::size_t, const Box& box) {
        if (box.errorIcon && !clicked) {
            clicked = true;
            clickOnTheButtonDuring(program, box);
        }
        return Confirm::Enter;
    });
    int errors = 0, writeErrors = 0, readErrors = 0, foreign = 0;
    for (const Box& box : rest) {
        if (!box.errorIcon) continue;
        ++errors;
        writeErrors += box.title == "WriteFile";
        readErrors += box.title == "ReadFile";
        if ((box.title != "WriteFile" && box.title != "ReadFile") || !systemText(box.text)) {
            ++foreign;
            check(false, "error box [" + box.title + "] " + printable(box.text));
        }
    }
    check(errors > 0 && foreign == 0,
          std::to_string(errors) + " error boxes, " + std::to_string(writeErrors) + " WriteFile and " +
              std::to_string(readErrors) + " ReadFile, each with the error icon and the system's text");
    const auto sample = std::find_if(rest.begin(), rest.end(), [](const Box& b) { return b.errorIcon; });
    if (sample != rest.end()) std::printf("  e.g. [%s] %s\n", sample->title.c_str(), printable(sample->text).c_str());
    check(noBoxOpen(program), "the frame ends: no box left open");
    check(windowText(program["comportbut"]) == "trennen", "the window still answers: \"trennen\"");
}

void keyboardOnly(Program& program) {
    HWND button = program["comportbut"];
    // Wherever the focus starts, Tab reaches the button.
    for (int i = 0; i < 30 && focusOf(program) != button; ++i) tab(program);
    check(focusOf(program) == button, "Tab reaches the button");
    press(program.window, VK_RETURN);
    check(waitFor([&] { return windowText(button) == "trennen"; }), "Return on the button connects");
    check(noBoxOpen(program), "connecting shows no box");
    press(program.window, VK_RETURN);
    check(waitFor([&] { return windowText(button) == "verbinden"; }), "Return again disconnects");
    press(program.window, VK_SPACE);
    check(waitFor([&] { return windowText(button) == "trennen"; }), "Space on the button connects");
    check(noBoxOpen(program), "connecting shows no box");

    // The whole round, connected: disabled controls and the disabled port choice are skipped.
    const std::vector<std::string> round = {"Standlicht", "Abblendlicht", "Rueckwaerts", "Innenraum",
        "Links", "Rechts", "Parklicht", "Warnblinklicht", "Abblendlicht_auto", "Fernlicht_auto",
        "comportbut"};
    std::vector<std::string> visited;
    for (std::size_t i = 0; i < round.size(); ++i) visited.push_back(program.nameOf(tab(program)));
    std::string seen;
    for (const std::string& name : visited) seen += " " + name;
    check(visited == round, "Tab order, connected:" + seen);

    const HWND next = tab(program);
    check(next == program["Standlicht"], "one Tab from the button is Standlicht, is " + program.nameOf(next));
    press(program.window, VK_SPACE);
    promptController = true;
    const std::string frame = "ancnbyjnenfnenfnknlngnhniydn";
    checkAcknowledged(confirmFrame(program, frame), frame, "Space on Standlicht sent the frame, Enter confirmed");
    check(noBoxOpen(program), "no box after the frame's last");
    check(SendMessageA(program["Standlicht"], BM_GETCHECK, 0, 0) == BST_CHECKED, "Standlicht ticked");
    check(focusOf(program) == program["Standlicht"], "the focus is back on Standlicht, is " +
                                                         program.nameOf(focusOf(program)));
    press(program.window, VK_RETURN);
    check(noBoxOpen(program) && SendMessageA(program["Standlicht"], BM_GETCHECK, 0, 0) == BST_CHECKED,
          "Return on a check box does nothing");
    check(request("frame"), "the shell has looked at the frame the controller decoded");
}

void closing(Program& program) {
    if (!connectCom1(program)) return;
    endsWithExitCodeZero(program);
}

// ---- Port tables ----------------------------------------------------------------------------

// The shell's row has led the port LICHTPULT_DRIVE_PORT (1 … 6) through a port table to the
// controller's COM12 (LICHTPULT_DRIVE_OUTCOME=connects: it connects and a frame arrives), or
// left it on a port that leads nowhere (the open failure's box).
void portTable(Program& program) {
    const char* port = std::getenv("LICHTPULT_DRIVE_PORT");
    const char* outcome = std::getenv("LICHTPULT_DRIVE_OUTCOME");
    const int number = port != nullptr ? std::atoi(port) : 0;
    if (!check(number >= 1 && number <= 6 && outcome != nullptr, "the row names a port and an outcome")) return;
    const std::string name = "Com" + std::to_string(number);
    choose(program, static_cast<std::size_t>(number - 1));
    click(program, layout("comportbut"));
    if (std::string(outcome) != "connects") {
        const Box box = nextBox(program);
        check(box.window != nullptr && box.text == kOpenFailure, name + " shows the open failure: " + printable(box.text));
        if (box.window != nullptr) check(confirm(program, box), "Enter confirms it");
        return;
    }
    if (!check(waitFor([&] { return windowText(program["comportbut"]) == "trennen"; }),
               "a click on \"verbinden\" connects on " + name))
        return;
    promptController = true;
    click(program, layout("Standlicht"));
    const std::string frame = "ancnbyjnenfnenfnknlngnhniydn";
    checkAcknowledged(confirmFrame(program, frame), frame, "Standlicht's frame on " + name);
    check(request("frame"), "the shell has looked at the frame the controller decoded");
}

// The program's tooltip on the screen; none while it shows none.
HWND shownTip(const Program& program) {
    const std::vector<HWND> tips = windowsOf(program, "tooltips_class32");
    const auto shown = std::find_if(tips.begin(), tips.end(), IsWindowVisible);
    return shown != tips.end() ? *shown : nullptr;
}

struct Hint {
    std::wstring text;
    int width = 0; // the tooltip's, in pixels
};

// What the tooltip of a port's item says when the mouse rests on it, read as UTF-16. The mouse
// leaves the window first, until no tooltip shows: the one that then comes is the item's.
Hint hintOf(const Program& program, std::size_t index) {
    const std::string name = "Com" + std::to_string(index + 1);
    send({pointerAt({8, 8})});
    if (!check(waitFor([&] { return shownTip(program) == nullptr; }), "no tooltip with the mouse off the window"))
        return {};
    RECT item;
    GetWindowRect(program.ports.at(index), &item);
    send({pointerAt({item.left + 24, (item.top + item.bottom) / 2})});
    HWND tip = nullptr;
    if (!check(waitFor([&] { return (tip = shownTip(program)) != nullptr; }), name + " shows a tooltip")) return {};
    wchar_t text[2048] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(tip, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 60000, &length);
    RECT shown;
    GetWindowRect(tip, &shown);
    return {std::wstring(text, length), shown.right - shown.left};
}

// The shell's user table leads Com3 to COM12, which the system lists with its adapter's name
// (without the " (COM12)" Device Manager adds); Com5's line names no
// Windows device (the table's first line, behind a byte order mark), Com6's a port the system
// does not list, until it does; the machine's table is a folder. Com1 keeps its own COM1.
void portHints(Program& program) {
    wchar_t appData[MAX_PATH] = {};
    GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH);
    const std::wstring file = std::wstring(appData) + L"\\lichtpult\\ports.conf";
    const std::pair<std::size_t, std::wstring> rows[] = {
        {0, L"COM1"},
        {2, L"COM12 \u2013 USB-SERIAL CH340"},
        {4, L"COM5\n" + file + L", Zeile 1: das Ger\u00e4t muss ein Portname (COM1 bis COM4096) oder ein "
                                L"Ger\u00e4tepfad (\\\\.\\\u2026) sein; die Zeile gilt nicht"},
        {5, L"COM77 \u2013 nicht vorhanden"},
    };
    std::vector<Hint> shown;
    for (const auto& [index, expected] : rows) {
        shown.push_back(hintOf(program, index));
        check(shown.back().text == expected, "Com" + std::to_string(index + 1) + "'s tooltip: " + utf8(shown.back().text));
    }
    // Asked for when it is shown: a port the system lists meanwhile is there.
    if (check(request("listed-COM77"), "the system lists COM77 now")) {
        const Hint later = hintOf(program, 5);
        check(later.text == L"COM77", "then Com6's tooltip: " + utf8(later.text));
        check(request("unlisted-COM77"), "the system no longer lists COM77");
    }
    // A long line is broken into several, so the tooltip stays on a small screen.
    const int screen = GetSystemMetrics(SM_CXSCREEN);
    check(shown[2].width * 10 < screen * 6, "Com5's tooltip is " + std::to_string(shown[2].width) +
                                                " pixels wide, less than 60 % of the screen's " + std::to_string(screen));
}

// ---- Figures, each beside its floor ------------------------------------------------------

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

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s SCENARIO LICHTPULT.EXE SYNC-FOLDER\n", argv[0]);
        return 2;
    }
    const std::string scenario = argv[1];
    syncFolder = argv[3];
    panelExe = argv[2];
    const std::map<std::string, void (*)(Program&)> scenarios = {
        {"start-up", startUp},     {"connect", connect},        {"dipped-beam", dippedBeam},
        {"silent", silentController}, {"com2", portLedNowhere}, {"hang-up", lineHungUp},
        {"keyboard", keyboardOnly}, {"close", closing},   {"bench", benchmark},
        {"set-up-errors", setUpErrors}, {"late-answer", lateAnswer}, {"code-page", otherCodePage},
        {"system-words", systemWordsInTheBox},
        {"manifest", manifest}, {"scale-96", scale}, {"scale-144", scale}, {"scale-192", scale},
        {"table-user", portTable}, {"table-none", portTable}, {"table-machine", portTable},
        {"table-both", portTable}, {"table-hints", portHints},
    };
    // As the shell and the picture see the screen: in its own pixels, whatever its scale.
    SetProcessDPIAware();
    if (scenario.rfind("scale-", 0) == 0) displayDpi = std::stoi(scenario.substr(6));
    const auto found = scenarios.find(scenario);
    if (found == scenarios.end()) {
        std::fprintf(stderr, "no scenario %s\n", scenario.c_str());
        return 2;
    }
    Program program;
    if (start(program, argv[2])) {
        found->second(program);
        if (scenario != "close" && scenario != "bench") endsWithExitCodeZero(program);
    }
    if (program.process.hProcess != nullptr) stop(program);
    return failures;
}
