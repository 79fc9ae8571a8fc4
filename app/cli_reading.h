// `orlomat reading FILE --rule NAME`: the number a contest rule asks of a flight (rule_readings.h),
// as JSON or, with --human, as lines in the program's language.
#pragma once

#include "app/cli_args.h"

namespace orlomat::cli {

int ReadingCommand(const Args& a, std::ostream& out, std::ostream& err);

} // namespace orlomat::cli
