// The words of the device exchanges' events, for the window and the command line alike.
#pragma once

#include "core/language.h"
#include "device/altimeter.h"

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

} // namespace orlomat
