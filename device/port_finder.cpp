#include "device/port_finder.h"

#include <algorithm>

namespace orlomat {

std::string SerialPortEntry::label() const {
    return description.empty() ? systemName : systemName + " \u2014 " + description;
}

bool AnswersAsAltimeter(Altimeter& altimeter, const std::string& location) {
    Channel& channel = altimeter.channel;
    const auto quiet = std::move(channel.onOpenFailed); // a port that will not open is no answer
    channel.onOpenFailed = nullptr;
    channel.PortOpen(location);
    channel.onOpenFailed = quiet;
    if (channel.state() != Channel::State::Open) return false;
    const Reply status = altimeter.exchange('4');
    channel.PortClose();
    return !status.noisy && status.length == 8;
}

AutoPort FindAutoPort(PortLister& lister, Altimeter& altimeter, const std::string& lastGood) {
    AutoPort out;
    out.present = lister.ports();
    std::vector<SerialPortEntry> usb;
    std::copy_if(out.present.begin(), out.present.end(), std::back_inserter(usb),
                 [](const SerialPortEntry& p) { return p.usb(); });
    if (usb.size() == 1) {
        out.chosen = usb.front();
        return out;
    }
    // The last good port first, then in the system's order.
    std::stable_partition(usb.begin(), usb.end(), [&](const SerialPortEntry& p) {
        return !lastGood.empty() && (p.systemName == lastGood || p.location == lastGood);
    });
    for (const SerialPortEntry& p : usb) {
        out.asked.push_back(p.systemName);
        if (AnswersAsAltimeter(altimeter, p.location)) {
            out.chosen = p;
            break;
        }
    }
    return out;
}

std::string PresentPortsText(const std::vector<SerialPortEntry>& ports) {
    std::string text;
    for (const SerialPortEntry& p : ports) {
        if (!text.empty()) text += ", ";
        text += p.systemName;
        if (!p.description.empty()) text += " (" + p.description + ")";
    }
    return text;
}

} // namespace orlomat
