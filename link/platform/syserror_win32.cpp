#include "link/platform/SysError.h"

#include <windows.h>

#include <string>

// The system's UTF-16 wording, kept whole as UTF-8 whatever the system's code page, so the box
// shows it as the system wrote it.
SystemText SysErrorMessage(std::uint32_t code) {
    wchar_t buffer[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                  buffer, sizeof buffer / sizeof buffer[0], nullptr);
    while (length > 0 && (buffer[length - 1] == L'\n' || buffer[length - 1] == L'\r'))
        --length;
    if (length == 0) return {"Error " + std::to_string(code)};
    return {WideToUtf8(std::wstring(buffer, length))};
}
