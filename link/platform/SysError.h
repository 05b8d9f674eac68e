#pragma once
// The system's own words for an error code of the serial calls, as the program's text.

#include "toolkit/Toolkit.h"

#include <cstdint>

// In the user's language where the system has it; Windows-1252, like every text of ours.
Text SysErrorMessage(std::uint32_t code);
