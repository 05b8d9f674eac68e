#pragma once
// A frame as the user sees it, and the window around it: connecting on Com1, the window's
// states connected and not, and a frame's boxes confirmed one by one and judged, each byte
// sent until it is acknowledged as the link sends it.

#include "tests/windows/drive/Boxes.h"
#include "tests/windows/drive/Program.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace drive {

// Every light box, the button and the port items as the state shows them (checked).
void checkStates(const Program& program, bool connected);
// A click on "verbinden" connects on Com1 (checked).
bool connectCom1(const Program& program);

// The controller answers every byte at once: a send it leaves unacknowledged is asked of the
// shell, which judges whether the answer was late or missing. Set by the scenario.
extern bool promptController;

// How a box of a frame is confirmed; the scenario may act while it is open.
using AtBox = std::function<Confirm(std::size_t byteIndex, const Box& box)>;

// Confirms each box of one frame; each byte's sends end with "TRUE", after ten sends, or
// after a failed write, as the link sends. Returns every box seen.
std::vector<Box> confirmFrame(const Program& program, const std::string& frame, const AtBox& atBox = {});

// Every byte of the frame ended with "TRUE"; a send before it went unanswered only where the
// shell found the answer late.
void checkAcknowledged(const std::vector<Box>& boxes, const std::string& frame, const std::string& what);

} // namespace drive
