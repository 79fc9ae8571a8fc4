#include "ui/contest_words.h"

#include "analysis/flight_checks.h"
#include "contest/flight_columns.h"
#include "core/json.h"

#include <array>
#include <utility>

namespace orlomat {

static_assert(static_cast<std::size_t>(ResultsHeading::Count) == kFlightColumnCount,
              "one heading a column");
static_assert(static_cast<std::size_t>(RankingText::State) + 1 == kRuleColumnCount,
              "one heading a rule column");

namespace {

std::string Filled(std::string t, const std::string& a, const std::string& b = {}) {
    for (const auto& [mark, with] : {std::pair{"%1", a}, std::pair{"%2", b}})
        if (const auto i = t.find(mark); i != std::string::npos) t.replace(i, 2, with);
    return t;
}

} // namespace

const char* RuleName(Rule rule, Language language) {
    switch (rule) {
    case Rule::F1Flyoff:
        return Tr(RankingText::RuleF1Flyoff, language);
    case Rule::F5jStart:
        return Tr(RankingText::RuleF5j, language);
    case Rule::Apogee:
        return Tr(RankingText::RuleApogee, language);
    case Rule::Precision:
        return Tr(RankingText::RulePrecision, language);
    case Rule::Timekeeper:
        break;
    }
    return Tr(RankingText::RuleTimekeeper, language);
}

namespace {

std::string RefusalText(Refusal refusal, NoLaunch noLaunch, NoLanding noLanding, double motorRunS,
                        Language l) {
    switch (refusal) {
    case Refusal::None:
        break;
    case Refusal::NoSamples:
        return Tr(ReadingText::RefusedNoSamples, l);
    case Refusal::NoLaunch:
        return Tr(ReadingText::RefusedNoLaunch, l) + std::string(NoLaunchWords(noLaunch, l));
    case Refusal::NoLanding:
        return Tr(ReadingText::RefusedNoLanding, l) + std::string(NoLandingWords(noLanding, l));
    case Refusal::InvalidArgument:
        return Tr(ReadingText::RefusedInvalid, l);
    case Refusal::MotorStopBeforeLaunch:
        return Tr(ReadingText::RefusedStopBeforeLaunch, l);
    case Refusal::MotorRunTooLong:
        return Filled(Tr(ReadingText::RefusedRunTooLong, l), FigureText(motorRunS),
                      FigureText(kF5jMaxMotorRunS));
    case Refusal::MotorStopAfterEnd:
        return Tr(ReadingText::RefusedStopAfterEnd, l);
    case Refusal::WindowPastEnd:
        return Tr(ReadingText::RefusedWindowPastEnd, l);
    }
    return {};
}

} // namespace

std::string RefusalText(const RuleReading& reading, Language l) {
    if (const auto* f = std::get_if<F1FlyoffReading>(&reading))
        return RefusalText(f->refusal, f->noLaunch, f->noLanding, 0.0, l);
    if (const auto* j = std::get_if<F5jReading>(&reading))
        return RefusalText(j->refusal, j->noLaunch, NoLanding::None, j->motorRunS.value_or(0.0), l);
    if (const auto* a = std::get_if<ApogeeReading>(&reading))
        return RefusalText(a->refusal, NoLaunch::None, NoLanding::None, 0.0, l);
    if (const auto* t = std::get_if<TimekeeperReading>(&reading))
        return RefusalText(t->refusal, t->noLaunch, t->noLanding, 0.0, l);
    return {};
}

Phrase CheckPhrase(FileCheck check) {
    switch (check) {
    case FileCheck::Unchanged:
        return Phrase::FileUnchanged;
    case FileCheck::Changed:
        return Phrase::FileChanged;
    case FileCheck::Missing:
        return Phrase::FileMissing;
    case FileCheck::NotAFile:
        return Phrase::FileNotAFile;
    case FileCheck::Conflict:
        return Phrase::FileLoggedTwice;
    case FileCheck::Unreadable:
        return Phrase::FileUnreadable;
    case FileCheck::NotLogged:
        break;
    }
    return Phrase::FileNotLogged;
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

const char* ColumnHeading(std::size_t column, Language language) {
    return Tr(static_cast<ResultsHeading>(column), language);
}

std::string RowFaultText(const FlightRow& row, Language language) {
    switch (row.fault) {
    case RowFault::None:
        break;
    case RowFault::Unreadable:
        return Tr(Phrase::CannotRead, language) + row.file + ": " + row.systemReason;
    case RowFault::NotAFlight:
        return Tr(Phrase::NotAFlight, language) +
               std::string(Describe(row.recordFault).get(language));
    case RowFault::LoggedFileGone:
        return Tr(Phrase::LoggedFileMissing, language);
    }
    return {};
}

std::string ExpectedListFaultText(const ExpectedListFault& fault, Language language) {
    if (fault.kind == ExpectedListFault::Kind::Unreadable)
        return Tr(Phrase::CannotRead, language) + fault.path + ": " + fault.reason;
    std::string error = Tr(Phrase::BadExpected, language);
    error.append(fault.path).append(":").append(std::to_string(fault.line)).append(": \"");
    return error.append(fault.text).append("\"");
}

LogHeadWords DescribeLogHead(const LogHead& head, Language language) {
    LogHeadWords w;
    const auto fill = [&](Phrase p, const std::string& a, const std::string& b = {},
                          const std::string& c = {}) {
        std::string t = Tr(p, language);
        for (const auto& [mark, with] :
             {std::pair{"%1", a}, std::pair{"%2", b}, std::pair{"%3", c}})
            if (const auto i = t.find(mark); i != std::string::npos) t.replace(i, 2, with);
        return t;
    };
    if (!head.present) return w;
    if (!head.unreadable.empty()) {
        w.text = Tr(Phrase::LogUnreadable, language) + head.unreadable;
        w.fault = true;
        return w;
    }
    if (head.shortHead.empty()) {
        w.text = Tr(Phrase::LogEmpty, language);
        return w;
    }
    const std::string lines = std::to_string(head.lines);
    w.text = fill(head.chain == ChainState::None ? Phrase::LogHeadNoChain : Phrase::LogHeadShort,
                  head.shortHead, lines, head.time);
    if (head.chain == ChainState::Broken) {
        w.text += fill(Phrase::LogChainBrokenAt, std::to_string(head.brokenAt));
        w.fault = true;
    }
    if (head.damaged) w.fault = true;
    return w;
}

std::string LanguageResultsWording::text(PageText t) const {
    switch (t) {
    case PageText::LanguageCode:
        return language_ == Language::Polish ? "pl" : "en";
    case PageText::DefaultTitle:
        return Tr(Phrase::ResultsTitle, language_);
    case PageText::SuspectFlights:
        return Tr(Phrase::SuspectFlights, language_);
    case PageText::ChartColumn:
        return Tr(Phrase::ChartColumn, language_);
    case PageText::NotOnList:
        return Tr(Phrase::NotOnList, language_);
    case PageText::SuspectMaximum:
        return Tr(Message::SuspectMaximum, language_);
    case PageText::MissingCompetitors:
        return Tr(Phrase::MissingCompetitors, language_);
    case PageText::NotFlights:
        return Tr(Phrase::NotFlights, language_);
    }
    return {};
}

std::string LanguageResultsWording::heading(std::size_t column) const {
    return ColumnHeading(column, language_);
}

std::string LanguageResultsWording::fault(const FlightRow& row) const {
    return RowFaultText(row, language_);
}

std::string LanguageResultsWording::check(FileCheck check) const {
    return Tr(CheckPhrase(check), language_);
}

std::string LanguageResultsWording::noLaunch(NoLaunch n) const {
    return NoLaunchWords(n, language_);
}

std::string LanguageResultsWording::noLanding(NoLanding n) const {
    return NoLandingWords(n, language_);
}

} // namespace orlomat

namespace orlomat {

std::string LanguageResultsWording::ruleHeading(std::size_t ruleColumn) const {
    return Tr(static_cast<RankingText>(ruleColumn), language_);
}

std::string LanguageResultsWording::ruleState(const FlightRow& row) const {
    const auto* a = std::get_if<ApogeeReading>(&row.reading);
    if (a && a->refusal == Refusal::None && a->status == ApogeeStatus::NoData)
        return Tr(ReadingText::NoData, language_);
    return RefusalText(row.reading, language_);
}

std::string LanguageResultsWording::flag(bool v) const {
    return Tr(v ? RankingText::Yes : RankingText::No, language_);
}

std::string LanguageResultsWording::rule(const RuleChoice& choice) const {
    const Language l = language_;
    std::string line = std::string(Tr(ReadingText::Rule, l)) + ": " + RuleName(choice.rule, l) +
                       " (" + RuleReference(choice.rule) + ")";
    const auto value = [&](ReadingText label, const std::string& v) {
        line.append("; ").append(Tr(label, l)).append(": ").append(v);
    };
    switch (choice.rule) {
    case Rule::F1Flyoff:
        value(ReadingText::MaxTime, FigureText(choice.value) + " s");
        break;
    case Rule::F5jStart:
        value(ReadingText::MotorStop,
              FigureText(choice.value) + " s " +
                  Tr(choice.base == TimeBase::Launch ? ReadingText::FromLaunch
                                                     : ReadingText::FromRecordStart,
                     l));
        break;
    case Rule::Precision:
        value(ReadingText::Target, FigureText(choice.value) + " m");
        break;
    case Rule::Timekeeper:
        value(ReadingText::TimekeeperTime, FigureText(choice.value) + " s");
        break;
    case Rule::Apogee:
        break;
    }
    return line;
}

} // namespace orlomat
