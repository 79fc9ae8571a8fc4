// The device commands of the command-line tool: download, reset, settings, default setup.
#pragma once

#include "app/cli_args.h"
#include "core/language.h"

#include <ostream>
#include <string>
#include <vector>

namespace orlomat {

class SerialLine;
class Clock;

int PortsCommand(const cli::Args& args, std::ostream& out, std::ostream& err);
int DownloadCommand(const cli::Args& args, std::ostream& out, std::ostream& err);
int ResetCommand(const cli::Args& args, std::ostream& out, std::ostream& err);
int SettingsCommand(const cli::Args& args, std::ostream& out, std::ostream& err);
int DefaultSetupCommand(const cli::Args& args, std::ostream& out, std::ostream& err);

// A device command on a given line and clock (tests); `args` without the command name. Null
// means the real serial port and clock.
int RunDeviceCommand(const std::string& command, const std::vector<std::string>& args,
                     Language language, std::ostream& out, std::ostream& err,
                     SerialLine* line = nullptr, Clock* clock = nullptr);

} // namespace orlomat
