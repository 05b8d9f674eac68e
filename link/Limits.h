#pragma once
// The link's fixed numbers: the line, the read time-outs, and how long the transfer waits for
// an acknowledgement and how often it sends a byte again. The tests and the benchmarks take
// them from here.

#include "link/platform/Win32Serial.h"

inline constexpr serial::DWORD kBaudRate = 9600;
inline constexpr serial::BYTE kByteSize = 8;

// A read returns when the bytes asked for are there, after 1 ms in all, or after 100 ms
// between two bytes. Writes have no time-out.
inline constexpr serial::DWORD kReadIntervalMs = 100;
inline constexpr serial::DWORD kReadTotalMs = 1;

// A byte is sent at most this often while the controller does not acknowledge it.
inline constexpr int kMaxSends = 10;
// One wait for "ok": this many reads of at most two bytes, each but the completing one
// followed by a pause.
inline constexpr int kMaxPasses = 11;
inline constexpr serial::DWORD kBytesPerRead = 2;
inline constexpr serial::DWORD kPauseMs = 1;

// The longest a wait that gets no answer lasts by the numbers: every pass's read runs out and
// pauses.
inline constexpr serial::DWORD kLongestWaitMs = kMaxPasses * (kReadTotalMs + kPauseMs);
