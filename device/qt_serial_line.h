// The real serial line (QSerialPort) and the real clock.
#pragma once

#include "device/port_finder.h"

#include "device/serial_line.h"

#include <QSerialPort>

#include <memory>
#include <string>

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
    bool isOpen() const { return port_ && port_->isOpen(); }
    // Made by each open in the thread that opens it (the window's, or its download's), which
    // uses it until the close: a QSerialPort belongs to one thread.
    std::unique_ptr<QSerialPort> port_;
    QString location_; // the device file, which goes away when the adapter is pulled out
    bool broken_ = false;
};

class SteadyClock : public Clock {
public:
    void sleepMs(int ms) override;
};

// Where a port name leads, worked out once so that the open and the presence check agree.
// On Unix a bare name lies under /dev ("ttyUSB0", "pts/3"), a name starting with "/" is a
// path, and one starting with "./" or "../" a path from the current folder, made absolute
// (a symbolic link stays as named: it goes away with the adapter). On Windows the name itself.
std::string PortLocation(const std::string& name);

// A Windows port name as the system lists it: "\\.\com10", "//./COM10" and "COM10" are one
// port (the prefix opens COM10 and above; names are not case sensitive).
std::string ListedPortName(std::string name);

// Whether something is plugged in at the port (its device file, or the listed COM port).
bool PortPresent(const std::string& name);

// The serial ports the system lists (a pseudo-terminal never is: tests list theirs through
// their own PortLister).
class SystemPortLister : public PortLister {
public:
    std::vector<SerialPortEntry> ports() override;
};

} // namespace orlomat
