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
constexpr auto kDevices = std::to_array<DeviceEntry>({
    {"com1", "/dev/ttyS0"},
    {"com2", "/dev/ttyS1"},
    {"com3", "/dev/ttyUSB0"},
    {"com4", "/dev/ttyUSB1"},
    {"com5", "/dev/ttyACM0"},
    {"com6", "/dev/ttyACM1"},
});

constexpr bool sameIgnoringCase(const char* a, const char* b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (; *a != '\0' && lower(*a) == lower(*b); ++a, ++b) {}
    return lower(*a) == lower(*b);
}

constexpr bool everyPortNameLeadsSomewhere() {
    for (const char* port : kPortNames) {
        bool found = false;
        for (const DeviceEntry& entry : kDevices) found = found || sameIgnoringCase(port, entry.name);
        if (!found) return false;
    }
    return kDevices.size() == kPortNames.size();
}
static_assert(everyPortNameLeadsSomewhere(), "each name of kPortNames needs its device in kDevices");

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
