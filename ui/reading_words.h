// The words of the rule readings (analysis/rule_readings.h) for people, for the command line and
// the window alike, and the window's side of them: the numbers the user types for a rule, and
// what the chart marks for its reading.
#pragma once

#include "analysis/rule_readings.h"
#include "core/language.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orlomat {

// A reading's lines: label, value.
using ReadingLines = std::vector<std::pair<std::string, std::string>>;

ReadingLines ReadingLinesOf(const RuleReading& reading, Language l);
std::string SecondsText(std::optional<double> v, Language l);

// The dialog's fields for a rule: the first (a time, or the apogee's optional target) and the
// second (F1's optional signature). A choice (the apogee with a target is the precision rule;
// F5J's motor stop counts from the launch), or the first problem and its field (0 or 1).
struct RuleInput {
    std::optional<RuleChoice> choice;
    ReadingText problem = ReadingText::Count;
    int field = 0;
};
RuleInput ParseRuleFields(Rule rule, std::string_view first, std::string_view second);

// What the chart shows of a reading, in seconds from the record's first sample and metres.
struct ReadingMarks {
    std::optional<std::pair<double, double>> windowS; // shaded
    std::vector<double> linesS;                       // vertical lines
    std::optional<std::pair<double, double>> point;   // time, altitude
    bool noData = false;                              // the apogee cannot be read
};

struct WindowReading {
    std::string text; // the rule, its reference, then "label: value" items
    ReadingMarks marks;
};
WindowReading ReadForWindow(const Flight& flight, const RuleChoice& choice, Language l);

} // namespace orlomat
