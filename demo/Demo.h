#pragma once
// The panel with a simulated controller instead of a serial port: "Com1" to "Com6" lead to
// the controller's terminal, and its window shows what it received.

#include "demo/SimulationWindow.h"
#include "sim/Controller.h"

#include <memory>

struct Demo {
    sim::Controller controller;
    std::unique_ptr<SimulationWindow> window;
};

// Creates Form1 through the application (after Initialize) and shows the controller's
// window beside it.
std::unique_ptr<Demo> StartDemo();
