// The results table: reading the rows, and writing them as CSV and as an HTML page.
#include "contest/flight_table.h"

#include "analysis/flight_checks.h"
#include "contest/download_log.h"
#include "core/flight.h"
#include "core/format.h"
#include "core/json.h"
#include "files/user_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <span>
#include <sstream>
#include <thread>

namespace orlomat {

namespace {

namespace fs = std::filesystem;
using namespace column;

// One precision a column: 2 decimals for times, 1 for rates.
int Decimals(CellKind k) {
    return k == CellKind::Seconds ? 2 : 1;
}

double Rounded(double v, int decimals) {
    const double f = decimals == 2 ? 100.0 : 10.0;
    const double r = std::round(v * f) / f;
    return r == 0.0 ? 0.0 : r; // no "-0.0"
}

std::string Fixed(double v, int decimals) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, Rounded(v, decimals),
                                 std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

// A spreadsheet runs a cell that starts with = + - @ (or a tab or CR before one) as a formula:
// such texts get a leading apostrophe. Figures are written by us and left as they are.
std::string Neutralised(const std::string& v) {
    if (!v.empty() && std::string_view("=+-@\t\r").find(v[0]) != std::string_view::npos)
        return "'" + v;
    return v;
}

std::string CsvField(const std::string& v) {
    if (v.find_first_of(",\"\r\n") == std::string::npos) return v;
    std::string q = "\"";
    for (const char c : v)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

std::string Html(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The altitude curve as a small inline picture (at most 240 points a curve). With a suspect
// maximum the cleaned curve is drawn over it and the spike is ringed.
std::string Sparkline(std::span<const std::int32_t> a, std::span<const std::int32_t> cleaned,
                      bool suspect) {
    const std::size_t n = a.size();
    if (n < 2) return "";
    const auto [lo, hi] = std::minmax_element(a.begin(), a.end());
    const double span = std::max(1.0, static_cast<double>(*hi) - *lo);
    const std::size_t step = std::max<std::size_t>(1, n / 240);
    const auto x = [&](std::size_t i) {
        return FigureText(160.0 * static_cast<double>(i) / static_cast<double>(n - 1));
    };
    const std::int32_t low = *lo; // a lambda may not capture a structured binding before C++20
    const auto y = [&](std::int32_t v) { return FigureText(38.0 - 36.0 * (v - low) / span); };
    const auto line = [&](std::span<const std::int32_t> c, const char* colour) {
        std::ostringstream p;
        for (std::size_t i = 0; i < n; i += step) {
            // Thinning must not drop the spike: each drawn point is its stretch's highest.
            const std::size_t end = std::min(n, i + step);
            const auto top = std::max_element(c.begin() + static_cast<std::ptrdiff_t>(i),
                                              c.begin() + static_cast<std::ptrdiff_t>(end));
            p << x(static_cast<std::size_t>(top - c.begin())) << ',' << y(*top) << ' ';
        }
        return std::string("<polyline fill=\"none\" stroke=\"") + colour +
               "\" stroke-width=\"1.2\" points=\"" + p.str() + "\"/>";
    };
    std::string svg = "<svg width=\"120\" height=\"30\" viewBox=\"0 0 160 40\" role=\"img\">" +
                      line(a, "#e80000");
    if (suspect && cleaned.size() == n) {
        const auto top = static_cast<std::size_t>(std::max_element(a.begin(), a.end()) - a.begin());
        svg += line(cleaned, "#1060d0") + "<circle cx=\"" + x(top) + "\" cy=\"" + y(a[top]) +
               "\" r=\"5\" fill=\"none\" stroke=\"#000\" stroke-width=\"1.5\"/>";
    }
    return svg + "</svg>";
}

// The file's time of last change, local, as the flight's date.
std::string FileDate(const std::string& path) {
    std::error_code ec;
    const auto t = fs::last_write_time(PathFromUtf8(path), ec);
    if (ec) return {};
    const std::time_t tt = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            std::chrono::file_clock::to_sys(t)));
    return TimeText("%Y-%m-%d %H:%M", tt);
}

// A flight file read, checked and decoded; the decoded flight itself is dropped here.
using Logs = std::map<std::string, DownloadLog>; // by folder

std::string Folder(const std::string& path) {
    const fs::path p = PathFromUtf8(path);
    return p.has_parent_path() ? Utf8FromPath(p.parent_path()) : std::string(".");
}

// A logged file's date is its download's time, not the file's: "2026-12-08 14:30".
std::string LoggedDate(const std::string& localTime) {
    std::string date = localTime.substr(0, 16);
    std::replace(date.begin(), date.end(), 'T', ' ');
    return date;
}

FlightRow ReadRow(const std::string& path, Language language, const FilterSettings& filter,
                  bool chart, const Logs& logs) {
    FlightRow row;
    row.path = path;
    row.file = ValidUtf8(Utf8FromPath(PathFromUtf8(path).filename()));
    row.date = FileDate(path);
    const CheckedFile checked = CheckFile(path, logs.at(Folder(path)));
    row.verified = FileCheckKey(checked.check);
    if (!checked.loggedAt.empty()) row.date = LoggedDate(checked.loggedAt);
    // Only a regular file is read: a link is not followed (out of the folder, onto another
    // flight, onto a device) and a fifo is never waited on.
    const EntryKind kind = KindOfEntry(path);
    if (kind != EntryKind::File) {
        row.verified =
            FileCheckKey(kind == EntryKind::Missing ? FileCheck::Missing : FileCheck::NotAFile);
        row.error = Tr(Phrase::CannotRead, language) + row.file + ": " +
                    (kind == EntryKind::Link     ? std::string("a symbolic link")
                     : kind == EntryKind::Folder ? std::string(std::strerror(EISDIR))
                                                 : std::string("not a regular file"));
        return row;
    }
    std::string reason;
    auto record = ReadFileStart(path, kMaxRecordSize + 1, reason);
    if (!record) {
        row.error = Tr(Phrase::CannotRead, language) + row.file + ": " + reason;
        return row;
    }
    RecordFault fault = CheckRecordBytes(*record);
    if (fault == RecordFault::None) {
        const Flight flight =
            DecodeRecord(std::move(*record), FlightSource::File, {.chartPoints = false});
        fault = CheckFlight(flight);
        if (fault == RecordFault::None) {
            std::vector<std::int32_t> cleaned;
            row.flight = true;
            row.stats = ComputeStats(flight, filter, &cleaned);
            row.competitor = flight.header.header.competitor;
            row.serial = flight.header.header.serial;
            row.samplingText = TrimmedText(flight.header.samplingText);
            row.samplingRate = flight.header.samplingRate;
            if (chart)
                row.chart = Sparkline(std::span<const std::int32_t>(flight.curve.altitudes.data(),
                                                                    flight.curve.chartedCount()),
                                      cleaned, row.stats.maxSuspect);
            return row;
        }
    }
    row.error = Tr(Phrase::NotAFlight, language) + std::string(Describe(fault).get(language));
    return row;
}

// Names that two folders share are shown with their folder.
void ShowFoldersOfSharedNames(std::vector<FlightRow>& rows) {
    std::map<std::string, int> seen;
    for (const FlightRow& r : rows)
        ++seen[r.file];
    for (FlightRow& r : rows)
        if (seen[r.file] > 1) {
            const fs::path p(r.path);
            r.file = ValidUtf8((p.parent_path().filename() / p.filename()).generic_string());
        }
}

bool IsReport(const fs::path& p) {
    const std::string ext = p.extension().string();
    return ext == ".csv" || ext == ".html" || ext == ".htm";
}

} // namespace

std::string FlightCell::shown() const {
    if (!present) return {};
    switch (kind) {
    case CellKind::Flag:
        return flag ? "true" : "false";
    case CellKind::Seconds:
    case CellKind::Rate:
        return Fixed(number, Decimals(kind));
    case CellKind::Whole:
    case CellKind::Text:
        break;
    }
    return text;
}

std::string ClockText(double seconds) {
    if (seconds < 3600.0) return Fixed(seconds, 2);
    const auto whole = static_cast<long long>(std::llround(seconds));
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                  whole % 60);
    return buffer;
}

