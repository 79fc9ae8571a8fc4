#include "ui/reading_words.h"

#include "analysis/flight_stats.h"
#include "core/format.h"
#include "core/json.h"
#include "ui/contest_words.h"

#include <cmath>

namespace orlomat {

namespace {

std::string Replaced(std::string text, std::string_view what, const std::string& with) {
    const auto at = text.find(what);
    if (at != std::string::npos) text.replace(at, what.size(), with);
    return text;
}

std::string Metres(std::optional<double> v, Language l) {
    return v ? FigureText(*v) + " m" : std::string(Tr(Phrase::NoFigure, l));
}

std::string Rounded(std::optional<std::int32_t> v, Language l) {
    return " (" + std::string(Tr(ReadingText::Rounded, l)) + ": " + std::to_string(*v) + " m)";
}

} // namespace

std::string SecondsText(std::optional<double> v, Language l) {
    return v ? FigureText(*v) + " s" : std::string(Tr(Phrase::NoFigure, l));
}

namespace {

ReadingLines Lines(const F1FlyoffReading& r, Language l) {
    std::string altitude = Metres(r.altitudeM, l);
    if (r.altitudeRoundedM)
        altitude += Rounded(r.altitudeRoundedM, l);
    else
        altitude += " (" + std::string(Tr(ReadingText::NotAirborneThen, l)) + ")";
    std::string duration = SecondsText(r.durationS, l);
    if (r.durationS)
        duration += " ± " + FigureText(r.durationUncertaintyS) + " s";
    else
        duration += " (" + std::string(NoLandingWords(r.noLanding, l)) + ")";
    ReadingLines lines = {
        {Tr(ReadingText::MaxTime, l), SecondsText(r.maxTimeS, l)},
        {Tr(ReadingText::AltitudeAtMaxTime, l), altitude},
        {Tr(ReadingText::LastAirborne, l),
         SecondsText(r.lastAirborneS, l) + ", " +
             Tr(r.reachedMax ? ReadingText::MaxReached : ReadingText::MaxNotReached, l)},
        {Tr(ReadingText::DurationFromTrace, l), duration},
    };
    if (r.signatureAsked) {
        const std::string text = Replaced(
            Replaced(Tr(ReadingText::Signature, l), "%1", std::to_string(r.signatureFound)), "%2",
            std::to_string(*r.signatureAsked));
        const auto colon = text.find(':');
        lines.push_back(
            {text.substr(0, colon), text.substr(colon + 2) + " — " +
                                        Tr(r.signatureMatches ? ReadingText::SignatureMatches
                                                              : ReadingText::SignatureDiffers,
                                           l)});
    }
    return lines;
}

ReadingLines Lines(const F5jReading& r, Language l) {
    std::string height = Metres(r.startHeightM, l);
    if (r.startHeightRoundedM) height += Rounded(r.startHeightRoundedM, l);
    if (r.suspect) height += Tr(Phrase::SpikeWarning, l);
    return {
        {Tr(ReadingText::MotorStop, l),
         FigureText(r.motorStopGivenS) + " s " +
             Tr(r.base == TimeBase::Launch ? ReadingText::FromLaunch : ReadingText::FromRecordStart,
                l)},
        {Tr(ReadingText::MotorRun, l), SecondsText(r.motorRunS, l)},
        {Tr(ReadingText::WindowEnd, l), SecondsText(r.windowEndS, l)},
        {Tr(ReadingText::StartHeight, l), height},
        {Tr(ReadingText::StartHeightAt, l), SecondsText(r.startHeightAtS, l)},
        {Tr(ReadingText::Penalty, l),
         r.penaltyPoints ? FigureText(*r.penaltyPoints) + " " + Tr(ReadingText::Points, l)
                         : std::string(Tr(Phrase::NoFigure, l))},
    };
}

ReadingLines Lines(const ApogeeReading& r, Language l) {
    std::string apogee =
        r.status == ApogeeStatus::NoData ? Tr(ReadingText::NoData, l) : Metres(r.apogeeM, l);
    if (r.status == ApogeeStatus::TransientRejected)
        apogee += " (" + std::string(Tr(ReadingText::TransientPassedOver, l)) + ")";
    ReadingLines lines = {
        {Tr(ReadingText::Apogee, l), apogee},
        {Tr(ReadingText::ApogeeAt, l), SecondsText(r.apogeeAtS, l)},
        {Tr(ReadingText::HighestSample, l),
         Metres(r.highestSampleM, l) + ", " + SecondsText(r.highestSampleAtS, l)},
    };
    if (r.targetM) {
        lines.push_back({Tr(ReadingText::Target, l), Metres(r.targetM, l)});
        lines.push_back({Tr(ReadingText::PrecisionScore, l) + std::string(" (") +
                             RuleReference(Rule::Precision) + ")",
                         r.precisionScorePercent ? FigureText(*r.precisionScorePercent) + " %"
                                                 : std::string(Tr(Phrase::NoFigure, l))});
    }
    return lines;
}

ReadingLines Lines(const TimekeeperReading& r, Language l) {
    return {
        {Tr(ReadingText::TimekeeperTime, l), SecondsText(r.timekeeperS, l)},
        {Tr(ReadingText::TraceDuration, l), SecondsText(r.traceDurationS, l)},
        {Tr(ReadingText::Difference, l),
         SecondsText(r.differenceS, l) + " — " +
             Tr(r.exceedsUncertainty ? ReadingText::BeyondUncertainty
                                     : ReadingText::WithinUncertainty,
                l)},
        {Tr(ReadingText::Uncertainty, l), "± " + SecondsText(r.uncertaintyS, l)},
    };
}

ReadingLines Lines(std::monostate, Language) {
    return {};
}

} // namespace

ReadingLines ReadingLinesOf(const RuleReading& reading, Language l) {
    return std::visit([l](const auto& r) { return Lines(r, l); }, reading);
}

// --- The window's side ------------------------------------------------------------------------

namespace {

std::string Trimmed(std::string_view text) {
    const auto from = text.find_first_not_of(' ');
    if (from == std::string_view::npos) return {};
    return std::string(text.substr(from, text.find_last_not_of(' ') - from + 1));
}

// What the user types: a decimal point or the Polish comma, blanks around it.
std::optional<double> TypedNumber(std::string_view text) {
    std::string s = Trimmed(text);
    for (char& c : s)
        if (c == ',') c = '.';
    const auto v = ParseDecimalNumber(s);
    if (!v || !std::isfinite(*v)) return std::nullopt;
    return v;
}

bool Blank(std::string_view text) {
    return Trimmed(text).empty();
}

} // namespace

RuleInput ParseRuleFields(Rule rule, std::string_view first, std::string_view second) {
    RuleInput in;
    RuleChoice c;
    c.rule = rule;
    const auto refuse = [&](ReadingText problem, int field) {
        in.problem = problem;
        in.field = field;
        return in;
    };
    switch (rule) {
    case Rule::F1Flyoff:
    case Rule::Timekeeper: {
        const auto v = TypedNumber(first);
        if (!v || *v <= 0.0) return refuse(ReadingText::NeedPositiveNumber, 0);
        c.value = *v;
        if (rule == Rule::F1Flyoff && !Blank(second)) {
            const auto n = ParseWholeNumber(Trimmed(second));
            if (!n || *n < 1 || *n > 100) return refuse(ReadingText::NeedSignature, 1);
            c.signature = static_cast<std::uint32_t>(*n);
        }
        break;
    }
    case Rule::F5jStart: {
        const auto v = TypedNumber(first);
        if (!v || *v <= 0.0 || *v > kF5jMaxMotorRunS) return refuse(ReadingText::NeedMotorStop, 0);
        c.value = *v;
        break;
    }
    case Rule::Apogee:
    case Rule::Precision:
        c.rule = Rule::Apogee;
        if (!Blank(first)) {
            const auto v = TypedNumber(first);
            if (!v || *v <= 0.0) return refuse(ReadingText::NeedPositiveNumber, 0);
            c.rule = Rule::Precision;
            c.value = *v;
        }
        break;
    }
    in.choice = c;
    return in;
}

namespace {

// The precision rule's reading is the apogee's: so is its heading.
std::string Heading(Rule rule, Language l) {
    const Rule shown = rule == Rule::Precision ? Rule::Apogee : rule;
    std::string menu = Tr(shown == Rule::F1Flyoff   ? ReadingText::MenuF1Flyoff
                          : shown == Rule::F5jStart ? ReadingText::MenuF5j
                          : shown == Rule::Apogee   ? ReadingText::MenuApogee
                                                    : ReadingText::MenuTimekeeper,
                          l);
    while (!menu.empty() && menu.back() == '.')
        menu.pop_back();
    return menu + " — " + RuleReference(shown);
}

std::string Joined(const std::string& heading, const ReadingLines& lines) {
    std::string text = heading;
    for (std::size_t i = 0; i < lines.size(); ++i)
        text += (i == 0 ? "\n" : ";  ") + lines[i].first + ": " + lines[i].second;
    return text;
}

} // namespace

WindowReading ReadForWindow(const Flight& flight, const RuleChoice& choice, Language l) {
    WindowReading w;
    const RuleReading reading = ReadRule(flight, choice);
    const bool refused = RefusalOf(reading) != Refusal::None;
    const std::string heading = Heading(choice.rule, l);
    w.text = refused ? heading + "\n" + RefusalText(reading, l)
                     : Joined(heading, ReadingLinesOf(reading, l));
    if (const auto* r = std::get_if<F5jReading>(&reading)) {
        w.text += std::string("\n") + Tr(ReadingText::ClickSetsMotorStop, l);
        // The window as given, drawn whenever the launch is known: a refused stop shows where
        // it fell.
        if (r->launchS && r->motorRunS) {
            const double stop = *r->launchS + *r->motorRunS;
            w.marks.windowS = {*r->launchS, stop + kF5jAfterStopS};
            if (r->startHeightM && r->startHeightAtS)
                w.marks.point = {*r->launchS + *r->startHeightAtS, *r->startHeightM};
        }
    }
    if (refused) return w;
    if (const auto* r = std::get_if<F1FlyoffReading>(&reading); r && r->launchS) {
        const double at = *r->launchS + r->maxTimeS;
        w.marks.linesS.push_back(at);
        if (r->altitudeM) w.marks.point = {at, *r->altitudeM};
    } else if (const auto* a = std::get_if<ApogeeReading>(&reading)) {
        w.marks.noData = a->status == ApogeeStatus::NoData;
        if (a->apogeeM && a->apogeeAtS) w.marks.point = {*a->apogeeAtS, *a->apogeeM};
    } else if (const auto* t = std::get_if<TimekeeperReading>(&reading)) {
        const std::optional<double> launchS = ComputeStats(FlightTables(flight)).launchS;
        if (launchS) w.marks.linesS.push_back(*launchS);
        if (launchS && t->traceDurationS) w.marks.linesS.push_back(*launchS + *t->traceDurationS);
    }
    return w;
}

} // namespace orlomat
