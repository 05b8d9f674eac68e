#include "toolkit/Toolkit.h"

#include "toolkit/Toolkit_p.h"

#include <utility>

namespace {

ModalBoxPresenter& presenter() {
    static ModalBoxPresenter installed;
    return installed;
}

ModalBox::Icon iconFor(unsigned type) {
    using namespace toolkit; // MB_ICONERROR where <windows.h> does not define it
    return (type & MB_ICONERROR) != 0 ? ModalBox::Icon::Error : ModalBox::Icon::Information;
}

std::string captionOf(const char* caption) { return Cp1252ToUtf8(caption != nullptr ? caption : "Error"); }

void present(const ModalBox& box) {
    // A copy, so a presenter may replace itself while its box is open.
    const ModalBoxPresenter current = presenter();
    if (current)
        current(box);
    else
        PresentRealBox(box);
}

} // namespace

ModalBoxPresenter SetModalBoxPresenter(ModalBoxPresenter replacement) {
    return std::exchange(presenter(), std::move(replacement));
}

void ShowMessage(const Text& text) {
    present({ModalBox::Icon::Information, Cp1252ToUtf8(ApplicationTitle()), Cp1252ToUtf8(text)});
}

int toolkit::MessageBoxA(void* /*owner*/, const char* text, const char* caption, unsigned type) {
    present({iconFor(type), captionOf(caption), Cp1252ToUtf8(text != nullptr ? text : "")});
    return 1; // IDOK: the only button
}

int toolkit::MessageBoxA(void* /*owner*/, const SystemText& text, const char* caption, unsigned type) {
    present({iconFor(type), captionOf(caption), text.utf8});
    return 1;
}
