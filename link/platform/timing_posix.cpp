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
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(duration).count();
    if (ns <= 0) return;
    timespec left{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &left, &left) == EINTR) {
    }
}

} // namespace timing

namespace serial {

void Sleep(DWORD milliseconds) { timing::SleepFor(std::chrono::milliseconds(milliseconds)); }

} // namespace serial
