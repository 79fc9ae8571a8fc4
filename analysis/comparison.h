// The comparison flight: decoded like the current flight, drawn without time labels or a
// speed curve, its maximum and minimum reported only when they change while it is drawn.
#pragma once

#include "core/decode.h"
#include "core/flight_record.h"

#include <optional>
#include <string>
#include <vector>

namespace orlomat {

struct ComparisonCurve {
    std::uint32_t samples = 0;
    float referencePressure = 0.0f;
    std::vector<std::int32_t> altitudes; // smoothed, cm; the end value after the drawn ones
    std::vector<float> altitudePoints;   // the chart's Comparison series, metres
    float maximum = 0.0f;                // starts at 0
    float minimum = 65535.0f;            // starts at 65535
    std::optional<std::string> maxText;  // set only when the maximum changed
    std::optional<std::string> minText;  // set only when the minimum changed
    // trunc(M + M / 30) at the last change of the maximum: the left axis rises to it when it
    // is above the axis' current maximum.
    std::optional<std::int32_t> leftAxisCandidate;
    int minorTickCount = 0;
    std::uint32_t samplingRate = 0; // samples per 10 seconds, as decoded
};

// Where point `index` of the comparison stands on the chart's time axis, whose positions are
// the samples of a flight recorded at `axisRate`: at the comparison's own time of that point,
// index / comparisonRate, counted in the axis' samples (both rates in samples per 10 seconds).
// Flights recorded at different rates then meet at the same second; equal rates give the
// index itself, and so does a rate of 0 (nothing to scale by).
double ComparisonPosition(std::size_t index, std::uint32_t comparisonRate, std::uint32_t axisRate);

// `byteCount` is the record's length minus the 32-byte header.
ComparisonCurve DecodeComparison(std::span<const std::uint8_t> record, DecodingState& state,
                                 std::uint32_t byteCount, char decimalSeparator = '.');

// The comparison flight: its own record, state and curve.
struct ComparisonFlight {
    std::vector<std::uint8_t> record;
    HeaderInfo header;
    DecodingState state;
    ComparisonCurve curve;

    bool present() const { return !record.empty(); }
    std::uint32_t byteCount() const {
        return static_cast<std::uint32_t>(record.size() > kHeaderSize ? record.size() - kHeaderSize
                                                                      : 0);
    }
};

// A flight file's record as the comparison flight (the file column of the sampling table).
ComparisonFlight DecodeComparisonRecord(std::vector<std::uint8_t> record,
                                        std::optional<float> temperature = std::nullopt,
                                        char decimalSeparator = '.');

// Decodes the comparison flight again from its own record and state.
void DecodeComparisonAgain(ComparisonFlight& flight, char decimalSeparator = '.');

} // namespace orlomat
