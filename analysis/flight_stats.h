// The figures a contest official reads off a flight: launch, maximum, landing, duration and
// climb and sink rates. The maximum is also taken over the curve cleaned by the filter chain,
// so that a short pressure transient (an ejection charge, a gust on the sensor port) cannot
// pass for the flight's result unnoticed.
#pragma once

#include "analysis/filter_chain.h"
#include "core/flight.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orlomat {

// Why a flight has no landing.
enum class NoLanding {
    None,          // it has one
    NeverLaunched, // it never rose 3 m above the ground
    StillAloft,    // the record ends, with its end mark, while the flight is above 3 m
    RecordCut,     // the record ends without its end mark: the download was cut
    NoSamples,     // the record holds no charted sample at all
};

struct FlightStats {
    std::optional<std::string> maxText;         // the maximum as the window shows it
    std::optional<std::string> maxFilteredText; // the cleaned curve's maximum, the same way
    bool maxSuspect = false;                    // the maximum stands well above the cleaned curve's
    // Times in seconds from the first sample. With a suspect maximum they are taken on the
    // cleaned curve, whose maximum is the flight's.
    std::optional<double> timeOfMaxS;
    std::optional<double>
        launchS; // the sample after the last one at 3.0 m or less before the maximum
    std::optional<double> landingS; // the first sample after the maximum at 3.0 m or less
    NoLanding noLanding = NoLanding::None;
    std::optional<double> durationS; // landing minus launch
    std::optional<double> climbMS;   // mean climb from launch to the maximum, m/s
    // Fastest climb and sink over about a second, on the cleaned curve (on the decoded one
    // when the flight is too short to clean); the raw ones on the decoded curve.
    std::optional<double> maxClimbMS, maxSinkMS;
    std::optional<double> maxClimbRawMS, maxSinkRawMS;
};

struct StatsTables {
    std::span<const std::int32_t> charted;   // the charted altitudes, cm
    std::span<const std::int32_t> uncharted; // the decoded altitudes behind them
    std::span<const std::int32_t> cleaned;   // the charted ones after the filter chain, or empty
    std::uint32_t samplingRate = 10;         // samples per 10 s
    bool recordComplete = true;              // the record ends with its end mark
};

FlightStats ComputeStats(const StatsTables& tables);

// The figures of a decoded flight, cleaned with `filter` as its filter button would; the
// cleaned curve goes to `cleaned` when given (empty when the flight is too short to clean).
FlightStats ComputeStats(const Flight& flight, const FilterSettings& filter,
                         std::vector<std::int32_t>* cleaned = nullptr);

// The maximum stands more than max(5.0 m, 5 % of the cleaned maximum) above the cleaned one.
bool SuspectMaximum(double maximumM, double cleanedMaximumM);

} // namespace orlomat
