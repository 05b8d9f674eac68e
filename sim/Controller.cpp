#include "sim/Controller.h"

#include "link/platform/Timing.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <time.h>
#include <termios.h>
#include <unistd.h>

namespace sim {
namespace {


[[noreturn]] void throwErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// How often a controller without a panel looks whether one has opened the terminal.
// Half a millisecond: a panel that has just opened is heard long before its first byte,
// and an idle controller stays near 3 % of a core.
constexpr timespec kAwayPoll{0, 500'000};

bool timespecLess(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

} // namespace

Controller::Controller(Behaviour behaviour) : behaviour_(std::move(behaviour)) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) throwErrno("posix_openpt");
    // Never blocks: a panel that stops reading must not stop the controller hearing it.
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) throwErrno("unlockpt");
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) throwErrno("ptsname_r");
    path_ = name;
    // Raw from the start, set from this side: the controller never opens the terminal's
    // other end, which belongs to the panel alone. A panel's settings stay after it closes.
    termios raw{};
    if (tcgetattr(master_, &raw) != 0) throwErrno("tcgetattr");
    cfmakeraw(&raw);
    if (tcsetattr(master_, TCSANOW, &raw) != 0) throwErrno("tcsetattr");
    if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) throwErrno("pipe2");
    thread_ = std::thread([this] { run(); });
}

Controller::Controller(Behaviour behaviour, const std::string& device)
    : path_(device), behaviour_(std::move(behaviour)) {
    master_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0) throwErrno(device.c_str());
    termios line{};
    if (tcgetattr(master_, &line) != 0) throwErrno(device.c_str());
    cfmakeraw(&line);
    line.c_cflag |= CLOCAL | CREAD;
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    cfsetispeed(&line, B9600);
    cfsetospeed(&line, B9600);
    if (tcsetattr(master_, TCSANOW, &line) != 0) throwErrno(device.c_str());
    if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) throwErrno("pipe2");
    thread_ = std::thread([this] { run(); });
}

Controller::~Controller() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake();
    thread_.join();
    closeMaster();
    ::close(wake_[0]);
    ::close(wake_[1]);
}

void Controller::wake() {
    const char one = 1;
    [[maybe_unused]] const auto n = ::write(wake_[1], &one, 1);
}

void Controller::SetBehaviour(const Behaviour& behaviour) {
    std::lock_guard lock(mutex_);
    behaviour_ = behaviour;
    sendsOfLastByte_ = 0;
    lastByte_.reset();
}

void Controller::OnActivity(std::function<void()> callback) {
    // Once this returns, the old callback is not running and will not run again.
    std::lock_guard calling(callbackMutex_);
    onActivity_ = std::move(callback);
}

void Controller::notifyActivity(std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    {
        std::lock_guard calling(callbackMutex_);
        if (onActivity_) onActivity_();
    }
    lock.lock();
}

void Controller::Send(const std::string& bytes, Clock::duration spacing) {
    {
        std::lock_guard lock(mutex_);
        schedule(bytes, Clock::now(), spacing);
    }
    wake();
}

termios Controller::LineSettings() const {
    std::lock_guard lock(mutex_);
    termios settings{};
    if (master_ < 0 || tcgetattr(master_, &settings) != 0) throwErrno("tcgetattr");
    return settings;
}

void Controller::SetLineSettings(const termios& settings) {
    std::lock_guard lock(mutex_);
    if (master_ < 0 || tcsetattr(master_, TCSANOW, &settings) != 0) throwErrno("tcsetattr");
}

void Controller::HangUp() {
    std::unique_lock lock(mutex_);
    hangUpWanted_ = true;
    lock.unlock();
    wake();
    lock.lock();
    changed_.wait(lock, [this] { return master_ < 0; });
}

bool Controller::WaitForReceived(std::size_t count, Clock::duration timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return received_.size() >= count; });
}

bool Controller::WaitForHandled(std::size_t count, Clock::duration timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] {
        return master_ < 0 || (received_.size() >= count &&
                               (outgoing_.empty() || outgoing_.front().due > Clock::now()));
    });
}

