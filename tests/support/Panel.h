#pragma once
// The window as the program creates it, pointed at test devices.

#include "toolkit/Controls.h"

#include <string>
#include <vector>

// Creates Form1 afresh through the application object, replacing an earlier one.
void CreatePanel();

// Points "Com1" at the device and clicks "verbinden".
void ConnectPanel(const std::string& device);

// Every control of that type below `root`, parents before their children.
template <class Control>
std::vector<Control*> ControlsOf(const TControl* root) {
    std::vector<Control*> found;
    for (TControl* child : root->Controls()) {
        if (auto* control = dynamic_cast<Control*>(child)) found.push_back(control);
        for (Control* below : ControlsOf<Control>(child)) found.push_back(below);
    }
    return found;
}

// The control of that type and name below `root`, or nullptr.
template <class Control = TControl>
Control* FindControl(const TControl* root, const std::string& name) {
    for (Control* control : ControlsOf<Control>(root))
        if (control->Name() == name) return control;
    return nullptr;
}
