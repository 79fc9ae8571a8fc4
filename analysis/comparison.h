// The comparison flight: decoded like the current flight, drawn without time labels or a
// speed curve, its maximum and minimum reported only when they change while it is drawn.
#pragma once

#include "core/decode.h"

#include <optional>
#include <string>
#include <vector>

namespace orlomat {

struct ComparisonCurve {
    std::uint32_t samples = 0;
    float referencePressure = 0.0f;
    std::vector<std::int32_t> altitudes; // smoothed, cm; the end value after the drawn ones
    std::vector<float> series3;          // metres
    float maximum = 0.0f;                // starts at 0
    float minimum = 65535.0f;            // starts at 65535
    std::optional<std::string> maxText;  // set only when the maximum changed
    std::optional<std::string> minText;  // set only when the minimum changed
    // trunc(M + M / 30) at the last change of the maximum: the left axis rises to it when it
    // is above the axis' current maximum.
    std::optional<std::int32_t> leftAxisCandidate;
    int minorTickCount = 0;
};

// `byteCount` is the record's length minus the 32-byte header.
ComparisonCurve DecodeComparison(std::span<const std::uint8_t> record, DecodingState& state,
                                 std::uint32_t byteCount, char decimalSeparator = '.');

} // namespace orlomat
