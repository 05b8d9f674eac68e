#pragma once
// The system window behind a control, for the Win32 application object and its boxes.

#include "toolkit/Controls.h"

#include <windows.h>

// nullptr once the window has been destroyed.
HWND Win32Handle(const TControl* control);
