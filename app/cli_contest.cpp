// Contest day: the figures of one flight (stats) and the results table of many (report).
#include "app/cli_contest.h"

#include "analysis/flight_checks.h"
#include "analysis/flight_stats.h"
#include "contest/download_log.h"
#include "contest/flight_table.h"
#include "core/flight.h"
#include "core/json.h"
#include "files/settings_record.h"
#include "files/user_file.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace orlomat {

namespace {

using namespace cli;
using namespace column;
namespace fs = std::filesystem;

// The width of a text on a terminal: its UTF-8 characters.
std::size_t Width(const std::string& s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// The filter the window would clean a flight with: from --settings FILE, else from the
// window's settings file where it keeps one (beside the programs, then the per-user folder),
// else the defaults.
std::optional<FilterSettings> FilterFromSettings(const Args& a, std::ostream& err) {
    std::vector<fs::path> candidates;
    if (a.has("--settings")) {
        candidates.push_back(PathFromUtf8(a.value("--settings")));
    } else {
#ifdef _WIN32
        std::wstring self(MAX_PATH, L'\0');
        DWORD n = 0;
        while ((n = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()))) ==
               self.size())
            self.resize(self.size() * 2);
        if (n > 0)
            candidates.push_back(fs::path(self.substr(0, n)).parent_path() / "OrlomatBMP.par");
        if (const wchar_t* appData = _wgetenv(L"APPDATA"); appData && *appData)
            candidates.push_back(fs::path(appData) / "OrlomatBMP" / "OrlomatBMP.par");
#else
        std::error_code ec;
        const fs::path self = fs::read_symlink("/proc/self/exe", ec);
        if (!ec) candidates.push_back(self.parent_path() / "OrlomatBMP.par");
        if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
            candidates.push_back(fs::path(xdg) / "OrlomatBMP" / "OrlomatBMP.par");
        else if (const char* home = std::getenv("HOME"); home && *home)
            candidates.push_back(fs::path(home) / ".config" / "OrlomatBMP" / "OrlomatBMP.par");
#endif
    }
    SettingsRecord record;
    for (const fs::path& p : candidates) {
        std::error_code ec;
        if (!a.has("--settings") && !fs::is_regular_file(p, ec)) continue;
        std::string reason;
        const auto bytes = ReadFileStart(Utf8FromPath(p), kSettingsSize, reason);
        if (!bytes) {
            Fail(err, Say(a, Phrase::NoSettings) + Utf8FromPath(p) + ": " + reason);
            return std::nullopt;
        }
        record.overlay(*bytes);
        break;
    }
    record.sanitizeFilter();
    return record.filter();
}

} // namespace

int StatsCommand(const Args& a, std::ostream& out, std::ostream& err) {
    std::optional<float> temperature;
    if (!TemperatureOption(a, temperature, err)) return kFailure;
    const auto filter = FilterFromSettings(a, err);
    if (!filter) return kFailure;
    std::string reason;
    auto record = ReadFileStart(a.files[0], kMaxRecordSize + 1, reason);
    if (!record) {
        Fail(err, Say(a, Phrase::CannotRead) + a.files[0] + ": " + reason);
        return kFailure;
    }
    RecordFault fault = CheckRecordBytes(*record);
    std::optional<Flight> flight;
    if (fault == RecordFault::None) {
        flight = DecodeRecord(std::move(*record), FlightSource::File,
                              {.temperature = temperature, .chartPoints = false});
        fault = CheckFlight(*flight);
    }
    if (fault != RecordFault::None) {
        Fail(err, Say(a, Phrase::NotAFlight) + Describe(fault).get(a.language) + ": " + a.files[0]);
        return kFailure;
    }
    FlightRow row;
    row.flight = true;
    row.stats = ComputeStats(*flight, *filter);
    row.competitor = flight->header.header.competitor;
    row.serial = flight->header.header.serial;
    row.samplingText = TrimmedText(flight->header.samplingText);
    const auto cells = FlightCells(row);

    if (a.has("--human")) {
        const Language l = a.language;
        const std::string none = Tr(Phrase::NoFigure, l);
        const FlightStats& s = row.stats;
        const auto seconds = [&](std::size_t c) {
            return cells[c].present ? cells[c].shown() + " s" : none;
        };
        const auto rate = [&](std::size_t c) {
            return cells[c].present ? cells[c].shown() + " m/s" : none;
        };
        std::string landing = seconds(kLanding);
        if (s.noLanding != NoLanding::None)
            landing = none + " (" + NoLandingWords(s.noLanding, a.language) + ")";
        std::string maximum = s.maxText ? *s.maxText + " m" : none;
        if (s.maxSuspect) maximum += Tr(Phrase::SpikeWarning, l);
        const std::pair<const char*, std::string> lines[] = {
            {Tr(Phrase::Competitor, l), std::to_string(row.competitor)},
            {Tr(Phrase::Serial, l), std::to_string(row.serial)},
            {Tr(Caption::Sampling, l), row.samplingText},
            {Tr(Phrase::Maximum, l), maximum},
            {Tr(Phrase::MaxFiltered, l), s.maxFilteredText ? *s.maxFilteredText + " m" : none},
            {Tr(Phrase::TimeOfMax, l), seconds(kTimeOfMax)},
            {Tr(Phrase::Launch, l), seconds(kLaunch)},
            {Tr(Phrase::Landing, l), landing},
            {Tr(Phrase::Duration, l), seconds(kDuration)},
            {Tr(Phrase::Climb, l), rate(kClimb)},
            {Tr(Phrase::MaxClimb, l), rate(kMaxClimb)},
            {Tr(Phrase::MaxSink, l), rate(kMaxSink)}};
        for (const auto& [label, value] : lines)
            out << label << std::string(18 - std::min<std::size_t>(17, Width(label)), ' ') << value
                << '\n';
        return kSuccess;
    }
    JsonWriter j;
    j.beginObject();
    for (std::size_t c = 0; c < kFlightColumnCount; ++c) {
        if (kFlightColumns[c].reportOnly) continue;
        j.key(kFlightColumns[c].key);
        cells[c].json(j);
    }
    j.endObject();
    out << j.str() << '\n';
    return kSuccess;
}

