// The port table files: which device each port name leads to on this machine, and for this
// user. Read once at start; never written. The format and its rules are the same on every
// system; where the files are, how they are read and what a device is are each system's.

#include "link/platform/DeviceNames.h"
#include "link/platform/DeviceNames_p.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>

namespace serial {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kKept = "; die Ports behalten ihre Ger\u00e4te";

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t\r") - first + 1));
}

// A comment starts a line or follows a space, so a '#' inside a device's name stays.
std::string_view withoutComment(std::string_view line) {
    for (std::size_t i = 0; i < line.size(); ++i)
        if (line[i] == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) return line.substr(0, i);
    return line;
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

// What the tooltips show: the problems of the lines for each port, from both files.
struct Kept {
    std::mutex lock;
    std::vector<TableProblem> problems;
};

Kept& kept() {
    static Kept* const instance = new Kept;
    return *instance;
}

// Pieces one after the other (GCC 12 warns falsely about a literal put in front of a string).
std::string joined(std::initializer_list<std::string_view> pieces) {
    std::string text;
    for (const std::string_view piece : pieces) text += piece;
    return text;
}

} // namespace

std::vector<std::pair<std::string, std::string>> ParsePortTable(const std::string& file, std::string_view text,
                                                               std::vector<TableProblem>& problems) {
    std::vector<std::pair<std::string, std::string>> entries;
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    std::map<std::string, int> lineOf;
    std::size_t said = 0, unsaid = 0;
    const auto problem = [&](int line, const std::string& port, const std::string& what) {
        if (said < kProblemsSaid) {
            problems.push_back({file, line, port, what});
            ++said;
        } else {
            ++unsaid;
        }
    };
    int number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view raw = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const std::string line = trimmed(withoutComment(raw));
        if (line.empty()) continue;
        const auto equals = line.find('=');
        // The name, also of a line that goes wrong after it, so its port can say so.
        const std::string name = trimmed(line.substr(0, equals == std::string::npos
                                                            ? line.find_first_of(" \t")
                                                            : equals));
        const std::string key = portKey(name);
        if (raw.size() > kMaxLineBytes) {
            problem(number, key, joined({"die Zeile ist l\u00e4nger als jeder Ger\u00e4tepfad (",
                                         std::to_string(raw.size()), " Bytes); sie gilt nicht"}));
        } else if (equals == std::string::npos) {
            problem(number, key, "die Zeile hat kein \u201e=\u201c; sie gilt nicht");
        } else if (key.empty()) {
            problem(number, key, joined({"\u201e", name, "\u201c ist kein Portname (Com1 bis Com6); die Zeile gilt nicht"}));
        } else if (const auto earlier = lineOf.find(key); earlier != lineOf.end()) {
            problem(number, key, joined({name, " steht zweimal in der Datei, zuerst in Zeile ",
                                         std::to_string(earlier->second), "; diese Zeile gilt nicht"}));
        } else {
            std::string wrong;
            const std::string device = TableDevice(trimmed(std::string_view(line).substr(equals + 1)), wrong);
            if (device.empty()) {
                problem(number, key, wrong + "; die Zeile gilt nicht");
            } else {
                lineOf[key] = number;
                entries.emplace_back(key, device);
            }
        }
    }
    if (unsaid > 0)
        problems.push_back({file, 0, "", joined({"dazu ", std::to_string(unsaid), " weitere fehlerhafte Zeilen, die nicht gelten"})});
    return entries;
}

std::vector<std::pair<std::string, std::string>> ReadPortTable(const std::string& file,
                                                               std::vector<TableProblem>& problems) {
    const std::optional<std::string> text = ReadTableFile(file, problems);
    return text ? ParsePortTable(file, *text, problems) : std::vector<std::pair<std::string, std::string>>{};
}

TableProblem Unreadable(const std::string& file, const std::string& why) {
    return {file, 0, "", joined({"kann nicht gelesen werden (", why, ")", kKept})};
}

TableProblem NoPlainFile(const std::string& file) {
    return {file, 0, "", joined({"ist keine gew\u00f6hnliche Datei und wird \u00fcbergangen", kKept})};
}

TableProblem TooLarge(const std::string& file) {
    return {file, 0, "", joined({"ist gr\u00f6\u00dfer als ", std::to_string(kMaxTableBytes / 1024),
                                 " KiB, zu gro\u00df f\u00fcr eine Porttabelle, und wird \u00fcbergangen", kKept})};
}

std::string Said(const TableProblem& problem) {
    const std::string line = problem.line > 0 ? std::to_string(problem.line) : std::string();
    return joined({problem.file, line.empty() ? "" : ":", line, ": ", problem.text});
}

void ApplyPortTables(const std::string& systemFile, const std::string& userFile, std::FILE* errors) {
    std::vector<TableProblem> all;
    for (const std::string& file : {systemFile, userFile}) {
        if (file.empty()) continue;
        std::vector<TableProblem> problems;
        // The user's file comes second: its entries win.
        for (const auto& [key, path] : ReadPortTable(file, problems)) SetTableDevicePath(key, path);
        for (const TableProblem& problem : problems) {
            // Where there is no console to write to, nothing is lost: a port's own problems
            // stay in its tooltip.
            if (errors != nullptr) std::fprintf(errors, "lichtpult: %s\n", Said(problem).c_str());
            all.push_back(problem);
        }
    }
    Kept& store = kept();
    std::lock_guard guard(store.lock);
    store.problems = std::move(all);
}

void ReadPortTables(std::FILE* errors) {
    const auto [systemFile, userFile] = PortTableFiles();
    ApplyPortTables(systemFile, userFile, errors);
}

std::vector<TableProblem> IgnoredLinesOf(const std::string& name) {
    const std::string key = portKey(name);
    std::vector<TableProblem> found;
    Kept& store = kept();
    std::lock_guard guard(store.lock);
    for (const TableProblem& problem : store.problems)
        if (!key.empty() && problem.port == key) found.push_back(problem);
    return found;
}

} // namespace serial
