#include "contest/results_page.h"

#include "contest/flight_columns.h"
#include "contest/parallel_for.h"
#include "contest/report_page_css.h"
#include "contest/report_page_js.h"
#include "contest/results_table.h"
#include "contest/sparkline.h"
#include "core/flight.h"
#include "core/format.h"
#include "files/flight_file.h"

#include <algorithm>

namespace orlomat {

namespace {

using namespace column;

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

// A rule's columns on the page: the place first, its figures after the flight's own.
struct RuleColumns {
    std::optional<std::size_t> place;
    std::vector<std::size_t> figures;
};

RuleColumns PageRuleColumns(const std::optional<RuleChoice>& rule) {
    RuleColumns c;
    if (!rule) return c;
    for (const std::size_t k : RuleColumnsOf(*rule)) {
        if (k == rule_column::kPlace)
            c.place = k;
        else
            c.figures.push_back(k);
    }
    return c;
}

void WritePageHead(std::ostream& o, const ResultsWording& words, const std::string& title,
                   const std::vector<LogHeadWords>& logHeads, std::int64_t suspects,
                   const std::optional<RuleChoice>& rule, const RuleColumns& ruleColumns) {
    const std::string when = LocalTimeNow("%Y-%m-%d %H:%M");
    const std::string heading = title.empty() ? words.text(PageText::DefaultTitle) : title;
    // The style sheet's file ends with a line end the page does not repeat.
    std::string_view style = kReportPageCSS;
    if (!style.empty() && style.back() == '\n') style.remove_suffix(1);
    o << "<!DOCTYPE html>\n<html lang=\"" << words.text(PageText::LanguageCode)
      << "\"><head><meta charset=\"utf-8\">"
      << "<title>" << EscapedForHtml(heading) << " " << when << "</title>\n<style>\n"
      << style << "</style></head><body>\n<h1>" << EscapedForHtml(heading) << " &mdash; " << when
      << "</h1>\n";
    if (rule) o << "<p class=\"rule\">" << EscapedForHtml(words.rule(*rule)) << "</p>\n";
    for (const LogHeadWords& head : logHeads)
        if (!head.text.empty())
            o << "<p class=\"loghead" << (head.fault ? " fault" : "") << "\">"
              << EscapedForHtml(head.text) << "</p>\n";
    if (suspects > 0)
        o << "<p class=\"warning\">&#9888; " << words.text(PageText::SuspectFlights) << suspects
          << "</p>\n";
    o << (ruleColumns.place ? "<table id=\"results\" class=\"placed\"><thead><tr>"
                            : "<table id=\"results\"><thead><tr>");
    if (ruleColumns.place)
        o << "<th class=\"place\">" << EscapedForHtml(words.ruleHeading(*ruleColumns.place))
          << "</th>";
    for (const std::size_t c : PageColumns())
        o << "<th>" << EscapedForHtml(words.heading(c)) << "</th>";
    for (const std::size_t c : ruleColumns.figures)
        o << "<th>" << EscapedForHtml(words.ruleHeading(c)) << "</th>";
    o << "<th>" << words.text(PageText::ChartColumn) << "</th></tr></thead><tbody>\n";
}

// One flight's row of the results table.
void WritePageRow(std::ostream& o, const FlightRow& r, const std::string& chart,
                  const ResultsWording& words, const RuleColumns& ruleColumns) {
    const auto cells = FlightCells(r);
    const RowMarks marks = MarksOf(r);
    o << (marks.tampered         ? "<tr class=\"changed\">"
          : marks.suspectMaximum ? "<tr class=\"suspect\">"
                                 : "<tr>");
    const auto ruleCells = RuleCells(r);
    const auto ruleCell = [&](std::size_t c) {
        const FlightCell& cell = ruleCells[c];
        const std::string v = c == rule_column::kState                      ? words.ruleState(r)
                              : cell.kind == CellKind::Flag && cell.present ? words.flag(cell.flag)
                                                                            : cell.shownToPeople();
        o << "<td>" << EscapedForHtml(v) << "</td>";
    };
    if (ruleColumns.place) ruleCell(*ruleColumns.place);
    for (const std::size_t c : PageColumns()) {
        std::string v = EscapedForHtml(cells[c].shownToPeople());
        std::string attributes;
        if (c == kCompetitor && marks.offList) {
            attributes = " class=\"unknown\" title=\"" + words.text(PageText::NotOnList) + "\"";
            v += " ?";
        } else if (c == kSampling) {
            attributes = " data-sort=\"" + std::to_string(r.samplingRate) + "\"";
        } else if (c == kMax && marks.suspectMaximum) {
            attributes = " class=\"spike\" title=\"" +
                         EscapedForHtml(words.text(PageText::SuspectMaximum)
                                            .append(r.stats.maxCleanText.value_or(""))
                                            .append(" m"))
                             .append("\"");
            v.insert(0, "&#9888; ");
        } else if (c == kVerified) {
            if (r.check) v = EscapedForHtml(words.check(*r.check));
        } else if (cells[c].kind == CellKind::Seconds && cells[c].present &&
                   cells[c].number >= 3600.0) {
            attributes = " data-sort=\"" + cells[c].shown() + "\"";
        } else if (c == kLaunch && !cells[c].present && r.stats.noLaunch != NoLaunch::None) {
            v = "<small>" + EscapedForHtml(words.noLaunch(r.stats.noLaunch)) + "</small>";
        } else if (c == kLanding && !cells[c].present && r.stats.noLanding != NoLanding::None) {
            v = "<small>" + EscapedForHtml(words.noLanding(r.stats.noLanding)) + "</small>";
        }
        o << "<td" << attributes << ">" << v << "</td>";
    }
    for (const std::size_t c : ruleColumns.figures)
        ruleCell(c);
    o << "<td>" << chart << "</td></tr>\n";
}

// The table's end, the missing competitors, the files that are no flights and the sorting.
void WritePageTail(std::ostream& o, const std::vector<FlightRow>& rows,
                   const ResultsWording& words) {
    o << "</tbody></table>\n";
    std::string missing;
    for (const FlightRow& r : rows)
        if (r.listStatus == ListStatus::Missing)
            missing += (missing.empty() ? "" : ", ") + std::to_string(r.competitor);
    if (!missing.empty())
        o << "<h2>" << words.text(PageText::MissingCompetitors) << "</h2>\n<p class=\"missing\">"
          << missing << "</p>\n";
    const auto notFlight = [](const FlightRow& r) {
        return !r.holdsFlight && r.listStatus != ListStatus::Missing;
    };
    if (std::any_of(rows.begin(), rows.end(), notFlight)) {
        o << "<h2>" << words.text(PageText::NotFlights) << "</h2>\n<table><tbody>\n";
        for (const FlightRow& r : rows)
            if (notFlight(r))
                o << (r.check == FileCheck::Missing ? "<tr class=\"error changed\"><td>"
                                                    : "<tr class=\"error\"><td>")
                  << EscapedForHtml(r.file) << "</td><td>" << EscapedForHtml(words.fault(r))
                  << "</td></tr>\n";
        o << "</tbody></table>\n";
    }
    o << "<script>\n" << kReportPageJS << "</script>\n</body></html>\n";
}

// The small chart of a flight already read once: decoded again, and cleaned only when its
// maximum is suspect (the cleaned curve is drawn over it then). Empty when it is no flight now.
std::string ChartOf(const std::string& path, const FilterSettings& filter, bool suspect) {
    const std::optional<Flight> read = ReadFlightFile(path, {.chartPoints = false}).flight;
    if (!read) return {};
    const Flight& flight = *read;
    std::vector<std::int32_t> cleaned;
    if (suspect) ComputeStats(flight, filter, &cleaned);
    return Sparkline(
        std::span<const std::int32_t>(flight.curve.altitudes.data(), flight.curve.chartedCount()),
        cleaned, suspect);
}

} // namespace

std::string EscapedForHtml(const std::string& text) {
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

bool WriteResultsPage(std::ostream& out, const std::vector<FlightRow>& rows,
                      const ResultsWording& words, const std::string& title,
                      const std::vector<LogHeadWords>& logHeads, const FilterSettings& filter,
                      const std::optional<RuleChoice>& rule) {
    const RuleColumns ruleColumns = PageRuleColumns(rule);
    WritePageHead(out, words, title, logHeads, CountResults(rows).suspectMaxima, rule, ruleColumns);
    // The charts a batch at a time: each flight is read again for its small chart, its row
    // written and the chart dropped, so that memory does not grow with the number of flights.
    constexpr std::size_t kBatch = 256;
    std::vector<std::size_t> flights;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (rows[i].holdsFlight) flights.push_back(i);
    for (std::size_t from = 0; from < flights.size() && out; from += kBatch) {
        const std::size_t to = std::min(flights.size(), from + kBatch);
        std::vector<std::string> charts(to - from);
        ParallelFor(charts.size(), [&](std::size_t k) {
            const FlightRow& r = rows[flights[from + k]];
            charts[k] = ChartOf(r.path, filter, r.stats.maxSuspect);
        });
        for (std::size_t k = from; k < to; ++k)
            WritePageRow(out, rows[flights[k]], charts[k - from], words, ruleColumns);
    }
    WritePageTail(out, rows, words);
    return static_cast<bool>(out);
}

} // namespace orlomat
