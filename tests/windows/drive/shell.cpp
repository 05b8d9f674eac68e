// Requests to the shell beside, one file each way.

#include "tests/windows/drive/Shell.h"

#include "tests/windows/drive/Program.h"

#include <windows.h>

namespace drive {

std::string syncFolder;

// The answer is taken away once read: X gives a new program's window the number of one that
// has gone, and an old answer for that number must not stand for the new window.
bool request(const std::string& name) {
    const std::string asked = syncFolder + "\\" + name + ".request";
    const std::string done = syncFolder + "\\" + name + ".done";
    DeleteFileA(done.c_str());
    HANDLE file = CreateFileA(asked.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    const bool answered = waitFor([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
    DeleteFileA(done.c_str());
    return answered;
}

} // namespace drive
