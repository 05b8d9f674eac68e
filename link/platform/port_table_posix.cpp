// The port table files: which device each port name leads to on this machine, and for this
// user. Read once at start; never written.

#include "link/platform/DeviceNames.h"
#include "link/platform/DeviceNames_p.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>

#include <sys/stat.h>

namespace serial {
namespace {

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// "Com1" … "Com6" in any case, as the name in lower case; empty for anything else.
std::string portKey(const std::string& name) {
    for (const char* port : kPortNames)
        if (name.size() == std::strlen(port) &&
            std::equal(name.begin(), name.end(), port,
                       [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) ==
                                                   std::tolower(static_cast<unsigned char>(b)); })) {
            std::string key = port;
            key[0] = 'c';
            return key;
        }
    return {};
}

std::string userFile() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return std::string(config) + "/lichtpult/ports.conf";
    const char* home = std::getenv("HOME");
    return home != nullptr && home[0] == '/' ? std::string(home) + "/.config/lichtpult/ports.conf"
                                             : std::string();
}

} // namespace

std::vector<std::pair<std::string, std::string>> ReadPortTable(const std::string& file,
                                                               std::vector<std::string>& problems) {
    std::vector<std::pair<std::string, std::string>> entries;
    std::ifstream in(file);
    if (!in) {
        // A file that is not there is no table, and no problem.
        if (errno != ENOENT)
            problems.push_back(file + ": cannot be read (" + std::strerror(errno) +
                               "); the ports keep their devices");
        return entries;
    }
    std::map<std::string, int> lineOf;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string where = file + ":" + std::to_string(number) + ": ";
        const std::string text = trimmed(line);
        if (text.empty() || text.front() == '#') continue;
        const auto equals = text.find('=');
        if (equals == std::string::npos) {
            problems.push_back(where + "no '=' in this line; it is ignored");
            continue;
        }
        const std::string name = trimmed(text.substr(0, equals));
        const std::string path = trimmed(text.substr(equals + 1));
        const std::string key = portKey(name);
        if (key.empty()) {
            problems.push_back(where + "'" + name + "' is no port name (Com1 to Com6); the line is ignored");
        } else if (path.empty() || path.front() != '/') {
            problems.push_back(where + "the device must be a full path, starting with '/'; the line is ignored");
        } else if (const auto earlier = lineOf.find(key); earlier != lineOf.end()) {
            problems.push_back(where + name + " is given twice in this file, first in line " +
                               std::to_string(earlier->second) + "; this line is ignored");
        } else {
            lineOf[key] = number;
            entries.emplace_back(key, path);
        }
    }
    return entries;
}

void ApplyPortTables(const std::string& systemFile, const std::string& userFile, std::FILE* errors) {
    for (const std::string& file : {systemFile, userFile}) {
        if (file.empty()) continue;
        std::vector<std::string> problems;
        // The user's file comes second: its entries win.
        for (const auto& [key, path] : ReadPortTable(file, problems)) SetTableDevicePath(key, path);
        for (const std::string& problem : problems) std::fprintf(errors, "lichtpult: %s\n", problem.c_str());
    }
}

void ReadPortTables(std::FILE* errors) { ApplyPortTables("/etc/lichtpult/ports.conf", userFile(), errors); }

std::optional<bool> DevicePresent(const std::string& name) {
    const std::string path = DevicePath(name);
    struct stat node {};
    return !path.empty() && stat(path.c_str(), &node) == 0;
}

} // namespace serial
