// Opens a terminal exclusively, as the panel opens its port, and closes it again. Exit status
// 0 when the open succeeded, 1 when it was refused (the system's text on stderr).
//
//   open_port PATH

#include "link/platform/SysError.h"
#include "link/platform/Win32Serial.h"

#include <cstdio>

int main(int argc, char** argv) {
    using namespace serial;
    if (argc != 2) return 2;
    const HANDLE port = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "%s: %s\n", argv[1], SysErrorMessage(GetLastError()).utf8.c_str());
        return 1;
    }
    CloseHandle(port);
    return 0;
}
