#pragma once
// Each operating system's file says where a port name leads when nothing was set for it.

#include "link/platform/DeviceNames.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace serial {

// `key` is the name in lower case.
std::string SystemDevicePath(const std::string& name, const std::string& key);

// Leads a port name to the device a port table file gives it, below what a test or the demo
// sets; an empty path forgets it.
void SetTableDevicePath(const std::string& name, const std::string& path);

#ifndef _WIN32
// The entries of one port table file, by port name in lower case; each problem is appended
// as one line (without the line end).
std::vector<std::pair<std::string, std::string>> ReadPortTable(const std::string& file,
                                                               std::vector<std::string>& problems);

// Both files, the user's entries winning: the paths the table gives, for SetTableDevicePath.
void ApplyPortTables(const std::string& systemFile, const std::string& userFile, std::FILE* errors);
#endif

// Where the system keeps each of the folders an exclusive open reads.
std::vector<std::string> SystemDefaultFolders(SystemFolder folder);

} // namespace serial
