#pragma once
// The scenarios the command line names, one run each: each gets the program started, its
// window found, and checks what a user would see.

#include "tests/windows/drive/Program.h"

namespace drive {

// The window and its connection (scenarios_connection.cpp).
void startUp(Program& program);
void connect(Program& program);
void dippedBeam(Program& program);
void silentController(Program& program);
void setUpErrors(Program& program);
void lateAnswer(Program& program);
void lineHungUp(Program& program);
void keyboardOnly(Program& program);
void closing(Program& program);

// The ports: one that leads nowhere, port tables, tooltips (scenarios_ports.cpp).
void portLedNowhere(Program& program);
void otherCodePage(Program& program);
void portTable(Program& program);
void portHints(Program& program);

// What the system gives: its words in another language, the manifest, the display's scale
// (scenarios_system.cpp).
void systemWordsInTheBox(Program& program);
void manifest(Program& program);
void scale(Program& program);

// The figures, each beside its floor (bench.cpp).
void benchmark(Program& first);

} // namespace drive
