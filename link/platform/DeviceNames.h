#pragma once
// Where the port names "Com1" to "Com6" lead on this system. On Windows they are the system's
// own names; elsewhere they map to a table of device paths, which the machine's and the user's
// port table files may change at start, and a test or a demo from inside the process.

#include <array>
#include <cstdio>
#include <optional>
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

// Whether the device a port name leads to is there now, a symbolic link followed; nothing
// is known on Windows, where the names are the system's.
std::optional<bool> DevicePresent(const std::string& name);

// Reads the port table files, once, at start: the machine's (/etc/lichtpult/ports.conf),
// then the user's ($XDG_CONFIG_HOME/lichtpult/ports.conf, ~/.config/… when that is unset),
// whose entries win. One entry a line, "Com3 = /dev/serial/by-id/…"; lines starting with '#'
// are comments. A line that is wrong is said on `errors`, naming the file and line, and
// ignored; the rest applies. Nothing is ever written to these files. Windows has none.
void ReadPortTables(std::FILE* errors);

// The places an exclusive open reads to see who else holds a terminal: the process table
// (/proc), the terminal classes (/sys/class/tty) and the UUCP lock folders (/var/lock and
// /run/lock). A test may point each at a folder of its own for the rest of the process; an
// empty path restores the system's.
enum class SystemFolder { Processes, Terminals, Locks };
void SetSystemFolder(SystemFolder folder, const std::string& path);

// The folders read for `folder`: the one set, or the system's.
std::vector<std::string> SystemFolders(SystemFolder folder);

} // namespace serial
