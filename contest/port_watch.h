// Waits, poll by poll, for an altimeter's port to appear and then to go again. `given` is the
// port as the user names it ("COM5", "/dev/ttyUSB0", "ttyUSB0" or "auto"). With "auto" any USB
// serial port that appears counts; ports present at start(...) count as already seen unless
// they answer as an altimeter.
#pragma once

#include "device/port_finder.h"

#include <functional>
#include <string>
#include <vector>

namespace orlomat {

class PortWatch {
public:
    enum class Event { None, Arrived, Departed };
    PortWatch(std::string given, PortLister& lister,
              std::function<bool(const std::string&)> present);
    void start(Altimeter* askAuto,
               const std::string& lastGood); // (auto only) which present port is an altimeter
    Event poll();                            // call about every kPollMs
    const std::string& port() const { return port_; } // the location to open after Arrived
    bool waitingForArrival() const { return waiting_; }

private:
    std::vector<std::string> usbPorts();
    std::string given_;
    PortLister& lister_;
    std::function<bool(const std::string&)> present_;
    std::string port_;
    bool waiting_ = true;
    std::vector<std::string> seen_;
};
inline constexpr int kPollMs = 250,
                     kSettleMs = 500; // settle: wait after Arrived before the download

} // namespace orlomat
