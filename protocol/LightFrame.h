#pragma once
// The light state frame: fourteen commands, a command letter and "y" or "n", that carry the
// state of every light box of the window to the controller.

// Sends the whole frame, reading each box as its row comes up.
void SendLightStates();
