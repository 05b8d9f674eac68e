#include "link/platform/SysError.h"

#include <windows.h>

// The system's own wording, in the ANSI code page (Windows-1252 on Western systems).
Text SysErrorMessage(std::uint32_t code) {
    char buffer[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, buffer, sizeof buffer, nullptr);
    while (length > 0 && (buffer[length - 1] == '\n' || buffer[length - 1] == '\r'))
        --length;
    return length > 0 ? Text(buffer, length) : "Error " + std::to_string(code);
}
