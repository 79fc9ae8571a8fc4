// The results table of a contest day, one use case for `orlomat report` and the window's
// flights list: the files and folders named gathered (each file once, a folder's logged files
// that are gone as rows of their own), the rows read and marked against the expected list,
// the counts and each row's marks. Facts only: the callers word and colour them.
#pragma once

#include "contest/expected_list.h"
#include "contest/flight_rows.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orlomat {

// Why the names given make no table (the first such name is kept).
enum class InputRefusal {
    None,
    NoSuchPath,     // a mistyped folder must not become an empty table over yesterday's results
    NoFiles,        // a folder without flight files and without a logged one
    OwnInput,       // a file named is the output itself
    OutputIsFlight, // the output holds a flight, whatever its name says
};

struct ResultsInputs {
    std::vector<std::string> files;   // each file once, however often named
    std::vector<std::string> folders; // each folder named, once
    InputRefusal refusal = InputRefusal::None;
    std::string refused; // the name refused
};

// Gathers the files of the folders and files named (UTF-8), `output` (the report being written,
// may be empty) left out; every name is looked at even after a refusal.
ResultsInputs GatherResultsInputs(const std::vector<std::string>& named,
                                  const std::string& output = {});

struct ResultsCounts {
    std::int64_t flights = 0, notFlights = 0, suspectMaxima = 0;
    std::int64_t missing = 0, unknown = 0; // against the expected list, when there is one
};

struct ResultsTable {
    std::vector<FlightRow> rows; // the files in order, then each folder's gone files, then the
                                 // expected competitors without a flight
    std::vector<DamagedLogLine> damagedLogLines;
    std::vector<LogHead> logHeads; // of each folder, in the order named
    ResultsCounts counts;
};

ResultsTable ReadResultsTable(const ResultsInputs& inputs, const FilterSettings& filter,
                              const std::optional<std::set<std::int64_t>>& expected);

// The flights, the rows that are none and the suspect maxima among `rows`.
ResultsCounts CountResults(const std::vector<FlightRow>& rows);

// Reads each flight of `rows` again for `choice`'s reading (spread over the cores) and places
// the flights by it (PlaceRows).
void ApplyRule(std::vector<FlightRow>& rows, const RuleChoice& choice);

// The rows' places by their readings, ties sharing a place ("1, 2, 2, 4"):
//   fly-off: those who reached the maximum time by their altitude then (the rounded metre,
//     higher first), then the others by their duration (longer first; none known last);
//   F5J: by the penalty (lower first);
//   precision (apogee with a target): by the score (lower first), No Data last;
//   apogee: by the apogee (higher first), No Data last;
//   timekeeper: no places.
// A refused reading or a row without one has place 0.
void PlaceRows(std::vector<FlightRow>& rows);

// The placed rows by their place, then the others in the order they had.
void OrderByPlace(std::vector<FlightRow>& rows);

// How a row is marked where people read it.
struct RowMarks {
    bool suspectMaximum = false; // a spike tops the curve: the cleaned maximum beside it
    bool offList = false;        // a flight of a competitor the expected list does not name
    bool checkAlarm = false;     // the log check found something wrong with the file
    bool tampered = false;       // the file's bytes are not the logged ones, or two lines name it
};
RowMarks MarksOf(const FlightRow& row);

} // namespace orlomat