std::string FlightCell::shownToPeople() const {
    return present && kind == CellKind::Seconds ? ClockText(number) : shown();
}

void FlightCell::json(JsonWriter& j) const {
    if (!present) {
        j.null();
    } else if (kind == CellKind::Flag) {
        j.value(flag);
    } else if (kind == CellKind::Whole) {
        j.value(static_cast<std::int64_t>(number));
    } else if (kind == CellKind::Text) {
        j.value(text);
    } else {
        j.figure(Rounded(number, Decimals(kind)));
    }
}

const char* NoLandingKey(NoLanding n) {
    switch (n) {
    case NoLanding::NeverLaunched:
        return "never_launched";
    case NoLanding::StillAloft:
        return "still_aloft";
    case NoLanding::RecordCut:
        return "record_cut";
    case NoLanding::NoSamples:
        return "no_samples";
    case NoLanding::None:
        break;
    }
    return "";
}

const char* NoLandingWords(NoLanding n, Language language) {
    switch (n) {
    case NoLanding::None:
        break;
    case NoLanding::NeverLaunched:
        return Tr(Phrase::NeverLaunched, language);
    case NoLanding::StillAloft:
        return Tr(Phrase::AloftToTheEnd, language);
    case NoLanding::RecordCut:
        return Tr(Phrase::RecordCutOff, language);
    case NoLanding::NoSamples:
        return Tr(Phrase::NoSamplesLanding, language);
    }
    return "";
}

