// One row of a contest day's results: a file's figures, or the fault that it holds none, with
// its check against the folder's download log and its place on the expected list. Only facts
// are kept (no words): the window and the command line word them, in the language in force.
#pragma once

#include "analysis/flight_checks.h"
#include "analysis/flight_stats.h"
#include "analysis/rule_readings.h"
#include "contest/download_log.h"

#include <cstdint>
#include <optional>
#include <string>

namespace orlomat {

// Why a row holds no flight.
enum class RowFault {
    None,
    Unreadable,     // the file could not be read: `FlightRow::systemReason` says why
    NotAFlight,     // read, but no flight: `FlightRow::recordFault` says what it lacks
    LoggedFileGone, // the download log names it, the folder no longer has it
};

// A row against the list of expected competitors.
enum class ListStatus { Unlisted, Expected, Unknown, Missing };
// "", "expected", "unknown", "missing"
const char* ListStatusKey(ListStatus status);

struct FlightRow {
    std::string path; // UTF-8
    std::string file; // as shown: the name, with its folder where two folders share it
    std::string date; // "2026-12-08 14:30": the download's time where logged, else the file's
    bool holdsFlight = false;
    RowFault fault = RowFault::None;
    RecordFault recordFault = RecordFault::None;
    std::string systemReason;       // the system's own reason a file could not be read
    std::optional<FileCheck> check; // against the folder's download log (none: no file)
    ListStatus listStatus = ListStatus::Unlisted;
    std::uint16_t competitor = 0, serial = 0;
    std::string samplingText;
    std::uint32_t samplingRate = 0;
    FlightStats stats;
    // A cut-off download: its place among the competitor's cut-off downloads by their time
    // (1-based) and how many there are; 0 when it is none.
    int cutOffOrder = 0, cutOffCount = 0;
    // The rule's reading, and the flight's place by it (1-based, tied flights share one);
    // 0 when the rule places no one or the reading was refused.
    RuleReading reading;
    int place = 0;
};

} // namespace orlomat
