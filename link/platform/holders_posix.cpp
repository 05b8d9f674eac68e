#include "link/platform/DeviceNames.h"
#include "link/platform/Holders_p.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace win32 {
namespace {

std::string readSmallFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    if (!in) return text;
    char buffer[512];
    in.read(buffer, sizeof buffer);
    text.assign(buffer, static_cast<std::size_t>(in.gcount()));
    return text;
}

// "4:64" as a device number; 0 when it is not one.
dev_t parseDeviceNumber(const std::string& text) {
    unsigned major = 0, minor = 0;
    if (std::sscanf(text.c_str(), "%u:%u", &major, &minor) != 2) return 0;
    return makedev(major, minor);
}

// The device's name below /dev, as the kernel and lock files name it ("ttyS0", "pts/3").
std::string nameBelowDev(const std::string& path) {
    char resolved[PATH_MAX];
    const std::string real = realpath(path.c_str(), resolved) != nullptr ? resolved : path;
    constexpr std::string_view dev = "/dev/";
    return real.starts_with(dev) ? real.substr(dev.size()) : real.substr(real.rfind('/') + 1);
}

bool isNumber(const char* text) {
    if (*text == '\0') return false;
    for (; *text != '\0'; ++text)
        if (!std::isdigit(static_cast<unsigned char>(*text))) return false;
    return true;
}

bool processLives(pid_t pid) { return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM); }

// A lock's pid, written as text (HDB UUCP) or as a binary int (old UUCP); 0 if neither.
pid_t lockOwner(const std::string& content) {
    if (content.size() == sizeof(std::int32_t)) {
        std::int32_t pid = 0;
        std::memcpy(&pid, content.data(), sizeof pid);
        return pid;
    }
    char* end = nullptr;
    const long pid = std::strtol(content.c_str(), &end, 10);
    return end != content.c_str() && pid > 0 && pid <= INT_MAX ? static_cast<pid_t>(pid) : 0;
}

bool lockedByLiveProcess(const std::string& path) {
    std::string name = nameBelowDev(path);
    for (char& c : name)
        if (c == '/') c = '_';
    for (const std::string& folder : SystemFolders(SystemFolder::Locks)) {
        const std::string content = readSmallFile(folder + "/LCK.." + name);
        if (!content.empty() && processLives(lockOwner(content))) return true;
    }
    return false;
}

// /proc/<pid>/stat's tty_nr, in the kernel's own encoding of a device number.
bool controllingTerminalIs(const std::string& stat, dev_t device) {
    const auto close = stat.rfind(')');
    if (close == std::string::npos) return false;
    std::istringstream fields(stat.substr(close + 1));
    std::string state;
    long ppid = 0, group = 0, session = 0;
    unsigned long tty = 0;
    if (!(fields >> state >> ppid >> group >> session >> tty) || tty == 0) return false;
    const unsigned major = (tty >> 8) & 0xfff;
    const unsigned minor = (tty & 0xff) | ((tty >> 12) & 0xfff00);
    return makedev(major, minor) == device;
}

bool hasOpen(int processFolder, dev_t device) {
    const int fds = openat(processFolder, "fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fds < 0) return false; // another user's process: not ours to see
    DIR* dir = fdopendir(fds);
    if (dir == nullptr) {
        ::close(fds);
        return false;
    }
    bool found = false;
    while (const dirent* entry = readdir(dir)) {
        if (!isNumber(entry->d_name)) continue;
        struct stat target{};
        if (fstatat(fds, entry->d_name, &target, 0) == 0 && S_ISCHR(target.st_mode) &&
            target.st_rdev == device) {
            found = true;
            break;
        }
    }
    closedir(dir);
    return found;
}

Holder scanProcesses(dev_t device) {
    const pid_t self = getpid();
    for (const std::string& root : SystemFolders(SystemFolder::Processes)) {
        DIR* dir = opendir(root.c_str());
        if (dir == nullptr) continue;
        Holder found = Holder::None;
        while (const dirent* entry = readdir(dir)) {
            if (!isNumber(entry->d_name) || std::atol(entry->d_name) == self) continue;
            const int process = openat(dirfd(dir), entry->d_name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (process < 0) continue; // ended meanwhile
            std::string stat;
            if (const int f = openat(process, "stat", O_RDONLY | O_CLOEXEC); f >= 0) {
                char buffer[1024];
                const ssize_t n = ::read(f, buffer, sizeof buffer);
                if (n > 0) stat.assign(buffer, static_cast<std::size_t>(n));
                ::close(f);
            }
            if (controllingTerminalIs(stat, device))
                found = Holder::Controlling;
            else if (hasOpen(process, device))
                found = Holder::OpenElsewhere;
            ::close(process);
            if (found != Holder::None) break;
        }
        closedir(dir);
        if (found != Holder::None) return found;
    }
    return Holder::None;
}

} // namespace

bool IsActiveConsole(const std::string& path, dev_t device) {
    const std::string name = nameBelowDev(path);
    for (const std::string& root : SystemFolders(SystemFolder::Terminals)) {
        std::istringstream active(readSmallFile(root + "/console/active"));
        for (std::string console; active >> console;) {
            const dev_t number = parseDeviceNumber(readSmallFile(root + "/" + console + "/dev"));
            if (number != 0) {
                if (number == device) return true;
                continue;
            }
            // Not listed with a number: by its name, or the node of that name.
            struct stat node{};
            if (console == name ||
                (stat(("/dev/" + console).c_str(), &node) == 0 && S_ISCHR(node.st_mode) &&
                 node.st_rdev == device))
                return true;
        }
    }
    return false;
}

Holder FindHolder(const std::string& path, dev_t device) {
    if (lockedByLiveProcess(path)) return Holder::UucpLock;
    return scanProcesses(device);
}

} // namespace win32
