// The panel's program entry. It takes nothing from the command line and always returns 0.

#include "link/platform/DeviceNames.h"
#include "panel/LinkBinding.h"
#include "panel/Unit1.h"
#include "toolkit/Application.h"

#include <cstdio>

int main() {
    // The link's echoes, outcomes and error boxes as the toolkit's boxes.
    BindLinkToToolkit();
    // Where each port name leads on this machine, for this user: read once, before the window.
    serial::ReadPortTables(stderr);
    // The window lets go of its port, and the toolkit ends, before main returns.
    const ApplicationLifetime lifetime;
    try {
        Application->Initialize();
        Application->CreateForm(Form1);
        Application->Run();
    } catch (const Exception& exception) {
        Application->ShowException(exception);
    } catch (...) {
        try {
            throw Exception("");
        } catch (const Exception& exception) {
            Application->ShowException(exception);
        }
    }
    return 0;
}
