#include "contest/results_csv.h"

#include "contest/flight_columns.h"

#include <sstream>
#include <string_view>

namespace orlomat {

namespace {

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

} // namespace

std::string ResultsCsv(const std::vector<FlightRow>& rows, const ResultsWording& words) {
    using column::kError;
    using column::kLandingAltitude;
    std::ostringstream o;
    for (std::size_t c = 0; c < kFlightColumnCount; ++c)
        o << (c ? "," : "") << kFlightColumns[c].key;
    o << "\r\n";
    for (const FlightRow& r : rows) {
        auto cells = FlightCells(r);
        if (r.fault != RowFault::None) {
            cells[kError].present = true;
            cells[kError].text = words.fault(r);
        }
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

} // namespace orlomat
