// A scripted serial line and a clock that only pretends to sleep: device exchanges run in
// microseconds, with bytes arriving at the times a real altimeter would send them.
#pragma once

#include "device/serial_line.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace orlomat::test {

class FakeClock : public Clock {
public:
    long now = 0; // milliseconds
    int sleeps = 0;
    void sleepMs(int ms) override {
        now += ms;
        ++sleeps;
    }
};

class FakeLine : public SerialLine {
public:
    explicit FakeLine(FakeClock& clock) : clock_(clock) {}

    // Answers a command frame: called with every 8 bytes written.
    std::function<void(const std::vector<std::uint8_t>& frame)> onCommand;

    // Bytes that arrive `delayMs` after now, all at once.
    void deliver(const std::vector<std::uint8_t>& bytes, long delayMs = 10) {
        for (const std::uint8_t b : bytes)
            arrivals_.push_back({clock_.now + delayMs, b});
    }
    // Bytes that arrive at `bytesPerSecond`, starting `delayMs` after now.
    void stream(const std::vector<std::uint8_t>& bytes, double bytesPerSecond, long delayMs = 5) {
        for (std::size_t i = 0; i < bytes.size(); ++i)
            arrivals_.push_back(
                {clock_.now + delayMs +
                     static_cast<long>(1000.0 * static_cast<double>(i) / bytesPerSecond),
                 bytes[i]});
    }

    bool openSucceeds = true;
    int opens = 0;
    bool isOpen = false;
    long breakAt = -1; // the port fails from this time on (unplugged)
    std::vector<std::vector<std::uint8_t>> frames;
    int flushes = 0;
    int discards = 0;

    bool open(const std::string& name, std::string& error) override {
        ++opens;
        lastName = name;
        if (!openSucceeds) {
            error = "No such file or directory";
            return false;
        }
        isOpen = true;
        return true;
    }
    std::size_t waiting() override {
        if (broken()) return 0;
        std::size_t n = 0;
        for (std::size_t i = consumed_; i < arrivals_.size() && arrivals_[i].first <= clock_.now;
             ++i)
            ++n;
        return n;
    }
    std::size_t read(std::uint8_t* into, std::size_t count) override {
        const std::size_t n = std::min(count, waiting());
        for (std::size_t i = 0; i < n; ++i)
            into[i] = arrivals_[consumed_ + i].second;
        consumed_ += n;
        return n;
    }
    bool write(const std::uint8_t* bytes, std::size_t count) override {
        if (broken()) return false;
        pendingWrite_.insert(pendingWrite_.end(), bytes, bytes + count);
        while (pendingWrite_.size() >= 8) {
            std::vector<std::uint8_t> frame(pendingWrite_.begin(), pendingWrite_.begin() + 8);
            pendingWrite_.erase(pendingWrite_.begin(), pendingWrite_.begin() + 8);
            // Whatever is still in flight from an earlier command is gone.
            consumed_ = arrivals_.size();
            frames.push_back(frame);
            if (onCommand) onCommand(frame);
        }
        return true;
    }
    bool waitTransmitEmpty(int) override { return !broken(); }
    void flush() override { ++flushes; }
    void discardInput() override {
        consumed_ += waiting();
        ++discards;
    }
    void close() override { isOpen = false; }
    bool broken() const override { return breakAt >= 0 && clock_.now >= breakAt; }

    std::string lastName;

private:
    FakeClock& clock_;
    std::vector<std::pair<long, std::uint8_t>> arrivals_;
    std::size_t consumed_ = 0;
    std::vector<std::uint8_t> pendingWrite_;
};

// An altimeter that answers each command letter with a fixed reply (nothing when the reply
// is empty), as the tests of the settings exchanges set it up.
using Replies = std::map<char, std::optional<std::vector<std::uint8_t>>>;

// Every settings command answered well; `temperature` is the status reply's byte 4.
inline Replies WellBehavedReplies(std::uint8_t temperature) {
    using Frame = std::vector<std::uint8_t>;
    return {
        {'4', Frame{0x0C, 0x00, 0x59, 0x01, temperature, 0x78, 0x00, 0x82}},
        {'B', Frame{1, 0, 0, 0, 0, 0, 0, 0}},
        {'6', Frame{0x50, 0x46, 0, 0, 0, 0, 0, 0}},
        {'D', Frame{0, 0, 0x10, 0x27, 4, 16, 0, 0}},
        {'5', Frame{0x00, 0xA5}},
        {'C', Frame{0x00, 0xA5}},
        {'7', Frame{0x00, 0xA5}},
        {'2', Frame{0x00, 0xAA, 0xAA}},
    };
}

// Makes the line answer from `replies` (read at each command, so tests may change it).
inline void AnswerFrom(FakeLine& line, const Replies& replies) {
    line.onCommand = [&line, &replies](const std::vector<std::uint8_t>& frame) {
        const auto it = replies.find(static_cast<char>(frame[1]));
        if (it != replies.end() && it->second) line.deliver(*it->second);
    };
}

} // namespace orlomat::test
