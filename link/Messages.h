#pragma once
// How the link shows the user a message: the echo of each byte sent, "TRUE" or "FALSE" after
// each wait, and the error box of a failed serial call. The link knows no toolkit; the program
// hands it the two functions that show them, once at start (BindMessages). Until then, and
// after a binding to nothing, each message is one line on stderr: never silence.
//
// The namespace is not plain `link`: that is also the POSIX call in <unistd.h>, and a header
// that collides with it could not be included beside it.

#include "text/Text.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace lichtpult::link {

// The box types ShowApiError passes; on Windows <windows.h>'s own.
#ifndef _WIN32
inline constexpr unsigned MB_OK = 0x00;
inline constexpr unsigned MB_ICONERROR = 0x10;
#endif

// An information box with the text (Windows-1252) and OK.
void ShowMessage(const Text& text);

// A box with the system's words as its text, titled with `caption` (Windows-1252); `type` is
// MB_ICONERROR or MB_OK. Returns the button that closed it (IDOK, 1).
int MessageBoxA(void* owner, const SystemText& text, const char* caption, unsigned type);

using ShowMessageFunction = void (*)(const Text& text);
using MessageBoxFunction = int (*)(void* owner, const SystemText& text, const char* caption, unsigned type);

// From now on the two calls above go to these; a null one sends its messages to stderr again.
void BindMessages(ShowMessageFunction showMessage, MessageBoxFunction messageBox);

} // namespace lichtpult::link
