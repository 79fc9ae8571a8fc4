// The contest-day commands of `orlomat`: stats (one flight's figures) and report (a results
// table of many flights, as CSV or a self-contained HTML page).
#pragma once

#include "app/cli_args.h"

#include <ostream>

namespace orlomat {

int StatsCommand(const cli::Args& args, std::ostream& out, std::ostream& err);
int ReportCommand(const cli::Args& args, std::ostream& out, std::ostream& err);

} // namespace orlomat
