// The controls on the system's own window classes: a top-level window for a form, BUTTON
// windows for the push button, the check boxes, the group boxes and the radio items.

#include "toolkit/Application.h"
#include "toolkit/Controls.h"
#include "toolkit/Controls_p.h"
#include "toolkit/win32/Controls_win32.h"
#include "toolkit/win32/Controls_win32_p.h"
#include "text/Text.h"

#include <exception>

namespace {

constexpr wchar_t kFormClass[] = L"LichtpultForm";
constexpr int kFirstControlId = 100; // clear of IDOK and IDCANCEL, which the dialog keys send
WNDPROC buttonProcedure = nullptr;   // the system's BUTTON procedure, which group boxes extend
int nextControlId = kFirstControlId;

void forgetWindows(TControl* control) {
    control->native().window = nullptr;
    control->native().items.clear();
    for (TControl* child : control->Controls()) forgetWindows(child);
}

LRESULT CALLBACK formProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return DefWindowProcW(window, message, wParam, lParam);
    }
    TControl* form = ControlOf(window);
    if (form == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_COMMAND:
        if (lParam == 0 && LOWORD(wParam) == IDOK) {
            PressFocusedButton(window);
            return 0;
        }
        // Only BN_CLICKED: the user's click or Space, after an automatic box changed its tick.
        if (HIWORD(wParam) == BN_CLICKED && lParam != 0) {
            TControl* control = ControlOf(reinterpret_cast<HWND>(lParam));
            if (control != nullptr && control->OnClick) RunGuarded(control->OnClick);
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
        if (form->native().font != nullptr) MakeFont(form->native(), HIWORD(wParam));
        PlaceChildren(form, HIWORD(wParam));
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
            AnswerHint(window, *reinterpret_cast<NMTTDISPINFOW*>(lParam));
            return 0;
        }
        break;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED)
            if (TControl* group = ControlOf(window)) FollowCheck(group->native());
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

} // namespace

TControl* ControlOf(HWND window) {
    return reinterpret_cast<TControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

TControl* FormOf(TControl* control) {
    while (control->Parent() != nullptr) control = control->Parent();
    return control;
}

// A handler's exception ends here: it never unwinds through the system's window procedures.
void RunGuarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (...) {
        Application->ShowHandledException();
    }
}

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
    if (control.Parent() != nullptr) SetControlFont(native->window, FormOf(control.Parent())->native().font);
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

void TForm::SetColor(TColor) {
    native().colour = COLOR_BTNFACE;
    InvalidateRect(native().window, nullptr, TRUE);
}

bool TCheckBox::Checked() const { return SendMessageA(native().window, BM_GETCHECK, 0, 0) == BST_CHECKED; }

// BM_SETCHECK notifies nobody: setting the tick from code runs no handler.
void TCheckBox::SetChecked(bool checked) {
    SendMessageA(native().window, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioGroup::SetItems(const std::vector<Text>& items) {
    Native& group = native();
    for (HWND old : group.items) DestroyWindow(old);
    group.items.clear();
    HFONT font = FormOf(this)->native().font;
    for (const Text& caption : items) {
        // The first item starts the group the arrow keys move in; Tab stops at one item.
        const DWORD style = BS_AUTORADIOBUTTON | (group.items.empty() ? WS_GROUP : 0);
        HWND item = newButton(group.window, style);
        SetWindowTextW(item, Wide(caption).c_str());
        SetControlFont(item, font);
        if (!IsWindowEnabled(group.window)) EnableWindow(item, FALSE);
        group.items.push_back(item);
    }
    FollowCheck(group);
    ArrangeItems(group);
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
    FollowCheck(native());
}

