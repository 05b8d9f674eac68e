// The floors for the program's figures under Wine: an empty window of the system's own, at the
// panel's place and size, with the same frame and caption, and nothing in it. Sent WM_APP, it
// shows 280 bare message boxes one after the other: only once it is up and active, as the
// panel's boxes come only after a click.

#include <windows.h>

namespace {

constexpr UINT kShowBoxes = WM_APP;

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kShowBoxes) {
        for (int i = 0; i < 280; ++i) MessageBoxA(window, "a", "lichtpult", MB_OK);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSEXA type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = procedure;
    type.hInstance = instance;
    type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    type.lpszClassName = "EmptyWindow";
    RegisterClassExA(&type);
    HWND window = CreateWindowExA(0, "EmptyWindow", "window", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                  475, 106, 386, 276, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
