#pragma once
// Where the port names "Com1" to "Com6" lead on this system. On Windows they are the system's
// own names; elsewhere they map to a fixed table of device paths, which a test or a demo may
// point at other devices from inside the process.

#include <string>

namespace win32 {

// The device a port name opens, or the name itself when it is no port name of the table.
std::string DevicePath(const std::string& name);

// Points a port name at another device for the rest of the process; an empty path restores
// the table's device.
void SetDevicePath(const std::string& name, const std::string& path);

} // namespace win32