int ReportCommand(const Args& a, std::ostream& out, std::ostream& err) {
    const std::string output = a.value("-o");
    const std::string ext = Utf8FromPath(PathFromUtf8(output).extension());
    const bool html = ext == ".html" || ext == ".htm";
    if (!html && ext != ".csv") {
        Fail(err, Say(a, Phrase::ReportKind));
        return kUsage;
    }
    const auto filter = FilterFromSettings(a, err);
    if (!filter) return kFailure;
    std::optional<std::set<std::int64_t>> expected;
    if (a.has("--expected")) {
        std::string error;
        expected = ReadExpectedFile(a.value("--expected"), a.language, error);
        if (!expected) {
            Fail(err, error);
            return kUsage;
        }
    }
    std::vector<std::string> paths, folders;
    for (const std::string& f : a.files) {
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(PathFromUtf8(f), ec)) ||
            !fs::exists(PathFromUtf8(f), ec)) {
            // A mistyped folder must not become an empty table over yesterday's results.
            Fail(err, Say(a, Phrase::NoSuchPath) + f);
            return kUsage;
        }
        if (fs::is_directory(PathFromUtf8(f), ec)) {
            const std::vector<std::string> inside = ListFlightFiles(f, output);
            // A folder whose logged files were all removed still has their rows.
            if (inside.empty() && ReadDownloadLog(f).entries.empty()) {
                Fail(err, Say(a, Phrase::NoFiles) + f);
                return kFailure;
            }
            paths.insert(paths.end(), inside.begin(), inside.end());
            if (std::none_of(folders.begin(), folders.end(),
                             [&](const std::string& g) { return SameFile(f, g); }))
                folders.push_back(f);
        } else {
            if (SameFile(f, output)) {
                Fail(err, Say(a, Phrase::OwnInput) + output);
                return kFailure;
            }
            paths.push_back(f);
        }
    }
    // The same file named twice (or through a folder and by name) is one row.
    std::vector<std::string> unique;
    std::set<std::string> seen;
    for (const std::string& p : paths) {
        std::error_code ec;
        const fs::path canonical = fs::weakly_canonical(PathFromUtf8(p), ec);
        if (seen.insert(ec ? p : Utf8FromPath(canonical)).second) unique.push_back(p);
    }
    paths = std::move(unique);
    // Whatever the names say (a link, a .csv flight), a report never replaces a flight.
    if (HoldsFlight(output)) {
        Fail(err, Say(a, Phrase::OutputIsFlight) + output);
        return kFailure;
    }
    FlightRows read = ReadFlightRows(paths, a.language, *filter, html);
    for (const std::string& f : folders)
        AddMissingLoggedFiles(read, f, a.language);
    for (const DamagedLogLine& d : read.damagedLogLines)
        Fail(err, Say(a, Phrase::DamagedLogLine) + d.log + ":" + std::to_string(d.line));
    std::vector<FlightRow>& rows = read.rows;
    ExpectedCounts counts;
    if (expected) counts = MarkExpected(rows, *expected);
    const std::string bytes =
        html ? FlightTableHtml(rows, a.language, a.value("--title")) : FlightTableCsv(rows);
    if (const std::string error = WriteFileAtomically(output, bytes); !error.empty()) {
        Fail(err, Say(a, Phrase::CannotWrite) + output + ": " + error);
        return kFailure;
    }
    const auto flights =
        std::count_if(rows.begin(), rows.end(), [](const FlightRow& r) { return r.flight; });
    const auto notFlights = std::count_if(rows.begin(), rows.end(), [](const FlightRow& r) {
        return !r.flight && r.entry != "missing";
    });
    const auto suspects = std::count_if(rows.begin(), rows.end(), [](const FlightRow& r) {
        return r.flight && r.stats.maxSuspect;
    });
    JsonWriter j;
    j.beginObject();
    j.key("file").value(output);
    j.key("flights").value(static_cast<std::int64_t>(flights));
    j.key("not_flights").value(static_cast<std::int64_t>(notFlights));
    j.key("suspect_maxima").value(static_cast<std::int64_t>(suspects));
    if (expected) {
        j.key("missing").value(counts.missing);
        j.key("unknown").value(counts.unknown);
    }
    j.endObject();
    out << j.str() << '\n';
    return kSuccess;
}

