// Where the port names lead on Linux when no table and no test says otherwise, and where the
// system keeps the folders an exclusive open reads.

#include "link/platform/DeviceNames.h"
#include "link/platform/DeviceNames_p.h"

#include <array>

namespace serial {
namespace {

// Onboard ports first, then USB adapters, as Windows usually numbers them.
struct DeviceEntry {
    const char* name;
    const char* path;
};
constexpr std::array<DeviceEntry, 6> kDevices = {{
    {"com1", "/dev/ttyS0"},
    {"com2", "/dev/ttyS1"},
    {"com3", "/dev/ttyUSB0"},
    {"com4", "/dev/ttyUSB1"},
    {"com5", "/dev/ttyACM0"},
    {"com6", "/dev/ttyACM1"},
}};

} // namespace

std::string SystemDevicePath(const std::string& name, const std::string& key) {
    for (const DeviceEntry& entry : kDevices)
        if (key == entry.name) return entry.path;
    // Any other name must be a full path: nothing is looked up relative to the working folder.
    return !name.empty() && name.front() == '/' ? name : std::string();
}

std::vector<std::string> SystemDefaultFolders(SystemFolder folder) {
    switch (folder) {
    case SystemFolder::Processes: return {"/proc"};
    case SystemFolder::Terminals: return {"/sys/class/tty"};
    case SystemFolder::Locks: return {"/var/lock", "/run/lock"};
    }
    return {};
}

} // namespace serial