const char* NoLaunchKey(NoLaunch n) {
    switch (n) {
    case NoLaunch::NeverLaunched:
        return "never_launched";
    case NoLaunch::StartedAloft:
        return "started_aloft";
    case NoLaunch::NoSamples:
        return "no_samples";
    case NoLaunch::None:
        break;
    }
    return "";
}

const char* NoLaunchWords(NoLaunch n, Language language) {
    switch (n) {
    case NoLaunch::None:
        break;
    case NoLaunch::NeverLaunched:
        return Tr(Phrase::NeverLaunched, language);
    case NoLaunch::StartedAloft:
        return Tr(Phrase::StartedAloft, language);
    case NoLaunch::NoSamples:
        return Tr(Phrase::NoSamplesLanding, language);
    }
    return "";
}

// The cells of a row, in the order of kFlightColumns.
std::vector<FlightCell> FlightCells(const FlightRow& r) {
    std::vector<FlightCell> c(kFlightColumnCount);
    for (std::size_t i = 0; i < kFlightColumnCount; ++i)
        c[i].kind = kFlightColumns[i].kind;
    const auto text = [&](std::size_t i, std::string v) {
        c[i].present = true;
        c[i].text = std::move(v);
    };
    const auto number = [&](std::size_t i, std::optional<double> v) {
        if (v && std::isfinite(*v)) c[i].present = true, c[i].number = *v;
    };
    text(kFile, r.file);
    if (!r.date.empty()) text(kDate, r.date);
    if (!r.verified.empty()) text(kVerified, r.verified);
    if (!r.entry.empty()) text(kEntry, r.entry);
    if (r.entry == "missing") {
        number(kCompetitor, r.competitor);
        c[kCompetitor].text = std::to_string(r.competitor);
        c[kFile].present = false;
        return c;
    }
    if (!r.flight) {
        text(kError, r.error);
        return c;
    }
    const FlightStats& s = r.stats;
    number(kCompetitor, r.competitor);
    c[kCompetitor].text = std::to_string(r.competitor);
    number(kSerial, r.serial);
    c[kSerial].text = std::to_string(r.serial);
    text(kSampling, r.samplingText);
    if (s.maxText) text(kMax, *s.maxText);
    if (s.maxFilteredText) text(kMaxFiltered, *s.maxFilteredText);
    if (s.maxCleanText) text(kMaxClean, *s.maxCleanText);
    c[kSuspect].present = true;
    c[kSuspect].flag = s.maxSuspect;
    number(kTimeOfMax, s.timeOfMaxS);
    number(kLaunch, s.launchS);
    if (s.noLaunch != NoLaunch::None) text(kNoLaunch, NoLaunchKey(s.noLaunch));
    number(kLanding, s.landingS);
    if (s.noLanding != NoLanding::None) text(kNoLanding, NoLandingKey(s.noLanding));
    if (s.landingAltitudeText) text(kLandingAltitude, *s.landingAltitudeText);
    number(kDuration, s.durationS);
    number(kClimb, s.climbMS);
    number(kMaxClimb, s.maxClimbMS);
    number(kMaxSink, s.maxSinkMS);
    number(kMaxClimbRaw, s.maxClimbRawMS);
    number(kMaxSinkRaw, s.maxSinkRawMS);
    return c;
}

