// The two-stage smoothing filter: a slope-limited pre-cut, two moving averages that build a
// reference curve, and final-cut passes that replace what lies off that curve by straight
// lines. 32-bit integer arithmetic, divisions truncating toward zero.
#pragma once

#include "core/filter_settings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orlomat {

// Samples after i in the window of a moving average of width w.
constexpr std::int32_t WindowAhead(std::int32_t w) {
    return w + w / 2 - w / 5;
}

// The work arrays, kept between runs; each array ends with the end value 0x7FFFFFFF.
struct FilterWork {
    FilterWork();
    std::vector<std::int32_t> source, cleaned, firstAverage, reference;
    std::vector<std::int32_t> counts; // the samples in each average's window
    std::size_t end = 0;              // index of the end value in source
};

// Copies a flight's altitude table (up to and including its end value) into source.
void LoadSource(FilterWork& work, const std::vector<std::int32_t>& altitudeTable);

void PreCutPass(FilterWork& work, std::int32_t preCut);
void PrefilterAverage(FilterWork& work, std::int32_t width);
void FinalFilterAverage(FilterWork& work, std::int32_t width);
void FinalCutPass(FilterWork& work, std::int64_t tolerance);
void FilterChain(FilterWork& work, const FilterSettings& settings);

// What a flight's filter button shows.
struct FilteredFlight {
    bool filtered = false;             // false: the flight is too short and nothing changes
    std::vector<std::int32_t> cleaned; // cm, the main curve
    std::vector<std::int32_t> source;  // cm, the dashed curve
    std::vector<std::string> labels;   // time labels (current flight), else empty
    std::int32_t maximum = 0;          // cm, from 0
    std::int32_t minimum = 5000;       // cm, from 5000
};

enum class WhichFlight { Current, Comparison };

// `count` is the current flight's record word count or the comparison's byte count: below
// 32 the button does nothing. `samplingRate` labels the current flight's points.
FilteredFlight FilterFlight(const std::vector<std::int32_t>& altitudeTable, WhichFlight which,
                            std::uint32_t count, std::uint32_t samplingRate,
                            const FilterSettings& settings, FilterWork& work);

} // namespace orlomat
