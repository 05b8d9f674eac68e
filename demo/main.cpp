// lichtpult-demo: the panel against a simulated controller, no hardware needed.

#include "demo/Demo.h"
#include "panel/LinkBinding.h"
#include "panel/Unit1.h"
#include "toolkit/Application.h"
#include "toolkit/qt/Controls_qt.h"

int main() {
    // The link's echoes, outcomes and error boxes as the toolkit's boxes.
    BindLinkToToolkit();
    const ApplicationLifetime lifetime;
    try {
        Application->Initialize();
        const auto demo = StartDemo();
        // The demo is two windows of one program: closing either ends it.
        CloseEndsRun closeEndsRun;
        demo->window->installEventFilter(&closeEndsRun);
        Application->Run();
        // The panel lets go of the terminal before the controller behind it goes away.
        delete Form1;
        Form1 = nullptr;
    } catch (...) {
        Application->ShowHandledException();
    }
    return 0;
}
