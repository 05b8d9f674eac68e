// The controls on the system's own window classes: a top-level window for a form, BUTTON
// windows for the push button, the check boxes, the group boxes and the radio items.

#include "toolkit/Application.h"
#include "toolkit/Controls.h"
#include "toolkit/Controls_p.h"
#include "toolkit/win32/Controls_win32.h"
#include "toolkit/win32/Wide.h"

#include <commctrl.h>

#include <algorithm>
#include <exception>
#include <functional>
#include <optional>

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

namespace {

constexpr wchar_t kFormClass[] = L"LichtpultForm";
constexpr int kFirstControlId = 100; // clear of IDOK and IDCANCEL, which the dialog keys send
WNDPROC buttonProcedure = nullptr;   // the system's BUTTON procedure, which group boxes extend
int nextControlId = kFirstControlId;

TControl* controlOf(HWND window) {
    return reinterpret_cast<TControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

TControl* formOf(TControl* control) {
    while (control->Parent() != nullptr) control = control->Parent();
    return control;
}

// A handler's exception ends here: it never unwinds through the system's window procedures.
void runGuarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (...) {
        Application->ShowHandledException();
    }
}

// Tab enters the port choice at its selected item, as in a dialog: the tab stop goes with
// the check (the first item when none is selected).
void followCheck(TControl::Native& group) {
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
void pressFocusedButton(HWND form) {
    HWND focus = GetFocus();
    if (focus == nullptr || !IsChild(form, focus)) return;
    TControl* control = controlOf(focus);
    if (control != nullptr && control->native().kind == TControl::Kind::Button) control->Click();
}

void forgetWindows(TControl* control) {
    control->native().window = nullptr;
    control->native().items.clear();
    for (TControl* child : control->Controls()) forgetWindows(child);
}

// The layout is in pixels at 96 dpi; a window shows it at its monitor's scale. GetDpiForWindow
// is there from Windows 10 (1607); before, every window has the system's scale.
UINT dpiOf(HWND window) {
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

int scaled(int pixels, UINT dpi) { return MulDiv(pixels, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI); }

void arrangeItems(TControl::Native& group);

void place(TControl::Native& native, UINT dpi) {
    if (!native.bounds) return;
    const ItemRect& at = *native.bounds;
    SetWindowPos(native.window, nullptr, scaled(at.left, dpi), scaled(at.top, dpi), scaled(at.width, dpi),
                 scaled(at.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    arrangeItems(native);
}

void setFont(HWND window, HFONT font);

// The form's font at this scale, on the form and every control in it.
void makeFont(TControl::Native& form, UINT dpi) {
    HFONT created = CreateFontW(scaled(form.logicalFont.height, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, Wide(form.logicalFont.name).c_str());
    setFont(form.window, created);
    EnumChildWindows(form.window, [](HWND child, LPARAM handle) -> BOOL {
        setFont(child, reinterpret_cast<HFONT>(handle));
        return TRUE;
    }, reinterpret_cast<LPARAM>(created));
    if (form.font != nullptr) DeleteObject(form.font);
    form.font = created;
}

// The controls at the new scale, parents before their children (a radio group's items follow
// its size and font).
void placeChildren(TControl* control, UINT dpi) {
    for (TControl* child : control->Controls()) {
        place(child->native(), dpi);
        placeChildren(child, dpi);
    }
}

LRESULT CALLBACK formProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return DefWindowProcW(window, message, wParam, lParam);
    }
    TControl* form = controlOf(window);
    if (form == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_COMMAND:
        if (lParam == 0 && LOWORD(wParam) == IDOK) {
            pressFocusedButton(window);
            return 0;
        }
        // Only BN_CLICKED: the user's click or Space, after an automatic box changed its tick.
        if (HIWORD(wParam) == BN_CLICKED && lParam != 0) {
            TControl* control = controlOf(reinterpret_cast<HWND>(lParam));
            if (control != nullptr && control->OnClick) runGuarded(control->OnClick);
        }
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        const int colour = form->native().colour;
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(colour));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(colour));
    }
    case WM_ERASEBKGND: {
        RECT area;
        GetClientRect(window, &area);
        FillRect(reinterpret_cast<HDC>(wParam), &area, GetSysColorBrush(form->native().colour));
        return 1;
    }
    case WM_ACTIVATE: {
        // A plain window gives the focus to itself when it comes back; a dialog gives it back
        // to the control that had it, and the first time to the first control Tab reaches.
        // Set here, while the window is being activated, a key can never find the focus on
        // the window itself between its showing and the program's first wait for input.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus != nullptr && IsChild(window, focus)) form->native().focused = focus;
            return 0;
        }
        HWND focus = form->native().focused;
        if (focus == nullptr || !IsWindow(focus)) focus = GetNextDlgTabItem(window, nullptr, FALSE);
        if (focus == nullptr) break;
        SetFocus(focus);
        return 0;
    }
    case WM_DPICHANGED: {
        // Moved to a monitor of another scale, or its scale changed: the system proposes the
        // window's new outer rectangle, and the font and the controls follow.
        const auto* proposed = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, proposed->left, proposed->top, proposed->right - proposed->left,
                     proposed->bottom - proposed->top, SWP_NOZORDER | SWP_NOACTIVATE);
        if (form->native().font != nullptr) makeFont(form->native(), HIWORD(wParam));
        placeChildren(form, HIWORD(wParam));
        return 0;
    }
    case WM_DESTROY:
        if (Application->MainForm() == form) PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        forgetWindows(form);
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        break;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The widest a hint's line grows before the system breaks it, at 96 dpi; without a width,
// Windows draws a hint on a single line however long it is.
constexpr int kHintWidth = 480;

// A radio item's hint as it is now, asked for each time the system is about to show it: a
// port's device can come and go while the window is open.
void answerHint(HWND window, NMTTDISPINFOW& info) {
    TControl* control = controlOf(window);
    if (control == nullptr || control->native().kind != TControl::Kind::RadioGroup) return;
    TControl::Native& group = control->native();
    const auto item = std::find(group.items.begin(), group.items.end(), reinterpret_cast<HWND>(info.hdr.idFrom));
    if (item == group.items.end()) return;
    group.hint.clear();
    runGuarded([&] {
        group.hint = Wide(static_cast<TRadioGroup*>(control)->ItemHint(static_cast<int>(item - group.items.begin())));
    });
    SendMessageW(info.hdr.hwndFrom, TTM_SETMAXTIPWIDTH, 0, scaled(kHintWidth, dpiOf(window)));
    info.lpszText = group.hint.data();
    info.hinst = nullptr;
}

// A group box hands its children's clicks and colours to the form, as the form's own, and
// answers its items' tooltips.
LRESULT CALLBACK groupProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NOTIFYFORMAT:
        // The tooltips ask which kind of text to ask for: the hints are UTF-16.
        if (lParam == NF_QUERY) return NFR_UNICODE;
        break;
    case WM_NOTIFY:
        if (auto* header = reinterpret_cast<NMHDR*>(lParam); header->code == TTN_GETDISPINFOW) {
            answerHint(window, *reinterpret_cast<NMTTDISPINFOW*>(lParam));
            return 0;
        }
        break;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED)
            if (TControl* group = controlOf(window)) followCheck(group->native());
        return SendMessageW(GetAncestor(window, GA_ROOT), message, wParam, lParam);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return SendMessageW(GetAncestor(window, GA_ROOT), message, wParam, lParam);
    default: break;
    }
    return CallWindowProcW(buttonProcedure, window, message, wParam, lParam);
}

