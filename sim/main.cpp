// lichtpult-sim: the simulated light controller as a program of its own.
//
//   lichtpult-sim [--behaviour ok|silent|crlf|slow|paced|hangup] [--device /dev/ttyUSB0]
//                 [--exchanges FILE]
//   lichtpult-sim --help | --version
//
// Without --device it makes a new pseudo-terminal and prints its path on the first line, for
// the panel (or anything else) to open; with --device it plays the controller on that serial
// port, e.g. across a null-modem cable. Each complete frame it receives is printed as one
// line. With --exchanges it also writes each byte received and each answer written to FILE,
// stamped with the raw monotonic clock, which Wine's performance counter also reads. It runs
// until interrupted.

#include "sim/Controller.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>


namespace {

void printUsage(std::FILE* to, const char* program) {
    std::fprintf(to,
                 "usage: %s [--behaviour ok|silent|crlf|slow|paced|hangup] [--device PATH]\n"
                 "           [--exchanges FILE]\n"
                 "       %s --help | --version\n"
                 "\n"
                 "Plays the light controller: answers each byte the panel sends and prints each\n"
                 "complete light frame it receives as one line. Without --device it opens a new\n"
                 "pseudo-terminal and prints its path first; it runs until interrupted.\n"
                 "\n"
                 "  --behaviour NAME  how it answers: ok (\"ok\" at once, the default), silent\n"
                 "                    (never), crlf (\"ok\" and a line end), slow (after 10 ms),\n"
                 "                    paced (at 9600 baud, as on a real line), hangup (hangs\n"
                 "                    up at the first byte, unanswered)\n"
                 "  --device PATH     a serial port to play on, e.g. across a null-modem cable\n"
                 "  --exchanges FILE  writes each byte received and each answer to FILE, one a\n"
                 "                    line: microseconds of the raw monotonic clock, \"in\" or\n"
                 "                    \"out\", and the bytes' count\n"
                 "  --help            this text\n"
                 "  --version         the version\n",
                 program, program);
}

// One line of the exchanges file: the event's moment on the raw monotonic clock.
void stamp(std::FILE* to, const char* direction, const sim::Event& event) {
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(event.at.time_since_epoch());
    std::fprintf(to, "%lld %s %zu\n", static_cast<long long>(us.count()), direction, event.bytes.size());
}

int usage(const char* program) {
    printUsage(stderr, program);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string behaviourName = "ok";
    std::string device;
    std::string exchangesFile;
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
        if ((option == "--behaviour" || option == "--device" || option == "--exchanges") && i + 1 < argc)
            (option == "--device" ? device : option == "--exchanges" ? exchangesFile : behaviourName) = argv[++i];
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

    std::FILE* exchanges = nullptr;
    if (!exchangesFile.empty() && (exchanges = std::fopen(exchangesFile.c_str(), "w")) == nullptr) {
        std::fprintf(stderr, "lichtpult-sim: %s: %s\n", exchangesFile.c_str(), std::strerror(errno));
        return 1;
    }

    std::unique_ptr<sim::Controller> controller;
    try {
        controller = device.empty() ? std::make_unique<sim::Controller>(*behaviour)
                                    : std::make_unique<sim::Controller>(*behaviour, device);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lichtpult-sim: %s\n", error.what());
        return 1;
    }

    std::mutex printing;
    std::size_t printed = 0, received = 0, answered = 0;
    controller->OnActivity([&] {
        std::lock_guard lock(printing);
        const auto frames = controller->Frames();
        for (; printed < frames.size(); ++printed)
            std::printf("Rahmen %zu: %s\n", printed + 1, sim::Describe(frames[printed]).c_str());
        std::fflush(stdout);
        if (exchanges == nullptr) return;
        const auto in = controller->Received();
        const auto out = controller->Answers();
        for (; received < in.size(); ++received) stamp(exchanges, "in", in[received]);
        for (; answered < out.size(); ++answered) stamp(exchanges, "out", out[answered]);
        std::fflush(exchanges);
    });
    // Announced only now: a panel may open the terminal and write the moment it knows the path.
    std::printf("%s\n", controller->Path().c_str());
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stop, &signal);
    controller->OnActivity({});
    if (exchanges != nullptr) std::fclose(exchanges);
    return 0;
}
