#include "contest/results_table.h"

#include "contest/parallel_for.h"
#include "core/flight.h"
#include "core/format.h"
#include "files/flight_file.h"
#include "files/user_file.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <map>
#include <utility>

namespace orlomat {

namespace {

namespace fs = std::filesystem;

bool Exists(const std::string& name) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(PathFromUtf8(name), ec)) &&
           fs::exists(PathFromUtf8(name), ec);
}

// A download cut off: kept under a "_partial" name, or a record without its end mark.
bool CutOff(const FlightRow& r) {
    const std::string_view tail = "_partial.dat";
    return r.holdsFlight &&
           ((r.file.size() >= tail.size() &&
             r.file.compare(r.file.size() - tail.size(), tail.size(), tail) == 0) ||
            r.stats.noLanding == NoLanding::RecordCut);
}

// When a file was downloaded: the time in its kept name ("..._20261207-143015_partial.dat"),
// else the file's own time.
std::string DownloadTime(const FlightRow& r) {
    const auto digits = [&](std::size_t from, std::size_t n) {
        return std::all_of(r.file.begin() + static_cast<std::ptrdiff_t>(from),
                           r.file.begin() + static_cast<std::ptrdiff_t>(from + n),
                           [](char c) { return c >= '0' && c <= '9'; });
    };
    for (std::size_t at = r.file.find('_'); at != std::string::npos && at + 16 <= r.file.size();
         at = r.file.find('_', at + 1))
        if (digits(at + 1, 8) && r.file[at + 9] == '-' && digits(at + 10, 6))
            return r.file.substr(at + 1, 15);
    std::error_code ec;
    const auto t = fs::last_write_time(PathFromUtf8(r.path), ec);
    if (ec) return {};
    return TimeText("%Y%m%d-%H%M%S",
                    std::chrono::system_clock::to_time_t(
                        std::chrono::time_point_cast<std::chrono::system_clock::duration>(
                            std::chrono::file_clock::to_sys(t))));
}

// Each competitor's cut-off downloads numbered in the order they came.
void OrderCutOffDownloads(std::vector<FlightRow>& rows) {
    std::map<int, std::vector<std::pair<std::string, std::size_t>>> cutOff;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (CutOff(rows[i])) cutOff[rows[i].competitor].emplace_back(DownloadTime(rows[i]), i);
    for (auto& [competitor, downloads] : cutOff) {
        std::sort(downloads.begin(), downloads.end());
        for (std::size_t k = 0; k < downloads.size(); ++k) {
            rows[downloads[k].second].cutOffOrder = static_cast<int>(k + 1);
            rows[downloads[k].second].cutOffCount = static_cast<int>(downloads.size());
        }
    }
}

// A flight's standing by its reading: the lower group first, then the lower key; none when
// the reading places no one. Keys are rounded as the table shows them, so that flights that
// read alike are tied.
struct Standing {
    int group = 0;
    double key = 0.0;
    bool operator==(const Standing&) const = default;
    bool operator<(const Standing& o) const {
        return group != o.group ? group < o.group : key < o.key;
    }
};

double Centi(double v) {
    return std::round(v * 100.0) / 100.0;
}

std::optional<Standing> StandingOf(const RuleReading& reading) {
    if (const auto* f = std::get_if<F1FlyoffReading>(&reading)) {
        if (f->refusal != Refusal::None) return std::nullopt;
        if (f->reachedMax && f->altitudeRoundedM)
            return Standing{0, -static_cast<double>(*f->altitudeRoundedM)};
        if (f->durationS) return Standing{1, -Centi(*f->durationS)};
        // Neither the maximum time nor a landing in the record (one cut off in the air): the
        // trace cannot show where the flight ended, so it takes no place.
        return std::nullopt;
    }
    if (const auto* j = std::get_if<F5jReading>(&reading)) {
        if (j->refusal != Refusal::None || !j->penaltyPoints) return std::nullopt;
        return Standing{0, Centi(*j->penaltyPoints)};
    }
    if (const auto* a = std::get_if<ApogeeReading>(&reading)) {
        if (a->refusal != Refusal::None) return std::nullopt;
        if (a->status == ApogeeStatus::NoData || !a->apogeeM) return Standing{1, 0.0};
        if (a->targetM)
            return a->precisionScorePercent
                       ? std::optional(Standing{0, std::round(*a->precisionScorePercent * 10.0)})
                       : std::optional(Standing{1, 0.0});
        return Standing{0, -Centi(*a->apogeeM)};
    }
    return std::nullopt; // the timekeeper's reading, or none
}

RuleReading ReadingOf(const std::string& path, const RuleChoice& choice) {
    const std::optional<Flight> read = ReadFlightFile(path, {.chartPoints = false}).flight;
    return read ? ReadRule(*read, choice) : RuleReading{};
}

} // namespace

