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
    const int size = static_cast<int>(length);
    std::string utf8(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, buffer, size, nullptr, 0, nullptr, nullptr)),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, buffer, size, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    return {utf8};
}
