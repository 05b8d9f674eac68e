#pragma once
// The handles the serial calls hand out where the system has no handles of its own: each one
// stands for an open terminal and the time-outs set on it.

#include "link/platform/Win32Serial.h"

namespace serial {

struct Port {
    int fd;
    COMMTIMEOUTS timeouts{};
};

// A new handle for the terminal open at `fd`.
HANDLE AddPort(int fd);

// The port behind a handle; nullptr for a handle that is closed or was never handed out.
Port* FindPort(HANDLE handle);

// Forgets a handle: its terminal's descriptor, still open, or -1 for a handle that is closed
// or was never handed out.
int RemovePort(HANDLE handle);

} // namespace serial