void ApplyRule(std::vector<FlightRow>& rows, const RuleChoice& choice) {
    ParallelFor(rows.size(), [&](std::size_t i) {
        rows[i].reading = rows[i].holdsFlight ? ReadingOf(rows[i].path, choice) : RuleReading{};
    });
    PlaceRows(rows);
}

void PlaceRows(std::vector<FlightRow>& rows) {
    std::vector<std::pair<Standing, std::size_t>> standings;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].place = 0;
        if (const auto s = StandingOf(rows[i].reading)) standings.emplace_back(*s, i);
    }
    std::stable_sort(standings.begin(), standings.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t k = 0; k < standings.size(); ++k)
        rows[standings[k].second].place = k > 0 && standings[k].first == standings[k - 1].first
                                              ? rows[standings[k - 1].second].place
                                              : static_cast<int>(k + 1);
}

void OrderByPlace(std::vector<FlightRow>& rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const FlightRow& a, const FlightRow& b) {
        return a.place > 0 && (b.place == 0 || a.place < b.place);
    });
}

ResultsInputs GatherResultsInputs(const std::vector<std::string>& named,
                                  const std::string& output) {
    ResultsInputs in;
    const auto refuse = [&](InputRefusal why, const std::string& name) {
        if (in.refusal != InputRefusal::None) return;
        in.refusal = why;
        in.refused = name;
    };
    std::vector<std::string> paths;
    for (const std::string& f : named) {
        if (!Exists(f)) {
            refuse(InputRefusal::NoSuchPath, f);
            continue;
        }
        std::error_code ec;
        if (fs::is_directory(PathFromUtf8(f), ec)) {
            const std::vector<std::string> inside = ListFlightFiles(f, output);
            // A folder whose logged files were all removed still has their rows.
            if (inside.empty() && ReadDownloadLog(f).entries.empty())
                refuse(InputRefusal::NoFiles, f);
            paths.insert(paths.end(), inside.begin(), inside.end());
            if (std::none_of(in.folders.begin(), in.folders.end(),
                             [&](const std::string& g) { return SameFile(f, g); }))
                in.folders.push_back(f);
        } else {
            if (!output.empty() && SameFile(f, output)) refuse(InputRefusal::OwnInput, output);
            paths.push_back(f);
        }
    }
    // The same file named twice (or through a folder and by name) is one row.
    std::set<std::string> seen;
    for (const std::string& p : paths) {
        std::error_code ec;
        const fs::path canonical = fs::weakly_canonical(PathFromUtf8(p), ec);
        if (seen.insert(ec ? p : Utf8FromPath(canonical)).second) in.files.push_back(p);
    }
    // Whatever the names say (a link, a .csv flight), a report never replaces a flight.
    if (!output.empty() && HoldsFlight(output)) refuse(InputRefusal::OutputIsFlight, output);
    return in;
}

ResultsTable ReadResultsTable(const ResultsInputs& inputs, const FilterSettings& filter,
                              const std::optional<std::set<std::int64_t>>& expected) {
    FlightRows read = ReadFlightRows(inputs.files, filter);
    for (const std::string& f : inputs.folders)
        AddMissingLoggedFiles(read, f);
    ResultsTable table;
    table.rows = std::move(read.rows);
    table.damagedLogLines = std::move(read.damagedLogLines);
    for (const std::string& f : inputs.folders)
        table.logHeads.push_back(HeadOfLog(ReadDownloadLog(f)));
    ExpectedCounts marked;
    if (expected) marked = MarkExpected(table.rows, *expected);
    OrderCutOffDownloads(table.rows);
    table.counts = CountResults(table.rows);
    table.counts.missing = marked.missing;
    table.counts.unknown = marked.unknown;
    return table;
}

ResultsCounts CountResults(const std::vector<FlightRow>& rows) {
    ResultsCounts counts;
    for (const FlightRow& r : rows) {
        counts.flights += r.holdsFlight;
        counts.notFlights += !r.holdsFlight && r.listStatus != ListStatus::Missing;
        counts.suspectMaxima += r.holdsFlight && r.stats.maxSuspect;
    }
    return counts;
}

RowMarks MarksOf(const FlightRow& r) {
    RowMarks m;
    m.suspectMaximum = r.holdsFlight && r.stats.maxSuspect;
    m.offList = r.listStatus == ListStatus::Unknown;
    m.checkAlarm = r.check && *r.check != FileCheck::Unchanged && *r.check != FileCheck::NotLogged;
    m.tampered = r.check && (*r.check == FileCheck::Changed || *r.check == FileCheck::Conflict);
    return m;
}

} // namespace orlomat
