// The serial calls on Windows are the system's own; this file only passes them through,
// translating the records, which have the system's layout.

#include "link/platform/DeviceNames.h"
#include "link/platform/DeviceNames_p.h"
#include "link/platform/Timing.h"
#include "link/platform/Win32Serial.h"

// After our declarations: <windows.h> turns TRUE, FALSE and friends into macros.
#include <windows.h>

#include <cstddef>
#include <cstring>

static_assert(sizeof(win32::DCB) == sizeof(::DCB));
static_assert(offsetof(win32::DCB, ByteSize) == offsetof(::DCB, ByteSize));
static_assert(offsetof(win32::DCB, XonChar) == offsetof(::DCB, XonChar));
static_assert(sizeof(win32::COMMTIMEOUTS) == sizeof(::COMMTIMEOUTS));

namespace win32 {

// The system knows its ports by the names the user sees.
std::string SystemDevicePath(const std::string& name, const std::string& /*key*/) { return name; }

// The system itself refuses a second opener of a port: nothing to read.
std::vector<std::string> SystemDefaultFolders(SystemFolder /*folder*/) { return {}; }

HANDLE CreateFileA(const char* name, DWORD access, DWORD shareMode, void* security,
                   DWORD disposition, DWORD flags, HANDLE templateFile) {
    timing::UseFineTimers();
    const std::string path = DevicePath(name != nullptr ? name : "");
    return ::CreateFileA(path.c_str(), access, shareMode,
                         static_cast<LPSECURITY_ATTRIBUTES>(security), disposition, flags,
                         templateFile);
}

BOOL GetCommState(HANDLE port, DCB* dcb) {
    ::DCB system{};
    system.DCBlength = sizeof system;
    const BOOL ok = ::GetCommState(port, &system);
    if (ok && dcb != nullptr) std::memcpy(dcb, &system, sizeof system);
    return ok;
}

BOOL SetCommState(HANDLE port, DCB* dcb) {
    ::DCB system{};
    if (dcb != nullptr) std::memcpy(&system, dcb, sizeof system);
    return ::SetCommState(port, &system);
}

BOOL SetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts) {
    ::COMMTIMEOUTS system{};
    if (timeouts != nullptr) std::memcpy(&system, timeouts, sizeof system);
    return ::SetCommTimeouts(port, &system);
}

BOOL GetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts) {
    ::COMMTIMEOUTS system{};
    const BOOL ok = ::GetCommTimeouts(port, &system);
    if (ok && timeouts != nullptr) std::memcpy(timeouts, &system, sizeof system);
    return ok;
}

BOOL ReadFile(HANDLE port, void* buffer, DWORD count, DWORD* read, void* /*overlapped*/) {
    return ::ReadFile(port, buffer, count, reinterpret_cast<LPDWORD>(read), nullptr);
}

BOOL WriteFile(HANDLE port, const void* buffer, DWORD count, DWORD* written, void* /*overlapped*/) {
    return ::WriteFile(port, buffer, count, reinterpret_cast<LPDWORD>(written), nullptr);
}

BOOL CloseHandle(HANDLE port) { return ::CloseHandle(port); }

DWORD GetLastError() { return ::GetLastError(); }

} // namespace win32
