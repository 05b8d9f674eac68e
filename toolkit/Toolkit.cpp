#include "toolkit/Toolkit.h"

#include "toolkit/Toolkit_p.h"

#include <utility>

namespace {

ModalBoxPresenter& presenter() {
    static ModalBoxPresenter installed;
    return installed;
}

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
    present({ModalBox::Icon::Information, ApplicationTitle(), text});
}

int toolkit::MessageBoxA(void* /*owner*/, const char* text, const char* caption, unsigned type) {
    const auto icon = (type & MB_ICONERROR) != 0 ? ModalBox::Icon::Error : ModalBox::Icon::Information;
    present({icon, caption != nullptr ? caption : "Error", text != nullptr ? text : ""});
    return 1; // IDOK: the only button
}
