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

ReadingLines F1FlyoffLines(const F1FlyoffReading& r, Language l) {
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

ReadingLines F5jLines(const F5jReading& r, Language l) {
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

ReadingLines ApogeeLines(const ApogeeReading& r, Language l) {
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

ReadingLines TimekeeperLines(const TimekeeperReading& r, Language l) {
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

std::string Heading(Rule rule, ReadingText name, Language l) {
    std::string menu = Tr(name, l);
    while (!menu.empty() && menu.back() == '.')
        menu.pop_back();
    return menu + " — " + RuleReference(rule);
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
    const FlightStats stats = ComputeStats(FlightTables(flight));
    const auto refused = [&](const std::string& heading, Refusal r, NoLaunch nl, NoLanding nd,
                             double run) {
        w.text = heading + "\n" + RefusalText(r, nl, nd, run, l);
    };
    switch (choice.rule) {
    case Rule::F1Flyoff: {
        const F1FlyoffReading r = ReadF1Flyoff(flight, choice.value, choice.signature);
        const std::string heading = Heading(Rule::F1Flyoff, ReadingText::MenuF1Flyoff, l);
        if (r.refusal != Refusal::None) {
            refused(heading, r.refusal, r.noLaunch, r.noLanding, 0.0);
            break;
        }
        w.text = Joined(heading, F1FlyoffLines(r, l));
        if (r.launchS) {
            const double at = *r.launchS + r.maxTimeS;
            w.marks.linesS.push_back(at);
            if (r.altitudeM) w.marks.point = {at, *r.altitudeM};
        }
        break;
    }
    case Rule::F5jStart: {
        const F5jReading r = ReadF5j(flight, choice.value, choice.base);
        const std::string heading = Heading(Rule::F5jStart, ReadingText::MenuF5j, l);
        if (r.refusal != Refusal::None) {
            refused(heading, r.refusal, r.noLaunch, NoLanding::None, r.motorRunS.value_or(0.0));
        } else {
            w.text = Joined(heading, F5jLines(r, l));
        }
        w.text += std::string("\n") + Tr(ReadingText::ClickSetsMotorStop, l);
        // The window as given, drawn whenever the launch is known: a refused stop shows where
        // it fell.
        if (r.launchS && r.motorRunS) {
            const double stop = *r.launchS + *r.motorRunS;
            w.marks.windowS = {*r.launchS, stop + kF5jAfterStopS};
            if (r.startHeightM && r.startHeightAtS)
                w.marks.point = {*r.launchS + *r.startHeightAtS, *r.startHeightM};
        }
        break;
    }
    case Rule::Apogee:
    case Rule::Precision: {
        const ApogeeReading r = ReadApogee(
            flight, choice.rule == Rule::Precision ? std::optional(choice.value) : std::nullopt);
        const std::string heading = Heading(Rule::Apogee, ReadingText::MenuApogee, l);
        if (r.refusal != Refusal::None) {
            refused(heading, r.refusal, NoLaunch::None, NoLanding::None, 0.0);
            break;
        }
        w.text = Joined(heading, ApogeeLines(r, l));
        w.marks.noData = r.status == ApogeeStatus::NoData;
        if (r.apogeeM && r.apogeeAtS) w.marks.point = {*r.apogeeAtS, *r.apogeeM};
        break;
    }
    case Rule::Timekeeper: {
        const TimekeeperReading r = ReadTimekeeper(flight, choice.value);
        const std::string heading = Heading(Rule::Timekeeper, ReadingText::MenuTimekeeper, l);
        if (r.refusal != Refusal::None) {
            refused(heading, r.refusal, r.noLaunch, r.noLanding, 0.0);
            break;
        }
        w.text = Joined(heading, TimekeeperLines(r, l));
        if (stats.launchS) w.marks.linesS.push_back(*stats.launchS);
        if (stats.launchS && r.traceDurationS)
            w.marks.linesS.push_back(*stats.launchS + *r.traceDurationS);
        break;
    }
    }
    return w;
}

} // namespace orlomat
