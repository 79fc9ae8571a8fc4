// The results table as CSV: the column keys as the header, CR LF line ends, the states as
// their keys and the reason a row holds no flight in `words`' language.
#pragma once

#include "contest/flight_row.h"
#include "contest/results_wording.h"

#include <string>
#include <vector>

namespace orlomat {

std::string ResultsCsv(const std::vector<FlightRow>& rows, const ResultsWording& words);

} // namespace orlomat
