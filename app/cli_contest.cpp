// Contest day: the figures of one flight (stats) and the results table of many (report).
#include "app/cli_contest.h"

#include "analysis/flight_stats.h"
#include "app/json.h"
#include "core/flight.h"
#include "core/format.h"
#include "files/user_file.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sstream>

namespace orlomat {

namespace {

using namespace cli;
namespace fs = std::filesystem;

constexpr Text kCannotRead = {"nie można odczytać pliku ", "cannot read file "};
constexpr Text kNoRecord = {"to nie zapis lotu (krótszy niż 32-bajtowy nagłówek)",
                            "not a flight record (shorter than the 32-byte header)"};
constexpr Text kCannotWrite = {"nie można zapisać pliku ", "cannot write file "};
constexpr Text kReportKind = {"WYJŚCIE musi kończyć się na .html albo .csv",
                              "OUT must end in .html or .csv"};
constexpr Text kNoCalibration = {"to nie zapis lotu (współczynniki kalibracji 0 lub 0xFFFF)",
                                 "not a flight record (calibration words 0 or 0xFFFF)"};
constexpr Text kText = {"to plik tekstowy, nie zapis lotu", "a text file, not a flight record"};
constexpr Text kNoFiles = {"brak plików do raportu w ", "no files to report in "};

// One row of the results: a flight's figures, or the reason it is none.
struct Row {
    std::string file;
    std::optional<Flight> flight;
    FlightStats stats;
    std::string error;
};

// The sensor's own check of its calibration: no word is 0 or 0xFFFF. A file that fails it
// holds no flight, whatever its length.
bool PlausibleCalibration(const Calibration& c) {
    for (const int w : {int{c.AC1}, int{c.AC2}, int{c.AC3}, int{c.AC4}, int{c.AC5}, int{c.AC6},
                        int{c.B1}, int{c.B2}, int{c.MB}, int{c.MC}, int{c.MD}})
        if ((w & 0xFFFF) == 0 || (w & 0xFFFF) == 0xFFFF) return false;
    return true;
}

// A header of printable characters only is a text (notes, a table), never a flight record:
// a record's header holds binary numbers with zero bytes.
bool IsText(const std::vector<std::uint8_t>& record) {
    return std::all_of(record.begin(), record.begin() + kHeaderSize, [](std::uint8_t b) {
        return (b >= 0x20 && b < 0x7F) || b == '\t' || b == '\n' || b == '\r';
    });
}

// The width of a text on a terminal: its UTF-8 characters.
std::size_t Width(const std::string& s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

Row ReadRow(const std::string& path, int language) {
    Row row;
    row.file = fs::path(path).filename().string();
    std::string reason;
    auto record = ReadFileStart(path, kMaxRecordSize, reason);
    if (!record) {
        row.error = Text(kCannotRead).get(language) + row.file + ": " + reason;
    } else if (record->size() < kHeaderSize) {
        row.error = kNoRecord.get(language);
    } else if (IsText(*record)) {
        row.error = kText.get(language);
    } else if (!PlausibleCalibration(ParseHeader(*record).calibration)) {
        row.error = kNoCalibration.get(language);
    } else {
        row.flight = DecodeRecord(std::move(*record), FlightSource::File);
        row.stats = ComputeStats(*row.flight);
    }
    return row;
}

struct Column {
    const char* key;
    Text heading; // the CSV's: stable, for scripts
    Text shown;   // the page's: short, for people
};

// The columns of the report, also the keys of `stats`.
const Column kColumns[] = {
    {"file", {"plik", "file"}, {"Plik", "File"}},
    {"competitor", {"zawodnik", "competitor"}, {"Zaw.", "Comp."}},
    {"serial", {"nr_seryjny", "serial"}, {"Nr ser.", "Serial"}},
    {"sampling_text", {"pomiary", "sampling"}, {"Pomiary", "Sampling"}},
    {"max_text", {"maksimum_m", "max_m"}, {"Max [m]", "Max [m]"}},
    {"time_of_max_s", {"czas_maksimum_s", "time_of_max_s"}, {"t max [s]", "t max [s]"}},
    {"launch_s", {"start_s", "launch_s"}, {"Start [s]", "Launch [s]"}},
    {"landing_s", {"ladowanie_s", "landing_s"}, {"Lądowanie [s]", "Landing [s]"}},
    {"duration_s", {"czas_lotu_s", "duration_s"}, {"Lot [s]", "Flight [s]"}},
    {"climb_m_s", {"wznoszenie_m_s", "climb_m_s"}, {"Wznoszenie [m/s]", "Climb [m/s]"}},
    {"max_climb_m_s",
     {"maks_wznoszenie_m_s", "max_climb_m_s"},
     {"Maks. wzn. [m/s]", "Max climb [m/s]"}},
    {"max_sink_m_s",
     {"maks_opadanie_m_s", "max_sink_m_s"},
     {"Maks. opad. [m/s]", "Max sink [m/s]"}},
    {"error", {"blad", "error"}, {"Błąd", "Error"}},
};

std::string Figure(std::optional<double> v) {
    return v ? FigureText(*v) : std::string();
}

// The cells of a row, in the order of kColumns.
std::vector<std::string> Cells(const Row& r) {
    if (!r.flight) return {r.file, "", "", "", "", "", "", "", "", "", "", "", r.error};
    const FlightStats& s = r.stats;
    const HeaderInfo& h = r.flight->header;
    return {r.file,
            std::to_string(h.header.competitor),
            std::to_string(h.header.serial),
            h.samplingText,
            s.maxText,
            FigureText(s.timeOfMaxS),
            Figure(s.launchS),
            Figure(s.landingS),
            Figure(s.durationS),
            Figure(s.climbMS),
            Figure(s.maxClimbMS),
            Figure(s.maxSinkMS),
            ""};
}

std::string CsvField(const std::string& v) {
    if (v.find_first_of(",\"\r\n") == std::string::npos) return v;
    std::string q = "\"";
    for (const char c : v)
        q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

std::string Csv(const std::vector<Row>& rows, int language) {
    std::ostringstream o;
    for (std::size_t c = 0; c < std::size(kColumns); ++c)
        o << (c ? "," : "") << kColumns[c].heading.get(language);
    o << "\r\n";
    for (const Row& r : rows) {
        const auto cells = Cells(r);
        for (std::size_t c = 0; c < cells.size(); ++c)
            o << (c ? "," : "") << CsvField(cells[c]);
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

// The altitude curve as a small inline picture (at most 240 points).
std::string Sparkline(const Flight& f) {
    const std::size_t n = f.curve.chartedCount();
    if (n < 2) return "";
    const auto& a = f.curve.altitudes;
    const auto [lo, hi] =
        std::minmax_element(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(n));
    const double span = std::max(1.0, static_cast<double>(*hi) - *lo);
    const std::size_t step = std::max<std::size_t>(1, n / 240);
    std::ostringstream p;
    for (std::size_t i = 0; i < n; i += step)
        p << FigureText(160.0 * static_cast<double>(i) / static_cast<double>(n - 1)) << ','
          << FigureText(38.0 - 36.0 * (a[i] - *lo) / span) << ' ';
    return "<svg width=\"120\" height=\"30\" viewBox=\"0 0 160 40\" role=\"img\"><polyline "
           "fill=\"none\" stroke=\"#e80000\" stroke-width=\"1.2\" points=\"" +
           p.str() + "\"/></svg>";
}

std::string HtmlReport(const std::vector<Row>& rows, int language) {
    const bool pl = language == 0;
    std::ostringstream o;
    o << "<!DOCTYPE html>\n<html lang=\"" << (pl ? "pl" : "en")
      << "\"><head><meta charset=\"utf-8\">"
      << "<title>" << (pl ? "Wyniki" : "Results") << " " << LocalTime("%Y-%m-%d %H:%M")
      << "</title>\n<style>\n"
      << "body{font-family:sans-serif;margin:1.5em}h1{font-size:1.3em}"
      << "table{border-collapse:collapse;font-size:.75em}th,td{border:1px solid "
         "#999;white-space:nowrap;"
      << "padding:.2em .4em;text-align:right}td:first-child,th:first-child{text-align:left}"
      << "th{background:#ddd;cursor:pointer}th.sorted-asc::after{content:' \\25B2'}"
      << "th.sorted-desc::after{content:' \\25BC'}tr.error td{color:#a00;text-align:left}"
      << "@page{size:A4 landscape;margin:12mm}@media print{th{cursor:auto}body{margin:0}}\n"
      << "</style></head><body>\n<h1>OrlomatBMP: " << (pl ? "wyniki lotów" : "flight results")
      << " &mdash; " << LocalTime("%Y-%m-%d %H:%M") << "</h1>\n<table id=\"results\"><thead><tr>";
    for (const Column& c : kColumns)
        if (std::string(c.key) != "error") o << "<th>" << Html(c.shown.get(language)) << "</th>";
    o << "<th>" << (pl ? "wykres" : "chart") << "</th></tr></thead><tbody>\n";
    for (const Row& r : rows) {
        if (!r.flight) continue;
        const auto cells = Cells(r);
        o << "<tr>";
        for (std::size_t c = 0; c + 1 < cells.size(); ++c)
            o << "<td>" << Html(cells[c]) << "</td>";
        o << "<td>" << Sparkline(*r.flight) << "</td></tr>\n";
    }
    o << "</tbody></table>\n";
    const bool anyError =
        std::any_of(rows.begin(), rows.end(), [](const Row& r) { return !r.flight; });
    if (anyError) {
        o << "<h2>" << (pl ? "Pliki, które nie są lotami" : "Files that are not flights")
          << "</h2>\n<table><tbody>\n";
        for (const Row& r : rows)
            if (!r.flight)
                o << "<tr class=\"error\"><td>" << Html(r.file) << "</td><td>" << Html(r.error)
                  << "</td></tr>\n";
        o << "</tbody></table>\n";
    }
    // Sorting by a click on a heading: numbers as numbers, empty cells last.
    o << "<script>\n"
         "document.querySelectorAll('#results th').forEach(function(th,col){th.onclick=function(){"
         "var tb=document.querySelector('#results tbody'),rows=Array.from(tb.rows),"
         "asc=!th.classList.contains('sorted-asc');"
         "document.querySelectorAll('#results th').forEach(function(h){h.className='';});"
         "th.className=asc?'sorted-asc':'sorted-desc';"
         "rows.sort(function(a,b){var x=a.cells[col].textContent,y=b.cells[col].textContent;"
         "if(x===''||y==='')return (x==='')-(y==='');var nx=parseFloat(x),ny=parseFloat(y);"
         "var r=(!isNaN(nx)&&!isNaN(ny))?nx-ny:x.localeCompare(y);return asc?r:-r;});"
         "rows.forEach(function(r){tb.appendChild(r);});};});\n</script>\n</body></html>\n";
    return o.str();
}

bool IsReport(const fs::path& p) {
    const std::string ext = p.extension().string();
    return ext == ".csv" || ext == ".html" || ext == ".htm";
}

} // namespace

int StatsCommand(const Args& a, std::ostream& out, std::ostream& err) {
    std::optional<float> temperature;
    if (!TemperatureOption(a, temperature, err)) return kFailure;
    auto record = ReadFlightRecord(a, a.files[0], err);
    if (!record) return kFailure;
    const Flight flight = DecodeRecord(std::move(*record), FlightSource::File, {temperature, true});
    const FlightStats s = ComputeStats(flight);
    if (a.has("--human")) {
        const bool pl = a.language == 0;
        const auto seconds = [&](std::optional<double> v) {
            return v ? FigureText(*v) + " s" : std::string(pl ? "brak" : "none");
        };
        const auto rate = [&](std::optional<double> v) {
            return v ? FigureText(*v) + " m/s" : std::string(pl ? "brak" : "none");
        };
        const std::pair<const char*, std::string> lines[] = {
            {pl ? "Zawodnik" : "Competitor", std::to_string(flight.header.header.competitor)},
            {pl ? "Nr seryjny" : "Serial", std::to_string(flight.header.header.serial)},
            {pl ? "Pomiary" : "Sampling", flight.header.samplingText},
            {pl ? "Maksimum" : "Maximum", s.maxText + " m"},
            {pl ? "Czas maksimum" : "Time of maximum", seconds(s.timeOfMaxS)},
            {pl ? "Start" : "Launch", seconds(s.launchS)},
            {pl ? "Lądowanie" : "Landing", seconds(s.landingS)},
            {pl ? "Czas lotu" : "Duration", seconds(s.durationS)},
            {pl ? "Wznoszenie" : "Climb", rate(s.climbMS)},
            {pl ? "Maks. wznoszenie" : "Max climb", rate(s.maxClimbMS)},
            {pl ? "Maks. opadanie" : "Max sink", rate(s.maxSinkMS)}};
        for (const auto& [label, value] : lines)
            out << label << std::string(18 - std::min<std::size_t>(17, Width(label)), ' ') << value
                << '\n';
        return kSuccess;
    }
    JsonWriter j;
    j.beginObject();
    j.key("competitor").value(std::int64_t{flight.header.header.competitor});
    j.key("serial").value(std::int64_t{flight.header.header.serial});
    j.key("sampling_text").value(flight.header.samplingText);
    j.key("max_text").value(s.maxText);
    j.key("time_of_max_s").figure(s.timeOfMaxS);
    j.key("launch_s").figure(s.launchS);
    j.key("landing_s").figure(s.landingS);
    j.key("duration_s").figure(s.durationS);
    j.key("climb_m_s").figure(s.climbMS);
    j.key("max_climb_m_s").figure(s.maxClimbMS);
    j.key("max_sink_m_s").figure(s.maxSinkMS);
    j.endObject();
    out << j.str() << '\n';
    return kSuccess;
}

int ReportCommand(const Args& a, std::ostream& out, std::ostream& err) {
    const std::string output = a.value("-o");
    const std::string ext = fs::path(output).extension().string();
    const bool html = ext == ".html" || ext == ".htm";
    if (!html && ext != ".csv") {
        Fail(err, Say(a, kReportKind));
        return kFailure;
    }
    std::vector<std::string> paths;
    for (const std::string& f : a.files) {
        std::error_code ec;
        if (fs::is_directory(f, ec)) {
            std::vector<std::string> inside;
            for (const auto& e : fs::directory_iterator(f, ec))
                // Every regular file is a row, but for reports written there before.
                if (e.is_regular_file(ec) && !SameFile(e.path().string(), output) &&
                    !IsReport(e.path()))
                    inside.push_back(e.path().string());
            std::sort(inside.begin(), inside.end());
            if (inside.empty()) {
                Fail(err, Say(a, kNoFiles) + f);
                return kFailure;
            }
            paths.insert(paths.end(), inside.begin(), inside.end());
        } else {
            paths.push_back(f);
        }
    }
    std::vector<Row> rows;
    rows.reserve(paths.size());
    for (const std::string& p : paths)
        rows.push_back(ReadRow(p, a.language));
    const std::string bytes = html ? HtmlReport(rows, a.language) : Csv(rows, a.language);
    if (const std::string error = WriteFileAtomically(output, bytes); !error.empty()) {
        Fail(err, Say(a, kCannotWrite) + output + ": " + error);
        return kFailure;
    }
    const auto flights =
        std::count_if(rows.begin(), rows.end(), [](const Row& r) { return r.flight.has_value(); });
    JsonWriter j;
    j.beginObject();
    j.key("file").value(output);
    j.key("flights").value(static_cast<std::int64_t>(flights));
    j.key("not_flights").value(static_cast<std::int64_t>(rows.size()) - flights);
    j.endObject();
    out << j.str() << '\n';
    return kSuccess;
}

} // namespace orlomat
