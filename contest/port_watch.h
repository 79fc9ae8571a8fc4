// Waiting on the field for altimeter after altimeter: poll by poll, a port appears (an
// altimeter plugged in), is downloaded by the caller, and goes again (unplugged). The command
// line's `download --watch` and the window's download station both wait this way.
#pragma once

#include "device/port_finder.h"

#include <functional>
#include <string>
#include <vector>

namespace orlomat {

// How often the ports are looked at, and how long a port that has just appeared is left to
// settle before the download opens it.
inline constexpr int kPollMs = 250, kSettleMs = 500;

class PortWatch {
public:
    enum class Event { None, Arrived, Departed };

    // `given` is the port as the user names it, or "auto": then any USB serial port that
    // appears counts. `present` tells whether a named port exists now.
    PortWatch(std::string given, PortLister& lister,
              std::function<bool(const std::string&)> present);

    // With "auto", the USB ports present now count as already seen (adapters that stay
    // plugged in), except one that `askAuto` finds answering as an altimeter (the last good
    // port asked first); it is then taken at the first poll. Nothing for a named port.
    void start(Altimeter* askAuto, const std::string& lastGood);

    // Call about every kPollMs: Arrived once the altimeter's port is there (port() names it),
    // then Departed once it has gone.
    Event poll();

    const std::string& port() const { return port_; }
    bool waitingForArrival() const { return waiting_; }

private:
    std::vector<std::string> usbPorts();

    std::string given_, port_;
    PortLister& lister_;
    std::function<bool(const std::string&)> present_;
    bool automatic_;
    bool waiting_ = true;
    std::vector<std::string> seen_;
};

} // namespace orlomat
