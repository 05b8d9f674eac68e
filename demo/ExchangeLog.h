#pragma once
// The controller's log as its window shows it: one line per byte received, followed by what
// the controller answered to it ("a  → ok"; a byte resent is a new line), and a blank line
// after each frame. Only the last lines are kept.

#include <QString>

#include <cstdint>
#include <deque>
#include <string>

class ExchangeLog {
public:
    static constexpr std::size_t kCapacity = 2000;

    explicit ExchangeLog(std::size_t capacity = kCapacity) : capacity_(capacity) {}

    void Receive(char byte);
    // What went out after the last byte received belongs to that byte, however many writes
    // it took (on a paced line "o" and "k" leave separately).
    void Answer(const std::string& bytes);

    const std::deque<QString>& Lines() const { return lines_; }
    QString Text() const;

    // Lines begun since the log started, kept or not: the window copies the lines from its
    // own count on, and the last line it copied may since have grown.
    std::uint64_t Begun() const { return begun_; }

private:
    void begin(QString line);
    void rewriteLast();

    std::size_t capacity_;
    std::deque<QString> lines_;
    std::uint64_t begun_ = 0;
    QString byte_;
    std::string answer_;
    bool exchangeOpen_ = false;
    char lastCommand_ = 0;
    bool frameDone_ = false;
};

// A byte as the log shows it: printable as itself, CR and LF as \r and \n, others as \xNN.
QString Printable(const std::string& bytes);
