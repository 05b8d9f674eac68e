// The Win32-shaped serial calls on Linux: a terminal opened raw and, when asked, exclusively;
// its line set through termios; reads and writes under the handle's time-outs.

#include "link/platform/DeviceNames.h"
#include "link/platform/Handles_p.h"
#include "link/platform/Holders_p.h"
#include "link/platform/LineSettings_p.h"
#include "link/platform/Timing.h"
#include "link/platform/Win32Serial.h"

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace serial {
namespace {

thread_local DWORD lastError = 0;

BOOL fail(int code) {
    lastError = static_cast<DWORD>(code);
    return FALSE;
}

// The port behind a handle, or nullptr with EBADF as the last error.
Port* portOf(HANDLE handle) {
    Port* const port = FindPort(handle);
    if (port == nullptr) lastError = EBADF;
    return port;
}

} // namespace

HANDLE CreateFileA(const char* name, DWORD /*access*/, DWORD shareMode, void* /*security*/,
                   DWORD disposition, DWORD /*flags*/, HANDLE /*templateFile*/) {
    if (name == nullptr || disposition != OPEN_EXISTING) {
        fail(EINVAL);
        return INVALID_HANDLE_VALUE;
    }
    const std::string path = DevicePath(name);
    if (path.empty()) {
        fail(ENOENT);
        return INVALID_HANDLE_VALUE;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        fail(errno);
        return INVALID_HANDLE_VALUE;
    }
    const auto refuse = [fd](int code) {
        ::close(fd);
        fail(code);
        return INVALID_HANDLE_VALUE;
    };

    termios settings{};
    if (tcgetattr(fd, &settings) != 0) return refuse(errno); // not a terminal: ENOTTY
    struct stat node{};
    if (fstat(fd, &node) != 0) return refuse(errno);
    // A kernel console is somebody's login line or boot log, never a light controller.
    if (IsActiveConsole(path, node.st_rdev)) return refuse(EBUSY);

    if (shareMode == 0) {
        // TIOCEXCL alone does not stop root; the lock stops every other opener, and the flag
        // still keeps out programs that do not take the lock.
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) return refuse(errno == EWOULDBLOCK ? EBUSY : errno);
        int exclusive = 0;
        if (ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) return refuse(EBUSY);
        // Programs that take neither: terminal programs, scripts, a login prompt, a modem
        // manager. Whoever the system lets us see holding the line keeps it.
        if (FindHolder(path, node.st_rdev) != Holder::None) return refuse(EBUSY);
        if (ioctl(fd, TIOCEXCL) != 0) return refuse(errno);
    }

    // Raw bytes both ways; reads never block in the driver, the time-outs are ours.
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &settings) != 0) {
        const int code = errno;
        ioctl(fd, TIOCNXCL);
        return refuse(code);
    }

    return AddPort(fd);
}

BOOL GetCommState(HANDLE handle, DCB* dcb) {
    Port* port = portOf(handle);
    if (port == nullptr) return FALSE;
    if (dcb == nullptr) return fail(EINVAL);
    termios t{};
    if (tcgetattr(port->fd, &t) != 0) return fail(errno);

    const bool rtsCts = (t.c_cflag & CRTSCTS) != 0;
    dcb->DCBlength = sizeof(DCB);
    dcb->BaudRate = BaudOf(cfgetospeed(&t));
    dcb->fBinary = 1;
    dcb->fParity = (t.c_iflag & INPCK) != 0;
    dcb->fOutxCtsFlow = rtsCts;
    dcb->fOutxDsrFlow = 0;
    dcb->fDtrControl = DTR_CONTROL_ENABLE;
    dcb->fDsrSensitivity = 0;
    dcb->fTXContinueOnXoff = 1;
    dcb->fOutX = (t.c_iflag & IXON) != 0;
    dcb->fInX = (t.c_iflag & IXOFF) != 0;
    dcb->fErrorChar = 0;
    dcb->fNull = 0;
    dcb->fRtsControl = rtsCts ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb->fAbortOnError = 0;
    dcb->ByteSize = SizeOf(t.c_cflag);
    dcb->Parity = ParityOf(t.c_cflag);
    dcb->StopBits = (t.c_cflag & CSTOPB) != 0 ? TWOSTOPBITS : ONESTOPBIT;
    dcb->XonChar = static_cast<char>(t.c_cc[VSTART]);
    dcb->XoffChar = static_cast<char>(t.c_cc[VSTOP]);
    dcb->EofChar = static_cast<char>(t.c_cc[VEOF]);
    return TRUE;
}

BOOL SetCommState(HANDLE handle, DCB* dcb) {
    Port* port = portOf(handle);
    if (port == nullptr) return FALSE;
    if (dcb == nullptr) return fail(EINVAL);
    const auto speed = SpeedCode(dcb->BaudRate);
    const auto size = SizeFlag(dcb->ByteSize);
    const auto parity = ParityFlags(dcb->Parity);
    const bool stopBitsKnown = dcb->StopBits == ONESTOPBIT || dcb->StopBits == TWOSTOPBITS ||
                               (dcb->StopBits == ONE5STOPBITS && dcb->ByteSize == 5);
    if (!speed || !size || !parity || !stopBitsKnown) return fail(EINVAL);

    termios wanted{};
    if (tcgetattr(port->fd, &wanted) != 0) return fail(errno);
    cfsetispeed(&wanted, *speed);
    cfsetospeed(&wanted, *speed);
    wanted.c_cflag &= ~(CSIZE | kParityFlags | CSTOPB);
    wanted.c_cflag |= *size | *parity | (dcb->StopBits != ONESTOPBIT ? CSTOPB : 0);
    if (tcsetattr(port->fd, TCSANOW, &wanted) != 0) return fail(errno);

    // tcsetattr succeeds when any one change was made: only a read-back shows them all.
    termios applied{};
    if (tcgetattr(port->fd, &applied) != 0) return fail(errno);
    if (!SameLine(wanted, applied)) return fail(EINVAL);
    return TRUE;
}