bool Controller::WaitForAnswered(std::size_t count, Clock::duration timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return answeredBytes_ >= count; });
}

std::string Controller::ReceivedBytes() const {
    std::lock_guard lock(mutex_);
    std::string bytes;
    for (const Event& e : received_) bytes += e.bytes;
    return bytes;
}

std::vector<Event> Controller::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

std::vector<Event> Controller::Answers() const {
    std::lock_guard lock(mutex_);
    return answers_;
}

std::vector<Lights> Controller::Frames() const {
    std::lock_guard lock(mutex_);
    return frames_;
}

bool Controller::writeDue(Clock::time_point now) {
    // The bytes that are due go out together, so the panel never sees part of one answer; a
    // flood goes out in slices as the terminal takes them.
    constexpr std::size_t kSlice = 4096;
    std::string due;
    for (const Scheduled& s : outgoing_) {
        if (s.due > now || due.size() == kSlice) break;
        due.push_back(s.byte);
    }
    if (master_ < 0 || due.empty()) return false;
    // Taken before the write: the panel may have read the answer before the write returns.
    const Clock::time_point sent = Clock::now();
    const ssize_t n = ::write(master_, due.data(), due.size());
    if (n <= 0) return errno == EAGAIN; // full: wait until the panel reads
    answers_.push_back({due.substr(0, static_cast<std::size_t>(n)), sent});
    answeredBytes_ += static_cast<std::size_t>(n);
    outgoing_.erase(outgoing_.begin(), outgoing_.begin() + n);
    changed_.notify_all();
    return false;
}

void Controller::closeMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
    outgoing_.clear();
    changed_.notify_all();
}

void Controller::run() {
    // Answers are scheduled to a tenth of a millisecond; the default timer slack is 50 µs.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    std::unique_lock lock(mutex_);
    bool panelAway = false;
    while (!stopping_) {
        if (hangUpWanted_) {
            hangUpWanted_ = false;
            closeMaster();
        }
        const std::size_t answeredBefore = answeredBytes_;
        const bool full = writeDue(Clock::now());
        if (answeredBytes_ != answeredBefore) notifyActivity(lock);

        timespec timeout{};
        timespec* waitFor = nullptr;
        if (!outgoing_.empty() && !full) {
            const auto left = std::max(Clock::duration{}, outgoing_.front().due - Clock::now());
            timeout = timing::AsTimespec(left);
            waitFor = &timeout;
        }
        // Once a panel has closed the terminal, the master polls as hung up at once until one
        // opens it again: look again after a short sleep instead of spinning.
        const bool watchMaster = master_ >= 0 && !panelAway;
        if (!watchMaster && master_ >= 0 && (waitFor == nullptr || timespecLess(kAwayPoll, timeout))) {
            timeout = kAwayPoll;
            waitFor = &timeout;
        }
        const short masterEvents = full ? POLLIN | POLLOUT : POLLIN;
        pollfd fds[2] = {{wake_[0], POLLIN, 0}, {master_, masterEvents, 0}};
        const nfds_t count = watchMaster ? 2 : 1;
        lock.unlock();
        const int ready = ppoll(fds, count, waitFor, nullptr);
        lock.lock();
        panelAway = watchMaster && ready > 0 && (fds[1].revents & POLLHUP) != 0 &&
                    (fds[1].revents & POLLIN) == 0;
        if (ready <= 0) continue;
        if (fds[0].revents != 0) {
            char drain[64];
            while (::read(wake_[0], drain, sizeof drain) > 0) {
            }
        }
        if (count == 2 && master_ >= 0 && (fds[1].revents & POLLIN) != 0) {
            unsigned char bytes[256];
            const ssize_t n = ::read(master_, bytes, sizeof bytes);
            const Clock::time_point at = Clock::now();
            for (ssize_t i = 0; i < n && master_ >= 0; ++i) handle(bytes[i], at);
            if (n > 0) {
                changed_.notify_all();
                notifyActivity(lock);
            }
        }
    }
}

} // namespace sim
