#include "ui/contest_words.h"

#include "analysis/flight_checks.h"
#include "contest/flight_columns.h"

#include <array>
#include <utility>

namespace orlomat {

static_assert(static_cast<std::size_t>(ResultsHeading::Count) == kFlightColumnCount,
              "one heading a column");

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
