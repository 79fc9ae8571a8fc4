// The results table as CSV: the column keys as the header, CR LF line ends, the states as
// their keys and the reason a row holds no flight in `words`' language.
#pragma once

#include "contest/flight_row.h"
#include "contest/results_wording.h"
#include "files/spreadsheet_csv.h"

#include <optional>
#include <string>
#include <vector>

namespace orlomat {

// With a rule, its columns (RuleColumnsOf) after the flight's own, the states as their keys.
// ExcelLocal: semicolons, decimal commas in the figures, a UTF-8 byte-order mark.
std::string ResultsCsv(const std::vector<FlightRow>& rows, const ResultsWording& words,
                       const std::optional<RuleChoice>& rule = std::nullopt,
                       CsvFormat format = CsvFormat::Plain);

} // namespace orlomat
