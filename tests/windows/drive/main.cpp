// Drives the real lichtpult.exe as a user would, from a console program in the same Wine
// prefix: it starts the program, finds its window, clicks at the layout's coordinates and types
// with SendInput, reads each message box's title, text and icon, and confirms it. One scenario
// per run, since each wants the controller to behave differently: run_under_wine.sh leads COM1
// to that controller first, and takes requests in SYNC-FOLDER. Prints PASS and FAIL lines.
//
//   lichtpult-drive SCENARIO LICHTPULT.EXE SYNC-FOLDER    (exit status: the number of FAILs)

#include "tests/windows/drive/Drive.h"

using namespace drive;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s SCENARIO LICHTPULT.EXE SYNC-FOLDER\n", argv[0]);
        return 2;
    }
    const std::string scenario = argv[1];
    syncFolder = argv[3];
    panelExe = argv[2];
    const std::map<std::string, Scenario*> scenarios = {
        {"start-up", startUp}, {"connect", connect}, {"dipped-beam", dippedBeam}, {"silent", silentController},
        {"com2", portLedNowhere}, {"hang-up", lineHungUp}, {"keyboard", keyboardOnly}, {"close", closing},
        {"bench", benchmark}, {"set-up-errors", setUpErrors}, {"late-answer", lateAnswer},
        {"code-page", otherCodePage}, {"system-words", systemWordsInTheBox}, {"manifest", manifest},
        {"scale-96", scale}, {"scale-144", scale}, {"scale-192", scale}, {"table-user", portTable},
        {"table-none", portTable}, {"table-machine", portTable}, {"table-both", portTable},
        {"table-hints", portHints},
    };
    // As the shell and the picture see the screen: in its own pixels, whatever its scale.
    SetProcessDPIAware();
    if (scenario.rfind("scale-", 0) == 0) displayDpi = std::stoi(scenario.substr(6));
    const auto found = scenarios.find(scenario);
    if (found == scenarios.end()) {
        std::fprintf(stderr, "no scenario %s\n", scenario.c_str());
        return 2;
    }
    Program program;
    if (start(program, argv[2])) {
        found->second(program);
        if (scenario != "close" && scenario != "bench") endsWithExitCodeZero(program);
    }
    if (program.process.hProcess != nullptr) stop(program);
    return failures;
}
