#include "analysis/flight_checks.h"

#include "core/sensor.h"

#include <algorithm>
#include <cstdlib>

namespace orlomat {

namespace {

bool PlausibleCalibration(const Calibration& c) {
    for (const int w : {int{c.AC1}, int{c.AC2}, int{c.AC3}, int{c.AC4}, int{c.AC5}, int{c.AC6},
                        int{c.B1}, int{c.B2}, int{c.MB}, int{c.MC}, int{c.MD}})
        if ((w & 0xFFFF) == 0 || (w & 0xFFFF) == 0xFFFF) return false;
    return true;
}

// A record's header holds binary numbers with zero bytes; one of printable characters only is
// a text.
bool IsText(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.begin() + kHeaderSize, [](std::uint8_t b) {
        return (b >= 0x20 && b < 0x7F) || b == '\t' || b == '\n' || b == '\r';
    });
}

bool Plausible(std::int32_t cm) {
    return cm >= -kPlausibleAltitudeCm && cm <= kPlausibleAltitudeCm;
}

// The sensor works from -40 to 85 degrees C.
bool InRange(std::int32_t tenths) {
    return tenths >= -400 && tenths <= 850;
}

} // namespace

RecordFault CheckRecordBytes(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderSize) return RecordFault::NoHeader;
    if (bytes.size() > kMaxRecordSize) return RecordFault::TooLong;
    if (IsText(bytes)) return RecordFault::Text;
    const FlightHeader header = ParseHeader(bytes);
    if (!PlausibleCalibration(header.calibration)) return RecordFault::Calibration;
    if (header.samplingCode() > 5) return RecordFault::SamplingCode;
    return RecordFault::None;
}

RecordFault CheckFlight(const Flight& flight) {
    if (const RecordFault f = CheckRecordBytes(flight.record); f != RecordFault::None) return f;
    const FlightCurve& c = flight.curve;
    const auto charted = c.altitudes.begin() + static_cast<std::ptrdiff_t>(c.chartedCount());
    if (!std::all_of(c.altitudes.begin(), charted, Plausible) ||
        !std::all_of(c.unchartedAltitudes.begin(), c.unchartedAltitudes.end(), Plausible))
        return RecordFault::ImpossibleAltitude;
    // One glitched temperature word is a sensor's hiccup; many out of range, or jumping by
    // degrees from sample to sample, is no sensor at all: the air around a model does not
    // change that fast.
    const Calibration& cal = flight.state.calibration;
    std::size_t wild =
        InRange(TemperatureTenths(cal, flight.header.header.temperatureWord)) ? 0 : 1;
    std::int32_t previous = 0;
    for (std::size_t k = 0; k < c.samples; ++k) {
        const std::int32_t t = TemperatureTenths(cal, SampleAt(flight.record, k).ut);
        if (!InRange(t) || (k > 0 && std::abs(t - previous) > 20)) ++wild;
        previous = t;
    }
    if (wild * 10 > c.samples) return RecordFault::ImpossibleTemperature;
    return RecordFault::None;
}

const TextPair& Describe(RecordFault fault) {
    static constexpr TextPair kNone = {"", ""};
    switch (fault) {
    case RecordFault::None:
        break;
    case RecordFault::NoHeader:
        return PhrasePair(Phrase::FaultNoHeader);
    case RecordFault::TooLong:
        return PhrasePair(Phrase::FaultTooLong);
    case RecordFault::Text:
        return PhrasePair(Phrase::FaultText);
    case RecordFault::Calibration:
        return PhrasePair(Phrase::FaultCalibration);
    case RecordFault::SamplingCode:
        return PhrasePair(Phrase::FaultSamplingCode);
    case RecordFault::ImpossibleAltitude:
        return PhrasePair(Phrase::FaultAltitude);
    case RecordFault::ImpossibleTemperature:
        return PhrasePair(Phrase::FaultTemperature);
    }
    return kNone;
}

} // namespace orlomat
