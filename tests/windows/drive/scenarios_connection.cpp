// Scenarios of the window and its connection: start-up, connecting, frames sent by click and
// by key, a silent, a late and a hung-up controller, set-up errors, closing.

#include "tests/windows/drive/Drive.h"

namespace drive {

namespace {

// Every light box, the button and the port items as the state shows them (checked).
void checkStates(const Program& program, bool connected) {
    const std::string state = connected ? "connected" : "disconnected";
    check(windowText(program["comportbut"]) == (connected ? "trennen" : "verbinden"),
          state + ": the button reads \"" + windowText(program["comportbut"]) + "\"");
    for (const Control& control : kControls) {
        if (!control.isBox) continue;
        HWND box = program[control.name];
        const bool enabled = IsWindowEnabled(box) != FALSE;
        const bool checked = ticked(box);
        check(enabled == (connected ? control.connectedEnabled : control.disconnectedEnabled) &&
                  checked == (connected ? control.connectedChecked : control.disconnectedChecked),
              state + ": " + control.name + (enabled ? " enabled" : " disabled") + (checked ? ", ticked" : ", clear"));
    }
    for (std::size_t i = 0; i < program.ports.size(); ++i)
        check((IsWindowEnabled(program.ports[i]) != FALSE) == !connected,
              state + ": Com" + std::to_string(i + 1) + (connected ? " disabled" : " enabled"));
}

int boxesShown(const Program& program) {
    const std::vector<HWND> boxes = windowsOf(program, "#32770");
    return static_cast<int>(std::count_if(boxes.begin(), boxes.end(), IsWindowVisible));
}

// A click on a control where the open box does not cover it, so that it would reach the
// window if the window took clicks; false when the box covers the whole control.
bool clickBeside(const Program& program, HWND control, const Box& box) {
    const RECT target = rectOf(control), cover = rectOf(box.window);
    const LONG y = (target.top + target.bottom) / 2;
    for (LONG x = target.right - 4; x > target.left; x -= 4) {
        if (PtInRect(&cover, POINT{x, y})) continue;
        clickAt({x, y});
        settle(program);
        return true;
    }
    return false;
}

// While a box is open, a click on the button changes nothing (checked): the box stays the only
// one, and the button keeps its caption.
void clickOnTheButtonDuring(const Program& program, const Box& box) {
    const std::string caption = windowText(program["comportbut"]);
    check(clickBeside(program, program["comportbut"], box),
          "a click on \"" + caption + "\" beside the open [" + box.title + "] box");
    check(boxesShown(program) == 1, "one box on screen after that click, not " + std::to_string(boxesShown(program)));
    check(windowText(program["comportbut"]) == caption, "the button still reads \"" + caption + "\"");
}

// Whether the text is the system's own message for some error code.
bool systemText(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                                             wide.data(), static_cast<int>(wide.size()))));
    return codeOfWords(wide) != 0;
}

} // namespace

void startUp(Program& program) {
    const RECT outer = rectOf(program.window);
    check(outer.left == kWindowBounds.left && outer.top == kWindowBounds.top &&
              outer.right - outer.left == kWindowBounds.width && outer.bottom - outer.top == kWindowBounds.height,
          "the window is at " + std::to_string(outer.left) + "," + std::to_string(outer.top) + ", " +
              std::to_string(outer.right - outer.left) + " x " + std::to_string(outer.bottom - outer.top));
    for (const Control& control : kControls)
        check(className(program[control.name]) == "Button" && windowText(program[control.name]) == control.caption,
              std::string(control.name) + " at its place reads \"" + windowText(program[control.name]) + "\"");
    check(program.ports.size() == 6, "six ports to choose from");
    for (std::size_t i = 0; i < program.ports.size(); ++i) {
        const std::string name = "Com" + std::to_string(i + 1);
        const bool checked = ticked(program.ports[i]);
        check(windowText(program.ports[i]) == name && checked == (i == 0),
              name + (checked ? " selected" : " not selected"));
    }
    checkStates(program, false);
    // As a dialog starts: on a control, never on the window itself, where a first key would
    // do nothing.
    const HWND first = GetNextDlgTabItem(program.window, nullptr, FALSE);
    check(first != nullptr && focusOf(program) == first,
          "the focus starts on the first control Tab reaches: " + program.nameOf(focusOf(program)));
    check(noBoxOpen(program), "no box at start-up");
    check(request("window"), "a picture of the window is taken");
}

