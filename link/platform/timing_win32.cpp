#include "link/platform/Timing.h"
#include "link/platform/Win32Serial.h"

#include <windows.h>

namespace timing {

// Windows' own Sleep already wakes on the millisecond once the system timer runs at 1 ms,
// which every program that plays media asks for; the serial calls time themselves.
void UseFineTimers() {}

void SleepFor(Clock::duration duration) {
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(duration).count();
    if (ms > 0) ::Sleep(static_cast<DWORD>(ms));
}

} // namespace timing

namespace win32 {

void Sleep(DWORD milliseconds) { ::Sleep(milliseconds); }

} // namespace win32
