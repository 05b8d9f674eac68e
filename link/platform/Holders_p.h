#pragma once
// Who else holds a terminal, as far as the system lets this process see: Linux has no
// share mode, so an exclusive open looks for the holders Windows would refuse it for.

#include <string>

#include <sys/types.h>

namespace serial {

enum class Holder {
    None,
    UucpLock,     // a lock file naming a live process
    Controlling,  // the controlling terminal of some session
    OpenElsewhere // open in another process
};

// `path` is the device as opened, `device` its device number (st_rdev); `who`, where given,
// receives the holder's process number.
Holder FindHolder(const std::string& path, dev_t device, pid_t* who = nullptr);

// A process's program as the process table names it; empty where it cannot be read.
std::string ProgramName(pid_t pid);

// The device's name below /dev, as the kernel and lock files name it ("ttyS0", "pts/3"), a
// symbolic link followed.
std::string NameBelowDev(const std::string& path);

// Whether the device is an active kernel console.
bool IsActiveConsole(const std::string& path, dev_t device);

} // namespace serial
