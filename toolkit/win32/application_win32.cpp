// The application object on the Win32 API.

#include "toolkit/Application.h"

#include "toolkit/Controls.h"
#include "toolkit/win32/Controls_win32.h"

#include <commctrl.h>

void TApplication::Initialize() {
    // The tooltips of the port choice.
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
}

void TApplication::endToolkit() {}

void TApplication::Run() {
    TForm* main = MainForm();
    if (main == nullptr) return;
    HWND window = Win32Handle(main);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    MSG message;
    // Ends with WM_QUIT, which the main window posts when it is destroyed.
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // Tab, Shift+Tab, the arrow keys, Space and Enter as in a dialog.
        if (IsWindow(window) && IsDialogMessageW(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

Text TApplication::Title() const { return "lichtpult"; }