std::string FlightTableCsv(const std::vector<FlightRow>& rows) {
    std::ostringstream o;
    for (std::size_t c = 0; c < kFlightColumnCount; ++c)
        o << (c ? "," : "") << kFlightColumns[c].key;
    o << "\r\n";
    for (const FlightRow& r : rows) {
        const auto cells = FlightCells(r);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const std::string v = cells[c].shown();
            // The landing altitude is a figure of ours, often negative: no formula to defuse.
            const bool neutralise = cells[c].kind == CellKind::Text && c != kLandingAltitude;
            o << (c ? "," : "") << CsvField(neutralise ? Neutralised(v) : v);
        }
        o << "\r\n";
    }
    return o.str();
}

namespace {

// The page shows the cleaned rates; the raw ones and the machine columns are the CSV's.
const std::vector<std::size_t>& PageColumns() {
    static const std::vector<std::size_t> shown = [] {
        std::vector<std::size_t> c;
        for (std::size_t i = 0; i < kFlightColumnCount; ++i)
            if (i != kError && i != kSuspect && i != kNoLaunch && i != kNoLanding &&
                i != kMaxClimbRaw && i != kMaxSinkRaw && i != kEntry)
                c.push_back(i);
        return c;
    }();
    return shown;
}

void WritePageHead(std::ostream& o, Language language, const std::string& title,
                   const std::vector<LogHeadWords>& logHeads, std::int64_t suspects) {
    const bool pl = language == Language::Polish;
    const std::string when = LocalTimeNow("%Y-%m-%d %H:%M");
    const std::string heading =
        title.empty() ? std::string(Tr(Phrase::ResultsTitle, language)) : title;
    o << "<!DOCTYPE html>\n<html lang=\"" << (pl ? "pl" : "en")
      << "\"><head><meta charset=\"utf-8\">"
      << "<title>" << Html(heading) << " " << when << "</title>\n<style>\n"
      << "body{font-family:sans-serif;margin:1.5em}h1{font-size:1.3em}"
      << "table{border-collapse:collapse;font-size:.75em}th,td{border:1px solid "
         "#999;white-space:nowrap;"
      << "padding:.2em .4em;text-align:right}td:first-child,th:first-child{text-align:left}"
      << "th{background:#ddd;cursor:pointer}th.sorted-asc::after{content:' \\25B2'}"
      << "th.sorted-desc::after{content:' \\25BC'}tr.error td{color:#a00;text-align:left}"
      << "tr.suspect td{background:#ffe08a}td.spike{font-weight:bold;color:#b00000}"
      << "tr.changed td{background:#ffc8c8;color:#a00000;font-weight:bold}"
      << "td.unknown{color:#a06000;font-style:italic}p.missing{color:#a00000;font-weight:bold}"
      << "p.warning{background:#ffe08a;padding:.4em;border:1px solid #c90}"
      << "@page{size:A4 landscape;margin:12mm}@media print{th{cursor:auto}body{margin:0}}\n"
      << "p.loghead{font-family:monospace}p.loghead.fault{color:#a00000;font-weight:bold}"
      << "</style></head><body>\n<h1>" << Html(heading) << " &mdash; " << when << "</h1>\n";
    for (const LogHeadWords& head : logHeads)
        if (!head.text.empty())
            o << "<p class=\"loghead" << (head.fault ? " fault" : "") << "\">" << Html(head.text)
              << "</p>\n";
    if (suspects > 0)
        o << "<p class=\"warning\">&#9888; " << Tr(Phrase::SuspectFlights, language) << suspects
          << "</p>\n";
    o << "<table id=\"results\"><thead><tr>";
    for (const std::size_t c : PageColumns())
        o << "<th>" << Html(kFlightColumns[c].shown.get(language)) << "</th>";
    o << "<th>" << Tr(Phrase::ChartColumn, language) << "</th></tr></thead><tbody>\n";
}

// One flight's row of the results table.
void WritePageRow(std::ostream& o, const FlightRow& r, Language language) {
    const auto cells = FlightCells(r);
    o << (r.verified == "changed" || r.verified == "logged twice" ? "<tr class=\"changed\">"
          : r.stats.maxSuspect                                    ? "<tr class=\"suspect\">"
                                                                  : "<tr>");
    for (const std::size_t c : PageColumns()) {
        std::string v = Html(cells[c].shownToPeople());
        std::string attributes;
        if (c == kCompetitor && r.entry == "unknown") {
            attributes =
                " class=\"unknown\" title=\"" + std::string(Tr(Phrase::NotOnList, language)) + "\"";
            v += " ?";
        } else if (c == kSampling) {
            attributes = " data-sort=\"" + std::to_string(r.samplingRate) + "\"";
        } else if (c == kMax && r.stats.maxSuspect) {
            attributes = " class=\"spike\" title=\"" +
                         Html(std::string(Tr(Message::SuspectMaximum, language))
                                  .append(r.stats.maxCleanText.value_or(""))
                                  .append(" m"))
                             .append("\"");
            v.insert(0, "&#9888; ");
        } else if (c == kVerified) {
            if (const char* w = VerifiedWords(r.verified, language); *w) v = Html(w);
        } else if (cells[c].kind == CellKind::Seconds && cells[c].present &&
                   cells[c].number >= 3600.0) {
            attributes = " data-sort=\"" + cells[c].shown() + "\"";
        } else if (c == kLaunch && !cells[c].present && r.stats.noLaunch != NoLaunch::None) {
            v = "<small>" + Html(NoLaunchWords(r.stats.noLaunch, language)) + "</small>";
        } else if (c == kLanding && !cells[c].present && r.stats.noLanding != NoLanding::None) {
            v = "<small>" + Html(NoLandingWords(r.stats.noLanding, language)) + "</small>";
        }
        o << "<td" << attributes << ">" << v << "</td>";
    }
    o << "<td>" << r.chart << "</td></tr>\n";
}

// The table's end, the missing competitors, the files that are no flights and the sorting.
void WritePageTail(std::ostream& o, const std::vector<FlightRow>& rows, Language language) {
    o << "</tbody></table>\n";
    std::string missing;
    for (const FlightRow& r : rows)
        if (r.entry == "missing")
            missing += (missing.empty() ? "" : ", ") + std::to_string(r.competitor);
    if (!missing.empty())
        o << "<h2>" << Tr(Phrase::MissingCompetitors, language) << "</h2>\n<p class=\"missing\">"
          << missing << "</p>\n";
    if (std::any_of(rows.begin(), rows.end(),
                    [](const FlightRow& r) { return !r.flight && r.entry != "missing"; })) {
        o << "<h2>" << Tr(Phrase::NotFlights, language) << "</h2>\n<table><tbody>\n";
        for (const FlightRow& r : rows)
            if (!r.flight && r.entry != "missing")
                o << (r.verified == "missing" ? "<tr class=\"error changed\"><td>"
                                              : "<tr class=\"error\"><td>")
                  << Html(r.file) << "</td><td>" << Html(r.error) << "</td></tr>\n";
        o << "</tbody></table>\n";
    }
    // Sorting by a click on a heading: by the cell's sort key where it has one, numbers as
    // numbers, empty cells last.
    o << "<script>\n"
         "document.querySelectorAll('#results th').forEach(function(th,col){th.onclick=function(){"
         "var tb=document.querySelector('#results tbody'),rows=Array.from(tb.rows),"
         "asc=!th.classList.contains('sorted-asc');"
         "document.querySelectorAll('#results th').forEach(function(h){h.className='';});"
         "th.className=asc?'sorted-asc':'sorted-desc';"
         "function key(c){return c.dataset.sort!==undefined?c.dataset.sort:"
         "c.textContent.replace(/^\\u26a0 /,'');}"
         "rows.sort(function(a,b){var x=key(a.cells[col]),y=key(b.cells[col]);"
         "if(x===''||y==='')return (x==='')-(y==='');var nx=parseFloat(x),ny=parseFloat(y);"
         "var r=(!isNaN(nx)&&!isNaN(ny))?nx-ny:x.localeCompare(y);return asc?r:-r;});"
         "rows.forEach(function(r){tb.appendChild(r);});};});\n</script>\n</body></html>\n";
}

// Runs `work(i)` for i in [0, n), spread over the processor's cores.
template <typename Work> void ParallelFor(std::size_t n, const Work& work) {
    std::atomic<std::size_t> next{0};
    const auto run = [&] {
        for (std::size_t i; (i = next++) < n;)
            work(i);
    };
    const std::size_t helpers =
        std::min<std::size_t>({std::thread::hardware_concurrency(), 8, n / 8 + 1});
    std::vector<std::thread> threads;
    for (std::size_t t = 1; t < helpers; ++t)
        threads.emplace_back(run);
    run();
    for (std::thread& t : threads)
        t.join();
}

// The small chart of a flight already read once: decoded again, and cleaned only when its
// maximum is suspect (the cleaned curve is drawn over it then). Empty when it is no flight now.
std::string ChartOf(const std::string& path, const FilterSettings& filter, bool suspect) {
    std::string reason;
    auto record = ReadFileStart(path, kMaxRecordSize + 1, reason);
    if (!record || CheckRecordBytes(*record) != RecordFault::None) return {};
    const Flight flight =
        DecodeRecord(std::move(*record), FlightSource::File, {.chartPoints = false});
    if (CheckFlight(flight) != RecordFault::None) return {};
    std::vector<std::int32_t> cleaned;
    if (suspect) ComputeStats(flight, filter, &cleaned);
    return Sparkline(
        std::span<const std::int32_t>(flight.curve.altitudes.data(), flight.curve.chartedCount()),
        cleaned, suspect);
}

std::int64_t Suspects(const std::vector<FlightRow>& rows) {
    return std::count_if(rows.begin(), rows.end(),
                         [](const FlightRow& r) { return r.flight && r.stats.maxSuspect; });
}

} // namespace

