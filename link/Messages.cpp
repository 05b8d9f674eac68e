#include "link/Messages.h"

#include <atomic>
#include <cstdio>
#include <string>

namespace lichtpult::link {
namespace {

// Null until bound, with nothing to destroy: a message shown before the binding or while the
// program ends still finds them. Atomic, so whichever thread binds races no message.
std::atomic<ShowMessageFunction> boundShowMessage{nullptr};
std::atomic<MessageBoxFunction> boundMessageBox{nullptr};

// The message as one line: a byte sent may be any control character, a system's text may
// end in a line break.
std::string oneLine(const std::string& utf8) {
    std::string line;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            line += escaped;
        } else {
            line += c;
        }
    }
    return line;
}

void writeLine(const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); }

} // namespace

void ShowMessage(const Text& text) {
    if (const ShowMessageFunction show = boundShowMessage.load()) return show(text);
    writeLine("message: " + oneLine(Cp1252ToUtf8(text)));
}

int MessageBoxA(void* owner, const SystemText& text, const char* caption, unsigned type) {
    if (const MessageBoxFunction show = boundMessageBox.load()) return show(owner, text, caption, type);
    const std::string title = oneLine(Cp1252ToUtf8(caption != nullptr ? caption : "Error"));
    writeLine(((type & MB_ICONERROR) != 0 ? "error: " : "message: ") + title + ": " + oneLine(text.utf8));
    return 1; // IDOK: the only button
}

void BindMessages(ShowMessageFunction showMessage, MessageBoxFunction messageBox) {
    boundShowMessage.store(showMessage);
    boundMessageBox.store(messageBox);
}

} // namespace lichtpult::link
