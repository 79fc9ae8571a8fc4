// The seams under the device link: the serial line and the clock. The real line is a
// QSerialPort; tests use a scripted line and a clock that only pretends to sleep.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orlomat {

class SerialLine {
public:
    virtual ~SerialLine() = default;
    // Opens the port with the altimeter's line settings; on failure `error` says why.
    virtual bool open(const std::string& name, std::string& error) = 0;
    // Bytes waiting to be read. Also clears a pending line error.
    virtual std::size_t waiting() = 0;
    // Reads up to `count` waiting bytes; returns how many were read.
    virtual std::size_t read(std::uint8_t* into, std::size_t count) = 0;
    virtual bool write(const std::uint8_t* bytes, std::size_t count) = 0;
    // Waits until the last byte has left the transmit buffer, at most `timeoutMs`.
    virtual bool waitTransmitEmpty(int timeoutMs) = 0;
    virtual void flush() = 0;
    // Drops whatever waits in the input queue (a reply meant for an earlier program).
    virtual void discardInput() = 0;
    virtual void close() = 0;
    // True once the port has failed while open (an adapter pulled out).
    virtual bool broken() const = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual void sleepMs(int ms) = 0;
};

} // namespace orlomat
