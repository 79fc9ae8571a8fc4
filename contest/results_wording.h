// The words the results' writers need, given by the caller (the window and the command line
// word them from the language tables): the CSV and the page pick no word of their own.
#pragma once

#include "analysis/flight_stats.h"
#include "contest/flight_row.h"

#include <cstddef>
#include <string>

namespace orlomat {

enum class PageText {
    LanguageCode, // "pl", "en": the page's lang attribute
    DefaultTitle,
    SuspectFlights, // followed by the number of suspect maxima
    ChartColumn,
    NotOnList,
    SuspectMaximum, // followed by the cleaned maximum
    MissingCompetitors,
    NotFlights,
};

class ResultsWording {
public:
    virtual ~ResultsWording() = default;
    virtual std::string text(PageText t) const = 0;
    // The heading of a column of kFlightColumns.
    virtual std::string heading(std::size_t column) const = 0;
    // Why a row holds no flight.
    virtual std::string fault(const FlightRow& row) const = 0;
    virtual std::string check(FileCheck check) const = 0;
    virtual std::string noLaunch(NoLaunch n) const = 0;
    virtual std::string noLanding(NoLanding n) const = 0;
    // With a rule applied: the heading of a column of kRuleColumns, the words of a row's
    // reading state (a refusal, No Data; empty for none), a flag's words, and the rule with
    // its value and reference for the page's head. The keys where nobody words them.
    virtual std::string ruleHeading(std::size_t ruleColumn) const;
    virtual std::string ruleState(const FlightRow& row) const;
    virtual std::string flag(bool v) const { return v ? "true" : "false"; }
    virtual std::string rule(const RuleChoice& choice) const;
};

} // namespace orlomat
