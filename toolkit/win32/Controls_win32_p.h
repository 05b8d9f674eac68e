#pragma once
// What the files of the Win32 controls share: the system's windows behind a control and the
// steps more than one of them takes. controls_win32.cpp makes the windows and answers their
// messages, scale_win32.cpp sizes and places them at their monitor's scale, keys_win32.cpp
// keeps the dialog keys' order and hints_win32.cpp answers the radio items' tooltips.

#include "toolkit/Controls.h"
#include "toolkit/Controls_p.h"

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct TControl::Native {
    TControl::Kind kind;
    HWND window = nullptr;
    std::optional<ItemRect> bounds; // as set, in pixels at 96 dpi
    TFont logicalFont{};      // a form's, its height at 96 dpi
    HFONT font = nullptr;     // a form's at the window's scale, shared by its controls
    int colour = COLOR_WINDOW; // a form's background
    HWND focused = nullptr;   // a form's control that had the focus when it was deactivated
    std::vector<HWND> items;  // a radio group's buttons
    HWND tooltips = nullptr;  // a radio group's item hints
    std::wstring hint;        // the hint on show, which the system reads from here
};

// controls_win32.cpp
TControl* ControlOf(HWND window); // nullptr for a window that is no control's
TControl* FormOf(TControl* control);
void RunGuarded(const std::function<void()>& handler);

// scale_win32.cpp
UINT DpiOf(HWND window);
int Scaled(int pixels, UINT dpi);
void SetControlFont(HWND window, HFONT font);
void MakeFont(TControl::Native& form, UINT dpi);
void PlaceChildren(TControl* control, UINT dpi);
void ArrangeItems(TControl::Native& group);

// keys_win32.cpp
void FollowCheck(TControl::Native& group);
void PressFocusedButton(HWND form);

// hints_win32.cpp
void AnswerHint(HWND window, NMTTDISPINFOW& info);
