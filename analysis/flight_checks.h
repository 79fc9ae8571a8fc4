// Whether a file's bytes can be a flight record at all. A damaged file or one that is no record
// decodes into absurd figures (a 45 km "flight" topping the results); these checks say why it
// is none before anyone reads such figures.
#pragma once

#include "core/flight.h"
#include "core/language.h"

#include <cstdint>
#include <span>

namespace orlomat {

enum class RecordFault {
    None,
    NoHeader,              // shorter than the 32-byte header
    TooLong,               // longer than the altimeter's memory can give
    Text,                  // a header of printable characters: notes, a table
    Calibration,           // a calibration word of 0 or 0xFFFF, which no sensor has
    SamplingCode,          // a sampling code the altimeter never writes
    ImpossibleAltitude,    // altitudes beyond what a barometric flight can reach
    ImpossibleTemperature, // temperatures out of the sensor's range, or jumping by degrees
};

// The highest or lowest altitude (cm above the ground reference) a flight can show.
constexpr std::int32_t kPlausibleAltitudeCm = 1'200'000;

// Checks the bytes alone. `bytes` may hold one byte more than a record can have, read to tell
// a file that is too long.
RecordFault CheckRecordBytes(std::span<const std::uint8_t> bytes);

// Checks the bytes and the decoded altitudes.
RecordFault CheckFlight(const Flight& flight);

// The reason in both languages, lower case, to follow "not a flight record: ".
const TextPair& Describe(RecordFault fault);

} // namespace orlomat