std::string FlightTableHtml(const std::vector<FlightRow>& rows, Language language,
                            const std::string& title, const std::vector<LogHeadWords>& logHeads) {
    std::ostringstream o;
    WritePageHead(o, language, title, logHeads, Suspects(rows));
    for (const FlightRow& r : rows)
        if (r.flight) WritePageRow(o, r, language);
    WritePageTail(o, rows, language);
    return o.str();
}

bool WriteFlightTableHtml(std::ostream& out, const std::vector<FlightRow>& rows, Language language,
                          const std::string& title, const std::vector<LogHeadWords>& logHeads,
                          const FilterSettings& filter) {
    WritePageHead(out, language, title, logHeads, Suspects(rows));
    // The charts a batch at a time: each flight is read again for its small chart, its row
    // written and the chart dropped, so that memory does not grow with the number of flights.
    constexpr std::size_t kBatch = 256;
    std::vector<std::size_t> flights;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].flight) flights.push_back(i);
    for (std::size_t from = 0; from < flights.size() && out; from += kBatch) {
        const std::size_t to = std::min(flights.size(), from + kBatch);
        std::vector<std::string> charts(to - from);
        ParallelFor(charts.size(), [&](std::size_t k) {
            const FlightRow& r = rows[flights[from + k]];
            charts[k] = ChartOf(r.path, filter, r.stats.maxSuspect);
        });
        for (std::size_t k = from; k < to; ++k) {
            FlightRow row = rows[flights[k]];
            row.chart = std::move(charts[k - from]);
            WritePageRow(out, row, language);
        }
    }
    WritePageTail(out, rows, language);
    return static_cast<bool>(out);
}

