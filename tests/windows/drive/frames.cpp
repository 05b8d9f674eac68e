// A frame as the user sees it: connecting on Com1, then a frame's boxes confirmed one by one
// and judged, each byte sent until it is acknowledged as the link sends it.

#include "tests/windows/drive/Drive.h"
#include "link/Limits.h"
#include "tests/support/Expected.h"

namespace drive {

// A click on "verbinden" connects on Com1 (checked).
bool connectCom1(const Program& program) {
    click(program, layout("comportbut"));
    const bool connected = waitFor([&] { return windowText(program["comportbut"]) == "trennen"; });
    return check(connected, "a click on \"verbinden\" connects on Com1");
}

// The controller of most scenarios answers every byte at once: a send it leaves
// unacknowledged is then a fault, unless its answer left the controller only after the
// panel's wait had ended (a late answer on a loaded machine, which the panel rightly sends
// again). A wait that gets no answer pauses after each of its passes, so it cannot end before
// those pauses after the byte's box closed, and that box closes only after the driver's key:
// the key's moment plus the pauses is the earliest end, whatever the load. The box with
// "FALSE" shows later, by as long as the machine takes to make it. The shell beside compares
// the answer's moment with that earliest end: Wine's performance counter is Linux's raw
// monotonic clock, which the controller stamps its answers with.
bool promptController = false;

namespace {

int writes = 0; // the panel's sends in this run so far: one after each echo box
// The passes as the tests expect them, not as the link counts them: a link that gave up
// sooner would otherwise have its unacknowledged sends judged late. The pause is the link's.
constexpr long long kShortestWaitUs = kPassesOfAWait * static_cast<long long>(kPauseMs) * 1000;

long long nowUs() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<long long>(count.QuadPart / (frequency.QuadPart / 1000000));
}

} // namespace

// Confirms each box of one frame; each byte's sends end with "TRUE", after ten sends, or after
// a failed write, as the link sends. Returns every box seen.
std::vector<Box> confirmFrame(const Program& program, const std::string& frame, const AtBox& atBox) {
    std::vector<Box> boxes;
    for (std::size_t index = 0; index < frame.size(); ++index) {
        const char byte = frame[index];
        for (int sends = 1;; ++sends) {
            bool wrote = true;
            long long waitEndsAfterUs = 0;
            std::string outcome;
            for (;;) {
                Box box = nextBox(program);
                if (!check(box.window != nullptr, "box " + std::to_string(boxes.size() + 1) + " appears"))
                    return boxes;
                if (box.text.size() == 1 && !box.errorIcon) {
                    ++writes;
                    check(box.text[0] == byte, "the echo shows " + std::string(1, byte) + ": " + box.text);
                }
                boxes.push_back(box);
                const bool last = !box.errorIcon && (box.text == "TRUE" || box.text == "FALSE");
                if (box.errorIcon && box.title == "WriteFile") wrote = false;
                if (last && box.text == "FALSE" && promptController)
                    check(request("late-" + std::to_string(writes) + "-" + std::to_string(waitEndsAfterUs)),
                          "the shell has judged the unacknowledged send " + std::to_string(writes));
                const Confirm how = atBox ? atBox(index, box) : Confirm::Enter;
                if (box.text.size() == 1 && !box.errorIcon) waitEndsAfterUs = nowUs() + kShortestWaitUs;
                if (!confirm(program, box, how))
                    return check(false, "box " + std::to_string(boxes.size()) + " closes"), boxes;
                if (last) {
                    outcome = box.text;
                    break;
                }
            }
            if (outcome == "TRUE" || sends >= 10 || !wrote) break;
        }
    }
    return boxes;
}

// Every byte of the frame ended with "TRUE"; a send before it went unanswered only where the
// shell found the answer late.
void checkAcknowledged(const std::vector<Box>& boxes, const std::string& frame, const std::string& what) {
    std::size_t acknowledged = 0, resent = 0;
    for (const Box& box : boxes) {
        acknowledged += !box.errorIcon && box.text == "TRUE";
        resent += !box.errorIcon && box.text == "FALSE";
    }
    check(acknowledged == frame.size() && boxes.size() == 2 * (frame.size() + resent),
          what + ": " + std::to_string(boxes.size()) + " boxes, each byte then TRUE" +
              (resent > 0 ? " (" + std::to_string(resent) + " late answers sent again)" : ""));
}

} // namespace drive
