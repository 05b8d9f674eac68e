#include "demo/Demo.h"

#include "app/Application.h"
#include "link/platform/DeviceNames.h"
#include "panel/Unit1.h"

std::unique_ptr<Demo> StartDemo() {
    auto demo = std::make_unique<Demo>();
    for (const char* name : {"Com1", "Com2", "Com3", "Com4", "Com5", "Com6"})
        win32::SetDevicePath(name, demo->controller.Path());
    Application->CreateForm(Form1);
    demo->window = std::make_unique<SimulationWindow>(demo->controller);
    demo->window->move(Form1->geometry().right() + 24, Form1->geometry().top());
    demo->window->show();
    return demo;
}
