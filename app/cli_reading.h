// `orlomat reading FILE --rule NAME`: the number a contest rule asks of a flight (rule_readings.h),
// as JSON or, with --human, as lines in the program's language.
#pragma once

#include "analysis/rule_readings.h"
#include "app/cli_args.h"

namespace orlomat::cli {

// The rule named by --rule with its options (as `reading` takes them) into `choice`; an apogee
// with --target is the precision rule. kSuccess, or the exit code after the message.
int RuleOption(const Args& a, RuleChoice& choice, std::ostream& err);

int ReadingCommand(const Args& a, std::ostream& out, std::ostream& err);

} // namespace orlomat::cli
