// The `orlomat` command-line tool, callable in-process for tests.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace orlomat {

class PortLister;

// Runs the tool on `args` (without the program name). Exit codes (cli_args.h): 0 success,
// 1 failure (bad input, a device that failed, a file not written), 2 usage error, 3 a download
// that brought an incomplete flight (kept).
// `ports` lists the serial ports present (the system's when null; tests give their own).
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           PortLister* ports = nullptr);

// The program: the application object, UTF-8 arguments and console, then RunCli.
int CliMain(int argc, char** argv, PortLister* ports);

// Whether the command `args` names (as the parser reads them, every spelling of every option
// included) draws with widgets, so that main() creates the right application object.
bool NeedsWidgets(const std::vector<std::string>& args);

} // namespace orlomat
