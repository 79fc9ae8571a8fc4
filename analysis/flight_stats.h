// The figures a contest official reads off a flight: launch, maximum, landing, duration and
// climb and sink rates, from the decoded altitude table (the charted altitude curve).
#pragma once

#include "core/flight.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace orlomat {

struct FlightStats {
    std::string maxText;              // the maximum as the window shows it
    double timeOfMaxS = 0.0;          // first index of the maximum, in seconds
    std::optional<double> launchS;    // first sample at 3.0 m or more
    std::optional<double> landingS;   // first sample after the maximum at 3.0 m or less
    std::optional<double> durationS;  // landing minus launch
    std::optional<double> climbMS;    // launch to maximum, metres per second
    std::optional<double> maxClimbMS; // over a window of about a second
    std::optional<double> maxSinkMS;  // the same, as a positive number
};

// `altitudes` are the charted altitudes in centimetres; `samplingRate` samples per 10 s.
FlightStats ComputeStats(std::span<const std::int32_t> altitudes, std::uint32_t samplingRate,
                         const std::string& maxText);

// The figures of a decoded flight (its maximum in the "0.0" pattern with a point).
FlightStats ComputeStats(const Flight& flight);

} // namespace orlomat
