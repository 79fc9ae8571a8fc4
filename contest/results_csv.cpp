#include "contest/results_csv.h"

#include "contest/flight_columns.h"

#include <algorithm>
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

// A figure in the format's decimal mark (the text figures "118.3" too: a spreadsheet set to
// Polish reads "118.3" as a date or a text).
std::string Figure(std::string v, CsvFormat format) {
    if (format == CsvFormat::ExcelLocal) std::replace(v.begin(), v.end(), '.', ',');
    return v;
}

bool IsFigure(CellKind k) {
    return k != CellKind::Text && k != CellKind::Flag;
}

} // namespace

std::string ResultsCsv(const std::vector<FlightRow>& rows, const ResultsWording& words,
                       const std::optional<RuleChoice>& rule, CsvFormat format) {
    using column::kError;
    using column::kLandingAltitude;
    const std::vector<std::size_t> ruleColumns =
        rule ? RuleColumnsOf(*rule) : std::vector<std::size_t>{};
    CsvTable t(format);
    for (std::size_t c = 0; c < kFlightColumnCount; ++c)
        t.text(kFlightColumns[c].key);
    for (const std::size_t c : ruleColumns)
        t.text(kRuleColumns[c].key);
    t.endRow();
    // The maxima and the landing altitude are figures as texts.
    const auto textFigure = [](std::size_t c) {
        return c == kLandingAltitude || c == column::kMax || c == column::kMaxFiltered ||
               c == column::kMaxClean;
    };
    const auto cell = [&](const FlightCell& v, bool figure, bool neutralise) {
        const std::string shown = neutralise ? Neutralised(v.shown()) : v.shown();
        t.text(figure ? Figure(shown, format) : shown);
    };
    for (const FlightRow& r : rows) {
        auto cells = FlightCells(r);
        if (r.fault != RowFault::None) {
            cells[kError].present = true;
            cells[kError].text = words.fault(r);
        }
        // The landing altitude is a figure of ours, often negative: no formula to defuse.
        for (std::size_t c = 0; c < cells.size(); ++c)
            cell(cells[c], textFigure(c) || IsFigure(cells[c].kind),
                 cells[c].kind == CellKind::Text && c != kLandingAltitude);
        if (rule) {
            const auto ruleCells = RuleCells(r);
            for (const std::size_t c : ruleColumns)
                cell(ruleCells[c], IsFigure(ruleCells[c].kind), false);
        }
        t.endRow();
    }
    return t.bytes();
}

} // namespace orlomat
