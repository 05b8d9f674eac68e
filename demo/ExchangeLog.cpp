#include "demo/ExchangeLog.h"

#include "protocol/Lights.h"

#include <QStringList>

QString Printable(const std::string& bytes) {
    QString text;
    for (const char c : bytes) {
        if (c == '\r') text += "\\r";
        else if (c == '\n') text += "\\n";
        else if (c >= 0x20 && c < 0x7F) text += QChar(c);
        else text += QString("\\x%1").arg(static_cast<unsigned char>(c), 2, 16, QChar('0'));
    }
    return text;
}

void ExchangeLog::Receive(char byte) {
    // Only the next command opens a new frame: the last value may still be sent again.
    if (frameDone_ && IsCommandLetter(byte)) {
        begin(QString());
        frameDone_ = false;
    }
    if (IsCommandLetter(byte)) lastCommand_ = byte;
    else if ((byte == 'y' || byte == 'n') && lastCommand_ == kLastCommandLetter) frameDone_ = true;

    byte_ = Printable(std::string(1, byte));
    answer_.clear();
    exchangeOpen_ = true;
    begin(QString());
    rewriteLast();
}

void ExchangeLog::Answer(const std::string& bytes) {
    if (!exchangeOpen_) {
        // Sent unasked: a line of its own.
        byte_.clear();
        answer_.clear();
        exchangeOpen_ = true;
        begin(QString());
    }
    answer_ += bytes;
    rewriteLast();
}

QString ExchangeLog::Text() const {
    return QStringList(lines_.begin(), lines_.end()).join('\n');
}

void ExchangeLog::begin(QString line) {
    lines_.push_back(std::move(line));
    ++begun_;
    if (lines_.size() > capacity_) lines_.pop_front();
}

void ExchangeLog::rewriteLast() {
    QString line = byte_ + QString::fromUtf8("  \u2192 ") + Printable(answer_);
    if (answer_.empty()) line.chop(1);
    lines_.back() = line;
}
