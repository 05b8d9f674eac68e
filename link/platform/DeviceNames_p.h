#pragma once
// Each operating system's file says where a port name leads when nothing was set for it.

#include <string>

namespace win32 {

// `key` is the name in lower case.
std::string SystemDevicePath(const std::string& name, const std::string& key);

} // namespace win32
