// Message boxes: finding the one on screen, reading it, confirming it; and their texts read
// against the system's own words.

#include "tests/windows/drive/Boxes.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace drive {

HWND openBox(const Program& program) {
    const std::vector<HWND> boxes = windowsOf(program, "#32770");
    // A box on its way out may still be listed beside the one on screen.
    const auto shown = std::find_if(boxes.begin(), boxes.end(), IsWindowVisible);
    return shown != boxes.end() ? *shown : boxes.empty() ? nullptr : boxes.back();
}

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

bool confirm(const Program& program, const Box& box, Confirm how) {
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

bool noBoxOpen(const Program& program) {
    settle(program);
    return openBox(program) == nullptr;
}

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

namespace {

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

} // namespace

void clickOnTheButtonDuring(const Program& program, const Box& box) {
    const std::string caption = windowText(program["comportbut"]);
    check(clickBeside(program, program["comportbut"], box),
          "a click on \"" + caption + "\" beside the open [" + box.title + "] box");
    check(boxesShown(program) == 1, "one box on screen after that click, not " + std::to_string(boxesShown(program)));
    check(windowText(program["comportbut"]) == caption, "the button still reads \"" + caption + "\"");
}

// ---- Reading their texts -------------------------------------------------------------------

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

std::wstring wideText(HWND window) {
    wchar_t text[2048] = {};
    GetWindowTextW(window, text, 2048);
    return text;
}

std::string utf8(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');
    out.resize(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                            out.data(), static_cast<int>(out.size()), nullptr,
                                                            nullptr)));
    return out;
}

std::wstring systemWords(DWORD code) {
    wchar_t text[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                  0, text, 512, nullptr);
    while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r')) --length;
    return std::wstring(text, length);
}

DWORD codeOfWords(const std::wstring& text) {
    if (text.empty()) return 0;
    for (DWORD code = 1; code < 16000; ++code)
        if (systemWords(code) == text) return code;
    return 0;
}

} // namespace drive
