#pragma once
// The monotonic clock and the fine-grained waits the serial layer's time-outs are built on.

#include <chrono>

namespace timing {

using Clock = std::chrono::steady_clock;

// Asks the system to wake this thread's timed waits as close to their deadline as it can;
// millisecond time-outs are otherwise stretched by the default timer slack.
void UseFineTimers();

// Sleeps the whole duration, resuming after signals.
void SleepFor(Clock::duration duration);

} // namespace timing
