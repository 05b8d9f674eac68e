// The serial calls on Windows are the system's own; this file only passes them through,
// translating the records, which have the system's layout.

#include "link/platform/DeviceNames.h"
#include "link/platform/Win32Serial.h"

// After our declarations: <windows.h> turns TRUE, FALSE and friends into macros.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>
#include <map>
#include <mutex>

static_assert(sizeof(win32::DCB) == sizeof(::DCB));
static_assert(offsetof(win32::DCB, ByteSize) == offsetof(::DCB, ByteSize));
static_assert(offsetof(win32::DCB, XonChar) == offsetof(::DCB, XonChar));
static_assert(sizeof(win32::COMMTIMEOUTS) == sizeof(::COMMTIMEOUTS));

namespace {

struct Paths {
    std::mutex lock;
    std::map<std::string, std::string> byName;
};

Paths& paths() {
    static Paths instance;
    return instance;
}

std::string lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

namespace win32 {

std::string DevicePath(const std::string& name) {
    Paths& all = paths();
    std::lock_guard guard(all.lock);
    const auto set = all.byName.find(lowercase(name));
    return set != all.byName.end() ? set->second : name; // the system's own names otherwise
}

void SetDevicePath(const std::string& name, const std::string& path) {
    Paths& all = paths();
    std::lock_guard guard(all.lock);
    if (path.empty())
        all.byName.erase(lowercase(name));
    else
        all.byName[lowercase(name)] = path;
}

HANDLE CreateFileA(const char* name, DWORD access, DWORD shareMode, void* security,
                   DWORD disposition, DWORD flags, HANDLE templateFile) {
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
