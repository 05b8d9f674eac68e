#pragma once
// A simulated light controller on the master side of a pseudo-terminal. The panel opens the
// terminal's slave side like a serial port; the controller records every byte it receives,
// answers each one as its behaviour says, and decodes the light frames it receives.

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <termios.h>

#include "protocol/Lights.h"

namespace sim {

// The raw monotonic clock, so that the moments this controller records can be set beside
// another process's (Wine's performance counter runs on it) without converting between clocks.
struct Clock {
    using rep = std::int64_t;
    using period = std::nano;
    using duration = std::chrono::nanoseconds;
    using time_point = std::chrono::time_point<Clock>;
    static constexpr bool is_steady = true;
    static time_point now() noexcept;
};

struct Behaviour {
    enum class Reply {
        Now,      // `answer` at once
        Silent,   // never answers
        Split,    // the first byte of `answer`, the rest `delay` later
        Delayed,  // `answer` after `delay`
        OnSend,   // `answer` only to the `sendNumber`-th send of the same byte
        Scripted, // the n-th byte received gets `script[n]`; bytes beyond it get nothing
    };
    Reply reply = Reply::Now;
    std::string answer = "ok";
    Clock::duration delay{};
    int sendNumber = 1;
    std::vector<std::string> script;
    // Closes the master side (a hang-up, as when an adapter is unplugged) once this many bytes
    // have come in, without answering the last one.
    std::optional<std::size_t> hangUpAfter;
    // Paces the line at 9600 baud: a byte takes 1.042 ms to arrive and each byte of the answer
    // 1.042 ms to leave, as on a real wire.
    bool lineRate = false;
};

constexpr Clock::duration kByteTime = std::chrono::nanoseconds(1'041'667);

struct Event {
    std::string bytes;
    Clock::time_point at;
};

// The state of each light function after a frame, by command letter.
struct Lights {
    std::array<bool, kCommandLetters> on{};
    bool operator[](char letter) const { return on.at(static_cast<std::size_t>(letter - kFirstCommandLetter)); }
    bool operator==(const Lights&) const = default;
};

// The behaviours a user picks by name: "ok" (answers at once), "silent", "crlf" ("ok" and a
// line end), "slow" ("ok" after 10 ms), "paced" (at 9600 baud). Empty for any other name.
std::optional<Behaviour> BehaviourNamed(const std::string& name);

// One line: every light function with "an" or "aus".
std::string Describe(const Lights& lights);

class Controller {
public:
    // Plays the controller on a new pseudo-terminal.
    explicit Controller(Behaviour behaviour = {});
    // Plays the controller on a serial device (9600 baud, 8N1), as across a null-modem cable.
    Controller(Behaviour behaviour, const std::string& device);
    ~Controller();
    Controller(const Controller&) = delete;
    Controller& operator=(const Controller&) = delete;

    // The terminal the panel opens (or the device played on).
    const std::string& Path() const { return path_; }

    void SetBehaviour(const Behaviour& behaviour);

    // Writes bytes towards the panel now, one every `spacing`.
    void Send(const std::string& bytes, Clock::duration spacing = {});

    // The line's settings as the controller's side of the terminal sees them.
    termios LineSettings() const;
    // Changes the line's settings from the controller's side.
    void SetLineSettings(const termios& settings);

    // Closes the master side now.
    void HangUp();

    // Waits until at least `count` bytes have come in, or the time-out passed.
    bool WaitForReceived(std::size_t count, Clock::duration timeout = std::chrono::seconds(10));

    // Waits until at least `count` bytes have come in and every answer due by now has been
    // written towards the panel (or the line is closed), or the time-out passed. A test calls
    // it before a read to have the answers already in flight, whatever the machine's load.
    bool WaitForHandled(std::size_t count, Clock::duration timeout = std::chrono::seconds(10));

    // Waits until at least `count` bytes have been written towards the panel.
    bool WaitForAnswered(std::size_t count, Clock::duration timeout = std::chrono::seconds(10));

    std::string ReceivedBytes() const;
    std::vector<Event> Received() const;  // one event a byte
    std::vector<Event> Answers() const;   // one event a write towards the panel, stamped after it
    std::vector<Lights> Frames() const;   // one entry per complete frame

    // Called on the controller's thread after bytes came in or went out.
    void OnActivity(std::function<void()> callback);

private:
    struct Scheduled {
        Clock::time_point due;
        char byte;
    };

    void run();
    void wake();
    void handle(unsigned char byte, Clock::time_point at);
    void schedule(const std::string& bytes, Clock::time_point first, Clock::duration spacing);
    bool writeDue(Clock::time_point now);
    void closeMaster();
    void notifyActivity(std::unique_lock<std::mutex>& lock);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    int master_ = -1;
    int wake_[2] = {-1, -1};
    bool stopping_ = false;
    bool hangUpWanted_ = false;
    std::deque<Scheduled> outgoing_;
    std::string path_;
    Behaviour behaviour_;
    std::vector<Event> received_;
    std::vector<Event> answers_;
    std::size_t answeredBytes_ = 0;
    std::vector<Lights> frames_;
    Lights lights_;
    std::optional<char> pendingCommand_;
    std::size_t commandsInFrame_ = 0;
    std::optional<unsigned char> lastByte_;
    int sendsOfLastByte_ = 0;
    std::mutex callbackMutex_;
    std::function<void()> onActivity_;
    std::thread thread_;
};

} // namespace sim
