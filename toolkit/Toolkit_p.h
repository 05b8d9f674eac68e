#pragma once
// What the toolkit core needs from the build's user interface: a real box, and the title
// information boxes carry. A Qt file provides them for the programs, a console file for the
// Windows console tests.

#include "toolkit/Toolkit.h"

void PresentRealBox(const ModalBox& box);
Text ApplicationTitle();
