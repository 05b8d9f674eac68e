#pragma once
// The system's own words for an error code of the serial calls.

#include "text/Text.h"

#include <cstdint>

// In the user's language where the system has it, as the system wrote it (UTF-8): never
// narrowed to the program's code page, whatever the language.
SystemText SysErrorMessage(std::uint32_t code);
