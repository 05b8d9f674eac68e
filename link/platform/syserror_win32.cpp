#include "link/platform/SysError.h"
#include "toolkit/win32/Wide.h"

#include <windows.h>

// The system's own wording, as Windows-1252 whatever the system's code page ('?' for a letter
// it lacks), so the box shows it as the system wrote it.
Text SysErrorMessage(std::uint32_t code) {
    wchar_t buffer[512];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                  buffer, sizeof buffer / sizeof buffer[0], nullptr);
    while (length > 0 && (buffer[length - 1] == L'\n' || buffer[length - 1] == L'\r'))
        --length;
    return length > 0 ? Narrow(std::wstring(buffer, length)) : "Error " + std::to_string(code);
}
