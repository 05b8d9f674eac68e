#pragma once
// The serial calls of the link, seen from the tests: the linker's --wrap sends every call
// the link and the window make to the serial layer through here first. A test can follow the
// writes, reads and pauses of a transfer as a trace, wait for the controller before a read
// (so an answer is already in flight, whatever the machine's load), act right after an open,
// or make a set-up call fail.

#include <functional>
#include <string>

namespace seam {

// One character per call since the last Reset: 'w' a write, '0'…'9' a read by the bytes it
// returned, 'x' a failed read, '.' a pause.
std::string Trace();

// Runs before each read with its number within the current wait (1 after each write).
void BeforeRead(std::function<void(int read)> hook);

// Runs right after each open, with what it returned.
void AfterOpen(std::function<void()> hook);

// Makes every call of that name fail with the error code until Reset:
// "GetCommState", "SetCommState" or "SetCommTimeouts".
void Fail(const std::string& call, int error);

// Clears the trace, the hooks and the failures.
void Reset();

} // namespace seam
