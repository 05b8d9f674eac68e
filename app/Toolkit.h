#pragma once
// The toolkit operations the rest of the program relies on, free of any toolkit type:
// text, the exception, the modal information box, the error box and the system's error text.
// Every modal box of the program passes through one presenter, so tests can record the
// boxes instead of opening them, or let real boxes open and confirm them.

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

// 8-bit text in the Windows-1252 code page, held by value. Equal means same length, same bytes.
using Text = std::string;

class Exception : public std::runtime_error {
public:
    explicit Exception(const Text& message) : std::runtime_error(message) {}
    Text Message() const { return what(); }
};

struct ModalBox {
    enum class Icon { Information, Error };
    Icon icon;
    Text caption;
    Text text;
};

// Shows one box and returns when it has been closed.
using ModalBoxPresenter = std::function<void(const ModalBox&)>;

// Installs a presenter and returns the one it replaces. An empty presenter means real,
// modal message boxes of the toolkit.
ModalBoxPresenter SetModalBoxPresenter(ModalBoxPresenter presenter);

// A modal information box with the text and one OK button, titled with the application's name.
void ShowMessage(const Text& text);

// The system's message text for an error code of the platform's serial calls.
Text SysErrorMessage(std::uint32_t code);

constexpr unsigned MB_OK = 0x00;
constexpr unsigned MB_ICONERROR = 0x10;

// A modal box with the given text and caption; the owner is ignored (there is only one window).
int MessageBoxA(void* owner, const char* text, const char* caption, unsigned type);
