// Contest day: the figures of one flight (stats) and the results table of many (report).
#include "app/cli_contest.h"

#include "analysis/flight_stats.h"
#include "app/cli_reading.h"
#include "contest/download_log.h"
#include "contest/flight_columns.h"
#include "contest/results_csv.h"
#include "contest/results_page.h"
#include "contest/results_table.h"
#include "core/flight.h"
#include "core/json.h"
#include "files/settings_record.h"
#include "files/user_file.h"
#include "ui/contest_words.h"

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
        const auto bytes = ReadFileStart(Utf8FromPath(p), kSettingsSize + 1, reason);
        if (!bytes) {
            Fail(err, Say(a, Phrase::NoSettings) + Utf8FromPath(p) + ": " + reason);
            return std::nullopt;
        }
        // A file named for the purpose that is empty or longer than a settings record (a
        // flight given by mistake) would change the figures without a word.
        if (a.has("--settings") && (bytes->empty() || bytes->size() > kSettingsSize)) {
            std::string text = Say(a, Phrase::NotSettings);
            const std::string size =
                bytes->size() > kSettingsSize ? "> " + std::to_string(kSettingsSize) : "0";
            Fail(err, text.replace(text.find("%1"), 2, size) + Utf8FromPath(p));
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
    const std::optional<Flight> flight = FigureFlight(a, a.files[0], temperature, err);
    if (!flight) return kFailure;
    FlightRow row;
    row.holdsFlight = true;
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
            if (!cells[c].present) return std::string(none);
            return cells[c].number >= 3600.0 ? cells[c].shownToPeople() : cells[c].shown() + " s";
        };
        const auto rate = [&](std::size_t c) {
            return cells[c].present ? cells[c].shown() + " m/s" : none;
        };
        std::string landing = seconds(kLanding);
        if (s.noLanding != NoLanding::None)
            landing = none + " (" + NoLandingWords(s.noLanding, a.language) + ")";
        std::string launch = seconds(kLaunch);
        if (s.noLaunch != NoLaunch::None)
            launch = none + " (" + NoLaunchWords(s.noLaunch, a.language) + ")";
        const auto metres = [&](const std::optional<std::string>& v) {
            return v ? *v + " m" : none;
        };
        std::string maximum = s.maxText ? *s.maxText + " m" : none;
        if (s.maxSuspect) maximum += Tr(Phrase::SpikeWarning, l);
        const std::pair<const char*, std::string> lines[] = {
            {Tr(Phrase::Competitor, l), std::to_string(row.competitor)},
            {Tr(Phrase::Serial, l), std::to_string(row.serial)},
            {Tr(Caption::Sampling, l), row.samplingText},
            {Tr(Phrase::Maximum, l), maximum},
            {Tr(Phrase::MaxClean, l), metres(s.maxCleanText)},
            {Tr(Phrase::MaxFiltered, l), metres(s.maxFilteredText)},
            {Tr(Phrase::TimeOfMax, l), seconds(kTimeOfMax)},
            {Tr(Phrase::Launch, l), launch},
            {Tr(Phrase::Landing, l), landing},
            {Tr(Phrase::LandingAltitude, l), metres(s.landingAltitudeText)},
            {Tr(Phrase::Duration, l), seconds(kDuration)},
            {Tr(Phrase::Climb, l), rate(kClimb)},
            {Tr(Phrase::MaxClimb, l), rate(kMaxClimb)},
            {Tr(Phrase::MaxSink, l), rate(kMaxSink)}};
        for (const auto& [label, value] : lines)
            out << label << std::string(20 - std::min<std::size_t>(19, Width(label)), ' ') << value
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
    const std::string format = a.has("--csv-format") ? a.value("--csv-format") : "plain";
    if ((format != "plain" && format != "excel-local") || (html && a.has("--csv-format"))) {
        Fail(err, Say(a, Phrase::BadValue) + "--csv-format: \"" + format + "\"");
        return kFailure;
    }
    std::optional<RuleChoice> rule;
    if (a.has("--rule")) {
        rule.emplace();
        if (const int code = RuleOption(a, *rule, err); code != kSuccess) return code;
    } else {
        for (const char* option :
             {"--max-time", "--signature", "--motor-stop", "--from", "--target", "--time"})
            if (a.has(option)) {
                Fail(err, Say(a, Phrase::MissingOption) + "--rule");
                return kUsage;
            }
    }
    const auto filter = FilterFromSettings(a, err);
    if (!filter) return kFailure;
    std::optional<std::set<std::int64_t>> expected;
    if (a.has("--expected")) {
        ExpectedListFault fault;
        expected = ReadExpectedList(a.value("--expected"), fault);
        if (!expected) {
            Fail(err, ExpectedListFaultText(fault, a.language));
            return kUsage;
        }
    }
    const ResultsInputs inputs = GatherResultsInputs(a.files, output);
    switch (inputs.refusal) {
    case InputRefusal::None:
        break;
    case InputRefusal::NoSuchPath:
        Fail(err, Say(a, Phrase::NoSuchPath) + inputs.refused);
        return kUsage;
    case InputRefusal::NoFiles:
        Fail(err, Say(a, Phrase::NoFiles) + inputs.refused);
        return kFailure;
    case InputRefusal::OwnInput:
        Fail(err, Say(a, Phrase::OwnInput) + inputs.refused);
        return kFailure;
    case InputRefusal::OutputIsFlight:
        Fail(err, Say(a, Phrase::OutputIsFlight) + inputs.refused);
        return kFailure;
    }
    if (!OutputAllowed(a, output, err, true)) return kUsage;
    // The page's charts are drawn as it is written: the rows hold the figures only.
    ResultsTable table = ReadResultsTable(inputs, *filter, expected);
    if (rule) {
        ApplyRule(table.rows, *rule);
        OrderByPlace(table.rows);
    }
    for (const DamagedLogLine& d : table.damagedLogLines)
        Fail(err, Say(a, Phrase::DamagedLogLine) + d.log + ":" + std::to_string(d.line));
    std::vector<LogHeadWords> heads;
    heads.reserve(table.logHeads.size());
    for (const LogHead& head : table.logHeads)
        heads.push_back(DescribeLogHead(head, a.language));
    const LanguageResultsWording words(a.language);
    const std::string error =
        html
            ? WriteFileAtomicallyBy(output,
                                    [&](std::ostream& o) {
                                        return WriteResultsPage(o, table.rows, words,
                                                                a.value("--title"), heads, *filter,
                                                                rule);
                                    })
            : WriteFileAtomically(output, ResultsCsv(table.rows, words, rule,
                                                     format == "excel-local" ? CsvFormat::ExcelLocal
                                                                             : CsvFormat::Plain));
    if (!error.empty()) {
        Fail(err, Say(a, Phrase::CannotWrite) + output + ": " + error);
        return kFailure;
    }
    JsonWriter j;
    j.beginObject();
    j.key("file").value(output);
    j.key("flights").value(table.counts.flights);
    j.key("not_flights").value(table.counts.notFlights);
    j.key("suspect_maxima").value(table.counts.suspectMaxima);
    if (expected) {
        j.key("missing").value(table.counts.missing);
        j.key("unknown").value(table.counts.unknown);
    }
    if (rule) {
        // Flights whose reading the rule refused are in the table without a place: counted.
        std::int64_t placed = 0, refused = 0;
        for (const FlightRow& r : table.rows) {
            const std::string state = RuleCells(r)[rule_column::kState].text;
            placed += r.place > 0;
            refused += r.holdsFlight && !state.empty() && state != "no_data";
        }
        j.key("rule").value(a.value("--rule"));
        j.key("placed").value(placed);
        j.key("refused_readings").value(refused);
    }
    j.endObject();
    out << j.str() << '\n';
    return kSuccess;
}

