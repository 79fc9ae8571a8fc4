#include "contest/port_watch.h"

#include <algorithm>
#include <utility>

namespace orlomat {

namespace {

bool Contains(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

} // namespace

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

bool PortWatch::answers(const std::string& port) {
    if (ask_(port)) return true;
    passedOver_.push_back(port);
    return false;
}

void PortWatch::start(AskPort askAuto, const std::string& lastGood) {
    if (!automatic_) return;
    ask_ = std::move(askAuto);
    seen_ = usbPorts();
    if (ask_ == nullptr) return;
    std::vector<std::string> order = seen_;
    std::stable_partition(order.begin(), order.end(),
                          [&](const std::string& p) { return !lastGood.empty() && p == lastGood; });
    for (const std::string& p : order)
        if (answers(p)) {
            std::erase(seen_, p);
            answered_ = p;
            break;
        }
}

PortWatch::Event PortWatch::poll() {
    if (!automatic_) {
        if (present_(port_) != waiting_) return Event::None;
        waiting_ = !waiting_;
        return waiting_ ? Event::Departed : Event::Arrived;
    }
    const std::vector<std::string> now = usbPorts();
    // An adapter unplugged is forgotten: plugged in again, it is a new one.
    std::erase_if(seen_, [&](const std::string& p) { return !Contains(now, p); });
    std::erase_if(pending_, [&](const std::string& p) { return !Contains(now, p); });
    if (!waiting_) {
        // Done with this one until it is unplugged; the next may come on any other port.
        if (Contains(now, port_)) seen_.push_back(port_);
        waiting_ = true;
        return Event::Departed;
    }
    for (const std::string& p : now) {
        if (Contains(seen_, p)) continue;
        if (ask_ != nullptr && p != answered_) {
            if (!Contains(pending_, p)) {
                pending_.push_back(p); // asked at the next poll, once it has settled
                continue;
            }
            std::erase(pending_, p);
            if (!answers(p)) {
                seen_.push_back(p);
                continue;
            }
        }
        answered_.clear();
        port_ = p;
        waiting_ = false;
        return Event::Arrived;
    }
    return Event::None;
}

PortWatch::AskPort AskWith(Altimeter& altimeter) {
    return [&altimeter](const std::string& location) {
        return AnswersAsAltimeter(altimeter, location);
    };
}

} // namespace orlomat
