// The `orlomat` command-line tool, callable in-process for tests.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace orlomat {

// Runs the tool on `args` (without the program name). Exit codes: 0 success, 1 bad input,
// 2 usage error.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Whether the command `args` names (as the parser reads them, every spelling of every option
// included) draws with widgets, so that main() creates the right application object.
bool NeedsWidgets(const std::vector<std::string>& args);

} // namespace orlomat
