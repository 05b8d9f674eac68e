#pragma once
// The driver's hands and eyes on the program under test: starting and ending it, its window
// and controls as the system shows them, the layout the driver clicks by, and real input
// (clicks and keys through SendInput). Every file of the driver reports through check().

#include "panel/Layout.h"
#include "tests/windows/Scaled.h"

#include <windows.h>

#include <array>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace drive {

// The number of FAIL lines so far: the driver's exit status.
extern int failures;

// Prints a PASS or FAIL line; returns whether it passed.
bool check(bool passed, const std::string& what);

// Polls until `done` holds or a generous patience runs out.
bool waitFor(const std::function<bool()>& done);

// ---- The layout, as the window is drawn: client coordinates of each control -------------

// What the driver expects of each control it clicks or reads: its caption, its state in the
// window's two states, and whether it is a check box. Its place comes from the panel's layout.
struct Control {
    const char* name;
    const char* caption;
    int left, top, width, height; // in the client area, at 96 dpi
    bool connectedEnabled, connectedChecked, disconnectedEnabled, disconnectedChecked;
    bool isBox;
};

// A control's place in the client area, looked up in the panel's layout while compiling: the
// driver does not link the panel, and a name the layout lacks does not compile.
consteval Bounds placeOf(std::string_view name) {
    if (!HasPlacement(name)) throw "the panel's layout has no control of that name";
    return PlaceInWindow(name);
}

consteval Control placed(const char* name, const char* caption, bool connectedEnabled, bool connectedChecked,
                         bool disconnectedEnabled, bool disconnectedChecked, bool isBox) {
    const Bounds place = placeOf(name);
    return {name, caption, place.left, place.top, place.width, place.height,
            connectedEnabled, connectedChecked, disconnectedEnabled, disconnectedChecked, isBox};
}

constexpr std::array<Control, 14> kControls = {{
    placed("comportbut", "verbinden", true, false, true, false, false),
    placed("Standlicht", "Standlicht", true, false, false, false, true),
    placed("Abblendlicht", "Abblendlicht", true, false, false, false, true),
    placed("Fernlicht", "Fernlicht", false, false, false, false, true),
    placed("Rueckwaerts", "Rueckwaerts", true, false, false, false, true),
    placed("Innenraum", "Innenraum", true, true, false, true, true),
    placed("Nebelschlussleuchte", "Nebelschlussleuchte", false, false, false, false, true),
    placed("Nebelscheinwerfer", "Nebelscheinwerfer", false, false, false, false, true),
    placed("Links", "Links", true, false, false, false, true),
    placed("Rechts", "Rechts", true, false, false, false, true),
    placed("Warnblinklicht", "Warnblinklicht", true, false, false, false, true),
    placed("Parklicht", "Parklicht", true, false, false, false, true),
    placed("Abblendlicht_auto", "Abblendlicht", true, false, false, false, true),
    placed("Fernlicht_auto", "Fernlicht", true, false, false, false, true),
}};

// The port choice's group at 96 dpi, and a point on its frame, clear of its items.
constexpr Bounds kPortGroupBounds = placeOf("comports");
constexpr POINT kPortGroup = {kPortGroupBounds.left + 44, kPortGroupBounds.top + 4};

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
