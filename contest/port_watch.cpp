#include "contest/port_watch.h"

#include <algorithm>
#include <utility>

namespace orlomat {

PortWatch::PortWatch(std::string given, PortLister& lister,
                     std::function<bool(const std::string&)> present)
    : given_(std::move(given)), lister_(lister), present_(std::move(present)),
      automatic_(given_ == kAutoPort) {
    if (!automatic_) port_ = given_;
}

std::vector<std::string> PortWatch::usbPorts() {
    std::vector<std::string> names;
    for (const SerialPortEntry& p : lister_.ports())
        if (p.usb()) names.push_back(p.location);
    return names;
}

void PortWatch::start(Altimeter* askAuto, const std::string& lastGood) {
    if (!automatic_) return;
    seen_ = usbPorts();
    if (askAuto == nullptr) return;
    const AutoPort found = FindAutoPort(lister_, *askAuto, lastGood);
    if (found.chosen) std::erase(seen_, found.chosen->location);
}

PortWatch::Event PortWatch::poll() {
    if (!automatic_) {
        if (present_(port_) != waiting_) return Event::None;
        waiting_ = !waiting_;
        return waiting_ ? Event::Departed : Event::Arrived;
    }
    const std::vector<std::string> now = usbPorts();
    const auto plugged = [&](const std::string& p) {
        return std::find(now.begin(), now.end(), p) != now.end();
    };
    // An adapter unplugged is forgotten: plugged in again, it is a new one.
    std::erase_if(seen_, [&](const std::string& p) { return !plugged(p); });
    if (waiting_) {
        const auto fresh = std::find_if(now.begin(), now.end(), [&](const std::string& p) {
            return std::find(seen_.begin(), seen_.end(), p) == seen_.end();
        });
        if (fresh == now.end()) return Event::None;
        port_ = *fresh;
        waiting_ = false;
        return Event::Arrived;
    }
    if (plugged(port_)) return Event::None;
    waiting_ = true;
    return Event::Departed;
}

} // namespace orlomat
