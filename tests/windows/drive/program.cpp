// The program under test and real input: its start, its window and controls found at the
// layout's places, its end; clicks and keys through SendInput, the focus as its thread has it.

#include "tests/windows/drive/Program.h"

#include "tests/windows/drive/Shell.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>

namespace drive {

int failures = 0;

bool check(bool passed, const std::string& what) {
    std::printf("%s %s\n", passed ? "PASS" : "FAIL", what.c_str());
    std::fflush(stdout);
    if (!passed) ++failures;
    return passed;
}

namespace {

// Generous: the machine may be loaded. Only a fault makes a wait run out.
constexpr auto kPatience = std::chrono::seconds(60);

} // namespace

bool waitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        Sleep(1);
    }
    return true;
}

int displayDpi = USER_DEFAULT_SCREEN_DPI;
int scaled(int pixels) { return Scaled(pixels, displayDpi); }

const Control& layout(const std::string& name) {
    return *std::find_if(kControls.begin(), kControls.end(), [&](const Control& c) { return name == c.name; });
}

std::string panelExe;

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

HWND Program::childAt(POINT client) const {
    HWND parent = window;
    POINT point = client;
    for (;;) {
        HWND child = ChildWindowFromPointEx(parent, point, CWP_SKIPINVISIBLE);
        if (child == nullptr || child == parent) return parent;
        MapWindowPoints(parent, child, &point, 1);
        parent = child;
    }
}

std::string Program::nameOf(HWND control) const {
    for (const auto& [name, handle] : controls)
        if (handle == control) return name;
    for (std::size_t i = 0; i < ports.size(); ++i)
        if (ports[i] == control) return "Com" + std::to_string(i + 1);
    return control == nullptr ? "nothing" : std::string("'") + windowText(control) + "'";
}

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

// ---- Real input ----------------------------------------------------------------------------

void send(std::vector<INPUT> inputs) {
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

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

// The program has taken the press before the release comes, as from a hand.
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

void click(const Program& program, const Control& control) {
    const POINT client = control.isBox ? POINT{control.left + 6, control.top + control.height / 2}
                                       : POINT{control.left + control.width / 2, control.top + control.height / 2};
    clickAt(program.toScreen(client));
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

// Input comes after the messages sent to the program, so only the focus itself tells that the
// key has been taken.
HWND tab(const Program& program) {
    const HWND before = focusOf(program);
    press(program.window, VK_TAB);
    waitFor([&] { return focusOf(program) != before; });
    return focusOf(program);
}

} // namespace drive
