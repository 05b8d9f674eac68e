// Boxes for programs without a window: each box is one line on standard output.

#include "app/Toolkit_p.h"

#include <cstdio>

void PresentRealBox(const ModalBox& box) {
    std::printf("[%s%s] %s\n", box.icon == ModalBox::Icon::Error ? "error: " : "",
                box.caption.c_str(), box.text.c_str());
}

Text ApplicationTitle() { return "lichtpult"; }
