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
#include <sys/syscall.h>
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

// The fields of /proc/<pid>/stat this needs: the controlling terminal (tty_nr, in the
// kernel's own encoding of a device number) and whether it is a kernel thread.
struct ProcessStat {
    bool valid = false;
    unsigned long tty = 0;
    bool kernelThread = false;
};

ProcessStat parseStat(const char* text, std::size_t size) {
    const std::string_view stat(text, size);
    const auto close = stat.rfind(')');
    if (close == std::string_view::npos) return {};
    std::istringstream fields(std::string(stat.substr(close + 1)));
    std::string state;
    long ppid = 0, group = 0, session = 0, foregroundGroup = 0;
    unsigned long tty = 0, flags = 0;
    if (!(fields >> state >> ppid >> group >> session >> tty >> foregroundGroup >> flags)) return {};
    constexpr unsigned long kKernelThread = 0x00200000; // PF_KTHREAD
    return {true, tty, (flags & kKernelThread) != 0};
}

bool isTerminal(unsigned long tty, dev_t device) {
    if (tty == 0) return false;
    const unsigned major = (tty >> 8) & 0xfff;
    const unsigned minor = (tty & 0xff) | ((tty >> 12) & 0xfff00);
    return makedev(major, minor) == device;
}

// Calls `each` with every numeric name in the folder open at `dir`; stops when it returns
// true. Raw getdents64: one open and a couple of calls per folder, nothing else.
template <class Each>
bool anyNumberedEntry(int dir, Each each) {
    alignas(dirent64) char buffer[8192];
    for (;;) {
        const long n = syscall(SYS_getdents64, dir, buffer, sizeof buffer);
        if (n <= 0) return false;
        for (long offset = 0; offset < n;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + offset);
            offset += entry->d_reclen;
            if (isNumber(entry->d_name) && each(entry->d_name)) return true;
        }
    }
}

bool hasOpen(int processes, const char* pid, dev_t device) {
    const std::string folder = std::string(pid) + "/fd";
    const int fds = openat(processes, folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fds < 0) return false; // another user's process: not ours to see
    const bool found = anyNumberedEntry(fds, [&](const char* fd) {
        // Only a device node can be this terminal: sockets, pipes and files are passed over
        // by their link text, without following them.
        char target[16];
        const ssize_t n = readlinkat(fds, fd, target, sizeof target);
        if (n < 5 || std::memcmp(target, "/dev/", 5) != 0) return false;
        struct stat node{};
        return fstatat(fds, fd, &node, 0) == 0 && S_ISCHR(node.st_mode) && node.st_rdev == device;
    });
    ::close(fds);
    return found;
}

Holder scanProcesses(dev_t device) {
    const std::string self = std::to_string(getpid());
    for (const std::string& root : SystemFolders(SystemFolder::Processes)) {
        const int processes = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (processes < 0) continue;
        Holder found = Holder::None;
        anyNumberedEntry(processes, [&](const char* pid) {
            if (self == pid) return false;
            const std::string statPath = std::string(pid) + "/stat";
            const int f = openat(processes, statPath.c_str(), O_RDONLY | O_CLOEXEC);
            if (f < 0) return false; // ended meanwhile
            char text[1024];
            const ssize_t n = ::read(f, text, sizeof text);
            ::close(f);
            const ProcessStat stat = n > 0 ? parseStat(text, std::size_t(n)) : ProcessStat{};
            if (stat.valid && isTerminal(stat.tty, device))
                found = Holder::Controlling;
            else if (!stat.kernelThread && hasOpen(processes, pid, device))
                found = Holder::OpenElsewhere;
            return found != Holder::None;
        });
        ::close(processes);
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
