#pragma once
// The monotonic clock and the fine-grained waits the serial layer's time-outs are built on.

#include <chrono>

#ifndef _WIN32
#include <time.h>
#endif

namespace timing {

using Clock = std::chrono::steady_clock;

// Asks the system to wake this thread's timed waits as close to their deadline as it can;
// millisecond time-outs are otherwise stretched by the default timer slack.
void UseFineTimers();

// Sleeps the whole duration, resuming after signals.
void SleepFor(Clock::duration duration);

#ifndef _WIN32
// A duration as the system's waits take it.
inline timespec AsTimespec(std::chrono::nanoseconds duration) {
    const auto ns = duration.count();
    return {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}
#endif

} // namespace timing
