#include "tests/support/Seam.h"

#include "link/platform/Win32Serial.h"

#include <map>

using namespace serial;

namespace {

struct State {
    std::string trace;
    int readsInWait = 0;
    std::function<void(int)> beforeRead;
    std::function<void()> afterOpen;
    std::map<std::string, int> failing;
};

State& state() {
    static State* const instance = new State;
    return *instance;
}

} // namespace

namespace seam {

std::string Trace() { return state().trace; }
void BeforeRead(std::function<void(int)> hook) { state().beforeRead = std::move(hook); }
void AfterOpen(std::function<void()> hook) { state().afterOpen = std::move(hook); }
void Fail(const std::string& call, int error) { state().failing[call] = error; }

void Reset() {
    State& s = state();
    s.trace.clear();
    s.readsInWait = 0;
    s.beforeRead = nullptr;
    s.afterOpen = nullptr;
    s.failing.clear();
}

} // namespace seam

// The real calls, and what the link calls instead.
#define REAL(name) __real_##name
#define WRAP(name) __wrap_##name
extern "C" {
HANDLE REAL(_ZN6serial11CreateFileAEPKcjjPvjjS2_)(const char*, DWORD, DWORD, void*, DWORD, DWORD, HANDLE);
BOOL REAL(_ZN6serial12GetCommStateEPvPNS_3DCBE)(HANDLE, DCB*);
BOOL REAL(_ZN6serial12SetCommStateEPvPNS_3DCBE)(HANDLE, DCB*);
BOOL REAL(_ZN6serial15SetCommTimeoutsEPvPNS_12COMMTIMEOUTSE)(HANDLE, COMMTIMEOUTS*);
BOOL REAL(_ZN6serial8ReadFileEPvS0_jPjS0_)(HANDLE, void*, DWORD, DWORD*, void*);
BOOL REAL(_ZN6serial9WriteFileEPvPKvjPjS0_)(HANDLE, const void*, DWORD, DWORD*, void*);
void REAL(_ZN6serial5SleepEj)(DWORD);
DWORD REAL(_ZN6serial12GetLastErrorEv)();
}

namespace {
// The error of a failure a test asked for, until the next real call: what GetLastError
// tells the link.
thread_local int injected = 0;

bool failing(const char* call) {
    const auto found = state().failing.find(call);
    injected = found != state().failing.end() ? found->second : 0;
    return injected != 0;
}
} // namespace

extern "C" {

HANDLE WRAP(_ZN6serial11CreateFileAEPKcjjPvjjS2_)(const char* name, DWORD access, DWORD share,
                                                  void* security, DWORD disposition, DWORD flags,
                                                  HANDLE templateFile) {
    const HANDLE port = REAL(_ZN6serial11CreateFileAEPKcjjPvjjS2_)(name, access, share, security,
                                                                   disposition, flags, templateFile);
    injected = 0;
    if (state().afterOpen) state().afterOpen();
    return port;
}

BOOL WRAP(_ZN6serial12GetCommStateEPvPNS_3DCBE)(HANDLE port, DCB* dcb) {
    if (failing("GetCommState")) return FALSE;
    return REAL(_ZN6serial12GetCommStateEPvPNS_3DCBE)(port, dcb);
}

BOOL WRAP(_ZN6serial12SetCommStateEPvPNS_3DCBE)(HANDLE port, DCB* dcb) {
    if (failing("SetCommState")) return FALSE;
    return REAL(_ZN6serial12SetCommStateEPvPNS_3DCBE)(port, dcb);
}

BOOL WRAP(_ZN6serial15SetCommTimeoutsEPvPNS_12COMMTIMEOUTSE)(HANDLE port, COMMTIMEOUTS* timeouts) {
    if (failing("SetCommTimeouts")) return FALSE;
    return REAL(_ZN6serial15SetCommTimeoutsEPvPNS_12COMMTIMEOUTSE)(port, timeouts);
}

BOOL WRAP(_ZN6serial8ReadFileEPvS0_jPjS0_)(HANDLE port, void* buffer, DWORD count, DWORD* read,
                                          void* overlapped) {
    State& s = state();
    ++s.readsInWait;
    if (s.beforeRead) s.beforeRead(s.readsInWait);
    injected = 0;
    const BOOL ok = REAL(_ZN6serial8ReadFileEPvS0_jPjS0_)(port, buffer, count, read, overlapped);
    s.trace += ok ? static_cast<char>('0' + (read != nullptr ? *read : 0)) : 'x';
    return ok;
}

BOOL WRAP(_ZN6serial9WriteFileEPvPKvjPjS0_)(HANDLE port, const void* buffer, DWORD count,
                                           DWORD* written, void* overlapped) {
    State& s = state();
    s.readsInWait = 0;
    s.trace += 'w';
    injected = 0;
    return REAL(_ZN6serial9WriteFileEPvPKvjPjS0_)(port, buffer, count, written, overlapped);
}

void WRAP(_ZN6serial5SleepEj)(DWORD milliseconds) {
    state().trace += '.';
    REAL(_ZN6serial5SleepEj)(milliseconds);
}

DWORD WRAP(_ZN6serial12GetLastErrorEv)() {
    return injected != 0 ? static_cast<DWORD>(injected) : REAL(_ZN6serial12GetLastErrorEv)();
}

} // extern "C"