void connect(Program& program) {
    if (!connectCom1(program)) return;
    check(noBoxOpen(program), "connecting shows no box");
    checkStates(program, true);
    check(request("connected"), "the shell has looked at what the controller received");
}

void dippedBeam(Program& program) {
    if (!connectCom1(program)) return;
    promptController = true;
    // Standlicht first: the dipped beam then clears it from code, which sends no frame of its own.
    click(program, layout("Standlicht"));
    checkAcknowledged(confirmFrame(program, kSideLightsFrame), kSideLightsFrame, "Standlicht's frame");
    click(program, layout("Abblendlicht"));
    const std::string frame = "aycnbnjnenfnenfnknlngnhniydn";
    std::size_t seen = 0;
    const std::vector<Box> boxes = confirmFrame(program, frame, [&](std::size_t, const Box&) {
        if (seen == 0) check(request("box"), "a picture of the first box is taken");
        // Half of them with the mouse on OK, half with Enter.
        return seen++ % 2 == 0 ? Confirm::MouseOnOk : Confirm::Enter;
    });
    checkAcknowledged(boxes, frame, "Abblendlicht's frame");
    std::size_t plain = 0;
    for (const Box& box : boxes) plain += box.title == "lichtpult" && !box.errorIcon;
    check(plain == boxes.size(), std::to_string(plain) + " boxes titled lichtpult without the error icon");
    check(noBoxOpen(program), "no box after the frame's last");
    check(ticked(program["Abblendlicht"]) && SendMessageA(program["Standlicht"], BM_GETCHECK, 0, 0) == BST_UNCHECKED &&
              IsWindowEnabled(program["Fernlicht"]),
          "Abblendlicht ticked, Standlicht cleared, Fernlicht enabled");
    check(request("frame"), "the shell has looked at the frame the controller decoded");
}

void silentController(Program& program) {
    if (!connectCom1(program)) return;
    click(program, layout("Standlicht"));
    std::vector<Box> boxes;
    for (std::size_t i = 0; i < 20 * kSideLightsFrame.size(); ++i) {
        Box box = nextBox(program);
        if (!check(box.window != nullptr, "box " + std::to_string(i + 1) + " appears")) return;
        boxes.push_back(box);
        if (!check(confirm(program, box), "box " + std::to_string(i + 1) + " closes")) return;
    }
    int wrong = 0;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const std::string expected = i % 2 == 0 ? std::string(1, kSideLightsFrame[i / 20]) : "FALSE";
        if (boxes[i].text != expected || boxes[i].errorIcon)
            wrong += !check(false, "box " + std::to_string(i + 1) + ": " + boxes[i].text + ", not " + expected);
    }
    check(wrong == 0, "560 boxes: each byte ten times, each followed by FALSE");
    check(noBoxOpen(program), "no box after the 560th");
    check(windowText(program["comportbut"]) == "trennen", "still connected");
}

// COM1 leads to a device that is no serial port: the open succeeds, each set-up call fails.
// A second click on "verbinden" while the first box is open must not connect again.
void setUpErrors(Program& program) {
    click(program, layout("comportbut"));
    const std::array<std::string, 3> calls = {"GetCommState", "SetCommState", "SetCommTimeouts"};
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const Box box = nextBox(program);
        if (!check(box.window != nullptr && box.errorIcon && box.title == calls[i],
                   "error box " + std::to_string(i + 1) + ": [" + box.title + "] " + printable(box.text)))
            return;
        if (i == 0) clickOnTheButtonDuring(program, box);
        if (!check(confirm(program, box), "error box " + std::to_string(i + 1) + " closes")) return;
    }
    check(noBoxOpen(program), "no fourth box");
    check(windowText(program["comportbut"]) == "trennen", "connected after the three boxes: \"" +
                                                           windowText(program["comportbut"]) + "\"");
}

// The controller stalls before the frame's first byte reaches it: the panel shows "FALSE" and
// sends the byte again, and the shell finds the answer late, not missing.
void lateAnswer(Program& program) {
    if (!connectCom1(program)) return;
    promptController = true;
    click(program, layout("Standlicht"));
    bool stalled = false;
    const std::vector<Box> boxes = confirmFrame(program, kSideLightsFrame, [&](std::size_t, const Box&) {
        if (!stalled) stalled = check(request("stall"), "the controller stalls before the first byte");
        return Confirm::Enter;
    });
    checkAcknowledged(boxes, kSideLightsFrame, "the frame");
    check(boxes.size() >= 4 && boxes[1].text == "FALSE" && boxes[2].text == "a" && boxes[3].text == "TRUE",
          "the first byte unacknowledged once, then acknowledged");
}

