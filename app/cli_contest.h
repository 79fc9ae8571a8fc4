// The contest-day commands of `orlomat`: stats (one flight's figures), report (a results
// table of many flights, as CSV or a self-contained HTML page) and verify (a flight folder
// against its download log).
#pragma once

#include "app/cli_args.h"

#include <ostream>

namespace orlomat {

int StatsCommand(const cli::Args& args, std::ostream& out, std::ostream& err);
int ReportCommand(const cli::Args& args, std::ostream& out, std::ostream& err);
int VerifyCommand(const cli::Args& args, std::ostream& out, std::ostream& err);

} // namespace orlomat
