// The numbers contest rules ask of an altimeter's trace: a free-flight fly-off's altitude at the
// maximum time, an electric glider's start height and its penalty, a rocket's apogee and its
// precision score, and the trace's duration against a timekeeper's. Each reading names the rule
// it applies and returns numbers and states; the words are the callers'.
//
// Times are seconds, from the launch unless a field says otherwise; altitudes are metres on
// the altimeter's own scale (0 at the record's first sample). The launch and the landing are
// those of ComputeStats. What a trace cannot tell (the director's maximum time, the motor's
// stop) comes in as an argument.
#pragma once

#include "analysis/flight_stats.h"
#include "core/flight.h"

#include <cstdint>
#include <optional>
#include <span>
#include <variant>

namespace orlomat {

enum class Rule {
    F1Flyoff,   // FAI F1 F1.1.4 b: altitude at the fly-off's maximum time
    F5jStart,   // FAI F5 5.5.11: start height and its penalty
    Apogee,     // NAR 20.2: a rocket's altitude, transients rejected
    Precision,  // NAR 27.6: the precision-altitude score
    Timekeeper, // FAI F1 F1.1.4 b: the trace against a timekeeper's time
};

// The rule's own reference, as its sporting code numbers it ("FAI F1 F1.1.4 b").
const char* RuleReference(Rule rule);

// Why a reading could not be made.
enum class Refusal {
    None,
    NoSamples,             // the record holds no charted sample
    NoLaunch,              // no launch in the trace (see noLaunch)
    NoLanding,             // no landing in the trace (see noLanding)
    InvalidArgument,       // a time or count the rule cannot take (zero, negative, not finite)
    MotorStopBeforeLaunch, // the motor stopped before it started
    MotorRunTooLong,       // more than kF5jMaxMotorRunS after the launch
    MotorStopAfterEnd,     // after the record's last sample
    WindowPastEnd,         // the record ends before the motor stop + kF5jAfterStopS
};

// F5J: the motor runs at most this long; the start height is the highest point up to this
// long after it stops; the penalty per metre below and above the bend.
constexpr double kF5jMaxMotorRunS = 30.0;
constexpr double kF5jAfterStopS = 10.0;
constexpr std::int32_t kF5jPenaltyBendM = 200;
constexpr double kF5jPenaltyBelow = 0.5, kF5jPenaltyAbove = 3.0;
// A signature's raise or lowering: at least this much.
constexpr std::int32_t kSignatureStepCm = 100;

struct F1FlyoffReading {
    Refusal refusal = Refusal::None;
    NoLaunch noLaunch = NoLaunch::None;
    double maxTimeS = 0.0;
    double samplingIntervalS = 0.0;
    std::optional<double> launchS; // from the record's first sample
    // At launch + maxTimeS, linear between the samples either side; none when the model was
    // down by then or the record ends before.
    std::optional<double> altitudeM;
    std::optional<std::int32_t> altitudeRoundedM; // to the nearest metre, half away from 0
    // The last airborne sample (the record's last one when it ends in the air), and whether it
    // lies at or after maxTimeS plus one sampling interval: the maximum guaranteed.
    std::optional<double> lastAirborneS;
    bool reachedMax = false;
    // Landing minus launch; the trace tells it within one sampling interval either way.
    std::optional<double> durationS;
    double durationUncertaintyS = 0.0;
    NoLanding noLanding = NoLanding::None;
    // Raise-and-lower cycles of at least kSignatureStepCm before the launch, when asked.
    std::optional<std::uint32_t> signatureAsked;
    std::uint32_t signatureFound = 0;
    bool signatureMatches = false;
};

enum class TimeBase { Launch, Record };

// A rule as the user chose it, in the window, the flights list or on the command line, with
// the value its reading asks (the fly-off's maximum time, the motor stop, the timekeeper's
// time, the precision's target altitude; the apogee takes none). No choice is no rule.
struct RuleChoice {
    Rule rule = Rule::F1Flyoff;
    double value = 0.0;
    std::optional<std::uint32_t> signature; // the fly-off's
    TimeBase base = TimeBase::Launch;       // the motor stop's
};

struct F5jReading {
    Refusal refusal = Refusal::None;
    NoLaunch noLaunch = NoLaunch::None;
    TimeBase base = TimeBase::Launch; // what motorStopGivenS counts from
    double motorStopGivenS = 0.0;
    double samplingIntervalS = 0.0;
    std::optional<double> launchS;   // from the record's first sample
    std::optional<double> motorRunS; // the motor stop from the launch
    std::optional<double> windowEndS;
    // The highest point from the launch to windowEndS (the window's ends interpolated).
    std::optional<double> startHeightM;
    std::optional<std::int32_t> startHeightRoundedM; // to the nearest metre: the penalty's
    std::optional<double> startHeightAtS;
    std::optional<double> penaltyPoints;
    // The height stands well above the window's curve without transients: a pressure spike
    // may have made it (the penalty counts it all the same).
    bool suspect = false;
};

enum class ApogeeStatus {
    Clean,             // no transient lifts the maximum
    TransientRejected, // a transient away from the top was passed over
    NoData,            // a transient covers the top: no altitude can be read
};

struct ApogeeReading {
    Refusal refusal = Refusal::None;
    ApogeeStatus status = ApogeeStatus::Clean;
    double samplingIntervalS = 0.0;
    std::optional<double> apogeeM;   // none with NoData
    std::optional<double> apogeeAtS; // from the record's first sample
    double highestSampleM = 0.0;     // transient or not
    std::optional<double> highestSampleAtS;
    std::optional<double> targetM;
    // |apogee / target x 100 - 100|, rounded to 0.1.
    std::optional<double> precisionScorePercent;
};

struct TimekeeperReading {
    Refusal refusal = Refusal::None;
    NoLaunch noLaunch = NoLaunch::None;
    NoLanding noLanding = NoLanding::None;
    double timekeeperS = 0.0;
    std::optional<double> traceDurationS;
    std::optional<double> differenceS; // trace minus timekeeper
    double uncertaintyS = 0.0;         // one sampling interval
    bool exceedsUncertainty = false;
};

// Each reading on the tables of a flight, as ComputeStats takes them (`cleaned` is not used),
// and on a decoded flight.
F1FlyoffReading ReadF1Flyoff(const StatsTables& tables, double maxTimeS,
                             std::optional<std::uint32_t> signature = std::nullopt);
F5jReading ReadF5j(const StatsTables& tables, double motorStopS, TimeBase base = TimeBase::Launch);
ApogeeReading ReadApogee(const StatsTables& tables, std::optional<double> targetM = std::nullopt);
TimekeeperReading ReadTimekeeper(const StatsTables& tables, double timekeeperS);

F1FlyoffReading ReadF1Flyoff(const Flight& flight, double maxTimeS,
                             std::optional<std::uint32_t> signature = std::nullopt);
F5jReading ReadF5j(const Flight& flight, double motorStopS, TimeBase base = TimeBase::Launch);
ApogeeReading ReadApogee(const Flight& flight, std::optional<double> targetM = std::nullopt);
TimekeeperReading ReadTimekeeper(const Flight& flight, double timekeeperS);

// Whichever rule's reading, none before a rule is applied. The precision rule's is the apogee's
// with its target.
using RuleReading =
    std::variant<std::monostate, F1FlyoffReading, F5jReading, ApogeeReading, TimekeeperReading>;

// The reading `choice` asks of a decoded flight, for the window, the command line and the
// results table alike.
RuleReading ReadRule(const Flight& flight, const RuleChoice& choice);
// Why it was refused (None: read, or no reading).
Refusal RefusalOf(const RuleReading& reading);

// The pieces, for rankings that apply them to figures of their own.
double F5jPenalty(std::int32_t startHeightM);
double PrecisionScorePercent(double achievedM, double targetM);
// Raise-and-lower cycles of at least kSignatureStepCm in `altitudes`. Given the sampling rate,
// the trace's pressure spikes are passed over, it is averaged over about a second and a cycle
// must also stand clear of the sensor's noise, so that a noisy ground trace counts no cycles.
std::uint32_t CountSignature(std::span<const std::int32_t> altitudes,
                             double samplesPerSecond = 0.0);

} // namespace orlomat
