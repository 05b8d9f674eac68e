// Where Windows keeps the port table files, how one is read, and what a device is here.

#include "link/platform/DeviceNames_p.h"

#include <windows.h>

namespace serial {

// Every port opens through its device path, so COM10 and up open too.
std::string SystemDevicePath(const std::string& name, const std::string& /*key*/) {
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return "\\\\.\\" + upper;
}

std::pair<std::string, std::string> PortTableFiles() { return {}; }

std::optional<std::string> ReadTableFile(const std::string& /*file*/, std::vector<TableProblem>& /*problems*/) {
    return std::nullopt;
}

std::string TableDevice(const std::string& written, std::string& /*problem*/) { return written; }

PortState DeviceState(const std::string& name) {
    PortState state;
    state.device = DevicePath(name);
    state.ignored = IgnoredLinesOf(name);
    return state;
}

} // namespace serial
