#include "link/platform/DeviceNames.h"
#include "link/platform/DeviceNames_p.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

namespace win32 {
namespace {

struct Overrides {
    std::mutex lock;
    std::map<std::string, std::string> byName;
};

Overrides& overrides() {
    static Overrides instance;
    return instance;
}

// Port names are not case-sensitive: "COM1", "Com1" and "com1" are one port.
std::string lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

std::string DevicePath(const std::string& name) {
    const std::string key = lowercase(name);
    {
        Overrides& all = overrides();
        std::lock_guard guard(all.lock);
        if (const auto set = all.byName.find(key); set != all.byName.end()) return set->second;
    }
    return SystemDevicePath(name, key);
}

void SetDevicePath(const std::string& name, const std::string& path) {
    Overrides& all = overrides();
    std::lock_guard guard(all.lock);
    if (path.empty())
        all.byName.erase(lowercase(name));
    else
        all.byName[lowercase(name)] = path;
}

} // namespace win32
