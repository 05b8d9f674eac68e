// lichtpult-sim: the simulated light controller as a program of its own.
//
//   lichtpult-sim [--behaviour ok|silent|crlf|slow|paced] [--device /dev/ttyUSB0]
//   lichtpult-sim --help | --version
//
// Without --device it makes a new pseudo-terminal and prints its path on the first line, for
// the panel (or anything else) to open; with --device it plays the controller on that serial
// port, e.g. across a null-modem cable. Each complete frame it receives is printed as one
// line. It runs until interrupted.

#include "sim/Controller.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>

namespace {

void printUsage(std::FILE* to, const char* program) {
    std::fprintf(to,
                 "usage: %s [--behaviour ok|silent|crlf|slow|paced] [--device PATH]\n"
                 "       %s --help | --version\n"
                 "\n"
                 "Plays the light controller: answers each byte the panel sends and prints each\n"
                 "complete light frame it receives as one line. Without --device it opens a new\n"
                 "pseudo-terminal and prints its path first; it runs until interrupted.\n"
                 "\n"
                 "  --behaviour NAME  how it answers: ok (\"ok\" at once, the default), silent\n"
                 "                    (never), crlf (\"ok\" and a line end), slow (after 10 ms),\n"
                 "                    paced (at 9600 baud, as on a real line)\n"
                 "  --device PATH     a serial port to play on, e.g. across a null-modem cable\n"
                 "  --help            this text\n"
                 "  --version         the version\n",
                 program, program);
}

int usage(const char* program) {
    printUsage(stderr, program);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string behaviourName = "ok";
    std::string device;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help") {
            printUsage(stdout, argv[0]);
            return 0;
        }
        if (option == "--version") {
            std::printf("lichtpult-sim %s\n", LICHTPULT_VERSION);
            return 0;
        }
        if ((option == "--behaviour" || option == "--device") && i + 1 < argc)
            (option == "--device" ? device : behaviourName) = argv[++i];
        else
            return usage(argv[0]);
    }
    const auto behaviour = sim::BehaviourNamed(behaviourName);
    if (!behaviour) return usage(argv[0]);

    // Only the main thread takes the signals, waiting for them below.
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGINT);
    sigaddset(&stop, SIGTERM);
    sigaddset(&stop, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stop, nullptr);

    std::unique_ptr<sim::Controller> controller;
    try {
        controller = device.empty() ? std::make_unique<sim::Controller>(*behaviour)
                                    : std::make_unique<sim::Controller>(*behaviour, device);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lichtpult-sim: %s\n", error.what());
        return 1;
    }
    std::printf("%s\n", controller->Path().c_str());
    std::fflush(stdout);

    std::mutex printing;
    std::size_t printed = 0;
    controller->OnActivity([&] {
        std::lock_guard lock(printing);
        const auto frames = controller->Frames();
        for (; printed < frames.size(); ++printed)
            std::printf("Rahmen %zu: %s\n", printed + 1, sim::Describe(frames[printed]).c_str());
        std::fflush(stdout);
    });

    int signal = 0;
    sigwait(&stop, &signal);
    controller->OnActivity({});
    return 0;
}