int VerifyCommand(const Args& a, std::ostream& out, std::ostream& err) {
    const std::string folder = a.files[0];
    std::error_code ec;
    if (!fs::is_directory(PathFromUtf8(folder), ec)) {
        Fail(err, Say(a, Phrase::NotAFolder) + folder);
        return kUsage;
    }
    const DownloadLog log = ReadDownloadLog(folder);
    if (!log.present) {
        Fail(err, Say(a, Phrase::NoLog) + folder);
        return kFailure;
    }
    for (const int line : log.damagedLines)
        Fail(err, Say(a, Phrase::DamagedLogLine) +
                      Utf8FromPath(PathFromUtf8(folder) / kDownloadLogName) + ":" +
                      std::to_string(line));
    const std::vector<CheckedFile> files = CheckFolder(folder, log);
    std::map<FileCheck, std::int64_t> count;
    for (const CheckedFile& f : files)
        ++count[f.check];
    const bool allKept = count[FileCheck::Changed] == 0 && count[FileCheck::Missing] == 0;
    if (a.has("--human")) {
        const std::map<FileCheck, Phrase> words = {{FileCheck::Unchanged, Phrase::FileUnchanged},
                                                   {FileCheck::Changed, Phrase::FileChanged},
                                                   {FileCheck::Missing, Phrase::FileMissing},
                                                   {FileCheck::NotLogged, Phrase::FileNotLogged}};
        std::size_t width = 4;
        for (const CheckedFile& f : files)
            width = std::max(width, Width(f.file));
        for (const CheckedFile& f : files)
            out << f.file << std::string(width + 2 - Width(f.file), ' ')
                << Tr(words.at(f.check), a.language)
                << (f.loggedAt.empty() ? "" : "  (" + f.loggedAt + ")") << '\n';
        out << Say(a, allKept ? Phrase::AllFilesKept : Phrase::FilesTampered) << '\n';
        return allKept ? kSuccess : kFailure;
    }
    JsonWriter j;
    j.beginObject();
    j.key("folder").value(folder);
    j.key("files").beginArray();
    for (const CheckedFile& f : files) {
        j.beginObject();
        j.key("file").value(f.file);
        j.key("check").value(FileCheckKey(f.check));
        j.key("downloaded");
        if (f.loggedAt.empty())
            j.null();
        else
            j.value(f.loggedAt);
        j.endObject();
    }
    j.endArray();
    j.key("unchanged").value(count[FileCheck::Unchanged]);
    j.key("changed").value(count[FileCheck::Changed]);
    j.key("missing").value(count[FileCheck::Missing]);
    j.key("not_logged").value(count[FileCheck::NotLogged]);
    j.key("damaged_log_lines").value(static_cast<std::int64_t>(log.damagedLines.size()));
    j.endObject();
    out << j.str() << '\n';
    return allKept ? kSuccess : kFailure;
}

} // namespace orlomat
