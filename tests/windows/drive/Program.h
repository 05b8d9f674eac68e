#pragma once
// The driver's hands and eyes on the program under test: starting and ending it, its window
// and controls as the system shows them, the layout the driver clicks by, and real input
// (clicks and keys through SendInput). Every file of the driver reports through check().

#include "tests/windows/Scaled.h"

#include <windows.h>

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace drive {

// The number of FAIL lines so far: the driver's exit status.
extern int failures;

// Prints a PASS or FAIL line; returns whether it passed.
bool check(bool passed, const std::string& what);

// Polls until `done` holds or a generous patience runs out.
bool waitFor(const std::function<bool()>& done);

// ---- The layout, as the window is drawn: client coordinates of each control -------------

struct Control {
    const char* name;
    const char* caption;
    int left, top, width, height; // in the client area
    bool connectedEnabled, connectedChecked, disconnectedEnabled, disconnectedChecked;
    bool isBox;
};

// Group boxes' children are at the group's place plus their own.
constexpr std::array<Control, 14> kControls = {{
    {"comportbut", "verbinden", 160, 208, 209, 33, true, false, true, false, false},
    {"Standlicht", "Standlicht", 8 + 8, 8 + 16, 81, 17, true, false, false, false, true},
    {"Abblendlicht", "Abblendlicht", 8 + 8, 8 + 40, 81, 17, true, false, false, false, true},
    {"Fernlicht", "Fernlicht", 8 + 8, 8 + 64, 81, 17, false, false, false, false, true},
    {"Rueckwaerts", "Rueckwaerts", 8 + 8, 104 + 16, 97, 17, true, false, false, false, true},
    {"Innenraum", "Innenraum", 8 + 8, 104 + 40, 97, 17, true, true, false, true, true},
    {"Nebelschlussleuchte", "Nebelschlussleuchte", 8 + 8, 176 + 16, 121, 17, false, false, false, false, true},
    {"Nebelscheinwerfer", "Nebelscheinwerfer", 8 + 8, 176 + 40, 121, 17, false, false, false, false, true},
    {"Links", "Links", 160 + 8, 8 + 16, 73, 17, true, false, false, false, true},
    {"Rechts", "Rechts", 160 + 8, 8 + 40, 81, 17, true, false, false, false, true},
    {"Warnblinklicht", "Warnblinklicht", 160 + 8, 8 + 64, 89, 17, true, false, false, false, true},
    {"Parklicht", "Parklicht", 160 + 8, 8 + 88, 81, 17, true, false, false, false, true},
    {"Abblendlicht_auto", "Abblendlicht", 160 + 8, 136 + 16, 89, 17, true, false, false, false, true},
    {"Fernlicht_auto", "Fernlicht", 160 + 8, 136 + 40, 81, 17, true, false, false, false, true},
}};

// The port choice's group: left, top, width, height at 96 dpi.
constexpr std::array<int, 4> kPortGroupBounds = {280, 8, 89, 193};
constexpr POINT kPortGroup = {kPortGroupBounds[0] + 44, kPortGroupBounds[1] + 4}; // on its frame, clear of its items

// The layout's pixels are for 96 dpi; the window shows them at the display's scale, which the
// scaling scenarios set (their name ends in it) and every other scenario leaves at 96.
extern int displayDpi;
int scaled(int pixels);

inline const std::string kOpenFailure = "Der gew\xE4hlte ComPort konnte nicht ge\xF6"
                                        "ffnet werden.\n\nBitte stellen sie sicher, das dieser von keiner "
                                        "anderen Anwendung benutzt wird.";

const Control& layout(const std::string& name);

// ---- The program under test --------------------------------------------------------------

// lichtpult.exe, as the command line named it.
extern std::string panelExe;

std::string windowText(HWND window);
std::string className(HWND window);

struct Program {
    PROCESS_INFORMATION process{};
    HWND window = nullptr;
    std::map<std::string, HWND> controls;
    std::vector<HWND> ports; // the radio items, top to bottom

    DWORD pid() const { return process.dwProcessId; }

    POINT toScreen(POINT client) const {
        ClientToScreen(window, &client);
        return client;
    }

    // The deepest child at a client point, disabled or not.
    HWND childAt(POINT client) const;

    HWND operator[](const std::string& name) const { return controls.at(name); }

    // The control's name in the layout, "ComN" for a port's item, else its text.
    std::string nameOf(HWND control) const;
};

// Starts the program and waits until its window is mapped, active and waiting for input;
// then finds its controls at the layout's places.
bool start(Program& program, const char* exe);
// The program has handled what was sent so far.
void settle(const Program& program);
// WM_CLOSE, checked to end the program with exit code 0.
bool endsWithExitCodeZero(Program& program);
// Ended, whatever it was doing.
void stop(Program& program);

// X has mapped the window (checked): only then does a click reach it.
bool mapped(HWND window);

// The program's top-level windows of a class, in the system's order.
std::vector<HWND> windowsOf(const Program& program, const char* windowClass);

// ---- Real input ----------------------------------------------------------------------------

void send(std::vector<INPUT> inputs);
// The mouse moved to a point of the screen.
INPUT pointerAt(POINT screen);
void clickAt(POINT screen);
// A key pressed and let go, the press taken before the release comes.
void press(HWND window, WORD key);
// Clicks a control of the layout where a user would: its box, or a button's middle.
void click(const Program& program, const Control& control);

HWND captureOf(const Program& program);
HWND focusOf(const Program& program);
// Tab, and the control it moved the focus to.
HWND tab(const Program& program);

} // namespace drive
