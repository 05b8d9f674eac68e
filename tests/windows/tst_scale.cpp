// The toolkit at another scale, in one process: a form laid out in pixels at 96 dpi follows
// WM_DPICHANGED, as the system sends it when the window moves to a monitor of another scale,
// to 144 and 192 dpi and back: the window's rectangle, its controls' places and the font's
// height. Run under Wine on a display (windows are made, never shown).
//
// Prints PASS and FAIL lines and exits with the number of failures.

#include "toolkit/Application.h"
#include "toolkit/Controls.h"
#include "toolkit/win32/Controls_win32.h"
#include "tests/windows/Scaled.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

int failures = 0;

void check(bool passed, const std::string& what) {
    std::printf("%s %s\n", passed ? "PASS" : "FAIL", what.c_str());
    if (!passed) ++failures;
}

class Form : public TForm {
public:
    Form() {
        SetFont({"MS Sans Serif", -11});
        SetBounds(475, 106, 386, 276);
        group = new TGroupBox(this);
        group->SetBounds(8, 8, 137, 89);
        box = new TCheckBox(group);
        box->SetBounds(8, 16, 81, 17);
        box->SetCaption("Standlicht");
        ports = new TRadioGroup(this);
        ports->SetBounds(280, 8, 89, 193);
        ports->SetItems({"Com1", "Com2", "Com3", "Com4", "Com5", "Com6"});
    }
    TGroupBox* group;
    TCheckBox* box;
    TRadioGroup* ports;
};

Form* form = nullptr;

bool equal(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// In its parent's client area.
RECT placeOf(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void at(int dpi) {
    const auto rect = [dpi](int left, int top, int width, int height) {
        return ScaledRect(left, top, width, height, dpi);
    };
    HWND window = Win32Handle(form);
    RECT proposed = rect(475, 106, 386, 276);
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&proposed));
    const std::string where = " at " + std::to_string(dpi) + " dpi";
    RECT outer;
    GetWindowRect(window, &outer);
    check(equal(outer, proposed), "the window takes the proposed " + RectText(outer) + where);
    const RECT group = placeOf(Win32Handle(form->group)), box = placeOf(Win32Handle(form->box));
    check(equal(group, rect(8, 8, 137, 89)), "the group box at " + RectText(group) + where);
    check(equal(box, rect(8, 16, 81, 17)), "the check box in it at " + RectText(box) + where);
    const RECT ports = placeOf(Win32Handle(form->ports));
    HWND last = GetWindow(Win32Handle(form->ports), GW_CHILD);
    for (HWND next = last; next != nullptr; next = GetWindow(next, GW_HWNDNEXT)) last = next;
    const RECT item = placeOf(last);
    check(equal(ports, rect(280, 8, 89, 193)) && item.bottom <= ports.bottom - ports.top && item.top > Scaled(150, dpi),
          "the port choice at " + RectText(ports) + ", its last item at " + RectText(item) + where);
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Win32Handle(form->box), WM_GETFONT, 0, 0)), sizeof font, &font);
    const bool same = SendMessageW(Win32Handle(form->box), WM_GETFONT, 0, 0) == SendMessageW(last, WM_GETFONT, 0, 0);
    check(font.lfHeight == Scaled(-11, dpi) && same,
          "the controls' font is " + std::to_string(-font.lfHeight) + " pixels high" + where);
}

} // namespace

int main() {
    const ApplicationLifetime lifetime;
    Application->Initialize();
    Application->CreateForm(form);
    for (int dpi : {144, 192, 96}) at(dpi);
    return failures;
}
