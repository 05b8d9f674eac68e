// Message boxes as a user meets them: the next one once it is shown and has the keyboard, read,
// confirmed with Enter or a click on OK; and their texts against the system's own words.

#include "tests/windows/drive/Drive.h"

namespace drive {

// The box on screen (or on its way out); a null window if none is open.
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
        return box.window != nullptr && IsWindowVisible(box.window) && GetForegroundWindow() == box.window;
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

// Confirms the box and waits until it has closed and the program has gone back to waiting.
bool confirm(const Program& program, const Box& box, Confirm how) {
    if (how == Confirm::Enter) {
        press(box.window, VK_RETURN);
    } else {
        if (!mapped(box.window)) return false;
        const RECT ok = rectOf(GetDlgItem(box.window, IDOK));
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

// ---- Reading their texts -------------------------------------------------------------------

// The text with every byte outside printable ASCII written as \xNN.
std::string printable(const std::string& text) {
    std::string out;
    for (const unsigned char c : text) {
        char hex[8];
        std::snprintf(hex, sizeof hex, c >= 0x20 && c < 0x7F ? "%c" : "\\x%02X", c);
        out += hex;
    }
    return out;
}

// A window's text read as UTF-16.
std::wstring wideText(HWND window) {
    wchar_t text[2048] = {};
    GetWindowTextW(window, text, 2048);
    return text;
}

// The system's own words for an error code, as it gives them to any program.
std::wstring systemWords(DWORD code) {
    wchar_t text[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                  0, text, 512, nullptr);
    while (length > 0 && (text[length - 1] == L'\n' || text[length - 1] == L'\r')) --length;
    return std::wstring(text, length);
}

// The error code whose system words the text is, letter for letter; 0 for none.
DWORD codeOfWords(const std::wstring& text) {
    if (text.empty()) return 0;
    for (DWORD code = 1; code < 16000; ++code)
        if (systemWords(code) == text) return code;
    return 0;
}

} // namespace drive
