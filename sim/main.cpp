// lichtpult-sim: the simulated light controller as a program of its own.
//
//   lichtpult-sim [--behaviour ok|silent|crlf|slow|paced] [--device /dev/ttyUSB0]
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

int usage(const char* program) {
    std::fprintf(stderr, "usage: %s [--behaviour ok|silent|crlf|slow|paced] [--device PATH]\n",
                 program);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string behaviourName = "ok";
    std::string device;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
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
