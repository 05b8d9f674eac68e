// The system's message boxes.

#include "toolkit/Application.h"
#include "toolkit/Toolkit_p.h"
#include "toolkit/win32/Controls_win32.h"
#include "text/Text.h"

void PresentRealBox(const ModalBox& box) {
    if (box.icon == ModalBox::Icon::Error) {
        // An error box stands alone, as the serial link has always shown it, but still holds
        // the window: without an owner the window would take clicks while it is open, and a
        // handler could run again inside itself (a second connect, or a disconnect that
        // closes the port under a running frame). Task-modal disables the thread's windows
        // for the box's lifetime and gives them back afterwards.
        ::MessageBoxW(HWND{}, Utf8ToWide(box.text).c_str(), Utf8ToWide(box.caption).c_str(), MB_ICONERROR | MB_TASKMODAL);
        return;
    }
    // Modal to the main window: it takes no clicks while the box is open.
    TForm* main = Application->MainForm();
    ::MessageBoxW(main != nullptr ? Win32Handle(main) : HWND{}, Utf8ToWide(box.text).c_str(), Utf8ToWide(box.caption).c_str(),
                  MB_OK);
}

Text ApplicationTitle() { return Application->Title(); }
