// The radio items' tooltips, each asked of the radio group when the system is about to show it.

#include "toolkit/Controls.h"
#include "toolkit/win32/Controls_win32_p.h"
#include "text/Text.h"

#include <algorithm>

namespace {

// The widest a hint's line grows before the system breaks it, at 96 dpi; without a width,
// Windows draws a hint on a single line however long it is.
constexpr int kHintWidth = 480;

} // namespace

// A radio item's hint as it is now, asked for each time the system is about to show it: a
// port's device can come and go while the window is open.
void AnswerHint(HWND window, NMTTDISPINFOW& info) {
    TControl* control = ControlOf(window);
    if (control == nullptr || control->native().kind != TControl::Kind::RadioGroup) return;
    TControl::Native& group = control->native();
    const auto item = std::find(group.items.begin(), group.items.end(), reinterpret_cast<HWND>(info.hdr.idFrom));
    if (item == group.items.end()) return;
    group.hint.clear();
    RunGuarded([&] {
        group.hint = Wide(static_cast<TRadioGroup*>(control)->ItemHint(static_cast<int>(item - group.items.begin())));
    });
    SendMessageW(info.hdr.hwndFrom, TTM_SETMAXTIPWIDTH, 0, Scaled(kHintWidth, DpiOf(window)));
    info.lpszText = group.hint.data();
    info.hinst = nullptr;
}

// Each item's hint is asked for when it is about to be shown (groupProcedure), not now.
void TRadioGroup::itemHintsChanged() {
    Native& group = native();
    if (group.tooltips == nullptr)
        group.tooltips = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                         FormOf(this)->native().window, nullptr,
                                         GetModuleHandleW(nullptr), nullptr);
    for (int index = 0; index < ItemCount(); ++index) {
        TOOLINFOW tool{};
        // The size the system's common controls of every version accept.
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = group.window;
        tool.uId = reinterpret_cast<UINT_PTR>(group.items[index]);
        tool.lpszText = LPSTR_TEXTCALLBACKW;
        SendMessageW(group.tooltips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        SendMessageW(group.tooltips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}
