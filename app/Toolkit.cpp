#include "app/Toolkit.h"

#include "app/Application.h"
#include "app/Cp1252.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <system_error>
#include <utility>

namespace {

ModalBoxPresenter& presenter() {
    static ModalBoxPresenter installed;
    return installed;
}

void presentForReal(const ModalBox& box) {
    if (QApplication::instance() == nullptr) {
        // Too early or too late for a window: the user still gets to read it.
        std::fprintf(stderr, "%s: %s\n", box.caption.c_str(), box.text.c_str());
        return;
    }
    QMessageBox message(box.icon == ModalBox::Icon::Error ? QMessageBox::Critical
                                                          : QMessageBox::Information,
                        Cp1252ToQString(box.caption), Cp1252ToQString(box.text), QMessageBox::Ok);
    message.setTextFormat(Qt::PlainText);
    message.setWindowModality(Qt::ApplicationModal);
    message.exec();
}

void present(const ModalBox& box) {
    // A copy, so a presenter may replace itself while its box is open.
    const ModalBoxPresenter current = presenter();
    if (current)
        current(box);
    else
        presentForReal(box);
}

} // namespace

ModalBoxPresenter SetModalBoxPresenter(ModalBoxPresenter replacement) {
    return std::exchange(presenter(), std::move(replacement));
}

void ShowMessage(const Text& text) {
    present({ModalBox::Icon::Information, Application->Title(), text});
}

Text SysErrorMessage(std::uint32_t code) {
    return std::system_category().message(static_cast<int>(code));
}

int MessageBoxA(void* /*owner*/, const char* text, const char* caption, unsigned type) {
    const auto icon = (type & MB_ICONERROR) != 0 ? ModalBox::Icon::Error : ModalBox::Icon::Information;
    present({icon, caption != nullptr ? caption : "Error", text != nullptr ? text : ""});
    return 1; // IDOK: the only button
}
