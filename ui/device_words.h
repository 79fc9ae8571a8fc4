// The words of the device exchanges' events, for the window and the command line alike.
#pragma once

#include "core/language.h"
#include "device/altimeter.h"
#include "device/port_finder.h"

#include <string>
#include <vector>

namespace orlomat {

struct DeviceWords {
    Message text;
    Message caption;
};

constexpr DeviceWords WordsFor(DeviceEvent event) {
    switch (event) {
    case DeviceEvent::NoStatus:
    case DeviceEvent::StreamBroken:
        return {Message::CommunicationError, Message::ErrorCaption};
    case DeviceEvent::LineBusy:
        return {Message::LineBusy, Message::ErrorCaption};
    case DeviceEvent::NoNewMeasurement:
        return {Message::NoNewMeasurement, Message::ErrorCaption};
    case DeviceEvent::ResetDone:
        return {Message::ResetOk, Message::ResetCaptionShort};
    case DeviceEvent::ResetRefused:
    case DeviceEvent::DefaultStepFailed:
        return {Message::ResetError, Message::ErrorCaption};
    case DeviceEvent::SettingsRefused:
        return {Message::SetupFailed, Message::SetupCaption};
    case DeviceEvent::SettingsWritten:
        return {Message::SetupOk, Message::SetupCaption};
    }
    return {Message::CommunicationError, Message::ErrorCaption};
}

// The question before a reset the user started.
constexpr DeviceWords kResetQuestion = {Message::ResetSure, Message::ResetCaption};

// What a message about a port adds: the ports present, or that none is and the adapter may
// need its driver.
inline std::string PresentPortsNote(const std::vector<SerialPortEntry>& ports, Language language) {
    const std::string present = PresentPortsText(ports);
    if (present.empty()) return Tr(Phrase::NoPortsPresent, language);
    return Tr(Phrase::PortsPresent, language) + present;
}

} // namespace orlomat
