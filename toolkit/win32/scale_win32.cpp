// The controls' places and the form's font, kept as set and shown at the scale of the monitor
// each window is on.

#include "toolkit/Controls.h"
#include "toolkit/Controls_p.h"
#include "toolkit/win32/Controls_win32_p.h"
#include "text/Text.h"

// The layout is in pixels at 96 dpi; a window shows it at its monitor's scale. GetDpiForWindow
// is there from Windows 10 (1607); before, every window has the system's scale.
UINT DpiOf(HWND window) {
    using DpiForWindow = UINT(WINAPI*)(HWND);
    static const auto dpiForWindow = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (dpiForWindow != nullptr && window != nullptr)
        if (const UINT dpi = dpiForWindow(window); dpi != 0) return dpi;
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

int Scaled(int pixels, UINT dpi) { return MulDiv(pixels, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI); }

void SetControlFont(HWND window, HFONT font) {
    if (window != nullptr && font != nullptr)
        SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

// The form's font at this scale, on the form and every control in it.
void MakeFont(TControl::Native& form, UINT dpi) {
    HFONT created = CreateFontW(Scaled(form.logicalFont.height, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, Wide(form.logicalFont.name).c_str());
    SetControlFont(form.window, created);
    EnumChildWindows(form.window, [](HWND child, LPARAM handle) -> BOOL {
        SetControlFont(child, reinterpret_cast<HFONT>(handle));
        return TRUE;
    }, reinterpret_cast<LPARAM>(created));
    if (form.font != nullptr) DeleteObject(form.font);
    form.font = created;
}

namespace {

void place(TControl::Native& native, UINT dpi) {
    if (!native.bounds) return;
    const ItemRect& at = *native.bounds;
    SetWindowPos(native.window, nullptr, Scaled(at.left, dpi), Scaled(at.top, dpi), Scaled(at.width, dpi),
                 Scaled(at.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    ArrangeItems(native);
}

} // namespace

// The controls at the new scale, parents before their children (a radio group's items follow
// its size and font).
void PlaceChildren(TControl* control, UINT dpi) {
    for (TControl* child : control->Controls()) {
        place(child->native(), dpi);
        PlaceChildren(child, dpi);
    }
}

void ArrangeItems(TControl::Native& group) {
    const int count = static_cast<int>(group.items.size());
    if (count == 0 || group.window == nullptr) return;
    RECT area;
    GetClientRect(group.window, &area);
    HDC dc = GetDC(group.window);
    const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(group.window, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(group.window, dc);
    const auto rects = RadioItemRects(count, area.right, area.bottom, metrics.tmHeight);
    for (int i = 0; i < count; ++i)
        SetWindowPos(group.items[i], nullptr, rects[i].left, rects[i].top, rects[i].width, rects[i].height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

// A form's place is scaled too, so that it takes the same part of the screen as at 96 dpi,
// where the system puts the windows of programs that do not scale themselves.
void TControl::SetBounds(int left, int top, int width, int height) {
    native_->bounds = ItemRect{left, top, width, height};
    place(*native_, DpiOf(native_->window));
}

void TForm::SetFont(const TFont& font) {
    native().logicalFont = font;
    MakeFont(native(), DpiOf(native().window));
}
