#pragma once
// The window as the program creates it, pointed at test devices.

#include <string>

// Creates Form1 afresh through the application object, replacing an earlier one.
void CreatePanel();

// Points "Com1" at the device and clicks "verbinden".
void ConnectPanel(const std::string& device);
