#include "protocol/LightFrame.h"

#include "link/Link.h"

void SendLightFrame(const std::function<bool(Light)>& isOn) {
    for (const FrameCommand& command : kLightFrame) {
        WriteCommand(Text(1, command.letter), 1);
        WriteCommand(isOn(command.light) ? "y" : "n", 1);
    }
}
