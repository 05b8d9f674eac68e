// The serial calls on Windows are the system's own; this file only passes them through.

#include "link/platform/DeviceNames.h"
#include "link/platform/DeviceNames_p.h"
#include "link/platform/Timing.h"
#include "link/platform/Win32Serial.h"
#include "text/Text.h"

#include <windows.h>

namespace serial {

// The system itself refuses a second opener of a port: nothing to read.
std::vector<std::string> SystemDefaultFolders(SystemFolder /*folder*/) { return {}; }

HANDLE CreateFileA(const char* name, DWORD access, DWORD shareMode, void* security,
                   DWORD disposition, DWORD flags, HANDLE templateFile) {
    timing::UseFineTimers();
    // A port table's device is UTF-8, whatever the system's code page.
    const std::wstring path = Utf8ToWide(DevicePath(name != nullptr ? name : ""));
    return ::CreateFileW(path.c_str(), access, shareMode,
                         static_cast<LPSECURITY_ATTRIBUTES>(security), disposition, flags,
                         templateFile);
}

// A failed read leaves the caller's record as it was.
BOOL GetCommState(HANDLE port, DCB* dcb) {
    DCB system{};
    system.DCBlength = sizeof system;
    const BOOL ok = ::GetCommState(port, &system);
    if (ok && dcb != nullptr) *dcb = system;
    return ok;
}

BOOL SetCommState(HANDLE port, DCB* dcb) { return ::SetCommState(port, dcb); }

BOOL SetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts) { return ::SetCommTimeouts(port, timeouts); }

BOOL GetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts) { return ::GetCommTimeouts(port, timeouts); }

BOOL ReadFile(HANDLE port, void* buffer, DWORD count, DWORD* read, void* /*overlapped*/) {
    return ::ReadFile(port, buffer, count, reinterpret_cast<LPDWORD>(read), nullptr);
}

BOOL WriteFile(HANDLE port, const void* buffer, DWORD count, DWORD* written, void* /*overlapped*/) {
    return ::WriteFile(port, buffer, count, reinterpret_cast<LPDWORD>(written), nullptr);
}

BOOL CloseHandle(HANDLE port) { return ::CloseHandle(port); }

DWORD GetLastError() { return ::GetLastError(); }

} // namespace serial
