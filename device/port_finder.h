// Finding the altimeter among the serial ports present: ports by what they are (USB adapter,
// maker, description), and the port name "auto", which takes the one USB serial port present
// or, with several, the first that answers the status command as an altimeter does. Only
// USB serial ports are ever asked, and only with the status command, which changes nothing.
#pragma once

#include "device/altimeter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orlomat {

inline constexpr const char* kAutoPort = "auto";

struct SerialPortEntry {
    std::string systemName;  // "COM7", "ttyUSB0"
    std::string location;    // what opens it: "COM7", "/dev/ttyUSB0"
    std::string description; // "FT232R USB UART"
    std::string manufacturer;
    std::string serialNumber;
    std::optional<std::uint16_t> vendorId, productId; // USB ids, when it is a USB adapter

    bool usb() const { return vendorId.has_value(); }
    // "COM7 — FT232R USB UART" (the name alone without a description).
    std::string label() const;
};

// The ports present, from the system (the seam tests replace).
class PortLister {
public:
    virtual ~PortLister() = default;
    virtual std::vector<SerialPortEntry> ports() = 0;
};

// True when the port answers the status command with an altimeter's 8-byte status. The port
// is closed again whatever happens.
bool AnswersAsAltimeter(Altimeter& altimeter, const std::string& location);

struct AutoPort {
    std::optional<SerialPortEntry> chosen;
    std::vector<SerialPortEntry> present; // every port found, for the message when none fits
    std::vector<std::string> asked;       // the ports the status command went to
};

// The port "auto" stands for: the only USB serial port, or among several the first that
// answers (the last good one asked first).
AutoPort FindAutoPort(PortLister& lister, Altimeter& altimeter, const std::string& lastGood);

// "COM3 (USB Serial Port), COM4": the ports present, for a message; empty when none.
std::string PresentPortsText(const std::vector<SerialPortEntry>& ports);

} // namespace orlomat
