// The words of the contest layer's facts, for the window and the command line alike: the
// results' headings, checks, faults and notes, and the download log's head, all from the
// language tables.
#pragma once

#include "analysis/rule_readings.h"
#include "contest/download_log.h"
#include "contest/expected_list.h"
#include "contest/results_page.h"
#include "contest/results_wording.h"
#include "core/language.h"

#include <cstddef>
#include <string>

namespace orlomat {

// The marks the window and the page put on a suspect maximum and on a competitor the expected
// list does not name.
inline constexpr const char* kSuspectMark = "\u26a0 ";
inline constexpr const char* kOffListMark = " ?";

Phrase CheckPhrase(FileCheck check);
const char* NoLandingWords(NoLanding n, Language language);
const char* NoLaunchWords(NoLaunch n, Language language);
// A column's heading (kFlightColumns' order).
const char* ColumnHeading(std::size_t column, Language language);
// Why a row holds no flight ("cannot read a.dat: ..."); empty when it holds one.
std::string RowFaultText(const FlightRow& row, Language language);
// Why the expected list was refused, with the file and the line.
std::string ExpectedListFaultText(const ExpectedListFault& fault, Language language);
// The log's head ("Dziennik pobrań: 12 wierszy, ...") or why there is none; empty without a log.
LogHeadWords DescribeLogHead(const LogHead& head, Language language);

// A rule's name for people ("F1 fly-off").
const char* RuleName(Rule rule, Language language);
// Why a reading was refused ("no reading: the motor stops before the launch"); empty when not.
std::string RefusalText(const RuleReading& reading, Language language);

// The results' words in one language.
class LanguageResultsWording : public ResultsWording {
public:
    explicit LanguageResultsWording(Language language) : language_(language) {}
    std::string text(PageText t) const override;
    std::string heading(std::size_t column) const override;
    std::string fault(const FlightRow& row) const override;
    std::string check(FileCheck check) const override;
    std::string noLaunch(NoLaunch n) const override;
    std::string noLanding(NoLanding n) const override;
    std::string ruleHeading(std::size_t ruleColumn) const override;
    std::string ruleState(const FlightRow& row) const override;
    std::string flag(bool v) const override;
    std::string rule(const RuleChoice& choice) const override;

private:
    Language language_;
};

} // namespace orlomat
