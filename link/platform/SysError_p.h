#pragma once
// How the system's words in the locale's character set become UTF-8, for the tests.

#include "text/Text.h"

#include <string_view>

// Each byte that is no character of the set, or a character cut off at the end, becomes one
// U+FFFD on its own, so it never takes its neighbours with it and the text never comes out
// empty. An unknown set keeps ASCII and marks every other byte so.
SystemText DecodeSystemText(std::string_view bytes, const char* codeset);
