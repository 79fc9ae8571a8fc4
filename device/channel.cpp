#include "device/channel.h"

#include <algorithm>

namespace orlomat {

void Channel::PortOpen(const std::string& portName) {
    if (state_ == State::Open) return;
    std::string reason;
    if (line_.open(portName, reason)) {
        state_ = State::Open;
        line_.discardInput();
        return;
    }
    state_ = State::Failed;
    if (onOpenFailed) onOpenFailed(portName, reason);
}

std::uint32_t Channel::PortRead() {
    if (state_ != State::Open) return 0;
    buffer_[0] = 0;
    const std::size_t waiting = line_.waiting();
    if (waiting == 0) return 0;
    const std::size_t at = static_cast<std::size_t>(std::max<std::int32_t>(receiveCount, 0));
    const std::size_t room = at < buffer_.size() ? buffer_.size() - at : 0;
    const std::size_t n = std::min({waiting, kReplyBufferSize, room});
    const std::size_t got = n == 0 ? 0 : line_.read(buffer_.data() + at, n);
    receiveCount += static_cast<std::int32_t>(got);
    return static_cast<std::uint32_t>(got);
}

bool Channel::PortWrite(const std::uint8_t* bytes, std::size_t count) {
    if (state_ != State::Open || !line_.write(bytes, count)) return false;
    return line_.waitTransmitEmpty(kTransmitTimeoutMs);
}

bool Channel::PortWaitReply(int pauseMs) {
    std::size_t seen = state_ == State::Open ? line_.waiting() : 0;
    clock_.sleepMs(pauseMs);
    int waited = pauseMs;
    std::size_t now = state_ == State::Open ? line_.waiting() : 0;
    while (now > seen && !line_.broken() && !stopping()) {
        if (waited >= kReplyWaitLimitMs) {
            line_.discardInput();
            return false;
        }
        seen = now;
        clock_.sleepMs(pauseMs);
        waited += pauseMs;
        now = line_.waiting();
    }
    return true;
}

void Channel::clearReply() {
    const auto used = static_cast<std::size_t>(
        std::clamp<std::int32_t>(receiveCount, 0, static_cast<std::int32_t>(kReplyBufferSize)));
    std::fill_n(buffer_.begin(), std::max<std::size_t>(used, 8), std::uint8_t{0});
    receiveCount = 0;
}

bool Channel::PortClose() {
    if (state_ != State::Open) return false;
    line_.close();
    state_ = State::Closed;
    return true;
}

} // namespace orlomat
