#include "core/flight_record.h"

#include <algorithm>
#include <array>

namespace orlomat {

FlightHeader ParseHeader(std::span<const std::uint8_t> record) {
    std::array<std::uint8_t, kHeaderSize> b{};
    std::copy_n(record.begin(), std::min(record.size(), kHeaderSize), b.begin());
    const auto u16 = [&](std::size_t off) { return ReadU16(b, off); };
    const auto s16 = [&](std::size_t off) { return static_cast<std::int16_t>(u16(off)); };

    FlightHeader h;
    h.competitor = u16(1);
    h.serial = u16(3);
    h.temperatureWord = u16(5);
    h.samplingByte = b[7];
    h.calibrationWord = u16(8);
    Calibration& c = h.calibration;
    c.AC1 = s16(10);
    c.AC2 = s16(12);
    c.AC3 = s16(14);
    c.AC4 = u16(16);
    c.AC5 = u16(18);
    c.AC6 = u16(20);
    c.B1 = s16(22);
    c.B2 = s16(24);
    c.MB = s16(26);
    c.MC = s16(28);
    c.MD = s16(30);
    return h;
}

std::array<std::uint8_t, kHeaderSize> HeaderBytes(const FlightHeader& h) {
    std::array<std::uint8_t, kHeaderSize> b{};
    const auto put = [&](std::size_t off, auto v) {
        WriteU16(b, off, static_cast<std::uint16_t>(v));
    };
    put(1, h.competitor);
    put(3, h.serial);
    put(5, h.temperatureWord);
    b[7] = h.samplingByte;
    put(8, h.calibrationWord);
    const Calibration& c = h.calibration;
    put(10, c.AC1);
    put(12, c.AC2);
    put(14, c.AC3);
    put(16, c.AC4);
    put(18, c.AC5);
    put(20, c.AC6);
    put(22, c.B1);
    put(24, c.B2);
    put(26, c.MB);
    put(28, c.MC);
    put(30, c.MD);
    return b;
}

std::string_view SamplingText(unsigned code) {
    static constexpr std::array<std::string_view, 6> kTexts = {
        "20 pom/sek", "15 pom/sek", "10 pom/sek", "  5 pom/sek", "  1 pom/sek", "  2 sek/pom"};
    return code < kTexts.size() ? kTexts[code] : std::string_view{};
}

std::uint32_t SamplingRateValue(unsigned code, FlightSource source) {
    static constexpr std::array<std::uint32_t, 6> kRates = {200, 150, 100, 50, 10, 5};
    if (code < kRates.size()) return kRates[code];
    if (source == FlightSource::Download) return 10;
    return code == 6 ? 2 : 1;
}

} // namespace orlomat
