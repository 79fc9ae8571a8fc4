// Contest day: the figures of one flight (stats) and the results table of many (report).
#include "app/cli_contest.h"

#include "analysis/flight_checks.h"
#include "analysis/flight_stats.h"
#include "contest/download_log.h"
#include "contest/sha256.h"
#include "core/flight.h"
#include "core/format.h"
#include "core/json.h"
#include "files/settings_record.h"
#include "files/user_file.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <thread>

namespace orlomat {

namespace {

using namespace cli;
namespace fs = std::filesystem;

// The width of a text on a terminal: its UTF-8 characters.
std::size_t Width(const std::string& s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string Trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// The filter the window would clean a flight with: from --settings FILE, else from the
// window's settings file where it keeps one (beside the programs, then the per-user folder),
// else the defaults.
std::optional<FilterSettings> FilterFromSettings(const Args& a, std::ostream& err) {
    std::vector<fs::path> candidates;
    if (a.has("--settings")) {
        candidates.push_back(a.value("--settings"));
    } else {
        std::error_code ec;
        const fs::path self = fs::read_symlink("/proc/self/exe", ec);
        if (!ec) candidates.push_back(self.parent_path() / "OrlomatBMP.par");
        if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
            candidates.push_back(fs::path(xdg) / "OrlomatBMP" / "OrlomatBMP.par");
        else if (const char* home = std::getenv("HOME"); home && *home)
            candidates.push_back(fs::path(home) / ".config" / "OrlomatBMP" / "OrlomatBMP.par");
    }
    SettingsRecord record;
    for (const fs::path& p : candidates) {
        std::error_code ec;
        if (!a.has("--settings") && !fs::is_regular_file(p, ec)) continue;
        std::string reason;
        const auto bytes = ReadFileStart(p.string(), kSettingsSize, reason);
        if (!bytes) {
            Fail(err, Say(a, Phrase::NoSettings) + p.string() + ": " + reason);
            return std::nullopt;
        }
        record.overlay(*bytes);
        break;
    }
    record.sanitizeFilter();
    return record.filter();
}

// One flight's figures, or the reason it is none. Only figures and texts are kept: a report
// over thousands of records holds no decoded flight.
struct Row {
    std::string path, file, error, date;
    std::uint16_t competitor = 0, serial = 0;
    std::string samplingText;
    std::uint32_t samplingRate = 0;
    FlightStats stats;
    std::string chart;    // the small inline chart of the page
    std::string verified; // against the folder's download log
    std::string entry;    // against the expected competitors: expected, unknown or missing
    bool flight = false;
};

// What kind of value a column holds, and so how it is written.
enum class Kind { Text, Whole, Seconds, Rate, Flag };

// The columns of the report, which are also the keys of `stats` (the CSV header is these keys
// in every language: machines read it), with the page's short headings for people.
struct Column {
    const char* key;
    Kind kind;
    TextPair shown;
    bool reportOnly = false;
};

constexpr Column kColumns[] = {
    {"file", Kind::Text, {"Plik", "File"}, true},
    {"competitor", Kind::Whole, {"Zaw.", "Comp."}},
    {"serial", Kind::Whole, {"Nr ser.", "Serial"}},
    {"sampling_text", Kind::Text, {"Pomiary", "Sampling"}},
    {"max_text", Kind::Text, {"Max [m]", "Max [m]"}},
    {"max_filtered_text", Kind::Text, {"Max po filtrze [m]", "Max filtered [m]"}},
    {"max_suspect", Kind::Flag, {"Skok?", "Spike?"}},
    {"time_of_max_s", Kind::Seconds, {"t max [s]", "t max [s]"}},
    {"launch_s", Kind::Seconds, {"Start [s]", "Launch [s]"}},
    {"landing_s", Kind::Seconds, {"Lądowanie [s]", "Landing [s]"}},
    {"no_landing", Kind::Text, {"Bez lądowania", "No landing"}},
    {"duration_s", Kind::Seconds, {"Lot [s]", "Flight [s]"}},
    {"climb_m_s", Kind::Rate, {"Wznoszenie [m/s]", "Climb [m/s]"}},
    {"max_climb_m_s", Kind::Rate, {"Maks. wzn. [m/s]", "Max climb [m/s]"}},
    {"max_sink_m_s", Kind::Rate, {"Maks. opad. [m/s]", "Max sink [m/s]"}},
    {"max_climb_raw_m_s", Kind::Rate, {"Maks. wzn. surowe [m/s]", "Max climb raw [m/s]"}},
    {"max_sink_raw_m_s", Kind::Rate, {"Maks. opad. surowe [m/s]", "Max sink raw [m/s]"}},
    {"date", Kind::Text, {"Data", "Date"}, true},
    {"verified", Kind::Text, {"Kontrola", "Check"}, true},
    {"entry", Kind::Text, {"Lista", "List"}, true},
    {"error", Kind::Text, {"Błąd", "Error"}, true},
};
constexpr std::size_t kColumnCount = std::size(kColumns);

constexpr std::size_t Col(std::string_view key) {
    for (std::size_t i = 0; i < kColumnCount; ++i)
        if (key == kColumns[i].key) return i;
    throw "no such column"; // a compile-time error in the constants below
}
constexpr std::size_t kFile = Col("file"), kCompetitor = Col("competitor"), kSerial = Col("serial"),
                      kSampling = Col("sampling_text"), kMax = Col("max_text"),
                      kMaxFiltered = Col("max_filtered_text"), kSuspect = Col("max_suspect"),
                      kTimeOfMax = Col("time_of_max_s"), kLaunch = Col("launch_s"),
                      kLanding = Col("landing_s"), kNoLanding = Col("no_landing"),
                      kDuration = Col("duration_s"), kClimb = Col("climb_m_s"),
                      kMaxClimb = Col("max_climb_m_s"), kMaxSink = Col("max_sink_m_s"),
                      kMaxClimbRaw = Col("max_climb_raw_m_s"),
                      kMaxSinkRaw = Col("max_sink_raw_m_s"), kDate = Col("date"),
                      kVerified = Col("verified"), kEntry = Col("entry"), kError = Col("error");

// One precision a column: 2 decimals for times, 1 for rates.
int Decimals(Kind k) {
    return k == Kind::Seconds ? 2 : 1;
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

// A cell: absent (null), a text, a whole number, a figure or a flag.
struct Cell {
    Kind kind = Kind::Text;
    bool present = false;
    std::string text;
    double number = 0.0;
    bool flag = false;

    std::string shown() const {
        if (!present) return {};
        switch (kind) {
        case Kind::Flag:
            return flag ? "true" : "false";
        case Kind::Seconds:
        case Kind::Rate:
            return Fixed(number, Decimals(kind));
        case Kind::Whole:
        case Kind::Text:
            break;
        }
        return text;
    }
    void json(JsonWriter& j) const {
        if (!present) {
            j.null();
        } else if (kind == Kind::Flag) {
            j.value(flag);
        } else if (kind == Kind::Whole) {
            j.value(static_cast<std::int64_t>(number));
        } else if (kind == Kind::Text) {
            j.value(text);
        } else {
            j.figure(Rounded(number, Decimals(kind)));
        }
    }
};

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

// The cells of a row, in the order of kColumns.
std::vector<Cell> Cells(const Row& r) {
    std::vector<Cell> c(kColumnCount);
    for (std::size_t i = 0; i < kColumnCount; ++i)
        c[i].kind = kColumns[i].kind;
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
    c[kSuspect].present = true;
    c[kSuspect].flag = s.maxSuspect;
    number(kTimeOfMax, s.timeOfMaxS);
    number(kLaunch, s.launchS);
    number(kLanding, s.landingS);
    if (s.noLanding != NoLanding::None) text(kNoLanding, NoLandingKey(s.noLanding));
    number(kDuration, s.durationS);
    number(kClimb, s.climbMS);
    number(kMaxClimb, s.maxClimbMS);
    number(kMaxSink, s.maxSinkMS);
    number(kMaxClimbRaw, s.maxClimbRawMS);
    number(kMaxSinkRaw, s.maxSinkRawMS);
    return c;
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

std::string Csv(const std::vector<Row>& rows) {
    std::ostringstream o;
    for (std::size_t c = 0; c < kColumnCount; ++c)
        o << (c ? "," : "") << kColumns[c].key;
    o << "\r\n";
    for (const Row& r : rows) {
        const auto cells = Cells(r);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const std::string v = cells[c].shown();
            o << (c ? "," : "") << CsvField(cells[c].kind == Kind::Text ? Neutralised(v) : v);
        }
        o << "\r\n";
    }
    return o.str();
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

std::string HtmlReport(const std::vector<Row>& rows, Language language, const std::string& title) {
    const bool pl = language == Language::Polish;
    const std::string when = LocalTime("%Y-%m-%d %H:%M");
    const std::string heading =
        title.empty() ? std::string(Tr(Phrase::ResultsTitle, language)) : title;
    std::ostringstream o;
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
      << "</style></head><body>\n<h1>" << Html(heading) << " &mdash; " << when << "</h1>\n";
    const auto suspects = std::count_if(
        rows.begin(), rows.end(), [](const Row& r) { return r.flight && r.stats.maxSuspect; });
    if (suspects > 0)
        o << "<p class=\"warning\">&#9888; " << Tr(Phrase::SuspectFlights, language) << suspects
          << "</p>\n";
    o << "<table id=\"results\"><thead><tr>";
    std::vector<std::size_t> shown;
    for (std::size_t c = 0; c < kColumnCount; ++c) {
        // The page shows the cleaned rates; the raw ones and the machine columns are the CSV's.
        if (c == kError || c == kSuspect || c == kNoLanding || c == kMaxClimbRaw ||
            c == kMaxSinkRaw || c == kEntry)
            continue;
        shown.push_back(c);
        o << "<th>" << Html(kColumns[c].shown.get(language)) << "</th>";
    }
    o << "<th>" << Tr(Phrase::ChartColumn, language) << "</th></tr></thead><tbody>\n";
    for (const Row& r : rows) {
        if (!r.flight) continue;
        const auto cells = Cells(r);
        o << (r.verified == "changed" ? "<tr class=\"changed\">"
              : r.stats.maxSuspect    ? "<tr class=\"suspect\">"
                                      : "<tr>");
        for (const std::size_t c : shown) {
            std::string v = Html(cells[c].shown());
            std::string attributes;
            if (c == kCompetitor && r.entry == "unknown") {
                attributes = " class=\"unknown\" title=\"" +
                             std::string(Tr(Phrase::NotOnList, language)) + "\"";
                v += " ?";
            } else if (c == kSampling) {
                attributes = " data-sort=\"" + std::to_string(r.samplingRate) + "\"";
            } else if (c == kMax && r.stats.maxSuspect) {
                attributes = " class=\"spike\" title=\"" +
                             Html(std::string(Tr(Message::SuspectMaximum, language))
                                      .append(r.stats.maxFilteredText.value_or(""))
                                      .append(" m"))
                                 .append("\"");
                v.insert(0, "&#9888; ");
            } else if (c == kVerified) {
                const std::map<std::string, Phrase> words = {{"unchanged", Phrase::FileUnchanged},
                                                             {"changed", Phrase::FileChanged},
                                                             {"not logged", Phrase::FileNotLogged}};
                if (const auto w = words.find(r.verified); w != words.end())
                    v = Html(Tr(w->second, language));
            } else if (c == kLanding && !cells[c].present && r.stats.noLanding != NoLanding::None) {
                v = "<small>" + Html(NoLandingWords(r.stats.noLanding, language)) + "</small>";
            }
            o << "<td" << attributes << ">" << v << "</td>";
        }
        o << "<td>" << r.chart << "</td></tr>\n";
    }
    o << "</tbody></table>\n";
    std::string missing;
    for (const Row& r : rows)
        if (r.entry == "missing")
            missing += (missing.empty() ? "" : ", ") + std::to_string(r.competitor);
    if (!missing.empty())
        o << "<h2>" << Tr(Phrase::MissingCompetitors, language) << "</h2>\n<p class=\"missing\">"
          << missing << "</p>\n";
    if (std::any_of(rows.begin(), rows.end(),
                    [](const Row& r) { return !r.flight && r.entry != "missing"; })) {
        o << "<h2>" << Tr(Phrase::NotFlights, language) << "</h2>\n<table><tbody>\n";
        for (const Row& r : rows)
            if (!r.flight && r.entry != "missing")
                o << "<tr class=\"error\"><td>" << Html(r.file) << "</td><td>" << Html(r.error)
                  << "</td></tr>\n";
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
    return o.str();
}

// The file's time of last change, local, as the flight's date.
std::string FileDate(const std::string& path) {
    std::error_code ec;
    const auto t = fs::last_write_time(path, ec);
    if (ec) return {};
    const std::time_t tt = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            std::chrono::file_clock::to_sys(t)));
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &tt);
#else
    localtime_r(&tt, &tm);
#endif
    char text[32];
    return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &tm));
}

// A flight file read, checked and decoded; the decoded flight itself is dropped here.
using Logs = std::map<std::string, DownloadLog>; // by folder

std::string Folder(const std::string& path) {
    const fs::path p(path);
    return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}

Row ReadRow(const std::string& path, Language language, const FilterSettings& filter, bool chart,
            const Logs& logs) {
    Row row;
    row.path = path;
    row.file = ValidUtf8(fs::path(path).filename().string());
    row.date = FileDate(path);
    const DownloadLog& log = logs.at(Folder(path));
    const CheckedFile checked = CheckFile(path, log);
    row.verified = FileCheckKey(checked.check);
    if (!checked.loggedAt.empty()) { // the download's time, not the file's
        row.date = checked.loggedAt.substr(0, 16);
        std::replace(row.date.begin(), row.date.end(), 'T', ' ');
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
            row.samplingText = Trimmed(flight.header.samplingText);
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
void ShowFoldersOfSharedNames(std::vector<Row>& rows) {
    std::map<std::string, int> seen;
    for (const Row& r : rows)
        ++seen[r.file];
    for (Row& r : rows)
        if (seen[r.file] > 1) {
            const fs::path p(r.path);
            r.file = ValidUtf8((p.parent_path().filename() / p.filename()).generic_string());
        }
}

bool IsReport(const fs::path& p) {
    const std::string ext = p.extension().string();
    return ext == ".csv" || ext == ".html" || ext == ".htm";
}

// --expected FILE: one competitor number a line (blank lines and "#" notes allowed).
std::optional<std::set<std::int64_t>> ExpectedCompetitors(const Args& a, std::ostream& err) {
    const std::string path = a.value("--expected");
    std::string reason;
    const auto bytes = ReadFileStart(path, 1 << 20, reason);
    if (!bytes) {
        Fail(err, Say(a, Phrase::CannotRead) + path + ": " + reason);
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
            std::string where = Say(a, Phrase::BadExpected);
            where.append(path).append(":").append(std::to_string(n)).append(": \"");
            Fail(err, where.append(line).append("\""));
            return std::nullopt;
        }
        numbers.insert(v);
    }
    return numbers;
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
    Row row;
    row.flight = true;
    row.stats = ComputeStats(*flight, *filter);
    row.competitor = flight->header.header.competitor;
    row.serial = flight->header.header.serial;
    row.samplingText = Trimmed(flight->header.samplingText);
    const auto cells = Cells(row);

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
    for (std::size_t c = 0; c < kColumnCount; ++c) {
        if (kColumns[c].reportOnly) continue;
        j.key(kColumns[c].key);
        cells[c].json(j);
    }
    j.endObject();
    out << j.str() << '\n';
    return kSuccess;
}

int ReportCommand(const Args& a, std::ostream& out, std::ostream& err) {
    const std::string output = a.value("-o");
    const std::string ext = fs::path(output).extension().string();
    const bool html = ext == ".html" || ext == ".htm";
    if (!html && ext != ".csv") {
        Fail(err, Say(a, Phrase::ReportKind));
        return kUsage;
    }
    const auto filter = FilterFromSettings(a, err);
    if (!filter) return kFailure;
    std::optional<std::set<std::int64_t>> expected;
    if (a.has("--expected")) {
        expected = ExpectedCompetitors(a, err);
        if (!expected) return kUsage;
    }
    std::vector<std::string> paths;
    for (const std::string& f : a.files) {
        std::error_code ec;
        if (!fs::exists(fs::symlink_status(f, ec)) || !fs::exists(f, ec)) {
            // A mistyped folder must not become an empty table over yesterday's results.
            Fail(err, Say(a, Phrase::NoSuchPath) + f);
            return kUsage;
        }
        if (fs::is_directory(f, ec)) {
            std::vector<std::string> inside;
            for (const auto& e : fs::directory_iterator(f, ec)) {
                const std::string p = e.path().string();
                if (e.path().filename() == kDownloadLogName || SameFile(p, output)) continue;
                // Reports written there before are skipped, unless they hold a flight.
                if (IsReport(e.path())) {
                    std::string reason;
                    const auto start = ReadFileStart(p, kMaxRecordSize + 1, reason);
                    if (!start || CheckRecordBytes(*start) != RecordFault::None) continue;
                }
                inside.push_back(p); // also a fifo or a device: its row says why it is none
            }
            std::sort(inside.begin(), inside.end());
            if (inside.empty()) {
                Fail(err, Say(a, Phrase::NoFiles) + f);
                return kFailure;
            }
            paths.insert(paths.end(), inside.begin(), inside.end());
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
        const fs::path canonical = fs::weakly_canonical(p, ec);
        if (seen.insert(ec ? p : canonical.string()).second) unique.push_back(p);
    }
    paths = std::move(unique);
    {
        // Whatever the names say (a link, a .csv flight), a report never replaces a flight.
        std::string reason;
        const auto existing = ReadFileStart(output, kMaxRecordSize + 1, reason);
        if (existing && CheckRecordBytes(*existing) == RecordFault::None) {
            Fail(err, Say(a, Phrase::OutputIsFlight) + output);
            return kFailure;
        }
    }
    Logs logs;
    for (const std::string& p : paths)
        if (!logs.count(Folder(p))) logs[Folder(p)] = ReadDownloadLog(Folder(p));
    for (const auto& [folder, log] : logs)
        for (const int line : log.damagedLines)
            Fail(err, Say(a, Phrase::DamagedLogLine) +
                          (fs::path(folder) / kDownloadLogName).string() + ":" +
                          std::to_string(line));
    // Each file is read, decoded and cleaned on its own: spread over the processor's cores.
    std::vector<Row> rows(paths.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i; (i = next++) < paths.size();)
            rows[i] = ReadRow(paths[i], a.language, *filter, html, logs);
    };
    const std::size_t helpers =
        std::min<std::size_t>({std::thread::hardware_concurrency(), 8, paths.size() / 8 + 1});
    std::vector<std::thread> threads;
    for (std::size_t t = 1; t < helpers; ++t)
        threads.emplace_back(work);
    work();
    for (std::thread& t : threads)
        t.join();
    ShowFoldersOfSharedNames(rows);
    std::int64_t missingCount = 0, unknownCount = 0;
    if (expected) {
        std::set<std::int64_t> flown;
        for (Row& r : rows) {
            if (!r.flight) continue;
            flown.insert(r.competitor);
            r.entry = expected->count(r.competitor) ? "expected" : "unknown";
            unknownCount += r.entry == "unknown";
        }
        for (const std::int64_t n : *expected)
            if (!flown.count(n)) {
                Row m;
                m.competitor = static_cast<std::uint16_t>(n);
                m.entry = "missing";
                rows.push_back(m);
                ++missingCount;
            }
    }
    const std::string bytes = html ? HtmlReport(rows, a.language, a.value("--title")) : Csv(rows);
    if (const std::string error = WriteFileAtomically(output, bytes); !error.empty()) {
        Fail(err, Say(a, Phrase::CannotWrite) + output + ": " + error);
        return kFailure;
    }
    const auto flights =
        std::count_if(rows.begin(), rows.end(), [](const Row& r) { return r.flight; });
    const auto notFlights = std::count_if(
        rows.begin(), rows.end(), [](const Row& r) { return !r.flight && r.entry != "missing"; });
    const auto suspects = std::count_if(
        rows.begin(), rows.end(), [](const Row& r) { return r.flight && r.stats.maxSuspect; });
    JsonWriter j;
    j.beginObject();
    j.key("file").value(output);
    j.key("flights").value(static_cast<std::int64_t>(flights));
    j.key("not_flights").value(static_cast<std::int64_t>(notFlights));
    j.key("suspect_maxima").value(static_cast<std::int64_t>(suspects));
    if (expected) {
        j.key("missing").value(missingCount);
        j.key("unknown").value(unknownCount);
    }
    j.endObject();
    out << j.str() << '\n';
    return kSuccess;
}

int VerifyCommand(const Args& a, std::ostream& out, std::ostream& err) {
    const std::string folder = a.files[0];
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        Fail(err, Say(a, Phrase::NotAFolder) + folder);
        return kUsage;
    }
    const DownloadLog log = ReadDownloadLog(folder);
    if (!log.present) {
        Fail(err, Say(a, Phrase::NoLog) + folder);
        return kFailure;
    }
    for (const int line : log.damagedLines)
        Fail(err, Say(a, Phrase::DamagedLogLine) + (fs::path(folder) / kDownloadLogName).string() +
                      ":" + std::to_string(line));
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
