#include "contest/flight_columns.h"

#include "contest/results_wording.h"
#include "core/json.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace orlomat {

namespace {

using namespace column;

// One precision a column: 2 decimals for times, 1 for rates.
int Decimals(CellKind k) {
    return k == CellKind::Seconds || k == CellKind::Metres ? 2 : 1;
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

} // namespace

const char* ListStatusKey(ListStatus status) {
    switch (status) {
    case ListStatus::Expected:
        return "expected";
    case ListStatus::Unknown:
        return "unknown";
    case ListStatus::Missing:
        return "missing";
    case ListStatus::Unlisted:
        break;
    }
    return "";
}

std::string FlightCell::shown() const {
    if (!present) return {};
    switch (kind) {
    case CellKind::Flag:
        return flag ? "true" : "false";
    case CellKind::Seconds:
    case CellKind::Rate:
    case CellKind::Metres:
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
    if (r.check) text(kVerified, FileCheckKey(*r.check));
    if (r.listStatus != ListStatus::Unlisted) text(kEntry, ListStatusKey(r.listStatus));
    if (r.listStatus == ListStatus::Missing) {
        number(kCompetitor, r.competitor);
        c[kCompetitor].text = std::to_string(r.competitor);
        c[kFile].present = false;
        return c;
    }
    if (!r.holdsFlight) return c;
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

bool RuleRanks(Rule rule) {
    return rule != Rule::Timekeeper;
}

std::vector<std::size_t> RuleColumnsOf(const RuleChoice& choice) {
    using namespace rule_column;
    std::vector<std::size_t> c;
    if (RuleRanks(choice.rule)) c.push_back(kPlace);
    switch (choice.rule) {
    case Rule::F1Flyoff:
        c.insert(c.end(), {kAltitudeAtMax, kReachedMax, kFlyoffDuration});
        if (choice.signature) c.push_back(kSignatureFound);
        break;
    case Rule::F5jStart:
        c.insert(c.end(), {kStartHeight, kPenalty});
        break;
    case Rule::Apogee:
        c.push_back(kApogee);
        break;
    case Rule::Precision:
        c.insert(c.end(), {kApogee, kPrecisionScore});
        break;
    case Rule::Timekeeper:
        c.insert(c.end(), {kTraceDuration, kDifference, kBeyondUncertainty});
        break;
    }
    c.push_back(kState);
    return c;
}

const char* RefusalKey(Refusal r) {
    switch (r) {
    case Refusal::None:
        break;
    case Refusal::NoSamples:
        return "no_samples";
    case Refusal::NoLaunch:
        return "no_launch";
    case Refusal::NoLanding:
        return "no_landing";
    case Refusal::InvalidArgument:
        return "invalid_argument";
    case Refusal::MotorStopBeforeLaunch:
        return "motor_stop_before_launch";
    case Refusal::MotorRunTooLong:
        return "motor_run_too_long";
    case Refusal::MotorStopAfterEnd:
        return "motor_stop_after_end";
    case Refusal::WindowPastEnd:
        return "window_past_end";
    }
    return "";
}

std::vector<FlightCell> RuleCells(const FlightRow& r) {
    using namespace rule_column;
    std::vector<FlightCell> c(kRuleColumnCount);
    for (std::size_t i = 0; i < kRuleColumnCount; ++i)
        c[i].kind = kRuleColumns[i].kind;
    const auto number = [&](std::size_t i, std::optional<double> v) {
        if (v && std::isfinite(*v)) c[i].present = true, c[i].number = *v;
    };
    const auto whole = [&](std::size_t i, std::optional<std::int64_t> v) {
        if (v)
            c[i].present = true, c[i].number = static_cast<double>(*v),
            c[i].text = std::to_string(*v);
    };
    const auto flag = [&](std::size_t i, bool v) { c[i].present = true, c[i].flag = v; };
    const auto state = [&](const char* key) {
        if (*key) c[kState].present = true, c[kState].text = key;
    };
    if (r.place > 0) whole(kPlace, r.place);
    if (const auto* f = std::get_if<F1FlyoffReading>(&r.reading)) {
        state(RefusalKey(f->refusal));
        if (f->refusal != Refusal::None) return c;
        if (f->altitudeRoundedM) whole(kAltitudeAtMax, *f->altitudeRoundedM);
        flag(kReachedMax, f->reachedMax);
        number(kFlyoffDuration, f->durationS);
        if (f->signatureAsked) whole(kSignatureFound, f->signatureFound);
    } else if (const auto* j = std::get_if<F5jReading>(&r.reading)) {
        state(RefusalKey(j->refusal));
        if (j->startHeightRoundedM) whole(kStartHeight, *j->startHeightRoundedM);
        number(kPenalty, j->penaltyPoints);
    } else if (const auto* a = std::get_if<ApogeeReading>(&r.reading)) {
        state(a->refusal != Refusal::None         ? RefusalKey(a->refusal)
              : a->status == ApogeeStatus::NoData ? "no_data"
                                                  : "");
        number(kApogee, a->apogeeM);
        number(kPrecisionScore, a->precisionScorePercent);
    } else if (const auto* t = std::get_if<TimekeeperReading>(&r.reading)) {
        state(RefusalKey(t->refusal));
        if (t->refusal != Refusal::None) return c;
        number(kTraceDuration, t->traceDurationS);
        number(kDifference, t->differenceS);
        flag(kBeyondUncertainty, t->exceedsUncertainty);
    }
    return c;
}

std::string ResultsWording::ruleHeading(std::size_t ruleColumn) const {
    return kRuleColumns[ruleColumn].key;
}

std::string ResultsWording::ruleState(const FlightRow& row) const {
    return RuleCells(row)[rule_column::kState].text;
}

std::string ResultsWording::rule(const RuleChoice& choice) const {
    return RuleReference(choice.rule);
}

std::string TrimmedText(const std::string& s) {
    const auto b = s.find_first_not_of(' ');
    return b == std::string::npos ? std::string() : s.substr(b, s.find_last_not_of(' ') - b + 1);
}

} // namespace orlomat