std::string TrimmedText(const std::string& s) {
    const auto b = s.find_first_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, s.find_last_not_of(' ') - b + 1);
}

const char* VerifiedWords(const std::string& verified, Language language) {
    if (verified == "unchanged") return Tr(Phrase::FileUnchanged, language);
    if (verified == "changed") return Tr(Phrase::FileChanged, language);
    if (verified == "missing") return Tr(Phrase::FileMissing, language);
    if (verified == "not logged") return Tr(Phrase::FileNotLogged, language);
    if (verified == "not a file") return Tr(Phrase::FileNotAFile, language);
    if (verified == "logged twice") return Tr(Phrase::FileLoggedTwice, language);
    if (verified == "unreadable") return Tr(Phrase::FileUnreadable, language);
    return "";
}

bool HoldsFlight(const std::string& path) {
    std::string reason;
    const auto start = ReadFileStart(path, kMaxRecordSize + 1, reason);
    return start && CheckRecordBytes(*start) == RecordFault::None;
}

std::vector<std::string> ListFlightFiles(const std::string& folder, const std::string& output) {
    std::vector<std::string> inside;
    const DownloadLog log = ReadDownloadLog(folder);
    for (const std::string& name : FolderNames(folder)) {
        const std::string p = Utf8FromPath(PathFromUtf8(folder) / PathFromUtf8(name));
        // Hidden names are temporary files of a write in progress or left by a killed one.
        if (name == kDownloadLogName || IsHiddenName(name) ||
            (!output.empty() && SameFile(p, output)))
            continue;
        const EntryKind kind = KindOfEntry(p);
        // A folder is listed only where the log names a flight file (its row says why it is
        // none); a link, a fifo or a device always, with the reason it is no flight.
        if (kind == EntryKind::Folder && !log.byFile.count(name)) continue;
        // Reports written there before are skipped, unless they hold a flight.
        if (kind == EntryKind::File && IsReport(PathFromUtf8(name)) && !HoldsFlight(p)) continue;
        inside.push_back(p);
    }
    std::sort(inside.begin(), inside.end());
    return inside;
}

