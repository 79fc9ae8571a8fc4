#include "contest/port_watch.h"

#include <algorithm>

namespace orlomat {

PortWatch::PortWatch(std::string given, PortLister& lister,
                     std::function<bool(const std::string&)> present)
    : given_(std::move(given)), lister_(lister), present_(std::move(present)) {}

std::vector<std::string> PortWatch::usbPorts() {
    std::vector<std::string> names;
    for (const SerialPortEntry& p : lister_.ports())
        if (p.usb()) names.push_back(p.location);
    return names;
}

void PortWatch::start(Altimeter* askAuto, const std::string& lastGood) {
    waiting_ = true;
    if (given_ != kAutoPort) return;
    seen_ = usbPorts();
    if (askAuto == nullptr) return;
    const AutoPort found = FindAutoPort(lister_, *askAuto, lastGood);
    if (found.chosen) std::erase(seen_, found.chosen->location);
}

PortWatch::Event PortWatch::poll() {
    if (given_ != kAutoPort) {
        const bool present = present_(given_);
        if (present == waiting_) {
            waiting_ = !present;
            port_ = given_;
            return present ? Event::Arrived : Event::Departed;
        }
        return Event::None;
    }
    const std::vector<std::string> now = usbPorts();
    if (waiting_) {
        for (const std::string& p : now) {
            if (std::find(seen_.begin(), seen_.end(), p) == seen_.end()) {
                port_ = p;
                waiting_ = false;
                return Event::Arrived;
            }
        }
        seen_ = now;
        return Event::None;
    }
    if (std::find(now.begin(), now.end(), port_) != now.end()) return Event::None;
    waiting_ = true;
    seen_ = now;
    return Event::Departed;
}

} // namespace orlomat
