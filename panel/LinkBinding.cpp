#include "panel/LinkBinding.h"

#include "link/Messages.h"
#include "toolkit/Toolkit.h"

void BindLinkToToolkit() {
    lichtpult::link::BindMessages(
        [](const Text& text) { ShowMessage(text); },
        [](void* owner, const SystemText& text, const char* caption, unsigned type) {
            return toolkit::MessageBoxA(owner, text, caption, type);
        });
}
