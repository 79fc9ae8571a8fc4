// The columns of the results table and the cells of a row: one column table and one set of
// cell texts serve `orlomat stats`, the CSV, the results page and the window's flights list,
// so that they all show the same figures with the same precision.
#pragma once

#include "contest/flight_row.h"

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace orlomat {

class JsonWriter;

// What kind of value a column holds, and so how it is written.
enum class CellKind { Text, Whole, Seconds, Rate, Flag, Metres };

// The columns of the table, which are also the keys of `orlomat stats` (the CSV header is
// these keys in every language: machines read it). Their headings for people are the
// language tables' ResultsHeading, in this order.
struct FlightColumn {
    const char* key;
    CellKind kind;
    bool reportOnly = false; // not one flight's figure: not in `stats`
};

inline constexpr FlightColumn kFlightColumns[] = {
    {"file", CellKind::Text, true},        {"competitor", CellKind::Whole},
    {"serial", CellKind::Whole},           {"sampling_text", CellKind::Text},
    {"max_text", CellKind::Text},          {"max_filtered_text", CellKind::Text},
    {"max_clean_text", CellKind::Text},    {"max_suspect", CellKind::Flag},
    {"time_of_max_s", CellKind::Seconds},  {"launch_s", CellKind::Seconds},
    {"no_launch", CellKind::Text},         {"landing_s", CellKind::Seconds},
    {"no_landing", CellKind::Text},        {"landing_altitude_text", CellKind::Text},
    {"duration_s", CellKind::Seconds},     {"climb_m_s", CellKind::Rate},
    {"max_climb_m_s", CellKind::Rate},     {"max_sink_m_s", CellKind::Rate},
    {"max_climb_raw_m_s", CellKind::Rate}, {"max_sink_raw_m_s", CellKind::Rate},
    {"date", CellKind::Text, true},        {"verified", CellKind::Text, true},
    {"entry", CellKind::Text, true},       {"error", CellKind::Text, true},
};
inline constexpr std::size_t kFlightColumnCount = std::size(kFlightColumns);

// A column's place in kFlightColumns by its key.
constexpr std::size_t FlightColumnIndex(std::string_view key) {
    for (std::size_t i = 0; i < kFlightColumnCount; ++i)
        if (key == kFlightColumns[i].key) return i;
    throw "no such column"; // a compile-time error where the index is a constant
}

namespace column {
inline constexpr std::size_t kFile = FlightColumnIndex("file"),
                             kCompetitor = FlightColumnIndex("competitor"),
                             kSerial = FlightColumnIndex("serial"),
                             kSampling = FlightColumnIndex("sampling_text"),
                             kMax = FlightColumnIndex("max_text"),
                             kMaxFiltered = FlightColumnIndex("max_filtered_text"),
                             kMaxClean = FlightColumnIndex("max_clean_text"),
                             kSuspect = FlightColumnIndex("max_suspect"),
                             kTimeOfMax = FlightColumnIndex("time_of_max_s"),
                             kLaunch = FlightColumnIndex("launch_s"),
                             kNoLaunch = FlightColumnIndex("no_launch"),
                             kLanding = FlightColumnIndex("landing_s"),
                             kNoLanding = FlightColumnIndex("no_landing"),
                             kLandingAltitude = FlightColumnIndex("landing_altitude_text"),
                             kDuration = FlightColumnIndex("duration_s"),
                             kClimb = FlightColumnIndex("climb_m_s"),
                             kMaxClimb = FlightColumnIndex("max_climb_m_s"),
                             kMaxSink = FlightColumnIndex("max_sink_m_s"),
                             kMaxClimbRaw = FlightColumnIndex("max_climb_raw_m_s"),
                             kMaxSinkRaw = FlightColumnIndex("max_sink_raw_m_s"),
                             kDate = FlightColumnIndex("date"),
                             kVerified = FlightColumnIndex("verified"),
                             kEntry = FlightColumnIndex("entry"),
                             kError = FlightColumnIndex("error");
} // namespace column

// The columns a rule adds to the table (after the flight's own), keys as above; which of them
// a rule shows is RuleColumnsOf's.
inline constexpr FlightColumn kRuleColumns[] = {
    {"place", CellKind::Whole},
    {"altitude_at_max_m", CellKind::Whole},
    {"reached_max", CellKind::Flag},
    {"flyoff_duration_s", CellKind::Seconds},
    {"signature_found", CellKind::Whole},
    {"start_height_m", CellKind::Whole},
    {"penalty_points", CellKind::Rate},
    {"apogee_m", CellKind::Metres},
    {"precision_score_percent", CellKind::Rate},
    {"trace_duration_s", CellKind::Seconds},
    {"difference_s", CellKind::Seconds},
    {"beyond_uncertainty", CellKind::Flag},
    {"rule_state", CellKind::Text},
};
inline constexpr std::size_t kRuleColumnCount = std::size(kRuleColumns);

namespace rule_column {
enum : std::size_t {
    kPlace,
    kAltitudeAtMax,
    kReachedMax,
    kFlyoffDuration,
    kSignatureFound,
    kStartHeight,
    kPenalty,
    kApogee,
    kPrecisionScore,
    kTraceDuration,
    kDifference,
    kBeyondUncertainty,
    kState,
};
} // namespace rule_column

// The rule columns `choice` shows, in order: the place first where the rule ranks, the
// reading's state (a refusal, No Data) last.
std::vector<std::size_t> RuleColumnsOf(const RuleChoice& choice);
// Whether the rule ranks the flights (the timekeeper's only compares).
bool RuleRanks(Rule rule);

// A cell: absent (null), a text, a whole number, a figure or a flag.
struct FlightCell {
    CellKind kind = CellKind::Text;
    bool present = false;
    std::string text;
    double number = 0.0;
    bool flag = false;

    // As the CSV writes it (2 decimals for times, 1 for rates); empty when absent.
    std::string shown() const;
    // As people read it (the page, the flights list, stats --human): times of an hour or more
    // as h:mm:ss.
    std::string shownToPeople() const;
    void json(JsonWriter& j) const;
};

// The cells of a row, in the order of kFlightColumns. The states are their keys; the error
// cell, which is words, is left absent for the writer that words it.
std::vector<FlightCell> FlightCells(const FlightRow& row);

// The cells of a row's rule reading, in the order of kRuleColumns; the state is a key
// ("no_data", a refusal's "motor_run_too_long").
std::vector<FlightCell> RuleCells(const FlightRow& row);
// Why a reading was refused: the machine key ("no_launch"); empty for none.
const char* RefusalKey(Refusal r);

// Why a flight has no landing, or no launch: the machine key ("still_aloft").
const char* NoLandingKey(NoLanding n);
const char* NoLaunchKey(NoLaunch n);
// Seconds as h:mm:ss from an hour on, else with 2 decimals.
std::string ClockText(double seconds);
// The text without its leading and trailing blanks.
std::string TrimmedText(const std::string& s);

} // namespace orlomat
