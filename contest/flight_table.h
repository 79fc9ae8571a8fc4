// The results table of a contest day: the figures of many flight files, one row a file, as the
// command line's report writes them (CSV, a self-contained HTML page) and as the window's
// flights list shows them. One column table and one set of cell texts serve all three, so the
// list, the page and the spreadsheet show the same figures with the same precision and words.
#pragma once

#include "analysis/flight_stats.h"
#include "contest/download_log.h"
#include "core/filter_settings.h"
#include "core/language.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace orlomat {

class JsonWriter;

// One flight's figures, or the reason it is none. Only figures and texts are kept: a table
// over thousands of records holds no decoded flight.
struct FlightRow {
    std::string path, file, error, date;
    std::uint16_t competitor = 0, serial = 0;
    std::string samplingText;
    std::uint32_t samplingRate = 0;
    FlightStats stats;
    std::string chart;    // the small inline chart of the page
    std::string verified; // against the folder's download log: "unchanged", "changed", "missing",
                          // "not logged"
    std::string entry;    // against the expected competitors: "expected", "unknown" or "missing"
    bool flight = false;
};

// What kind of value a column holds, and so how it is written.
enum class CellKind { Text, Whole, Seconds, Rate, Flag };

// The columns of the table, which are also the keys of `orlomat stats` (the CSV header is
// these keys in every language: machines read it), with the short headings for people.
struct FlightColumn {
    const char* key;
    CellKind kind;
    TextPair shown;
    bool reportOnly = false; // not one flight's figure: not in `stats`
};

inline constexpr FlightColumn kFlightColumns[] = {
    {"file", CellKind::Text, {"Plik", "File"}, true},
    {"competitor", CellKind::Whole, {"Zaw.", "Comp."}},
    {"serial", CellKind::Whole, {"Nr ser.", "Serial"}},
    {"sampling_text", CellKind::Text, {"Pomiary", "Sampling"}},
    {"max_text", CellKind::Text, {"Max [m]", "Max [m]"}},
    {"max_filtered_text", CellKind::Text, {"Max po filtrze [m]", "Max filtered [m]"}},
    {"max_clean_text", CellKind::Text, {"Max bez skoków [m]", "Max without spikes [m]"}},
    {"max_suspect", CellKind::Flag, {"Skok?", "Spike?"}},
    {"time_of_max_s", CellKind::Seconds, {"t max [s]", "t max [s]"}},
    {"launch_s", CellKind::Seconds, {"Start [s]", "Launch [s]"}},
    {"no_launch", CellKind::Text, {"Bez startu", "No launch"}},
    {"landing_s", CellKind::Seconds, {"Lądowanie [s]", "Landing [s]"}},
    {"no_landing", CellKind::Text, {"Bez lądowania", "No landing"}},
    {"landing_altitude_text", CellKind::Text, {"Wys. lądowania [m]", "Landing alt. [m]"}},
    {"duration_s", CellKind::Seconds, {"Lot [s]", "Flight [s]"}},
    {"climb_m_s", CellKind::Rate, {"Wznoszenie [m/s]", "Climb [m/s]"}},
    {"max_climb_m_s", CellKind::Rate, {"Maks. wzn. [m/s]", "Max climb [m/s]"}},
    {"max_sink_m_s", CellKind::Rate, {"Maks. opad. [m/s]", "Max sink [m/s]"}},
    {"max_climb_raw_m_s", CellKind::Rate, {"Maks. wzn. surowe [m/s]", "Max climb raw [m/s]"}},
    {"max_sink_raw_m_s", CellKind::Rate, {"Maks. opad. surowe [m/s]", "Max sink raw [m/s]"}},
    {"date", CellKind::Text, {"Data", "Date"}, true},
    {"verified", CellKind::Text, {"Kontrola", "Check"}, true},
    {"entry", CellKind::Text, {"Lista", "List"}, true},
    {"error", CellKind::Text, {"Błąd", "Error"}, true},
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

// The cells of a row, in the order of kFlightColumns.
std::vector<FlightCell> FlightCells(const FlightRow& row);

// Why a flight has no landing: the machine key ("still_aloft") and the words.
const char* NoLandingKey(NoLanding n);
const char* NoLandingWords(NoLanding n, Language language);
// Why a flight has no launch: the machine key ("started_aloft") and the words.
const char* NoLaunchKey(NoLaunch n);
const char* NoLaunchWords(NoLaunch n, Language language);
// Seconds as h:mm:ss from an hour on, else with 2 decimals.
std::string ClockText(double seconds);
// The download log's check of a row in words ("bez zmian" / "unchanged"); empty when none.
const char* VerifiedWords(const std::string& verified, Language language);

// The text without its leading and trailing blanks.
std::string TrimmedText(const std::string& s);

// The flight files of a folder (UTF-8 names) as the report takes them: every entry but the download
// log and `output`, and reports written there before unless they hold a flight; sorted by name. A
// fifo or a device is listed too (its row says why it is no flight).
std::vector<std::string> ListFlightFiles(const std::string& folder, const std::string& output = {});

// True when the file holds a flight record, whatever its name says: a report never replaces one.
bool HoldsFlight(const std::string& path);

struct DamagedLogLine {
    std::string log; // the download log's path
    int line = 0;
};

struct FlightRows {
    std::vector<FlightRow> rows; // in the order of the paths
    std::vector<DamagedLogLine> damagedLogLines;
};

// Reads, checks and decodes each file (spread over the processor's cores; each folder's download
// log read once) and computes its figures with `filter`. `withCurves` adds the page's small
// charts. Names that two folders share are shown with their folder.
FlightRows ReadFlightRows(const std::vector<std::string>& paths, Language language,
                          const FilterSettings& filter, bool withCurves);

// Adds a row for each file the download log of `folder` names that is no longer there
// (verified "missing", no flight, the reason in `language`) after the rows read, in the log's
// order, and the log's damaged lines unless the reading of its files named them already.
void AddMissingLoggedFiles(FlightRows& read, const std::string& folder, Language language);

// The expected competitors: one number a line, blank lines and "#" notes allowed. On failure
// `error` says why in `language` (the file and the line).
std::optional<std::set<std::int64_t>> ReadExpectedFile(const std::string& path, Language language,
                                                       std::string& error);

struct ExpectedCounts {
    std::int64_t missing = 0, unknown = 0;
};
// Marks each flight "expected" or "unknown" and adds a "missing" row for each expected
// competitor without a flight.
ExpectedCounts MarkExpected(std::vector<FlightRow>& rows, const std::set<std::int64_t>& expected);

// The table as CSV (the column keys as header, CR LF line ends) and as an HTML page (`title`,
// or the default one, and the time written; under it the head of each folder's download log,
// so that a page on the notice board pins the logs down).
std::string FlightTableCsv(const std::vector<FlightRow>& rows);
std::string FlightTableHtml(const std::vector<FlightRow>& rows, Language language,
                            const std::string& title,
                            const std::vector<LogHeadWords>& logHeads = {});
// The same page written to `out` as it goes, in memory that does not grow with the number of
// flights: `rows` are read without their charts, and each flight is read again, a batch at a
// time, for its small chart (cleaned with `filter`). False when `out` failed.
bool WriteFlightTableHtml(std::ostream& out, const std::vector<FlightRow>& rows, Language language,
                          const std::string& title, const std::vector<LogHeadWords>& logHeads,
                          const FilterSettings& filter);

} // namespace orlomat
