// The flight files of a folder and their rows: each file read, checked against its folder's
// download log and decoded into figures, spread over the processor's cores.
#pragma once

#include "contest/flight_row.h"
#include "core/filter_settings.h"

#include <string>
#include <vector>

namespace orlomat {

// The flight files of a folder (UTF-8 names) as the report takes them: every entry but the download
// log and `output`, and reports written there before unless they hold a flight; sorted by name. A
// fifo or a device is listed too (its row says why it is no flight).
std::vector<std::string> ListFlightFiles(const std::string& folder, const std::string& output = {});

// True when the file holds a flight record, whatever its name says: a report never replaces one.
bool HoldsFlight(const std::string& path);

struct DamagedLogLine {
    std::string log; // the download log's path
    int line = 0;
};

struct FlightRows {
    std::vector<FlightRow> rows; // in the order of the paths
    std::vector<DamagedLogLine> damagedLogLines;
};

// Reads, checks and decodes each file (each folder's download log read once) and computes its
// figures with `filter`. Only figures are kept: rows over thousands of records hold no decoded
// flight. Names that two folders share are shown with their folder.
FlightRows ReadFlightRows(const std::vector<std::string>& paths, const FilterSettings& filter);

// Adds a row for each file the download log of `folder` names that is no longer there (its
// check "missing", its fault LoggedFileGone) after the rows read, in the log's order, and the
// log's damaged lines unless the reading of its files named them already.
void AddMissingLoggedFiles(FlightRows& read, const std::string& folder);

} // namespace orlomat
