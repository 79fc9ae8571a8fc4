#include "device/settings_exchange.h"

#include "core/flight_record.h"

#include <cerrno>
#include <cstdlib>

namespace orlomat {

int DeviceTemperature(std::int8_t t) {
    // t x 0.82 (the double, just below 0.82) truncated equals (82 t - 1) div 100 for t > 0:
    // the product falls just short of the integer when 82 t is a multiple of 100.
    return t > 0 ? (82 * t - 1) / 100 : t;
}

std::optional<std::string> VersionText(std::uint8_t v, std::uint8_t y) {
    if (v == 0xFF) return "V 2013.12";
    if (v < 13 && (y == 16 || y == 17))
        return "V " + std::to_string(2000 + y) + "." + std::to_string(v);
    return std::nullopt;
}

Reply SettingsExchange(Altimeter& altimeter, char letter, int pauseMs) {
    return altimeter.exchange(letter, pauseMs);
}

DeviceSettingsRead ReadDeviceSettings(Altimeter& altimeter) {
    DeviceSettingsRead r;
    const auto& reply = altimeter.channel.buffer();
    const auto eight = [&](char letter) {
        const Reply got = SettingsExchange(altimeter, letter);
        return !got.noisy && got.length == 8;
    };
    if (!eight('4')) return r;
    r.statusRead = true;
    DeviceStatus& s = r.status;
    s.temperature = DeviceTemperature(static_cast<std::int8_t>(reply[4]));
    s.competitor = ReadU16(reply, 0);
    s.serial = ReadU16(reply, 2);
    s.levelQuarters = ReadU16(reply, 5);
    s.levelMetres = s.levelQuarters / 4;
    s.samplingCode = reply[7] & 0x0F;

    bool failed = false;
    if (eight('B'))
        r.manualZero = reply[0] & 1;
    else
        failed = true;
    if (eight('6'))
        r.delaySeconds = ReadU16(reply, 0) / 100;
    else
        failed = true;
    if (!eight('D')) return r;
    r.versionRead = true;
    r.version = VersionText(reply[4], reply[5]);
    r.ok = !failed;
    return r;
}

namespace {

DeviceResult Judge(const Altimeter& altimeter, const Reply& r) {
    if (r.noisy) return DeviceResult::LineBusy;
    if (r.length == 0) return DeviceResult::NoReply;
    if (r.length != 2) return DeviceResult::WrongReply;
    return altimeter.channel.buffer()[1] == 0xA5 ? DeviceResult::Ok : DeviceResult::Refused;
}

// What the default setup's gate counts as acknowledged: at least 2 bytes, byte 1 0xA5.
bool Acknowledged(const Altimeter& altimeter, const Reply& r) {
    return !r.noisy && r.length >= 2 && altimeter.channel.buffer()[1] == 0xA5;
}

void Put16(CommandBuffer& c, std::size_t at, std::uint16_t v) {
    c.set(at, static_cast<std::uint8_t>(v & 0xFF));
    c.set(at + 1, static_cast<std::uint8_t>(v >> 8));
}

} // namespace

DeviceResult WriteSettingsCommand(Altimeter& altimeter, std::uint16_t competitor,
                                  std::uint16_t levelQuarters, std::uint8_t samplingCode,
                                  DeviceUi& ui) {
    Put16(altimeter.command, 5, levelQuarters);
    Put16(altimeter.command, 2, competitor);
    altimeter.command.set(7, samplingCode);
    const DeviceResult a = Judge(altimeter, SettingsExchange(altimeter, '5'));
    if (Reported(a)) ui.report(DeviceEvent::SettingsRefused);
    return a;
}

DeviceResult WriteManualZeroCommand(Altimeter& altimeter, std::uint8_t manualZero, DeviceUi& ui) {
    altimeter.command.set(2, manualZero);
    const DeviceResult a = Judge(altimeter, SettingsExchange(altimeter, 'C'));
    if (Reported(a)) ui.report(DeviceEvent::SettingsRefused);
    return a;
}

DeviceResult WriteDelayCommand(Altimeter& altimeter, std::uint16_t hundredths, DeviceUi& ui) {
    Put16(altimeter.command, 2, hundredths);
    const DeviceResult a = Judge(altimeter, SettingsExchange(altimeter, '7'));
    ui.report(a == DeviceResult::Ok ? DeviceEvent::SettingsWritten : DeviceEvent::SettingsRefused);
    return a;
}

DefaultSetupResult DefaultSetup(Altimeter& altimeter, const std::string& port, DeviceUi& ui,
                                const std::function<void()>& onReset) {
    DefaultSetupResult result;
    Channel& ch = altimeter.channel;
    CommandBuffer& c = altimeter.command;
    ch.PortOpen(port);
    if (ch.state() == Channel::State::Failed) return result;
    result.outcome = DefaultSetupResult::Outcome::Refused;

    // Step 1: competitor 0, byte 4 zero, level 120 quarter metres, 15 samples a second.
    Put16(c, 2, 0);
    c.set(4, 0);
    Put16(c, 5, 120);
    c.set(7, 1);
    const auto gate = [&](char letter, int pause, DeviceResult& ack) {
        const Reply r = SettingsExchange(altimeter, letter, pause);
        ack = Judge(altimeter, r);
        if (Acknowledged(altimeter, r)) return true;
        ch.PortClose();
        ui.report(DeviceEvent::SettingsRefused);
        return false;
    };
    if (!gate('5', 500, result.settings)) return result;
    // Step 2: manual zeroing on.
    c.set(2, 1);
    if (!gate('C', 200, result.manualZero)) return result;
    // Step 3: the reset.
    c.set(2, '2');
    c.set(3, '3');
    altimeter.send('2');
    if (onReset) onReset();
    const bool quiet = ch.PortWaitReply(250);
    if (quiet) ch.PortRead();
    const bool zeroed = ResetAcknowledged(ch.buffer(), ch.receiveCount);
    result.reset = !quiet                 ? DeviceResult::LineBusy
                   : zeroed               ? DeviceResult::Ok
                   : ch.receiveCount == 0 ? DeviceResult::NoReply
                   : ch.receiveCount > 2  ? DeviceResult::Refused
                                          : DeviceResult::WrongReply;
    if (!quiet || (ch.receiveCount > 2 && !zeroed)) ui.report(DeviceEvent::DefaultStepFailed);
    // Step 4: delay 180 s.
    Put16(c, 2, 18000);
    result.delay = Judge(altimeter, SettingsExchange(altimeter, '7', 250));
    if (result.delay != DeviceResult::Ok) ui.report(DeviceEvent::DefaultStepFailed);
    ch.PortClose();
    result.outcome = DefaultSetupResult::Outcome::Done;
    return result;
}

} // namespace orlomat
