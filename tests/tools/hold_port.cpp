// Holds a terminal the way another program would, for the rows of the exclusive open that need
// a second process. Prints one line once it holds what it was asked to ("held", or "refused N"
// with the error number when the open was refused), then keeps it until its standard input
// closes. Exit status 0, or 2 for a wrong command line.
//
//   hold_port [--as-nobody] exclusive PATH    opened as the panel opens its port
//   hold_port plain PATH                      opened with no lock and no exclusive flag
//   hold_port controlling PATH                the controlling terminal of a new session,
//                                             with no descriptor left open on it
//   hold_port nothing                         holds nothing: a live process of known pid
//
// --as-nobody: when run as root, first becomes user and group 65534 with no other groups,
// so that file modes apply as they do to a normal user.

#include "link/platform/Win32Serial.h"

#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <grp.h>
#include <sys/prctl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

void waitForRelease() {
    char byte;
    while (read(STDIN_FILENO, &byte, 1) > 0) {
    }
}

int report(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    int first = 1;
    if (argc > first && std::strcmp(argv[first], "--as-nobody") == 0) {
        ++first;
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
            std::perror("hold_port: cannot become user 65534");
            return 2;
        }
        // Having changed its user, the process may no longer read its own /proc entries, and a
        // leak checker that lists its threads there at exit fails.
        prctl(PR_SET_DUMPABLE, 1);
    }
    const int args = argc - first;
    const char* mode = args >= 1 ? argv[first] : "";
    const char* path = args >= 2 ? argv[first + 1] : nullptr;

    if (std::strcmp(mode, "nothing") == 0 && args == 1) {
        report("held");
    } else if (std::strcmp(mode, "exclusive") == 0 && args == 2) {
        using namespace serial;
        const HANDLE port =
            CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (port == INVALID_HANDLE_VALUE) {
            char line[32];
            std::snprintf(line, sizeof line, "refused %u", unsigned(GetLastError()));
            report(line);
            waitForRelease();
            return 0;
        }
        report("held");
        waitForRelease();
        CloseHandle(port);
        return 0;
    } else if (std::strcmp(mode, "plain") == 0 && args == 2) {
        if (open(path, O_RDWR | O_NOCTTY | O_CLOEXEC) < 0) {
            std::perror(path);
            return 1;
        }
        report("held");
    } else if (std::strcmp(mode, "controlling") == 0 && args == 2) {
        if (setsid() < 0) return 1;
        const int fd = open(path, O_RDWR);
        if (fd < 0 || ioctl(fd, TIOCSCTTY, 0) != 0) {
            std::perror(path);
            return 1;
        }
        close(fd); // the session keeps the terminal, no descriptor does
        report("held");
    } else {
        std::fprintf(stderr, "usage: hold_port [--as-nobody] exclusive|plain|controlling PATH | nothing\n");
        return 2;
    }
    waitForRelease();
    return 0;
}
