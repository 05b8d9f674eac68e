#pragma once
// How often the link sends a byte and reads in one wait, written once for every test. A test
// that took these from the link itself would pass whatever the link's numbers were.

inline constexpr int kSendsOfAByte = 10;
inline constexpr int kPassesOfAWait = 11;
