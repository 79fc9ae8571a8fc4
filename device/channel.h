// The serial channel to the altimeter: PortOpen, PortRead, PortWrite, PortWaitReply,
// PortClose over one line, with its own reply buffer of one record's size.
#pragma once

#include "device/serial_line.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace orlomat {

constexpr std::size_t kReplyBufferSize = 33000;
constexpr int kTransmitTimeoutMs = 2000; // an unplugged adapter must not hang a write
// A reply of the altimeter is over within one pause; a line that still brings bytes after
// this long is something else talking (a GPS receiver, a modem) and is given up on.
constexpr int kReplyWaitLimitMs = 3000;

class Channel {
public:
    enum class State { Closed, Open, Failed };

    Channel(SerialLine& line, Clock& clock) : line_(line), clock_(clock) {}

    // Called when an open fails, with the port name (the caller shows the message).
    std::function<void(const std::string& portName, const std::string& reason)> onOpenFailed;
    // Asked between the pauses of every wait: true when the user wants the exchange stopped.
    std::function<bool()> stopRequested;
    bool stopping() const { return stopRequested && stopRequested(); }

    void PortOpen(const std::string& portName);
    std::uint32_t PortRead();
    bool PortWrite(const std::uint8_t* bytes, std::size_t count);
    // False when the line was still busy after kReplyWaitLimitMs: the reply is not to be
    // trusted, and what had arrived has been discarded. Ends after the current pause when a
    // stop is requested (the caller looks at stopping()).
    bool PortWaitReply(int pauseMs);
    bool PortClose();
    void flush() { line_.flush(); }
    // Receive count 0 and the previous reply's bytes gone, so none is read as part of the next.
    void clearReply();

    State state() const { return state_; }
    bool broken() const { return state_ == State::Open && line_.broken(); }
    std::int32_t receiveCount = 0;
    const std::array<std::uint8_t, kReplyBufferSize>& buffer() const { return buffer_; }
    Clock& clock() { return clock_; }

private:
    SerialLine& line_;
    Clock& clock_;
    State state_ = State::Closed;
    std::array<std::uint8_t, kReplyBufferSize> buffer_{};
};

} // namespace orlomat
