#pragma once
// Sending the light state frame over the link.

#include "protocol/Lights.h"

#include <functional>

// Sends the whole frame, asking `isOn` for each light as its command comes up.
void SendLightFrame(const std::function<bool(Light)>& isOn);
