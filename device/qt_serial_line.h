// The real serial line (QSerialPort) and the real clock.
#pragma once

#include "device/serial_line.h"

#include <QSerialPort>

namespace orlomat {

class QtSerialLine : public SerialLine {
public:
    bool open(const std::string& name, std::string& error) override;
    std::size_t waiting() override;
    std::size_t read(std::uint8_t* into, std::size_t count) override;
    bool write(const std::uint8_t* bytes, std::size_t count) override;
    bool waitTransmitEmpty(int timeoutMs) override;
    void flush() override;
    void discardInput() override;
    void close() override;
    bool broken() const override { return broken_; }

private:
    void noteError();
    QSerialPort port_;
    QString location_; // the device file, which goes away when the adapter is pulled out
    bool broken_ = false;
};

class SteadyClock : public Clock {
public:
    void sleepMs(int ms) override;
};

} // namespace orlomat
