// The device commands of the command-line tool: download and reset.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace orlomat {

class SerialLine;
class Clock;

// args without the command name; language 0 Polish, 1 English. A null line or clock means
// the real serial port and clock.
int RunDeviceCommand(const std::string& command, const std::vector<std::string>& args, int language,
                     std::ostream& out, std::ostream& err, SerialLine* line = nullptr,
                     Clock* clock = nullptr);

} // namespace orlomat
