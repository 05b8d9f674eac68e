// What the controller does with each byte it receives: it decodes the frame and answers as its
// behaviour says.
#include "sim/Controller.h"

#include <algorithm>

namespace sim {

// Bytes go out in order; on a paced line none leaves before the one ahead of it is through.
void Controller::schedule(const std::string& bytes, Clock::time_point first,
                          Clock::duration spacing) {
    Clock::time_point due = first;
    if (behaviour_.lineRate && !outgoing_.empty()) due = std::max(due, outgoing_.back().due + kByteTime);
    for (const char byte : bytes) {
        outgoing_.push_back({due, byte});
        due += behaviour_.lineRate ? std::max(spacing, kByteTime) : spacing;
    }
}

void Controller::handle(unsigned char byte, Clock::time_point at) {
    received_.push_back({std::string(1, static_cast<char>(byte)), at});

    if (IsCommandLetter(static_cast<char>(byte))) {
        pendingCommand_ = static_cast<char>(byte);
    } else if ((byte == 'y' || byte == 'n') && pendingCommand_) {
        lights_.on[static_cast<std::size_t>(*pendingCommand_ - kFirstCommandLetter)] = byte == 'y';
        ++commandsInFrame_;
        if (*pendingCommand_ == kLastCommandLetter) {
            if (commandsInFrame_ == kLightFrame.size()) frames_.push_back(lights_);
            commandsInFrame_ = 0;
        }
        pendingCommand_.reset();
    }

    const std::size_t index = received_.size() - 1;
    if (behaviour_.hangUpAfter && received_.size() >= *behaviour_.hangUpAfter) {
        closeMaster();
        return;
    }

    sendsOfLastByte_ = lastByte_ == byte ? sendsOfLastByte_ + 1 : 1;
    lastByte_ = byte;

    // On a paced line the byte has only just begun to arrive.
    const Clock::time_point arrived = behaviour_.lineRate ? at + kByteTime : at;
    const Clock::time_point first = arrived + (behaviour_.lineRate ? kByteTime : Clock::duration{});
    const std::string& answer = behaviour_.answer;
    using R = Behaviour::Reply;
    switch (behaviour_.reply) {
    case R::Now: schedule(answer, first, {}); break;
    case R::Silent: break;
    case R::Split:
        schedule(answer.substr(0, 1), first, {});
        if (answer.size() > 1) schedule(answer.substr(1), first + behaviour_.delay, {});
        break;
    case R::Delayed: schedule(answer, first + behaviour_.delay, {}); break;
    case R::Scripted:
        if (index < behaviour_.script.size()) schedule(behaviour_.script[index], first, {});
        break;
    case R::OnSend:
        if (sendsOfLastByte_ == behaviour_.sendNumber) {
            schedule(answer, first, {});
            lastByte_.reset();
        }
        break;
    }
}

} // namespace sim
