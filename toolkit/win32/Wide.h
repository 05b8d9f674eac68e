#pragma once
// The program's texts are Windows-1252 whatever the system's code page; at the system's
// calls they become UTF-16, so every Windows shows the same letters.

#include "toolkit/Toolkit.h"

#include <string>

std::wstring Wide(const Text& text);

// Characters Windows-1252 cannot hold become '?'.
Text Narrow(const std::wstring& text);
