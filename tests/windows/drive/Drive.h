#pragma once
// What more than one of the driver's files uses, each commented where it is defined.

#include "panel/Layout.h"
#include "text/Text.h"
#include "tests/windows/Scaled.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace drive {

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
consteval Bounds placeOf(std::string_view name) { return PlaceInWindow(name); }

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

constexpr Bounds kPortGroupBounds = placeOf("comports");
// The layout's pixels are for 96 dpi; the window shows them at the display's scale, which the
// scaling scenarios set (their name ends in it) and every other scenario leaves at 96.
inline int displayDpi = USER_DEFAULT_SCREEN_DPI;
inline int scaled(int pixels) { return Scaled(pixels, displayDpi); }
inline const Control& layout(const std::string& name) { return *std::ranges::find(kControls, name, &Control::name); }

// program.cpp: the PASS and FAIL lines, the shell beside, the program under test, real input.
inline int failures = 0;                 // the FAIL lines so far: the driver's exit status
inline std::string panelExe, syncFolder; // as the command line named them
bool check(bool passed, const std::string& what);
bool waitFor(const std::function<bool()>& done);
bool request(const std::string& name);

struct Program {
    PROCESS_INFORMATION process{};
    HWND window = nullptr;
    std::map<std::string, HWND> controls; // by their names in the layout
    std::vector<HWND> ports;              // the radio items, top to bottom
    HWND operator[](const std::string& name) const { return controls.at(name); }
    std::string nameOf(HWND control) const;
};
bool start(Program& program, const char* exe);
void settle(const Program& program);
bool endsWithExitCodeZero(Program& program);
void stop(Program& program);
bool mapped(HWND window);
std::vector<HWND> windowsOf(const Program& program, const char* windowClass = nullptr);
std::string windowText(HWND window);
std::string className(HWND window);
inline RECT rectOf(HWND window) { RECT r{}; GetWindowRect(window, &r); return r; } // on the screen
inline bool ticked(HWND button) { return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void moveTo(POINT screen);
void clickAt(POINT screen);
void press(HWND window, WORD key);
void click(const Program& program, const Control& control);
HWND captureOf(const Program& program);
HWND focusOf(const Program& program);
HWND tab(const Program& program);
void tabTo(const Program& program, HWND control);

// boxes.cpp: message boxes and their texts.
struct Box { HWND window = nullptr; std::string title, text; bool errorIcon = false; };
enum class Confirm { Enter, MouseOnOk };
HWND openBox(const Program& program);
Box nextBox(const Program& program);
bool confirm(const Program& program, const Box& box, Confirm how = Confirm::Enter);
bool noBoxOpen(const Program& program);
std::string printable(const std::string& text);
std::wstring wideText(HWND window);
std::wstring systemWords(DWORD code);
DWORD codeOfWords(const std::wstring& text);

// frames.cpp: a frame's boxes confirmed and judged.
// The frame a click on Standlicht sends from the window's first state, Innenraum ticked.
inline const std::string kSideLightsFrame = "ancnbyjnenfnenfnknlngnhniydn";
extern bool promptController;
// How a box of a frame is confirmed; the scenario may act while it is open.
using AtBox = std::function<Confirm(std::size_t byteIndex, const Box& box)>;
bool connectCom1(const Program& program);
std::vector<Box> confirmFrame(const Program& program, const std::string& frame, const AtBox& atBox = {});
void checkAcknowledged(const std::vector<Box>& boxes, const std::string& frame, const std::string& what);

// The scenarios, one run each: the connection's, the ports', the system's (scenarios_*.cpp).
using Scenario = void(Program& program);
Scenario startUp, connect, dippedBeam, silentController, setUpErrors, lateAnswer, lineHungUp, keyboardOnly, closing;
Scenario portLedNowhere, otherCodePage, portTable, portHints;
Scenario systemWordsInTheBox, manifest, scale, benchmark;

} // namespace drive
