#include "protocol/LightFrame.h"

#include "link/Link.h"
#include "panel/Unit1.h"

#include <array>

namespace {

struct Command {
    char letter;
    TCheckBox* TForm1::*box;
};

// The hazard lights have no letter of their own: they are sent under both indicator letters
// after the indicators, so the last state each indicator receives is the hazard state.
constexpr std::array<Command, 14> kFrame = {{
    {'a', &TForm1::Abblendlicht},
    {'c', &TForm1::Fernlicht},
    {'b', &TForm1::Standlicht},
    {'j', &TForm1::Parklicht},
    {'e', &TForm1::Links},
    {'f', &TForm1::Rechts},
    {'e', &TForm1::Warnblinklicht},
    {'f', &TForm1::Warnblinklicht},
    {'k', &TForm1::Abblendlicht_auto},
    {'l', &TForm1::Fernlicht_auto},
    {'g', &TForm1::Nebelscheinwerfer},
    {'h', &TForm1::Nebelschlussleuchte},
    {'i', &TForm1::Innenraum},
    {'d', &TForm1::Rueckwaerts},
}};

} // namespace

void SendLightStates() {
    for (const Command& command : kFrame) {
        WriteCommand(Text(1, command.letter), 1);
        WriteCommand((Form1->*command.box)->Checked() ? "y" : "n", 1);
    }
}