BOOL SetCommTimeouts(HANDLE handle, COMMTIMEOUTS* timeouts) {
    Port* port = portOf(handle);
    if (port == nullptr) return FALSE;
    if (timeouts == nullptr) return fail(EINVAL);
    port->timeouts = *timeouts;
    return TRUE;
}

BOOL GetCommTimeouts(HANDLE handle, COMMTIMEOUTS* timeouts) {
    Port* port = portOf(handle);
    if (port == nullptr) return FALSE;
    if (timeouts == nullptr) return fail(EINVAL);
    *timeouts = port->timeouts;
    return TRUE;
}

BOOL ReadFile(HANDLE handle, void* buffer, DWORD count, DWORD* read, void* /*overlapped*/) {
    if (read != nullptr) *read = 0;
    Port* port = portOf(handle);
    if (port == nullptr) return FALSE;
    if (buffer == nullptr && count > 0) return fail(EINVAL);
    timing::UseFineTimers();

    using namespace std::chrono;
    const COMMTIMEOUTS& to = port->timeouts;
    const auto start = timing::Clock::now();
    // MAXDWORD interval with no total: hand over what is there and return at once.
    const bool immediate = to.ReadIntervalTimeout == MAXDWORD &&
                           to.ReadTotalTimeoutMultiplier == 0 && to.ReadTotalTimeoutConstant == 0;
    const std::uint64_t totalMs = std::uint64_t{to.ReadTotalTimeoutConstant} +
                                  std::uint64_t{to.ReadTotalTimeoutMultiplier} * count;
    // Zero stands for "no such time-out".
    const timing::Clock::time_point deadline =
        totalMs > 0 ? start + milliseconds(totalMs) : timing::Clock::time_point{};
    const milliseconds interval(immediate ? 0 : to.ReadIntervalTimeout);

    auto* bytes = static_cast<unsigned char*>(buffer);
    DWORD got = 0;
    timing::Clock::time_point lastByte{};
    bool hungUp = false;
    while (got < count) {
        const ssize_t n = ::read(port->fd, bytes + got, count - got);
        if (n > 0) {
            got += static_cast<DWORD>(n);
            lastByte = timing::Clock::now();
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            if (got > 0) break; // the bytes that came are delivered; the next read fails
            return fail(errno);
        }
        if (hungUp) {
            // The line is gone (master closed, adapter unplugged): reads would return nothing
            // forever, so this is a failure, not a time-out.
            if (got > 0) break;
            return fail(EIO);
        }
        if (immediate) break;

        timing::Clock::time_point until = deadline;
        if (interval.count() > 0 && got > 0 &&
            (until == timing::Clock::time_point{} || lastByte + interval < until))
            until = lastByte + interval;
        timespec wait{};
        timespec* waitFor = nullptr;
        bool timeUp = false;
        if (until != timing::Clock::time_point{}) {
            const auto left = until - timing::Clock::now();
            // Out of time: one look without waiting all the same, so a line that went away
            // while this thread was not running is a failure, not an empty read.
            timeUp = left <= timing::Clock::duration::zero();
            wait = timing::AsTimespec(timeUp ? timing::Clock::duration::zero() : left);
            waitFor = &wait;
        }
        pollfd ready{port->fd, POLLIN, 0};
        const int r = ppoll(&ready, 1, waitFor, nullptr);
        if (r < 0 && errno != EINTR) return fail(errno);
        if (r > 0 && (ready.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) hungUp = true;
        if (timeUp && !hungUp && (r <= 0 || (ready.revents & POLLIN) == 0)) break;
    }
    if (read != nullptr) *read = got;
    return TRUE;
}

BOOL WriteFile(HANDLE handle, const void* buffer, DWORD count, DWORD* written,
               void* /*overlapped*/) {
    if (written != nullptr) *written = 0;
    Port* port = portOf(handle);
    if (port == nullptr) return FALSE;
    if (buffer == nullptr && count > 0) return fail(EINVAL);
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    DWORD done = 0;
    while (done < count) {
        const ssize_t n = ::write(port->fd, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<DWORD>(n);
            if (written != nullptr) *written = done;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return fail(errno);
        // The output queue is full: writes have no time-out, so wait for room.
        pollfd room{port->fd, POLLOUT, 0};
        if (poll(&room, 1, -1) < 0 && errno != EINTR) return fail(errno);
        if ((room.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0 && (room.revents & POLLOUT) == 0)
            return fail(EIO);
    }
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    const int fd = RemovePort(handle);
    if (fd < 0) return fail(EBADF);
    // The exclusive flag outlives this descriptor on a line whose other end stays open.
    ioctl(fd, TIOCNXCL);
    if (::close(fd) != 0) return fail(errno);
    return TRUE;
}

DWORD GetLastError() { return lastError; }

} // namespace serial
