// The clock the controller stamps its events with, the behaviours a user picks by name, and
// the line that describes a frame.
#include "sim/Controller.h"

#include <time.h>

namespace sim {

Clock::time_point Clock::now() noexcept {
    timespec raw{};
    clock_gettime(CLOCK_MONOTONIC_RAW, &raw);
    return time_point(std::chrono::seconds(raw.tv_sec) + std::chrono::nanoseconds(raw.tv_nsec));
}

std::optional<Behaviour> BehaviourNamed(const std::string& name) {
    Behaviour b;
    if (name == "ok") return b;
    if (name == "silent") {
        b.reply = Behaviour::Reply::Silent;
    } else if (name == "crlf") {
        b.answer = "ok\r\n";
    } else if (name == "slow") {
        b.reply = Behaviour::Reply::Delayed;
        b.delay = std::chrono::milliseconds(10);
    } else if (name == "paced") {
        b.lineRate = true;
    } else if (name == "hangup") {
        b.hangUpAfter = 1;
    } else {
        return std::nullopt;
    }
    return b;
}

std::string Describe(const Lights& lights) {
    std::string line;
    for (const Light lamp : kLamps) {
        if (!line.empty()) line += ", ";
        line += RowOf(lamp).lamp;
        line += lights[RowOf(lamp).letter] ? " an" : " aus";
    }
    return line;
}

} // namespace sim