namespace {

std::string Filled(std::string text, const std::vector<std::string>& with) {
    for (std::size_t i = 0; i < with.size(); ++i) {
        std::string mark(1, '%');
        mark.append(std::to_string(i + 1));
        if (const auto at = text.find(mark); at != std::string::npos)
            text.replace(at, mark.size(), with[i]);
    }
    return text;
}

std::string Numbers(const std::vector<int>& lines) {
    std::string out;
    for (const int n : lines)
        out.append(out.empty() ? "" : ", ").append(std::to_string(n));
    return out;
}

} // namespace

// Yes only to a whole, intact archive: the log readable, every line whole and linked, every
// logged file present and unchanged, every flight file logged; and with --head, the announced
// head still in the log. Anything else is listed and ends with 1.
int VerifyCommand(const Args& a, std::ostream& out, std::ostream& err) {
    const std::string folder = a.files[0];
    std::error_code ec;
    if (!fs::is_directory(PathFromUtf8(folder), ec)) {
        Fail(err, Say(a, Phrase::NotAFolder) + folder);
        return kUsage;
    }
    const std::string announced = a.value("--head");
    if (a.has("--head") && !IsHeadText(announced)) {
        Fail(err, Say(a, Phrase::BadHead) + announced);
        return kUsage;
    }
    const DownloadLog log = ReadDownloadLog(folder);
    if (!log.present) {
        Fail(err, Say(a, Phrase::NoLog) + folder);
        return kFailure;
    }
    const std::string logPath = Utf8FromPath(PathFromUtf8(folder) / kDownloadLogName);
    const std::vector<CheckedFile> files = CheckFolder(folder, log);
    std::map<FileCheck, std::int64_t> count;
    for (const CheckedFile& f : files)
        ++count[f.check];

    // Every finding, in the order of the log and then the files; a cut line is only a note.
    std::vector<std::pair<std::string, std::string>> problems; // machine key, words
    if (!log.unreadable.empty())
        problems.push_back({"log_unreadable", Say(a, Phrase::LogUnreadable) + log.unreadable});
    for (const int line : log.damagedLines)
        problems.push_back(
            {"damaged_line", Filled(Say(a, Phrase::ProblemDamagedLine), {std::to_string(line)})});
    for (const int line : log.brokenLinks)
        problems.push_back(
            {"broken_chain", Filled(Say(a, Phrase::ProblemBrokenLink), {std::to_string(line)})});
    for (const CheckedFile& f : files) {
        if (f.check == FileCheck::Unchanged) continue;
        std::string words = f.file + ": " + Say(a, CheckPhrase(f.check));
        if (f.check == FileCheck::Conflict)
            words.append(" (")
                .append(Say(a, Phrase::LogLines))
                .append(Numbers(f.lines))
                .append(")");
        if (!f.reason.empty()) words.append(" (").append(f.reason).append(")");
        problems.push_back({FileCheckKey(f.check), words});
    }
    int headLine = 0;
    std::vector<std::string> after; // files logged after the announced head
    if (a.has("--head")) {
        headLine = LineOfHead(log, announced);
        if (headLine == 0)
            problems.push_back(
                {"head_not_found", Filled(Say(a, Phrase::HeadNotFound), {announced})});
        for (const DownloadLogEntry& e : log.entries)
            if (headLine > 0 && e.line > headLine) after.push_back(e.file);
    }
    const bool intact = problems.empty();

    const std::string chainWords =
        log.chain == ChainState::Broken ? Say(a, Phrase::ChainBroken)
        : log.chain == ChainState::None ? Say(a, Phrase::ChainNone)
        : log.chainFrom > 1 ? Filled(Say(a, Phrase::ChainFrom), {std::to_string(log.chainFrom)})
                            : Say(a, Phrase::ChainIntact);
    const std::string shortHead = log.head.substr(0, std::min(log.head.size(), kShortHeadLength));
    if (a.has("--human")) {
        std::size_t width = 4;
        for (const CheckedFile& f : files)
            width = std::max(width, Width(f.file));
        for (const CheckedFile& f : files)
            out << f.file << std::string(width + 2 - Width(f.file), ' ')
                << Say(a, CheckPhrase(f.check))
                << (f.loggedAt.empty() ? "" : "  (" + f.loggedAt + ")") << '\n';
        out << '\n'
            << Filled(Say(a, Phrase::VerifyLogSummary), {std::to_string(log.lineCount), chainWords})
            << '\n';
        if (!log.head.empty())
            out << Filled(Say(a, Phrase::VerifyHead), {std::to_string(log.lineDigests.size()),
                                                       log.headTime, shortHead, log.head})
                << '\n';
        for (const int line : log.cutLines)
            out << Filled(Say(a, Phrase::NoteCutLine), {std::to_string(line)}) << '\n';
        if (headLine > 0) {
            std::string names;
            for (const std::string& f : after)
                names.append(names.empty() ? "" : ", ").append(f);
            out << (after.empty()
                        ? Filled(Say(a, Phrase::HeadAtEnd), {announced, std::to_string(headLine)})
                        : Filled(Say(a, Phrase::HeadFollowed),
                                 {announced, std::to_string(headLine), names}))
                << '\n';
        }
        if (!problems.empty()) {
            out << Say(a, Phrase::ProblemsHeading) << '\n';
            for (const auto& [key, words] : problems)
                out << "  " << words << '\n';
        }
        out << Say(a, intact ? Phrase::AllFilesKept : Phrase::FilesTampered) << '\n';
        return intact ? kSuccess : kFailure;
    }
    for (const int line : log.damagedLines)
        Fail(err, Say(a, Phrase::DamagedLogLine) + logPath + ":" + std::to_string(line));
    JsonWriter j;
    j.beginObject();
    j.key("folder").value(folder);
    j.key("intact").value(intact);
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
        j.key("log_lines").beginArray();
        for (const int line : f.lines)
            j.value(std::int64_t{line});
        j.endArray();
        if (!f.reason.empty()) j.key("reason").value(f.reason);
        j.endObject();
    }
    j.endArray();
    j.key("unchanged").value(count[FileCheck::Unchanged]);
    j.key("changed").value(count[FileCheck::Changed]);
    j.key("missing").value(count[FileCheck::Missing]);
    j.key("not_logged").value(count[FileCheck::NotLogged]);
    j.key("not_a_file").value(count[FileCheck::NotAFile]);
    j.key("logged_twice").value(count[FileCheck::Conflict]);
    j.key("unreadable").value(count[FileCheck::Unreadable]);
    j.key("damaged_log_lines").value(static_cast<std::int64_t>(log.damagedLines.size()));
    j.key("log").beginObject();
    j.key("lines").value(std::int64_t{log.lineCount});
    j.key("chain").value(log.chain == ChainState::Broken ? "broken"
                         : log.chain == ChainState::None ? "no_chain"
                                                         : "intact");
    j.key("chain_from");
    log.chainFrom > 0 ? j.value(std::int64_t{log.chainFrom}) : j.null();
    j.key("broken_at").beginArray();
    for (const int line : log.brokenLinks)
        j.value(std::int64_t{line});
    j.endArray();
    j.key("damaged_lines").beginArray();
    for (const int line : log.damagedLines)
        j.value(std::int64_t{line});
    j.endArray();
    j.key("cut_lines").beginArray();
    for (const int line : log.cutLines)
        j.value(std::int64_t{line});
    j.endArray();
    j.key("head");
    log.head.empty() ? j.null() : j.value(log.head);
    j.key("head_short");
    log.head.empty() ? j.null() : j.value(shortHead);
    j.key("head_time");
    log.headTime.empty() ? j.null() : j.value(log.headTime);
    if (!log.unreadable.empty()) j.key("unreadable").value(log.unreadable);
    j.endObject();
    if (a.has("--head")) {
        j.key("announced_head").beginObject();
        j.key("head").value(announced);
        j.key("line");
        headLine > 0 ? j.value(std::int64_t{headLine}) : j.null();
        j.key("logged_after").beginArray();
        for (const std::string& f : after)
            j.value(f);
        j.endArray();
        j.endObject();
    }
    j.key("problems").beginArray();
    for (const auto& [key, words] : problems) {
        j.beginObject();
        j.key("kind").value(key);
        j.key("text").value(words);
        j.endObject();
    }
    j.endArray();
    j.endObject();
    out << j.str() << '\n';
    return intact ? kSuccess : kFailure;
}

} // namespace orlomat
