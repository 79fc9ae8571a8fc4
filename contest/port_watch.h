// Waiting on the field for altimeter after altimeter: poll by poll, a port appears (an
// altimeter plugged in), is downloaded by the caller, and goes again (unplugged). The command
// line's `download --watch` and the window's download station both wait this way.
#pragma once

#include "device/port_finder.h"

#include <functional>
#include <string>
#include <utility>
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

    // Whether the port at a location answers as an altimeter.
    using AskPort = std::function<bool(const std::string& location)>;

    // With "auto" and `askAuto`, each USB port present now is asked once whether it is an
    // altimeter (the last good port first); the first that answers is taken at the first poll,
    // the others (a GPS, a silent adapter) are passed over until they are unplugged. A USB port
    // plugged in later is asked once, a poll after it appeared (it settles first). Without
    // `askAuto` every port present now is passed over and every new one taken. Nothing for a
    // named port.
    void start(AskPort askAuto, const std::string& lastGood);

    // Call about every kPollMs: Arrived once the altimeter's port is there (port() names it),
    // then Departed once it has gone. With "auto", Departed comes at the first poll after the
    // download: the port is passed over until it is unplugged, and another port is never kept
    // waiting for it.
    Event poll();

    const std::string& port() const { return port_; }
    bool waitingForArrival() const { return waiting_; }
    // The ports asked since the last call that did not answer as an altimeter.
    std::vector<std::string> takePassedOver() { return std::exchange(passedOver_, {}); }

private:
    std::vector<std::string> usbPorts();
    bool answers(const std::string& port);

    std::string given_, port_;
    PortLister& lister_;
    std::function<bool(const std::string&)> present_;
    bool automatic_;
    bool waiting_ = true;
    AskPort ask_;
    std::vector<std::string> seen_;    // passed over until unplugged
    std::vector<std::string> pending_; // appeared at the last poll, settling
    std::vector<std::string> passedOver_;
    std::string answered_; // a port that answered at the start, taken without asking again
};

// Asks with `altimeter`'s status command (AnswersAsAltimeter).
PortWatch::AskPort AskWith(Altimeter& altimeter);

} // namespace orlomat
