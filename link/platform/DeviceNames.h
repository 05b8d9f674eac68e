#pragma once
// Where the port names "Com1" to "Com6" lead on this system. On Windows they are the system's
// own names; elsewhere they map to a fixed table of device paths, which a test or a demo may
// point at other devices from inside the process.

#include <array>
#include <string>
#include <vector>

namespace serial {

// The names of the ports a user can choose.
inline constexpr std::array<const char*, 6> kPortNames = {"Com1", "Com2", "Com3", "Com4", "Com5", "Com6"};

// The device a port name opens, or the name itself when it is no port name of the table.
std::string DevicePath(const std::string& name);

// Points a port name at another device for the rest of the process; an empty path restores
// the table's device.
void SetDevicePath(const std::string& name, const std::string& path);

// The places an exclusive open reads to see who else holds a terminal: the process table
// (/proc), the terminal classes (/sys/class/tty) and the UUCP lock folders (/var/lock and
// /run/lock). A test may point each at a folder of its own for the rest of the process; an
// empty path restores the system's.
enum class SystemFolder { Processes, Terminals, Locks };
void SetSystemFolder(SystemFolder folder, const std::string& path);

// The folders read for `folder`: the one set, or the system's.
std::vector<std::string> SystemFolders(SystemFolder folder);

} // namespace serial
