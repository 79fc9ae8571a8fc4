#include "app/cli_reading.h"

#include "contest/flight_columns.h"

#include "analysis/rule_readings.h"
#include "core/format.h"
#include "core/json.h"
#include "ui/contest_words.h"
#include "ui/reading_words.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace orlomat::cli {

namespace {

struct RuleSpec {
    const char* name;
    std::vector<const char*> options; // of this rule; the first ones up to `required` must be given
    std::size_t required;
};

const RuleSpec kRules[] = {
    {"f1-flyoff", {"--max-time", "--signature"}, 1},
    {"f5j", {"--motor-stop", "--from"}, 1},
    {"apogee", {"--target"}, 0},
    {"timekeeper", {"--time"}, 1},
};

std::string Replaced(std::string text, std::string_view what, const std::string& with) {
    const auto at = text.find(what);
    if (at != std::string::npos) text.replace(at, what.size(), with);
    return text;
}

std::size_t Width(std::string_view s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::optional<double> Decimal(const Args& a, const char* name, std::ostream& err) {
    const auto v = ParseDecimalNumber(a.value(name));
    if (!v || !std::isfinite(*v)) {
        Fail(err, Say(a, Phrase::BadValue) + name + ": \"" + a.value(name) + "\"");
        return std::nullopt;
    }
    return v;
}

std::string Seconds(std::optional<double> v, Language l) {
    return SecondsText(v, l);
}

// A refused reading read nothing: its flags are null, as its figures are (and as the report
// leaves them blank).
void Flag(JsonWriter& j, const char* key, bool value, Refusal refusal) {
    j.key(key);
    refusal != Refusal::None ? j.null() : j.value(value);
}

// Each rule's own JSON fields.
void Fields(JsonWriter&, std::monostate) {}

void Fields(JsonWriter& j, const F1FlyoffReading& r) {
    j.key("max_time_s").figure(r.maxTimeS);
    j.key("altitude_m").figure(r.altitudeM);
    j.key("altitude_rounded_m");
    r.altitudeRoundedM ? j.value(std::int64_t{*r.altitudeRoundedM}) : j.null();
    Flag(j, "reached_max", r.reachedMax, r.refusal);
    j.key("last_airborne_s").figure(r.lastAirborneS);
    j.key("duration_s").figure(r.durationS);
    j.key("duration_uncertainty_s").figure(r.durationUncertaintyS);
    j.key("no_landing");
    r.noLanding != NoLanding::None ? j.value(NoLandingKey(r.noLanding)) : j.null();
    j.key("signature");
    if (r.signatureAsked) {
        j.beginObject();
        j.key("asked").value(std::int64_t{*r.signatureAsked});
        j.key("found");
        r.refusal != Refusal::None ? j.null() : j.value(std::int64_t{r.signatureFound});
        Flag(j, "matches", r.signatureMatches, r.refusal);
        j.endObject();
    } else {
        j.null();
    }
}

void Fields(JsonWriter& j, const F5jReading& r) {
    j.key("motor_stop_s").figure(r.motorStopGivenS);
    j.key("motor_stop_from").value(r.base == TimeBase::Launch ? "launch" : "record");
    j.key("motor_run_s").figure(r.motorRunS);
    j.key("window_end_s").figure(r.windowEndS);
    j.key("start_height_m").figure(r.startHeightM);
    j.key("start_height_rounded_m");
    r.startHeightRoundedM ? j.value(std::int64_t{*r.startHeightRoundedM}) : j.null();
    j.key("start_height_at_s").figure(r.startHeightAtS);
    j.key("penalty_points").figure(r.penaltyPoints);
    Flag(j, "suspect", r.suspect, r.refusal);
}

void Fields(JsonWriter& j, const ApogeeReading& r) {
    // Neither clean nor without data when refused.
    j.key("status");
    if (r.refusal != Refusal::None)
        j.null();
    else
        j.value(r.status == ApogeeStatus::Clean               ? "clean"
                : r.status == ApogeeStatus::TransientRejected ? "transient_rejected"
                                                              : "no_data");
    j.key("apogee_m").figure(r.apogeeM);
    j.key("apogee_at_s").figure(r.apogeeAtS);
    // No highest sample without a sample read (a refused reading).
    j.key("highest_sample_m")
        .figure(r.highestSampleAtS ? std::optional<double>(r.highestSampleM) : std::nullopt);
    j.key("highest_sample_at_s").figure(r.highestSampleAtS);
    j.key("target_m").figure(r.targetM);
    j.key("precision_reference").value(RuleReference(Rule::Precision));
    j.key("precision_score_percent").figure(r.precisionScorePercent);
}

void Fields(JsonWriter& j, const TimekeeperReading& r) {
    j.key("timekeeper_s").figure(r.timekeeperS);
    j.key("trace_duration_s").figure(r.traceDurationS);
    j.key("difference_s").figure(r.differenceS);
    j.key("uncertainty_s").figure(r.uncertaintyS);
    Flag(j, "exceeds_uncertainty", r.exceedsUncertainty, r.refusal);
}

Rule RuleOf(std::string_view name) {
    return name == "f1-flyoff" ? Rule::F1Flyoff
           : name == "f5j"     ? Rule::F5jStart
           : name == "apogee"  ? Rule::Apogee
                               : Rule::Timekeeper;
}

} // namespace

int RuleOption(const Args& a, RuleChoice& choice, std::ostream& err) {
    const std::string name = a.value("--rule");
    const auto spec = std::find_if(std::begin(kRules), std::end(kRules),
                                   [&](const RuleSpec& s) { return name == s.name; });
    if (spec == std::end(kRules)) {
        std::string known;
        for (const RuleSpec& s : kRules)
            known += (known.empty() ? "" : ", ") + std::string(s.name);
        Fail(err, Tr(ReadingText::UnknownRule, a.language) + ("\"" + name + "\" (") + known + ")");
        return kUsage;
    }
    for (const RuleSpec& other : kRules)
        for (const char* option : other.options)
            if (a.has(option) &&
                std::none_of(spec->options.begin(), spec->options.end(),
                             [&](const char* o) { return std::string_view(o) == option; })) {
                Fail(err,
                     Replaced(Replaced(Tr(ReadingText::OptionNotOfRule, a.language), "%1", option),
                              "%2", name));
                return kUsage;
            }
    for (std::size_t i = 0; i < spec->required; ++i)
        if (!a.has(spec->options[i])) {
            Fail(err, Say(a, Phrase::MissingOption) + spec->options[i]);
            return kUsage;
        }

    choice = RuleChoice{};
    choice.rule = RuleOf(name);
    if (a.has(spec->options[0])) {
        const auto number = Decimal(a, spec->options[0], err);
        if (!number) return kFailure;
        choice.value = *number;
        if (choice.rule == Rule::Apogee) choice.rule = Rule::Precision;
    }
    if (a.has("--signature")) {
        const auto n = WholeOption(a, "--signature", 1, 100, err);
        if (!n) return kFailure;
        choice.signature = static_cast<std::uint32_t>(*n);
    }
    if (a.has("--from")) {
        const std::string from = a.value("--from");
        if (from != "launch" && from != "record") {
            Fail(err, Say(a, Phrase::BadValue) + "--from: \"" + from + "\"");
            return kFailure;
        }
        choice.base = from == "record" ? TimeBase::Record : TimeBase::Launch;
    }
    return kSuccess;
}

int ReadingCommand(const Args& a, std::ostream& out, std::ostream& err) {
    const std::string name = a.value("--rule");
    RuleChoice choice;
    if (const int code = RuleOption(a, choice, err); code != kSuccess) return code;
    // The apogee's reference stays NAR 20.2 with a target: its score's is given beside.
    const Rule rule = choice.rule == Rule::Precision ? Rule::Apogee : choice.rule;
    std::optional<float> temperature;
    if (!TemperatureOption(a, temperature, err)) return kFailure;

    const std::optional<Flight> flight = FigureFlight(a, a.files[0], temperature, err);
    if (!flight) return kFailure;

    const Language l = a.language;
    const RuleReading reading = ReadRule(*flight, choice);
    const Refusal refusal = RefusalOf(reading);
    const FlightStats stats = ComputeStats(*flight, FilterSettings{});
    const double interval = 10.0 / flight->state.samplingRate;

    if (a.has("--human")) {
        if (refusal != Refusal::None) {
            Fail(err, RefusalText(reading, l));
            return kFailure;
        }
        ReadingLines lines = {
            {Tr(ReadingText::Rule, l), name},
            {Tr(ReadingText::Reference, l), RuleReference(rule)},
            {Tr(ReadingText::SamplingInterval, l), FigureText(interval) + " s"},
            {Tr(ReadingText::LaunchFromStart, l), Seconds(stats.launchS, l)},
        };
        const ReadingLines own = ReadingLinesOf(reading, l);
        lines.insert(lines.end(), own.begin(), own.end());
        std::size_t width = 0;
        for (const auto& [label, value] : lines)
            width = std::max(width, Width(label));
        for (const auto& [label, value] : lines)
            out << label << std::string(width + 2 - Width(label), ' ') << value << '\n';
        return kSuccess;
    }
    JsonWriter j;
    j.beginObject();
    j.key("rule").value(name);
    j.key("reference").value(RuleReference(rule));
    j.key("sampling_interval_s").figure(interval);
    j.key("launch_s").figure(stats.launchS);
    j.key("refusal");
    refusal != Refusal::None ? j.value(RefusalKey(refusal)) : j.null();
    j.key("no_launch");
    stats.noLaunch != NoLaunch::None ? j.value(NoLaunchKey(stats.noLaunch)) : j.null();
    std::visit([&j](const auto& r) { Fields(j, r); }, reading);
    j.endObject();
    out << j.str() << '\n';
    if (refusal != Refusal::None) {
        Fail(err, RefusalText(reading, l));
        return kFailure;
    }
    return kSuccess;
}

} // namespace orlomat::cli
