// The PASS and FAIL lines, the shell beside; the program under test, its controls found at the
// layout's places; clicks and keys through SendInput, and the focus as its thread has it.

#include "tests/windows/drive/Drive.h"

namespace drive {

bool check(bool passed, const std::string& what) {
    std::printf("%s %s\n", passed ? "PASS" : "FAIL", what.c_str());
    std::fflush(stdout);
    if (!passed) ++failures;
    return passed;
}

// Polls until `done` holds. Generous: the machine may be loaded, and only a fault makes a wait
// run out.
bool waitFor(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        Sleep(1);
    }
    return true;
}

// Asks the shell for something ("<name>.request") and waits until it is done ("<name>.done");
// false when it never answers. The answer is taken away once read: X gives a new program's
// window the number of one that has gone, and an old answer for that number must not stand for
// the new window.
bool request(const std::string& name) {
    const std::string asked = syncFolder + "\\" + name + ".request", done = syncFolder + "\\" + name + ".done";
    DeleteFileA(done.c_str());
    HANDLE file = CreateFileA(asked.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    const bool answered = waitFor([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
    DeleteFileA(done.c_str());
    return answered;
}

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

namespace {

// The deepest child at a client point, disabled or not.
HWND childAt(HWND parent, POINT point) {
    for (;;) {
        HWND child = ChildWindowFromPointEx(parent, point, CWP_SKIPINVISIBLE);
        if (child == nullptr || child == parent) return parent;
        MapWindowPoints(parent, child, &point, 1);
        parent = child;
    }
}

// The window has handled what was sent to it so far: a message sent to it comes back only when
// its thread takes messages again, in its own loop or in a box's.
void handled(HWND window) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
}

void send(std::vector<INPUT> inputs) { SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)); }

INPUT pointerAt(POINT screen) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = static_cast<LONG>((screen.x * 65536 + width / 2) / width);
    move.mi.dy = static_cast<LONG>((screen.y * 65536 + height / 2) / height);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return move;
}

GUITHREADINFO threadOf(const Program& program) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(program.process.dwThreadId, &info);
    return info;
}

} // namespace

// The control's name in the layout, "ComN" for a port's item, else its text.
std::string Program::nameOf(HWND control) const {
    for (const auto& [name, handle] : controls)
        if (handle == control) return name;
    for (std::size_t i = 0; i < ports.size(); ++i)
        if (ports[i] == control) return "Com" + std::to_string(i + 1);
    if (control == nullptr) return "nothing";
    const std::string text = windowText(control); // not a temporary: GCC 12 warns of a false overlap
    return "'" + text + "'";
}

void settle(const Program& program) { handled(program.window); }

// Starts the program and waits until its window is mapped, active and waiting for input; then
// finds its controls at the layout's places.
bool start(Program& program, const char* exe) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string command = std::string("\"") + exe + "\"";
    if (!CreateProcessA(exe, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &program.process))
        return check(false, "lichtpult.exe starts (error " + std::to_string(GetLastError()) + ")");
    const bool shown = waitFor([&] {
        for (HWND window : windowsOf(program))
            if (IsWindowVisible(window) && windowText(window) == "window") return (program.window = window) != nullptr;
        return false;
    });
    if (!check(shown, "a window titled \"window\" appears")) return false;
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
            childAt(program.window, {scaled(control.left + 6), scaled(control.top + control.height / 2)});
    // The port choice's group at a point on its frame, clear of its items.
    HWND group = childAt(program.window, {scaled(kPortGroupBounds.left + 44), scaled(kPortGroupBounds.top + 4)});
    for (HWND item = GetWindow(group, GW_CHILD); item != nullptr; item = GetWindow(item, GW_HWNDNEXT))
        program.ports.push_back(item);
    std::ranges::sort(program.ports, {}, [](HWND item) { return rectOf(item).top; });
    return true;
}

// WM_CLOSE, checked to end the program with exit code 0.
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

// The program's top-level windows, of one class or of any, in the system's order.
std::vector<HWND> windowsOf(const Program& program, const char* windowClass) {
    struct Search { DWORD pid; const char* windowClass; std::vector<HWND> found; };
    Search search{program.process.dwProcessId, windowClass, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* search = reinterpret_cast<Search*>(data);
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            if (pid == search->pid && (search->windowClass == nullptr || className(window) == search->windowClass))
                search->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void moveTo(POINT screen) { send({pointerAt(screen)}); }

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

// A key pressed and let go: the program has taken the press before the release comes, as from
// a hand.
void press(HWND window, WORD key) {
    INPUT down{};
    down.type = INPUT_KEYBOARD;
    down.ki.wVk = key;
    down.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    INPUT up = down;
    up.ki.dwFlags = KEYEVENTF_KEYUP;
    send({down});
    handled(window);
    send({up});
}

// Clicks a control of the layout where a user would: its box, or a button's middle.
void click(const Program& program, const Control& control) {
    POINT client = control.isBox ? POINT{control.left + 6, control.top + control.height / 2}
                                 : POINT{control.left + control.width / 2, control.top + control.height / 2};
    ClientToScreen(program.window, &client);
    clickAt(client);
}

HWND captureOf(const Program& program) { return threadOf(program).hwndCapture; }
HWND focusOf(const Program& program) { return threadOf(program).hwndFocus; }

// Tab, and the control it moved the focus to. Input comes after the messages sent to the
// program, so only the focus itself tells that the key has been taken.
HWND tab(const Program& program) {
    const HWND before = focusOf(program);
    press(program.window, VK_TAB);
    waitFor([&] { return focusOf(program) != before; });
    return focusOf(program);
}

void tabTo(const Program& program, HWND control) {
    for (int i = 0; i < 30 && focusOf(program) != control; ++i) tab(program);
}

} // namespace drive
