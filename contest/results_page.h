// The results table as a self-contained HTML page for the notice board: the flights sortable
// by a click on a heading, each with its small chart; under the title the head of each
// folder's download log, so that a page pinned up pins the logs down; then the missing
// competitors and the files that are no flights.
#pragma once

#include "contest/flight_row.h"
#include "contest/results_wording.h"
#include "core/filter_settings.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace orlomat {

// A download log's head as the caller words it; `fault` shows it red.
struct LogHeadWords {
    std::string text;
    bool fault = false;
};

// Writes the page to `out` as it goes, in memory that does not grow with the number of
// flights: each flight is read again, a batch at a time, for its small chart (cleaned with
// `filter`). `title`, or the default one, with the time written. With a rule, the rule and its
// reference under the title, each row's place first and the rule's figures after its own.
// Printed, the page takes A4 landscape sheets without its interactive marks. False when
// `out` failed.
bool WriteResultsPage(std::ostream& out, const std::vector<FlightRow>& rows,
                      const ResultsWording& words, const std::string& title,
                      const std::vector<LogHeadWords>& logHeads, const FilterSettings& filter,
                      const std::optional<RuleChoice>& rule = std::nullopt);

// Text that may stand in HTML as it reads: & < > " escaped.
std::string EscapedForHtml(const std::string& text);

} // namespace orlomat
