#pragma once
// Each operating system's file says where a port name leads when nothing was set for it.

#include "link/platform/DeviceNames.h"

#include <string>
#include <vector>

namespace serial {

// `key` is the name in lower case.
std::string SystemDevicePath(const std::string& name, const std::string& key);

// Where the system keeps each of the folders an exclusive open reads.
std::vector<std::string> SystemDefaultFolders(SystemFolder folder);

} // namespace serial
