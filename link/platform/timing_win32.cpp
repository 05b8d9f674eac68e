#include "link/platform/Timing.h"
#include "link/platform/Win32Serial.h"

#include <windows.h>
#include <timeapi.h>

namespace timing {

// The system timer ticks every 15.6 ms unless a program asks for 1 ms; the 1 ms read
// time-out and pause mean nothing without it.
void UseFineTimers() {
    static const bool asked = timeBeginPeriod(1) == TIMERR_NOERROR;
    (void)asked;
}

void SleepFor(Clock::duration duration) {
    UseFineTimers();
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(duration).count();
    if (ms > 0) ::Sleep(static_cast<DWORD>(ms));
}

} // namespace timing

namespace serial {

void Sleep(DWORD milliseconds) { ::Sleep(milliseconds); }

} // namespace serial
