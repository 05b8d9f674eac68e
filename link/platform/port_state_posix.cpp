// What a port's tooltip can tell on Linux without opening the device: where it leads, the
// adapter's name as the kernel has it from the device, and why an open would be refused.

#include "link/platform/DeviceNames.h"
#include "link/platform/DeviceNames_p.h"
#include "link/platform/Holders_p.h"

#include <fstream>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace serial {
namespace {

std::string firstLine(const std::string& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// A USB adapter names itself in its device's descriptor (product), a few folders above the
// terminal's own device entry; an onboard port has none.
std::string adapterName(const std::string& path) {
    for (const std::string& root : SystemFolders(SystemFolder::Terminals)) {
        std::string folder = root + "/" + NameBelowDev(path) + "/device";
        for (int up = 0; up < 4; ++up, folder += "/..")
            if (std::string product = firstLine(folder + "/product"); !product.empty()) return product;
    }
    return {};
}

} // namespace

PortState DeviceState(const std::string& name) {
    PortState state;
    state.device = DevicePath(name);
    state.ignored = IgnoredLinesOf(name);
    struct stat node{};
    if (state.device.empty() || stat(state.device.c_str(), &node) != 0) {
        state.present = false;
        return state;
    }
    state.adapter = adapterName(state.device);
    // A console first: joining its group would not help, the panel never opens one.
    const bool terminal = S_ISCHR(node.st_mode);
    pid_t holder = 0;
    if (terminal && IsActiveConsole(state.device, node.st_rdev)) {
        state.refusal = PortState::Refusal::Console;
    } else if (access(state.device.c_str(), R_OK | W_OK) != 0) {
        state.refusal = PortState::Refusal::NoPermission;
        const group* owner = getgrgid(node.st_gid);
        state.group = owner != nullptr ? owner->gr_name : std::to_string(node.st_gid);
    } else if (terminal && FindHolder(state.device, node.st_rdev, &holder) != Holder::None) {
        state.refusal = PortState::Refusal::Held;
        state.holderPid = holder;
        state.holder = holder != 0 ? ProgramName(holder) : std::string();
    }
    return state;
}

} // namespace serial
