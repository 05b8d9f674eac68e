#pragma once
// Rows that expect the controller's answer within a wait must not hope for the controller's
// thread to be scheduled within a millisecond: before each read, the controller has taken
// every byte written so far and sent what it owes by then. `late` goes out before read
// `lateAt` of each wait.

#include "sim/Controller.h"
#include "tests/support/Seam.h"

#include <algorithm>
#include <string>

inline void AnswersInFlight(sim::Controller& controller, const std::string& late = {},
                            int lateAt = 0) {
    seam::BeforeRead([&controller, late, lateAt](int read) {
        const std::string trace = seam::Trace();
        controller.WaitForHandled(std::size_t(std::ranges::count(trace, 'w')));
        if (!late.empty() && read == lateAt) {
            controller.Send(late);
            controller.WaitForHandled(0);
        }
    });
}
