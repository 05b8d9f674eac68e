#pragma once
// Each operating system's file says where a port name leads when nothing was set for it, and
// where its port table files are and how they are read.

#include "link/platform/DeviceNames.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace serial {

// `key` is the name in lower case.
std::string SystemDevicePath(const std::string& name, const std::string& key);

// Leads a port name to the device a port table file gives it, below what a test or the demo
// sets; an empty path forgets it.
void SetTableDevicePath(const std::string& name, const std::string& path);

// A table longer than this is no table a person wrote; a line longer than any path is no entry.
inline constexpr std::size_t kMaxTableBytes = 16 * 1024;
inline constexpr std::size_t kMaxLineBytes = 4096;
// The problems of one file said each; beyond them, one line says how many more there were.
inline constexpr std::size_t kProblemsSaid = 5;

// The machine's table file, then the user's; empty where there is none.
std::pair<std::string, std::string> PortTableFiles();

// A table file as a whole that is skipped, worded alike on every system: it cannot be read
// (the system's words for why), it is no plain file, it is larger than kMaxTableBytes.
TableProblem Unreadable(const std::string& file, const std::string& why);
TableProblem NoPlainFile(const std::string& file);
TableProblem TooLarge(const std::string& file);

// A table file's bytes; nothing when it is not there (no problem) or cannot be read, is no
// plain file or is larger than kMaxTableBytes (one problem each).
std::optional<std::string> ReadTableFile(const std::string& file, std::vector<TableProblem>& problems);

// The device an entry names, as it is to be opened; empty, with the problem's text, when the
// entry names no device of this system.
std::string TableDevice(const std::string& written, std::string& problem);

// The entries of one port table file, by port name in lower case, and its problems.
std::vector<std::pair<std::string, std::string>> ParsePortTable(const std::string& file, std::string_view text,
                                                               std::vector<TableProblem>& problems);
std::vector<std::pair<std::string, std::string>> ReadPortTable(const std::string& file,
                                                               std::vector<TableProblem>& problems);

// Both files, the user's entries winning: the paths the table gives, for SetTableDevicePath;
// the problems said on `errors` and kept for the ports' tooltips.
void ApplyPortTables(const std::string& systemFile, const std::string& userFile, std::FILE* errors);

// The kept problems of the lines for a port name.
std::vector<TableProblem> IgnoredLinesOf(const std::string& name);

// One problem as a line: "<file>:<line>: <text>".
std::string Said(const TableProblem& problem);

// Where the system keeps each of the folders an exclusive open reads.
std::vector<std::string> SystemDefaultFolders(SystemFolder folder);

} // namespace serial
