#pragma once
// The toolkit operations the rest of the program relies on, free of any toolkit type:
// the exception, the modal information box and the error box.
// Every modal box of the program passes through one presenter, so tests can record the
// boxes instead of opening them, or let real boxes open and confirm them.

#include "text/Text.h"

#include <functional>
#include <stdexcept>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

class Exception : public std::runtime_error {
public:
    explicit Exception(const Text& message) : std::runtime_error(message) {}
    Text Message() const { return what(); }
};

// A box as the user reads it. Its caption and text are UTF-8: the program's texts are
// converted as the box is made, the system's words come so.
struct ModalBox {
    enum class Icon { Information, Error };
    Icon icon;
    std::string caption;
    std::string text;
};

// Shows one box and returns when it has been closed.
using ModalBoxPresenter = std::function<void(const ModalBox&)>;

// Installs a presenter and returns the one it replaces. An empty presenter means real,
// modal message boxes of the toolkit.
ModalBoxPresenter SetModalBoxPresenter(ModalBoxPresenter presenter);

// A modal information box with the text and one OK button, titled with the application's name.
void ShowMessage(const Text& text);

namespace toolkit {

// The system's message box call, through the one presenter: a modal box with the given text
// and caption; the owner is ignored (there is only one window). Its constants are
// <windows.h>'s own on Windows.
#ifndef _WIN32
inline constexpr unsigned MB_OK = 0x00;
inline constexpr unsigned MB_ICONERROR = 0x10;
#endif
int MessageBoxA(void* owner, const char* text, const char* caption, unsigned type);
// The same, with the system's words as the text: shown as the system wrote them.
int MessageBoxA(void* owner, const SystemText& text, const char* caption, unsigned type);

} // namespace toolkit
