#pragma once
// Where the port names "Com1" to "Com6" lead on this system, and what can be told of that
// device before it is opened. Each name has a built-in device (COM1 … COM6 on Windows, a table
// of device paths elsewhere), which the machine's and the user's port table files may change
// at start, and a test or a demo from inside the process.

#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace serial {

// The names of the ports a user can choose.
inline constexpr auto kPortNames = std::to_array<const char*>({"Com1", "Com2", "Com3", "Com4", "Com5", "Com6"});

// The device a port name opens, or the name itself when it is no port name of the table.
std::string DevicePath(const std::string& name);

// Points a port name at another device for the rest of the process; an empty path restores
// the table's device.
void SetDevicePath(const std::string& name, const std::string& path);

// One problem of a port table file: where it is, the port its line was for (the name in
// lower case; empty where the line names none) and what was wrong, in the panel's language.
struct TableProblem {
    std::string file;
    int line = 0; // 0: the file as a whole
    std::string port;
    std::string text;
};

// What can be told of a port now, looked up each time and never by opening the device (an
// open switches the modem lines, which resets some controllers). Texts are UTF-8.
struct PortState {
    std::string device;  // where the name leads, as the user writes it
    std::string adapter; // the adapter's own name, where the system knows one
    bool present = true;
    // Why a device that is there would be refused, where the system lets this process see.
    enum class Refusal { None, NoPermission, Held, Console } refusal = Refusal::None;
    std::string group;  // NoPermission: the device's group
    std::string holder; // Held: the program, where its name can be read
    long holderPid = 0; // Held
    std::vector<TableProblem> ignored; // lines of the port tables for this name that were ignored
};

PortState DeviceState(const std::string& name);

// Reads the port table files, once, at start: the machine's, then the user's, whose entries
// win (Linux: /etc/lichtpult/ports.conf and $XDG_CONFIG_HOME/lichtpult/ports.conf, or
// ~/.config/… when that is unset; Windows: %ProgramData%\lichtpult\ports.conf and
// %APPDATA%\lichtpult\ports.conf). One entry a line, "Com3 = /dev/serial/by-id/…"; '#' at
// the start of a line or after a space begins a comment. A wrong line is said on `errors`,
// naming the file and line, and in the tooltip of the port it names, and ignored; the rest
// applies. A file that is no plain file or larger than any sane table is said and skipped
// whole. Nothing is ever written to these files.
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
