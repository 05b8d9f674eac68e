// Where Linux keeps the port table files, how one is read, and what a device is here.

#include "link/platform/DeviceNames_p.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace serial {
namespace {

std::string userFile() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return std::string(config) + "/lichtpult/ports.conf";
    const char* home = std::getenv("HOME");
    return home != nullptr && home[0] == '/' ? std::string(home) + "/.config/lichtpult/ports.conf"
                                             : std::string();
}

} // namespace

std::pair<std::string, std::string> PortTableFiles() { return {"/etc/lichtpult/ports.conf", userFile()}; }

std::optional<std::string> ReadTableFile(const std::string& file, std::vector<TableProblem>& problems) {
    const auto unreadable = [&] { problems.push_back(Unreadable(file, std::strerror(errno))); };
    // Not blocking, so a FIFO in the table's place cannot hold up the start; looked at before
    // a byte is read, so a device (a link to /dev/zero) is never read at all.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        // A file that is not there is no table, and no problem.
        if (errno != ENOENT) unreadable();
        return std::nullopt;
    }
    std::optional<std::string> text;
    struct stat node{};
    if (fstat(fd, &node) != 0) {
        unreadable();
    } else if (!S_ISREG(node.st_mode)) {
        problems.push_back(NoPlainFile(file));
    } else {
        // One byte more than a table may have, so a file that grows meanwhile is caught too.
        std::string bytes(kMaxTableBytes + 1, '\0');
        std::size_t got = 0;
        bool failed = false;
        while (got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n == 0) break;
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                failed = true;
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        if (failed)
            unreadable();
        else if (got > kMaxTableBytes)
            problems.push_back(TooLarge(file));
        else
            text = bytes.substr(0, got);
    }
    ::close(fd);
    return text;
}

std::string TableDevice(const std::string& written, std::string& problem) {
    if (written.empty() || written.front() != '/') {
        problem = "das Ger\u00e4t muss ein voller Pfad sein, der mit \u201e/\u201c beginnt";
        return {};
    }
    return written;
}

} // namespace serial