void registerFormClass() {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(GetModuleHandleW(nullptr), kFormClass, &existing)) return;
    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.lpfnWndProc = formProcedure;
    form.hInstance = GetModuleHandleW(nullptr);
    form.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    form.hIcon = LoadIconW(form.hInstance, MAKEINTRESOURCEW(1));
    form.lpszClassName = kFormClass;
    RegisterClassExW(&form);
}

HWND newButton(HWND parent, DWORD style, DWORD extended = 0) {
    return CreateWindowExW(extended, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextControlId++)),
                           GetModuleHandleW(nullptr), nullptr);
}

void setFont(HWND window, HFONT font) {
    if (window != nullptr && font != nullptr)
        SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void arrangeItems(TControl::Native& group) {
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

} // namespace

HWND Win32Handle(const TControl* control) { return control->native().window; }

TControl::Native* NewNative(TControl& control, TControl::Kind kind) {
    auto* native = new TControl::Native;
    native->kind = kind;
    HWND parent = control.Parent() != nullptr ? control.Parent()->native().window : nullptr;
    switch (kind) {
    case TControl::Kind::Form:
        registerFormClass();
        native->window = CreateWindowExW(
            WS_EX_CONTROLPARENT, kFormClass, L"", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, parent, nullptr,
            GetModuleHandleW(nullptr), &control);
        return native;
    case TControl::Kind::Button: native->window = newButton(parent, BS_PUSHBUTTON | WS_TABSTOP); break;
    case TControl::Kind::CheckBox: native->window = newButton(parent, BS_AUTOCHECKBOX | WS_TABSTOP); break;
    case TControl::Kind::GroupBox:
    case TControl::Kind::RadioGroup:
        // Without WS_EX_CONTROLPARENT the dialog keys would skip the group's children.
        native->window = newButton(parent, BS_GROUPBOX, WS_EX_CONTROLPARENT);
        buttonProcedure = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(native->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(groupProcedure)));
        break;
    }
    SetWindowLongPtrA(native->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&control));
    if (control.Parent() != nullptr) setFont(native->window, formOf(control.Parent())->native().font);
    return native;
}

