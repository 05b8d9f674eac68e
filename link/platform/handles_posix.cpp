// The handles of the open terminals.

#include "link/platform/Handles_p.h"

#include <cstdint>
#include <map>
#include <mutex>

namespace serial {
namespace {

// Handles are numbers handed out once, so a closed or made-up handle is refused, never used.
struct Registry {
    std::mutex lock;
    std::map<std::uintptr_t, Port> ports;
    std::uintptr_t next = 0x100;
};

// Never destroyed: a form released late in the program's end may still close its port.
Registry& registry() {
    static Registry* const instance = new Registry;
    return *instance;
}

} // namespace

HANDLE AddPort(int fd) {
    Registry& all = registry();
    std::lock_guard guard(all.lock);
    const std::uintptr_t handle = all.next++;
    all.ports.emplace(handle, Port{fd});
    return reinterpret_cast<HANDLE>(handle);
}

Port* FindPort(HANDLE handle) {
    Registry& all = registry();
    std::lock_guard guard(all.lock);
    const auto found = all.ports.find(reinterpret_cast<std::uintptr_t>(handle));
    return found != all.ports.end() ? &found->second : nullptr;
}

int RemovePort(HANDLE handle) {
    Registry& all = registry();
    std::lock_guard guard(all.lock);
    const auto found = all.ports.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == all.ports.end()) return -1;
    const int fd = found->second.fd;
    all.ports.erase(found);
    return fd;
}

} // namespace serial
