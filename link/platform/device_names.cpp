#include "link/platform/DeviceNames.h"
#include "link/platform/DeviceNames_p.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

namespace serial {
namespace {

struct Overrides {
    std::mutex lock;
    std::map<std::string, std::string> byName;
    std::map<std::string, std::string> fromTables;
    std::map<SystemFolder, std::string> folders;
};

// Never destroyed, like the ports: a late open or close may still look a name up.
Overrides& overrides() {
    static Overrides* const instance = new Overrides;
    return *instance;
}

// Port names are not case-sensitive: "COM1", "Com1" and "com1" are one port.
std::string lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// An empty path forgets the name.
void setPath(std::map<std::string, std::string> Overrides::*paths, const std::string& name,
             const std::string& path) {
    Overrides& all = overrides();
    std::lock_guard guard(all.lock);
    if (path.empty())
        (all.*paths).erase(lowercase(name));
    else
        (all.*paths)[lowercase(name)] = path;
}

} // namespace

std::string DevicePath(const std::string& name) {
    const std::string key = lowercase(name);
    {
        Overrides& all = overrides();
        std::lock_guard guard(all.lock);
        if (const auto set = all.byName.find(key); set != all.byName.end()) return set->second;
        if (const auto set = all.fromTables.find(key); set != all.fromTables.end()) return set->second;
    }
    return SystemDevicePath(name, key);
}

void SetTableDevicePath(const std::string& name, const std::string& path) {
    setPath(&Overrides::fromTables, name, path);
}

void SetDevicePath(const std::string& name, const std::string& path) {
    setPath(&Overrides::byName, name, path);
}

void SetSystemFolder(SystemFolder folder, const std::string& path) {
    Overrides& all = overrides();
    std::lock_guard guard(all.lock);
    if (path.empty())
        all.folders.erase(folder);
    else
        all.folders[folder] = path;
}

std::vector<std::string> SystemFolders(SystemFolder folder) {
    {
        Overrides& all = overrides();
        std::lock_guard guard(all.lock);
        if (const auto set = all.folders.find(folder); set != all.folders.end()) return {set->second};
    }
    return SystemDefaultFolders(folder);
}

} // namespace serial
