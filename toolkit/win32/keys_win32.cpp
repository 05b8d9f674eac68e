// The dialog keys on the form: Tab's order, the radio group's tab stop and Return.

#include "toolkit/Controls.h"
#include "toolkit/Controls_p.h"
#include "toolkit/win32/Controls_win32.h"
#include "toolkit/win32/Controls_win32_p.h"

// Tab enters the port choice at its selected item, as in a dialog: the tab stop goes with
// the check (the first item when none is selected).
void FollowCheck(TControl::Native& group) {
    std::size_t selected = 0;
    for (std::size_t i = 0; i < group.items.size(); ++i)
        if (SendMessageA(group.items[i], BM_GETCHECK, 0, 0) == BST_CHECKED) selected = i;
    for (std::size_t i = 0; i < group.items.size(); ++i) {
        const LONG_PTR style = GetWindowLongPtrA(group.items[i], GWL_STYLE);
        SetWindowLongPtrA(group.items[i], GWL_STYLE, i == selected ? style | WS_TABSTOP : style & ~WS_TABSTOP);
    }
}

// Return as in a dialog: the focused push button is pressed; on any other control it does
// nothing. The dialog keys send IDOK with no control when the window names no default button.
void PressFocusedButton(HWND form) {
    HWND focus = GetFocus();
    if (focus == nullptr || !IsChild(form, focus)) return;
    TControl* control = ControlOf(focus);
    if (control != nullptr && control->native().kind == TControl::Kind::Button) control->Click();
}

// Dialog keys visit the system's windows in their z-order: each control goes right behind the
// one before it among its siblings.
void ChainNative(const std::vector<TControl*>& order) {
    for (std::size_t i = 0; i < order.size(); ++i) {
        HWND after = HWND_TOP;
        for (std::size_t j = i; j-- > 0;)
            if (order[j]->Parent() == order[i]->Parent()) {
                after = Win32Handle(order[j]);
                break;
            }
        SetWindowPos(Win32Handle(order[i]), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}