FlightRows ReadFlightRows(const std::vector<std::string>& paths, Language language,
                          const FilterSettings& filter, bool withCurves) {
    FlightRows result;
    Logs logs;
    for (const std::string& p : paths)
        if (!logs.count(Folder(p))) logs[Folder(p)] = ReadDownloadLog(Folder(p));
    for (const auto& [folder, log] : logs)
        for (const int line : log.damagedLines)
            result.damagedLogLines.push_back(
                {(fs::path(folder) / kDownloadLogName).string(), line});
    // Each file is read, decoded and cleaned on its own: spread over the processor's cores.
    std::vector<FlightRow>& rows = result.rows;
    rows.resize(paths.size());
    ParallelFor(paths.size(), [&](std::size_t i) {
        rows[i] = ReadRow(paths[i], language, filter, withCurves, logs);
    });
    ShowFoldersOfSharedNames(rows);
    return result;
}

void AddMissingLoggedFiles(FlightRows& read, const std::string& folder, Language language) {
    const DownloadLog log = ReadDownloadLog(folder);
    const std::string logPath = Utf8FromPath(PathFromUtf8(folder) / kDownloadLogName);
    if (std::none_of(read.damagedLogLines.begin(), read.damagedLogLines.end(),
                     [&](const DamagedLogLine& d) { return SameFile(d.log, logPath); }))
        for (const int line : log.damagedLines)
            read.damagedLogLines.push_back({logPath, line});
    for (const DownloadLogEntry* last : LoggedFiles(log)) {
        const fs::path path = PathFromUtf8(folder) / PathFromUtf8(last->file);
        std::error_code ec;
        if (fs::exists(fs::symlink_status(path, ec))) continue;
        FlightRow row;
        row.path = Utf8FromPath(path);
        row.file = ValidUtf8(last->file);
        row.date = LoggedDate(last->localTime);
        row.verified = FileCheckKey(FileCheck::Missing);
        row.error = Tr(Phrase::LoggedFileMissing, language);
        read.rows.push_back(std::move(row));
    }
    ShowFoldersOfSharedNames(read.rows);
}

std::optional<std::set<std::int64_t>> ReadExpectedFile(const std::string& path, Language language,
                                                       std::string& error) {
    std::string reason;
    const auto bytes = ReadFileStart(path, 1 << 20, reason);
    if (!bytes) {
        error = Tr(Phrase::CannotRead, language) + path + ": " + reason;
        return std::nullopt;
    }
    std::set<std::int64_t> numbers;
    std::istringstream in(std::string(bytes->begin(), bytes->end()));
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        line = line.substr(0, line.find('#'));
        line.erase(std::remove_if(line.begin(), line.end(),
                                  [](char c) { return c == ' ' || c == '\t' || c == '\r'; }),
                   line.end());
        if (line.empty()) continue;
        std::int64_t v = -1;
        const auto r = std::from_chars(line.data(), line.data() + line.size(), v);
        if (r.ec != std::errc() || r.ptr != line.data() + line.size() || v < 0 || v > 65535) {
            error = Tr(Phrase::BadExpected, language);
            error.append(path).append(":").append(std::to_string(n)).append(": \"");
            error.append(line).append("\"");
            return std::nullopt;
        }
        numbers.insert(v);
    }
    return numbers;
}

ExpectedCounts MarkExpected(std::vector<FlightRow>& rows, const std::set<std::int64_t>& expected) {
    ExpectedCounts counts;
    std::set<std::int64_t> flown;
    for (FlightRow& r : rows) {
        if (!r.flight) continue;
        flown.insert(r.competitor);
        r.entry = expected.count(r.competitor) ? "expected" : "unknown";
        counts.unknown += r.entry == "unknown";
    }
    for (const std::int64_t n : expected)
        if (!flown.count(n)) {
            FlightRow m;
            m.competitor = static_cast<std::uint16_t>(n);
            m.entry = "missing";
            rows.push_back(m);
            ++counts.missing;
        }
    return counts;
}

} // namespace orlomat
