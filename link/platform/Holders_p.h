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

// `path` is the device as opened, `device` its device number (st_rdev).
Holder FindHolder(const std::string& path, dev_t device);

// Whether the device is an active kernel console.
bool IsActiveConsole(const std::string& path, dev_t device);

} // namespace serial
