// The system's message boxes.

#include "app/Application.h"
#include "app/Controls_win32.h"
#include "app/Toolkit_p.h"

void PresentRealBox(const ModalBox& box) {
    if (box.icon == ModalBox::Icon::Error) {
        // An error box stands alone, as the serial link has always shown it.
        ::MessageBoxA(HWND{}, box.text.c_str(), box.caption.c_str(), MB_ICONERROR);
        return;
    }
    // Modal to the main window: it takes no clicks while the box is open.
    TForm* main = Application->MainForm();
    ::MessageBoxA(main != nullptr ? Win32Handle(main) : HWND{}, box.text.c_str(), box.caption.c_str(), MB_OK);
}

Text ApplicationTitle() { return Application->Title(); }
