// What the system gives the program: its words for an error in another language, the manifest
// built into lichtpult.exe, the display's scale; and the figures beside the system's own floors.

#include "tests/windows/drive/Drive.h"
#include "tests/support/Percentile.h"

namespace drive {

namespace {

bool fitsWindows1252(const std::wstring& text) {
    BOOL lacking = FALSE;
    WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0,
                        nullptr, &lacking);
    return lacking == FALSE;
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

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void row(const std::string& figure, const std::vector<double>& values, double floor, const std::string& goal) {
    std::printf("BENCH|%s|%zu|%.3f ms|%.3f ms|%.3f ms|%.2f (p99 %.2f)|%s\n", figure.c_str(), values.size(),
                Percentile(values, 0.5), Percentile(values, 0.99), floor,
                Percentile(values, 0.5) / floor, Percentile(values, 0.99) / floor, goal.c_str());
}

// Confirms the open box with Enter; with `another`, waits for the next box to be shown and
// focused and adds the time in between to the gaps. False when a box does not come or go.
bool boxToBox(const Program& program, bool another, std::vector<double>& gaps) {
    const Box box = nextBox(program);
    if (box.window == nullptr) return false;
    const auto confirmed = std::chrono::steady_clock::now();
    press(box.window, VK_RETURN);
    if (!waitFor([&] { return !IsWindow(box.window); })) return false;
    if (!another) return true;
    if (nextBox(program).window == nullptr) return false;
    gaps.push_back(msSince(confirmed));
    return true;
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

// In another language (the shell starts this scenario in Russian and in Japanese), a failed
// call's box shows the system's words as the system gives them, read back as UTF-16, letters
// beyond Windows-1252 included. COM1 is on /dev/null, so the three set-up calls fail.
void systemWordsInTheBox(Program& program) {
    const std::wstring sample = systemWords(ERROR_INVALID_HANDLE);
    check(!fitsWindows1252(sample), "the system's words need letters beyond Windows-1252: " + WideToUtf8(sample));
    click(program, layout("comportbut"));
    for (const char* call : {"GetCommState", "SetCommState", "SetCommTimeouts"}) {
        const Box box = nextBox(program);
        if (!check(box.window != nullptr && box.errorIcon && box.title == call,
                   std::string("an error box titled ") + call + ": [" + box.title + "]"))
            return;
        const std::wstring shown = wideText(GetDlgItem(box.window, 0xFFFF));
        const DWORD code = codeOfWords(shown);
        check(code != 0 && !fitsWindows1252(shown), "it reads the system's words for error " + std::to_string(code) +
                                                        " letter for letter: " + WideToUtf8(shown));
        if (!check(confirm(program, box), "it closes")) return;
    }
    check(noBoxOpen(program), "no fourth box");
}

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

// The window, every control and the font at the display's scale (the shell set it).
void scale(Program& program) {
    const int dpi = static_cast<int>(GetDpiForWindow(program.window));
    check(dpi == displayDpi, "the window is drawn at " + std::to_string(dpi) + " dpi");
    const RECT outer = rectOf(program.window);
    const auto scaledRect = [](const Bounds& b) { return ScaledRect(b.left, b.top, b.width, b.height, displayDpi); };
    const RECT expected = scaledRect(kWindowBounds);
    check(outer.left == expected.left && outer.top == expected.top && closeTo(outer, expected),
          "the window is at " + RectText(outer) + " (" + RectText(expected) + ")");
    // In the client area, as the layout places the controls.
    const auto clientRect = [&](HWND control) {
        RECT r = rectOf(control);
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
    const RECT e = scaledRect(kPortGroupBounds);
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
    RECT item = rectOf(program.ports.at(1));
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

// Each beside its floor: start-up against an empty Win32 window, and box to box against bare
// message boxes one after the other. BENCH lines, no checks of their own but those that say why
// a round did not run to its end.
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
        for (int i = 0; i < 56; ++i)
            if (!boxToBox(program, i < 55, gaps))
                return abandon(program, "box " + std::to_string(i + 1) + " of frame " + std::to_string(frame + 1) +
                                            " did not come or go");
        settle(program);
    }
    stop(program);
    Program boxes;
    if (!start(boxes, empty.c_str())) return abandon(boxes, "the bare boxes' round did not start");
    PostMessageA(boxes.window, WM_APP, 0, 0);
    for (int i = 0; i < 280; ++i)
        if (!boxToBox(boxes, i < 279, bareGaps))
            return abandon(boxes, "bare box " + std::to_string(i + 1) + " did not come or go");
    stop(boxes);
    row("From confirming one box to the next box shown and focused (Wine, Xvfb)", gaps,
        Percentile(bareGaps, 0.5), "reported; floor: bare MessageBoxA one after the other");
    std::printf("BENCH|Bare boxes one after the other (the floor above)|%zu|%.3f ms|%.3f ms|-|-|reported: Wine's own round trip of a box\n",
                bareGaps.size(), Percentile(bareGaps, 0.5), Percentile(bareGaps, 0.99));
}

} // namespace drive