void DeleteNative(TControl::Native* native) {
    if (native->tooltips != nullptr) DestroyWindow(native->tooltips);
    if (native->window != nullptr) DestroyWindow(native->window);
    if (native->font != nullptr) DeleteObject(native->font);
    delete native;
}

void NameNative(TControl::Native&, const Text&) {}

Text TControl::Caption() const {
    if (native_->window == nullptr) return {};
    std::wstring caption(static_cast<std::size_t>(GetWindowTextLengthW(native_->window)) + 1, L'\0');
    caption.resize(static_cast<std::size_t>(
        GetWindowTextW(native_->window, caption.data(), static_cast<int>(caption.size()))));
    return Narrow(caption);
}

void TControl::SetCaption(const Text& caption) { SetWindowTextW(native_->window, Wide(caption).c_str()); }

bool TControl::Enabled() const { return native_->window != nullptr && IsWindowEnabled(native_->window); }

void TControl::SetEnabled(bool enabled) {
    EnableWindow(native_->window, enabled);
    // The system does not grey a disabled window's children.
    for (HWND item : native_->items) EnableWindow(item, enabled);
}

// A form's place is scaled too, so that it takes the same part of the screen as at 96 dpi,
// where the system puts the windows of programs that do not scale themselves.
void TControl::SetBounds(int left, int top, int width, int height) {
    native_->bounds = ItemRect{left, top, width, height};
    place(*native_, dpiOf(native_->window));
}

void TControl::Click() {
    // What a click on the system's button does: an automatic box changes its tick, then the
    // parent hears BN_CLICKED. Nothing on a disabled control.
    HWND window = native_->window;
    if (window == nullptr || !IsWindowEnabled(window)) return;
    if (native_->kind == Kind::CheckBox)
        SendMessageA(window, BM_SETCHECK, SendMessageA(window, BM_GETCHECK, 0, 0) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
    if (native_->kind == Kind::Button || native_->kind == Kind::CheckBox)
        SendMessageA(GetParent(window), WM_COMMAND,
                     MAKEWPARAM(GetDlgCtrlID(window), BN_CLICKED), reinterpret_cast<LPARAM>(window));
}

void TForm::SetFont(const TFont& font) {
    native().logicalFont = font;
    makeFont(native(), dpiOf(native().window));
}

void TForm::SetColor(TColor) {
    native().colour = COLOR_BTNFACE;
    InvalidateRect(native().window, nullptr, TRUE);
}

bool TCheckBox::Checked() const { return SendMessageA(native().window, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// BM_SETCHECK notifies nobody: setting the tick from code runs no handler.
void TCheckBox::SetChecked(bool checked) {
    SendMessageA(native().window, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioGroup::SetItems(std::initializer_list<const char*> items) {
    Native& group = native();
    for (HWND old : group.items) DestroyWindow(old);
    group.items.clear();
    HFONT font = formOf(this)->native().font;
    for (const char* caption : items) {
        // The first item starts the group the arrow keys move in; Tab stops at one item.
        const DWORD style = BS_AUTORADIOBUTTON | (group.items.empty() ? WS_GROUP : 0);
        HWND item = newButton(group.window, style);
        SetWindowTextW(item, Wide(caption).c_str());
        setFont(item, font);
        if (!IsWindowEnabled(group.window)) EnableWindow(item, FALSE);
        group.items.push_back(item);
    }
    followCheck(group);
    arrangeItems(group);
}

int TRadioGroup::ItemCount() const { return static_cast<int>(native().items.size()); }

int TRadioGroup::ItemIndex() const {
    for (int i = 0; i < ItemCount(); ++i)
        if (SendMessageA(native().items[i], BM_GETCHECK, 0, 0) == BST_CHECKED) return i;
    return -1;
}

void TRadioGroup::SetItemIndex(int index) {
    for (int i = 0; i < ItemCount(); ++i)
        SendMessageA(native().items[i], BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED, 0);
    followCheck(native());
}

// Each item's hint is asked for when it is about to be shown (groupProcedure), not now.
void TRadioGroup::itemHintsChanged() {
    Native& group = native();
    if (group.tooltips == nullptr)
        group.tooltips = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                         formOf(this)->native().window, nullptr,
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
