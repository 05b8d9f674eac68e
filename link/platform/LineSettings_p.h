#pragma once
// The line settings of a DCB in a terminal's termios flags, where the system has no DCB.

#include "link/platform/Win32Serial.h"

#include <optional>

#include <termios.h>

namespace serial {

// The flags that together say a line's parity.
inline constexpr tcflag_t kParityFlags = PARENB | PARODD | CMSPAR;

// A DCB's value as flags, empty where a terminal has no such setting, and the flags read back
// as the DCB's value.
std::optional<speed_t> SpeedCode(DWORD baud);
DWORD BaudOf(speed_t code); // 0 for a speed no DCB names
std::optional<tcflag_t> ParityFlags(BYTE parity);
BYTE ParityOf(tcflag_t cflag);
std::optional<tcflag_t> SizeFlag(BYTE bits);
BYTE SizeOf(tcflag_t cflag);

// Whether the four line settings the port is asked for are the same in both, as the line
// holds them.
bool SameLine(const termios& a, const termios& b);

} // namespace serial
