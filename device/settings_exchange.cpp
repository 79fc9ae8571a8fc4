#include "settings_exchange.h"

#include "flight_record.h"

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

std::uint32_t SettingsExchange(Altimeter& altimeter, char letter, int pauseMs) {
    altimeter.send(letter);
    altimeter.channel.PortWaitReply(pauseMs);
    return altimeter.channel.PortRead();
}

DeviceSettingsRead ReadDeviceSettings(Altimeter& altimeter) {
    DeviceSettingsRead r;
    const auto& reply = altimeter.channel.buffer();
    if (SettingsExchange(altimeter, '4') != 8) return r;
    r.statusRead = true;
    DeviceStatus& s = r.status;
    s.temperature = DeviceTemperature(static_cast<std::int8_t>(reply[4]));
    s.competitor = ReadU16(reply, 0);
    s.serial = ReadU16(reply, 2);
    s.levelQuarters = ReadU16(reply, 5);
    s.levelMetres = s.levelQuarters / 4;
    s.samplingCode = reply[7] & 0x0F;

    bool failed = false;
    if (SettingsExchange(altimeter, 'B') == 8)
        r.manualZero = reply[0] & 1;
    else
        failed = true;
    if (SettingsExchange(altimeter, '6') == 8)
        r.delaySeconds = ReadU16(reply, 0) / 100;
    else
        failed = true;
    if (SettingsExchange(altimeter, 'D') != 8) return r;
    r.versionRead = true;
    r.version = VersionText(reply[4], reply[5]);
    r.ok = !failed;
    return r;
}

namespace {

// Only a 2-byte reply whose byte 1 is not the acknowledge byte counts as refused.
bool RefusedAck(Altimeter& altimeter, std::uint32_t length) {
    return length == 2 && altimeter.channel.buffer()[1] != 0xA5;
}

void Put16(CommandBuffer& c, std::size_t at, std::uint16_t v) {
    c.set(at, static_cast<std::uint8_t>(v & 0xFF));
    c.set(at + 1, static_cast<std::uint8_t>(v >> 8));
}

bool Acknowledged(Altimeter& altimeter, std::uint32_t length) {
    return length > 0 && altimeter.channel.buffer()[1] == 0xA5;
}

} // namespace

bool WriteSettingsCommand(Altimeter& altimeter, std::uint16_t competitor,
                          std::uint16_t levelQuarters, std::uint8_t samplingCode, DeviceUi& ui) {
    Put16(altimeter.command, 5, levelQuarters);
    Put16(altimeter.command, 2, competitor);
    altimeter.command.set(7, samplingCode);
    if (RefusedAck(altimeter, SettingsExchange(altimeter, '5'))) {
        ui.message(Message::SetupFailed, Message::SetupCaption);
        return false;
    }
    return true;
}

bool WriteManualZeroCommand(Altimeter& altimeter, std::uint8_t manualZero, DeviceUi& ui) {
    altimeter.command.set(2, manualZero);
    if (RefusedAck(altimeter, SettingsExchange(altimeter, 'C'))) {
        ui.message(Message::SetupFailed, Message::SetupCaption);
        return false;
    }
    return true;
}

bool WriteDelayCommand(Altimeter& altimeter, std::uint16_t hundredths, DeviceUi& ui) {
    Put16(altimeter.command, 2, hundredths);
    const std::uint32_t n = SettingsExchange(altimeter, '7');
    const bool ok = n == 2 && altimeter.channel.buffer()[1] == 0xA5;
    ui.message(ok ? Message::SetupOk : Message::SetupFailed, Message::SetupCaption);
    return ok;
}

DefaultSetupResult DefaultSetup(Altimeter& altimeter, const std::string& port, DeviceUi& ui,
                                const std::function<void()>& onReset) {
    Channel& ch = altimeter.channel;
    CommandBuffer& c = altimeter.command;
    ch.PortOpen(port);
    if (ch.state() == Channel::State::Failed) return DefaultSetupResult::PortFailed;

    // Step 1: competitor 0, byte 4 zero, level 120 quarter metres, 15 samples a second.
    Put16(c, 2, 0);
    c.set(4, 0);
    Put16(c, 5, 120);
    c.set(7, 1);
    const auto gate = [&](char letter, int pause) {
        if (Acknowledged(altimeter, SettingsExchange(altimeter, letter, pause))) return true;
        ui.message(Message::SetupFailed, Message::SetupCaption);
        ch.PortClose();
        return false;
    };
    if (!gate('5', 500)) return DefaultSetupResult::Refused;
    // Step 2: manual zeroing on.
    c.set(2, 1);
    if (!gate('C', 200)) return DefaultSetupResult::Refused;
    // Step 3: the reset.
    c.set(2, '2');
    c.set(3, '3');
    altimeter.send('2');
    if (onReset) onReset();
    ch.PortWaitReply(250);
    ch.PortRead();
    const auto& reply = ch.buffer();
    if (ch.receiveCount > 2 && (reply[1] != 0xAA || reply[2] != 0xAA))
        ui.message(Message::ResetError, Message::ErrorCaption);
    // Step 4: delay 180 s.
    Put16(c, 2, 18000);
    const std::uint32_t n = SettingsExchange(altimeter, '7', 250);
    if (n != 2 || reply[1] != 0xA5) ui.message(Message::ResetError, Message::ErrorCaption);
    ch.PortClose();
    return DefaultSetupResult::Done;
}

} // namespace orlomat
