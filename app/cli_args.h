// The command table of `orlomat`: every command's options, files and help line in one place,
// driving the argument parser, the dispatch and `--help`.
#pragma once

#include "core/flight.h"
#include "core/language.h"

#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace orlomat {
class PortLister;
}

namespace orlomat::cli {

// Exit codes: what scripts may rely on.
enum ExitCode : int {
    kSuccess = 0,
    kFailure = 1,    // bad input, a refused or unanswered device, a file not written
    kUsage = 2,      // unknown command or option, a missing argument
    kIncomplete = 3, // a download that did not bring the whole flight (it was kept)
};

struct Args {
    std::string command;
    std::vector<std::string> files;
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    Language language = Language::English;
    PortLister* ports = nullptr; // the serial ports present: the system's when null

    bool has(const std::string& option) const {
        return values.count(option) != 0 || flags.count(option) != 0;
    }
    std::string value(const std::string& option) const {
        const auto it = values.find(option);
        return it == values.end() ? std::string() : it->second;
    }
};

using Handler = int (*)(const Args& args, std::ostream& out, std::ostream& err);

struct Option {
    const char* name;
    bool takesValue;
};

struct Command {
    const char* name;
    std::size_t minFiles, maxFiles;
    std::vector<Option> options;
    std::vector<const char*> required; // options that must be given
    TextPair synopsis;                 // the usage line after "orlomat NAME "
    TextPair summary;                  // one line on what it does
    Handler run;
    bool widgets = false; // draws with Qt Widgets: needs a QApplication, not a core one
};

const std::vector<Command>& Commands();
const Command* FindCommand(const std::string& name);

// Parses `raw` (without the program name). On a usage error returns the message (exit 2);
// "--lang" is taken wherever it stands.
std::optional<std::string> Parse(const std::vector<std::string>& raw, Args& args);

// The help text in the language given.
std::string Usage(Language language);
// One command's help: its usage line, what it does and its options, from the command table.
std::string CommandUsage(const Command& command, Language language);

// One line on stderr: "orlomat: " and the message.
void Fail(std::ostream& err, const std::string& message);

// A whole-number option within [min, max]; on failure the message names the option and why.
std::optional<std::int64_t> WholeOption(const Args& a, const std::string& name, std::int64_t min,
                                        std::int64_t max, std::ostream& err);

// A text of the catalogue in the language of the command.
std::string Say(const Args& a, Phrase p);

// A flight file's record (at least the 32-byte header), or a message and nothing.
std::optional<std::vector<std::uint8_t>> ReadFlightRecord(const Args& a, const std::string& path,
                                                          std::ostream& err);

// A flight file's flight for its figures (no chart points), decoded at `temperature` when
// given, or a message and nothing when the file cannot be read or holds no flight.
std::optional<Flight> FigureFlight(const Args& a, const std::string& path,
                                   std::optional<float> temperature, std::ostream& err);

// False after its message when nothing may be written at `path`: a file the folder's download
// log lists, or the log itself; a symbolic link unless `links` (then what it leads to counts).
bool OutputAllowed(const Args& a, const std::string& path, std::ostream& err, bool links);

// --temperature: plain decimal degrees, in the range the window's field can hold; false after
// its message.
bool TemperatureOption(const Args& a, std::optional<float>& t, std::ostream& err);

} // namespace orlomat::cli
