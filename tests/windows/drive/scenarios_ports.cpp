// Scenarios of the ports: one that leads nowhere (the open failure's box, also under another
// code page), port tables leading one to the controller or nowhere, and each port's tooltip.

#include "tests/windows/drive/Drive.h"

namespace drive {

namespace {

const std::string kOpenFailure = "Der gew\xE4hlte ComPort konnte nicht ge\xF6"
                                 "ffnet werden.\n\nBitte stellen sie sicher, das dieser von keiner "
                                 "anderen Anwendung benutzt wird.";

// A click on a port's item selects it.
void choose(const Program& program, std::size_t index) {
    const std::string name = "Com" + std::to_string(index + 1);
    const RECT item = rectOf(program.ports.at(index));
    clickAt({item.left + 8, (item.top + item.bottom) / 2});
    check(waitFor([&] { return ticked(program.ports[index]); }), "a click on " + name + " selects it");
    // The item is checked before its button lets the mouse go; a click sent while it still
    // holds the capture would land on the item again instead of on the button.
    check(waitFor([&] { return captureOf(program) == nullptr; }), name + " lets the mouse go");
}

// Com2 leads nowhere: a click on it, then on the button, shows the open failure's box.
Box openFailureBox(Program& program) {
    choose(program, 1);
    click(program, layout("comportbut"));
    return nextBox(program);
}

// The program's tooltip on the screen; none while it shows none.
HWND shownTip(const Program& program) {
    const std::vector<HWND> tips = windowsOf(program, "tooltips_class32");
    const auto shown = std::find_if(tips.begin(), tips.end(), IsWindowVisible);
    return shown != tips.end() ? *shown : nullptr;
}

struct Hint { std::wstring text; int width = 0; }; // the tooltip's text, and its width in pixels

// What the tooltip of a port's item says when the mouse rests on it, read as UTF-16. The mouse
// leaves the window first, until no tooltip shows: the one that then comes is the item's.
Hint hintOf(const Program& program, std::size_t index) {
    const std::string name = "Com" + std::to_string(index + 1);
    moveTo({8, 8});
    if (!check(waitFor([&] { return shownTip(program) == nullptr; }), "no tooltip with the mouse off the window"))
        return {};
    const RECT item = rectOf(program.ports.at(index));
    moveTo({item.left + 24, (item.top + item.bottom) / 2});
    HWND tip = nullptr;
    if (!check(waitFor([&] { return (tip = shownTip(program)) != nullptr; }), name + " shows a tooltip")) return {};
    wchar_t text[2048] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(tip, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 60000, &length);
    const RECT shown = rectOf(tip);
    return {std::wstring(text, length), shown.right - shown.left};
}

} // namespace

void portLedNowhere(Program& program) {
    Box box = openFailureBox(program);
    if (!check(box.window != nullptr, "a box appears")) {
        const HWND open = openBox(program);
        const HWND foreground = GetForegroundWindow();
        std::printf("  button \"%s\", Com2 %s, box %s, foreground %s \"%s\"\n",
                    windowText(program["comportbut"]).c_str(), ticked(program.ports[1]) ? "chosen" : "not chosen",
                    open == nullptr ? "none" : IsWindowVisible(open) ? "shown" : "hidden",
                    foreground == nullptr ? "none" : className(foreground).c_str(), windowText(foreground).c_str());
        return;
    }
    check(box.text == kOpenFailure, "its text is the open failure, byte for byte: " + printable(box.text));
    check(box.title == "lichtpult" && !box.errorIcon, "titled lichtpult, no error icon: [" + box.title + "]");
    check(confirm(program, box), "Enter confirms it");
    check(noBoxOpen(program), "no second box");
    check(windowText(program["comportbut"]) == "verbinden", "still \"verbinden\"");
    check(ticked(program.ports[1]), "Com2 still selected");
    // As in a dialog, Tab from the button enters the port choice at the selected item.
    tabTo(program, program["comportbut"]);
    const HWND next = tab(program);
    check(next == program.ports[1], "Tab from the button enters the port choice at Com2, is " + program.nameOf(next));
}

// Under a code page other than Windows-1252 (the shell starts this scenario with Wine's
// Cyrillic one), the texts still read as the program wrote them, read back as UTF-16.
void otherCodePage(Program& program) {
    check(GetACP() == 1251, "the system's code page is 1251, is " + std::to_string(GetACP()));
    check(wideText(program.window) == L"window", "the window's caption reads \"window\"");
    check(wideText(program["comportbut"]) == L"verbinden", "the button reads \"verbinden\"");
    check(wideText(program["Rueckwaerts"]) == L"Rueckwaerts", "a box reads \"Rueckwaerts\"");
    Box box = openFailureBox(program);
    if (!check(box.window != nullptr, "a box appears")) return;
    const std::wstring text = wideText(GetDlgItem(box.window, 0xFFFF));
    check(text == L"Der gew\u00E4hlte ComPort konnte nicht ge\u00F6ffnet werden.\n\nBitte stellen sie sicher, "
                  L"das dieser von keiner anderen Anwendung benutzt wird.",
          "the open failure reads as written, \"gew\u00E4hlte\" and \"ge\u00F6ffnet\" included");
    check(wideText(box.window) == L"lichtpult", "the box is titled lichtpult");
    check(confirm(program, box), "Enter confirms it");
    check(noBoxOpen(program), "no second box");
}

// The shell's row has led the port LICHTPULT_DRIVE_PORT (1 … 6) through a port table to the
// controller's COM12 (LICHTPULT_DRIVE_OUTCOME=connects: it connects and a frame arrives), or
// left it on a port that leads nowhere (the open failure's box).
void portTable(Program& program) {
    const char* port = std::getenv("LICHTPULT_DRIVE_PORT");
    const char* outcome = std::getenv("LICHTPULT_DRIVE_OUTCOME");
    const int number = port != nullptr ? std::atoi(port) : 0;
    if (!check(number >= 1 && number <= 6 && outcome != nullptr, "the row names a port and an outcome")) return;
    const std::string name = "Com" + std::to_string(number);
    choose(program, static_cast<std::size_t>(number - 1));
    click(program, layout("comportbut"));
    if (std::string(outcome) != "connects") {
        const Box box = nextBox(program);
        check(box.window != nullptr && box.text == kOpenFailure, name + " shows the open failure: " + printable(box.text));
        if (box.window != nullptr) check(confirm(program, box), "Enter confirms it");
        return;
    }
    if (!check(waitFor([&] { return windowText(program["comportbut"]) == "trennen"; }),
               "a click on \"verbinden\" connects on " + name))
        return;
    promptController = true;
    click(program, layout("Standlicht"));
    checkAcknowledged(confirmFrame(program, kSideLightsFrame), kSideLightsFrame, "Standlicht's frame on " + name);
    check(request("frame"), "the shell has looked at the frame the controller decoded");
}

// The shell's user table leads Com3 to COM12, which the system lists with its adapter's name
// (without the " (COM12)" Device Manager adds); Com5's line names no
// Windows device (the table's first line, behind a byte order mark), Com6's a port the system
// does not list, until it does; the machine's table is a folder. Com1 keeps its own COM1.
void portHints(Program& program) {
    wchar_t appData[MAX_PATH] = {};
    GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH);
    const std::wstring file = std::wstring(appData) + L"\\lichtpult\\ports.conf";
    const std::pair<std::size_t, std::wstring> rows[] = {
        {0, L"COM1"},
        {2, L"COM12 \u2013 USB-SERIAL CH340"},
        {4, L"COM5\n" + file + L", Zeile 1: das Ger\u00e4t muss ein Portname (COM1 bis COM4096) oder ein "
                                L"Ger\u00e4tepfad (\\\\.\\\u2026) sein; die Zeile gilt nicht"},
        {5, L"COM77 \u2013 nicht vorhanden"},
    };
    std::vector<Hint> shown;
    for (const auto& [index, expected] : rows) {
        shown.push_back(hintOf(program, index));
        check(shown.back().text == expected, "Com" + std::to_string(index + 1) + "'s tooltip: " + WideToUtf8(shown.back().text));
    }
    // Asked for when it is shown: a port the system lists meanwhile is there.
    if (check(request("listed-COM77"), "the system lists COM77 now")) {
        const Hint later = hintOf(program, 5);
        check(later.text == L"COM77", "then Com6's tooltip: " + WideToUtf8(later.text));
        check(request("unlisted-COM77"), "the system no longer lists COM77");
    }
    // A long line is broken into several, so the tooltip stays on a small screen.
    const int screen = GetSystemMetrics(SM_CXSCREEN);
    check(shown[2].width * 10 < screen * 6, "Com5's tooltip is " + std::to_string(shown[2].width) +
                                                " pixels wide, less than 60 % of the screen's " + std::to_string(screen));
}

} // namespace drive