void lineHungUp(Program& program) {
    if (!connectCom1(program)) return;
    promptController = true;
    click(program, layout("Standlicht"));
    // The first two bytes go through; the line drops before the third, while the second's
    // "TRUE" is open.
    const std::vector<Box> boxes =
        confirmFrame(program, kSideLightsFrame.substr(0, 2), [&](std::size_t byteIndex, const Box& box) {
            if (byteIndex == 1 && box.text == "TRUE") check(request("hangup"), "the controller has hung up");
            return Confirm::Enter;
        });
    checkAcknowledged(boxes, kSideLightsFrame.substr(0, 2), "before the hang-up");
    promptController = false;
    // A click on "trennen" while the frame's first error box is open must not close the port
    // under the frame.
    bool clicked = false;
    const std::vector<Box> rest = confirmFrame(program, kSideLightsFrame.substr(2), [&](std::size_t, const Box& box) {
        if (box.errorIcon && !clicked) {
            clicked = true;
            clickOnTheButtonDuring(program, box);
        }
        return Confirm::Enter;
    });
    int errors = 0, writeErrors = 0, readErrors = 0, foreign = 0;
    for (const Box& box : rest) {
        if (!box.errorIcon) continue;
        ++errors;
        writeErrors += box.title == "WriteFile";
        readErrors += box.title == "ReadFile";
        if ((box.title != "WriteFile" && box.title != "ReadFile") || !systemText(box.text))
            foreign += !check(false, "error box [" + box.title + "] " + printable(box.text));
    }
    check(errors > 0 && foreign == 0,
          std::to_string(errors) + " error boxes, " + std::to_string(writeErrors) + " WriteFile and " +
              std::to_string(readErrors) + " ReadFile, each with the error icon and the system's text");
    const auto sample = std::find_if(rest.begin(), rest.end(), [](const Box& b) { return b.errorIcon; });
    if (sample != rest.end()) std::printf("  e.g. [%s] %s\n", sample->title.c_str(), printable(sample->text).c_str());
    check(noBoxOpen(program), "the frame ends: no box left open");
    check(windowText(program["comportbut"]) == "trennen", "the window still answers: \"trennen\"");
}

void keyboardOnly(Program& program) {
    HWND button = program["comportbut"];
    // Wherever the focus starts, Tab reaches the button.
    tabTo(program, button);
    check(focusOf(program) == button, "Tab reaches the button");
    press(program.window, VK_RETURN);
    check(waitFor([&] { return windowText(button) == "trennen"; }), "Return on the button connects");
    check(noBoxOpen(program), "connecting shows no box");
    press(program.window, VK_RETURN);
    check(waitFor([&] { return windowText(button) == "verbinden"; }), "Return again disconnects");
    press(program.window, VK_SPACE);
    check(waitFor([&] { return windowText(button) == "trennen"; }), "Space on the button connects");
    check(noBoxOpen(program), "connecting shows no box");
    // The whole round, connected: disabled controls and the disabled port choice are skipped.
    const std::vector<std::string> round = {"Standlicht", "Abblendlicht", "Rueckwaerts", "Innenraum", "Links",
        "Rechts", "Parklicht", "Warnblinklicht", "Abblendlicht_auto", "Fernlicht_auto", "comportbut"};
    std::vector<std::string> visited;
    std::string seen;
    for (std::size_t i = 0; i < round.size(); ++i) seen += " " + visited.emplace_back(program.nameOf(tab(program)));
    check(visited == round, "Tab order, connected:" + seen);
    const HWND next = tab(program);
    check(next == program["Standlicht"], "one Tab from the button is Standlicht, is " + program.nameOf(next));
    press(program.window, VK_SPACE);
    promptController = true;
    checkAcknowledged(confirmFrame(program, kSideLightsFrame), kSideLightsFrame,
                      "Space on Standlicht sent the frame, Enter confirmed");
    check(noBoxOpen(program), "no box after the frame's last");
    check(ticked(program["Standlicht"]), "Standlicht ticked");
    check(focusOf(program) == program["Standlicht"],
          "the focus is back on Standlicht, is " + program.nameOf(focusOf(program)));
    press(program.window, VK_RETURN);
    check(noBoxOpen(program) && ticked(program["Standlicht"]), "Return on a check box does nothing");
    check(request("frame"), "the shell has looked at the frame the controller decoded");
}

void closing(Program& program) {
    if (connectCom1(program)) endsWithExitCodeZero(program);
}

} // namespace drive
