// The altimeter's own settings: reading them as the settings dialog shows them, writing them
// back with the dialog's checks, and the fixed default setup.
#pragma once

#include "core/format.h"
#include "device/altimeter.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace orlomat {

// Whole degrees as the settings dialog shows the device's temperature byte: positive values
// times the double 0.82 (slightly below 0.82), the exact product truncated, so 50 gives 40
// and 100 gives 81.
int DeviceTemperature(std::int8_t t);

// "V 2013.12" for version byte 0xFF, "V 2016.4" for v < 13 in 2016 or 2017, otherwise
// nothing (the version field keeps its text).
std::optional<std::string> VersionText(std::uint8_t v, std::uint8_t yearSince2000);

struct DeviceStatus {
    std::uint16_t competitor = 0;
    std::uint16_t serial = 0;
    int temperature = 0; // as shown (DeviceTemperature)
    std::uint16_t levelQuarters = 0;
    int levelMetres = 0;           // quarter metres div 4
    std::uint8_t samplingCode = 0; // 0..15; 6..15 have no item
};

struct DeviceSettingsRead {
    bool ok = false;         // every read answered as expected
    bool statusRead = false; // '4' answered with 8 bytes
    DeviceStatus status;
    std::optional<int> manualZero;      // from 'B'
    std::optional<int> delaySeconds;    // from '6'
    bool versionRead = false;           // 'D' answered with 8 bytes
    std::optional<std::string> version; // the text to show, if any
};

// '4', 'B', '6', 'D' on the open channel, with the dialog's failure rules.
DeviceSettingsRead ReadDeviceSettings(Altimeter& altimeter);

// One settings exchange: the previous reply cleared, flush, the frame, a reply wait, one read.
Reply SettingsExchange(Altimeter& altimeter, char letter, int pauseMs = 250);

// A write result as the window judges the '5' and 'C' replies: only a refusal or a busy line
// is reported.
inline bool Reported(DeviceResult a) {
    return a == DeviceResult::Refused || a == DeviceResult::LineBusy;
}

// The checks of the dialog's fields, compared as unsigned numbers (a negative value is too
// large).
constexpr std::uint32_t kMaxLevelMetres = 200;
constexpr std::uint32_t kMaxCompetitor = 10000;
constexpr std::uint32_t kMaxDelayHundredths = 30000;
inline bool AboveLimit(std::int64_t value, std::uint32_t limit) {
    return value < 0 || value > std::int64_t{limit};
}

// '5' with competitor, level (quarter metres) and sampling code; reports SettingsRefused when
// the write was refused (or the line never went quiet).
DeviceResult WriteSettingsCommand(Altimeter& altimeter, std::uint16_t competitor,
                                  std::uint16_t levelQuarters, std::uint8_t samplingCode,
                                  DeviceUi& ui);
// 'C' with manual zeroing; same rule.
DeviceResult WriteManualZeroCommand(Altimeter& altimeter, std::uint8_t manualZero, DeviceUi& ui);
// '7' with the delay; reports SettingsWritten when acknowledged, SettingsRefused otherwise.
DeviceResult WriteDelayCommand(Altimeter& altimeter, std::uint16_t hundredths, DeviceUi& ui);

struct DefaultSetupResult {
    enum class Outcome { PortFailed, Refused, Done } outcome = Outcome::PortFailed;
    // Each step's reply: the settings, manual zeroing, the reset, the delay.
    DeviceResult settings = DeviceResult::NoReply, manualZero = DeviceResult::NoReply,
                 reset = DeviceResult::NoReply, delay = DeviceResult::NoReply;
    bool done() const { return outcome == Outcome::Done; }
    // Every step acknowledged as the altimeter should.
    bool allAcknowledged() const {
        return done() && settings == DeviceResult::Ok && manualZero == DeviceResult::Ok &&
               reset == DeviceResult::Ok && delay == DeviceResult::Ok;
    }
};

// The four fixed frames. `onReset` runs before the reset's reply wait (the current flight's
// maximum becomes 0); Done means the sequence reached its end (the indicator is then shown).
DefaultSetupResult DefaultSetup(Altimeter& altimeter, const std::string& port, DeviceUi& ui,
                                const std::function<void()>& onReset = {});

} // namespace orlomat
