#include "link/platform/DeviceNames.h"
#include "link/platform/Holders_p.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include <dirent.h>
#include <sys/syscall.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace serial {
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

// The live process a lock file names, or 0.
pid_t lockingProcess(const std::string& path) {
    std::string name = nameBelowDev(path);
    for (char& c : name)
        if (c == '/') c = '_';
    for (const std::string& folder : SystemFolders(SystemFolder::Locks)) {
        const std::string content = readSmallFile(folder + "/LCK.." + name);
        if (const pid_t owner = content.empty() ? 0 : lockOwner(content); processLives(owner)) return owner;
    }
    return 0;
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

// Link texts that name a device which cannot be this terminal, so following them to the
// node is not needed: the memory devices and the pseudo-terminal multiplexer, everywhere;
// the pseudo-terminal slaves when this terminal is none. Most descriptors of a desktop's
// daemons and shells are among these.
bool namesAnotherDevice(std::string_view text, dev_t device) {
    constexpr std::string_view kOthers[] = {"/dev/null", "/dev/zero",   "/dev/full", "/dev/random",
                                            "/dev/urandom", "/dev/tty", "/dev/ptmx", "/dev/pts/ptmx"};
    if (std::find(std::begin(kOthers), std::end(kOthers), text) != std::end(kOthers)) return true;
    constexpr unsigned kFirstSlave = 136, kLastSlave = 143; // UNIX98 pseudo-terminal slaves
    const bool slave = major(device) >= kFirstSlave && major(device) <= kLastSlave;
    return !slave && text.starts_with("/dev/pts/");
}

bool hasOpen(int processes, pid_t pid, dev_t device) {
    char folder[32];
    std::snprintf(folder, sizeof folder, "%d/fd", int(pid));
    const int fds = openat(processes, folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fds < 0) return false; // another user's process: not ours to see
    bool denied = false;
    const bool stopped = anyNumberedEntry(fds, [&](const char* fd) {
        // Only a device node can be this terminal: sockets, pipes and files are passed over
        // by their link text, without following them.
        char target[16];
        const ssize_t n = readlinkat(fds, fd, target, sizeof target);
        // The right to read a process's links is the same for all of them.
        if (n < 0 && errno == EACCES) return denied = true;
        if (n < 5 || std::memcmp(target, "/dev/", 5) != 0) return false;
        if (std::size_t(n) < sizeof target && namesAnotherDevice({target, std::size_t(n)}, device)) return false;
        struct stat node{};
        return fstatat(fds, fd, &node, 0) == 0 && S_ISCHR(node.st_mode) && node.st_rdev == device;
    });
    ::close(fds);
    return stopped && !denied;
}

// Only a session's leader needs its stat read: the kernel takes the controlling terminal from
// the whole session when the leader ends, and getsid() names the leader for a fraction of what
// assembling a stat line costs. It answers for this process's pid namespace, so it is asked
// only of a process folder that shows that namespace.
bool showsOurProcesses(int processes) {
    char self[16];
    const ssize_t n = readlinkat(processes, "self", self, sizeof self);
    return n > 0 && std::string_view(self, std::size_t(n)) == std::to_string(getpid());
}

// What one process holds of the terminal, looked at through `processes`, a /proc.
Holder heldBy(int processes, pid_t pid, dev_t device, bool live) {
    bool leader = true;
    if (live) {
        const pid_t session = getsid(pid);
        if (session < 0 && errno == ESRCH) return Holder::None; // ended meanwhile
        // 0: a kernel thread, or a session led from outside this namespace.
        leader = session <= 0 || session == pid;
    }
    ProcessStat stat;
    if (leader) {
        char statPath[32];
        std::snprintf(statPath, sizeof statPath, "%d/stat", int(pid));
        const int f = openat(processes, statPath, O_RDONLY | O_CLOEXEC);
        if (f < 0) return Holder::None; // ended meanwhile
        char text[1024];
        const ssize_t n = ::read(f, text, sizeof text);
        ::close(f);
        if (n > 0) stat = parseStat(text, std::size_t(n));
    }
    if (stat.valid && isTerminal(stat.tty, device)) return Holder::Controlling;
    if (!stat.kernelThread && hasOpen(processes, pid, device)) return Holder::OpenElsewhere;
    return Holder::None;
}

// Looks at every process but this one, on as many cores as there are (up to four): each
// descriptor costs a few system calls, and a desktop has thousands of them.
Holder scanFolder(int processes, dev_t device, pid_t& who) {
    const bool live = showsOurProcesses(processes);
    const pid_t self = getpid();
    std::vector<pid_t> pids;
    anyNumberedEntry(processes, [&](const char* name) {
        const long pid = std::strtol(name, nullptr, 10);
        if (pid != self && pid > 0 && pid <= INT_MAX) pids.push_back(static_cast<pid_t>(pid));
        return false;
    });
    std::atomic<std::size_t> next{0};
    std::atomic<Holder> found{Holder::None};
    std::atomic<pid_t> holderPid{0};
    const auto work = [&] {
        while (found.load(std::memory_order_relaxed) == Holder::None) {
            const std::size_t i = next.fetch_add(1, std::memory_order_relaxed);
            if (i >= pids.size()) return;
            const Holder holder = heldBy(processes, pids[i], device, live);
            if (holder != Holder::None) {
                holderPid.store(pids[i]);
                found.store(holder);
            }
        }
    };
    constexpr std::size_t kPerWorker = 64; // below this a thread costs more than it saves
    const std::size_t cores = std::max(1U, std::thread::hardware_concurrency()); // 0: unknown
    const std::size_t helpers = std::min<std::size_t>({cores, 4, pids.size() / kPerWorker + 1}) - 1;
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < helpers; ++i) {
        try {
            workers.emplace_back(work);
        } catch (const std::system_error&) {
            break; // no thread to be had: this one does it all
        }
    }
    work();
    for (std::thread& worker : workers) worker.join();
    who = holderPid.load();
    return found.load();
}

Holder scanProcesses(dev_t device, pid_t& who) {
    for (const std::string& root : SystemFolders(SystemFolder::Processes)) {
        const int processes = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (processes < 0) continue;
        const Holder found = scanFolder(processes, device, who);
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

Holder FindHolder(const std::string& path, dev_t device, pid_t* who) {
    pid_t found = lockingProcess(path);
    const Holder holder = found != 0 ? Holder::UucpLock : scanProcesses(device, found);
    if (who != nullptr) *who = found;
    return holder;
}

std::string NameBelowDev(const std::string& path) { return nameBelowDev(path); }

std::string ProgramName(pid_t pid) {
    for (const std::string& root : SystemFolders(SystemFolder::Processes)) {
        std::string name = readSmallFile(root + "/" + std::to_string(pid) + "/comm");
        while (!name.empty() && (name.back() == '\n' || name.back() == '\0')) name.pop_back();
        if (!name.empty()) return name;
    }
    return {};
}

} // namespace serial
