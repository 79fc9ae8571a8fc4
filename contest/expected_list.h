// The list of expected competitors: one number a line, blank lines and "#" notes allowed; and
// the rows marked against it.
#pragma once

#include "contest/flight_row.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orlomat {

// Why a list was refused: unreadable (the system's `reason`) or a line that is no competitor's
// number (its `line` number and `text`).
struct ExpectedListFault {
    enum class Kind { Unreadable, BadLine } kind = Kind::Unreadable;
    std::string path, reason, text;
    int line = 0;
};

std::optional<std::set<std::int64_t>> ReadExpectedList(const std::string& path,
                                                       ExpectedListFault& fault);

struct ExpectedCounts {
    std::int64_t missing = 0, unknown = 0;
};
// Marks each flight Expected or Unknown and adds a Missing row for each expected competitor
// without a flight.
ExpectedCounts MarkExpected(std::vector<FlightRow>& rows, const std::set<std::int64_t>& expected);

} // namespace orlomat
