// A flight file by its name: read (a regular file only), checked and decoded in one step, for
// every reader that takes flights from files. The words for a refusal are the caller's.
#pragma once

#include "analysis/flight_checks.h"
#include "core/flight.h"

#include <optional>
#include <string>

namespace orlomat {

enum class FlightFileRefusal {
    None,
    Unreadable, // the file could not be read: `systemReason` says why
    NotAFlight, // read, but no flight: `fault` says what it lacks
};

struct FlightFile {
    FlightFileRefusal refusal = FlightFileRefusal::None;
    std::string systemReason;
    RecordFault fault = RecordFault::None;
    std::optional<Flight> flight; // when not refused
};

FlightFile ReadFlightFile(const std::string& path, const DecodeOptions& options = {});

} // namespace orlomat
