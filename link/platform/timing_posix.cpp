#include "link/platform/Timing.h"
#include "link/platform/Win32Serial.h"

#include <cerrno>
#include <ctime>

#if defined(__linux__)
#include <sys/prctl.h>
#endif

namespace timing {

void UseFineTimers() {
#if defined(__linux__)
    thread_local bool done = false;
    if (!done) {
        prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
        done = true;
    }
#endif
}

void SleepFor(Clock::duration duration) {
    UseFineTimers();
    if (duration <= Clock::duration::zero()) return;
    timespec left = AsTimespec(duration);
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &left, &left) == EINTR) {
    }
}

} // namespace timing

namespace serial {

void Sleep(DWORD milliseconds) { timing::SleepFor(std::chrono::milliseconds(milliseconds)); }

} // namespace serial
