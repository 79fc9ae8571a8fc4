#include "analysis/rule_readings.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

namespace orlomat {

namespace {

// Times computed from sums of sample steps: equal within this.
constexpr double kTimeEpsilon = 1e-9;

// The decoded flight as the readings see it: every decoded sample (a landing and the minutes
// after the maximum time may lie in the last ones, which the chart leaves out), a sample
// interval, and the launch and landing of the contest figures.
struct Trace {
    std::vector<std::int32_t> all;
    std::size_t charted = 0;
    double dt = 0.0;
    FlightStats stats;

    double lastS() const { return static_cast<double>(all.size() - 1) * dt; }

    // Linear between the samples either side of t; none outside the record.
    std::optional<double> altitudeCmAt(double t) const { return altitudeCmAt(all, t); }
    // The same on another curve of the record's samples.
    std::optional<double> altitudeCmAt(std::span<const std::int32_t> curve, double t) const {
        if (!(t >= -kTimeEpsilon) || t > lastS() + kTimeEpsilon) return std::nullopt;
        const double x = std::max(0.0, t / dt);
        const auto i = static_cast<std::size_t>(std::floor(x + kTimeEpsilon));
        if (i + 1 >= curve.size()) return curve.back();
        const double f = std::max(0.0, x - static_cast<double>(i));
        return curve[i] + (static_cast<double>(curve[i + 1]) - curve[i]) * f;
    }

    // The last sample before the landing, or the record's last when it ends in the air.
    double lastAirborneS() const {
        if (!stats.landingS) return lastS();
        const double i = std::ceil(*stats.landingS / dt - kTimeEpsilon) - 1.0;
        return std::max(0.0, i) * dt;
    }
};

Trace TraceOf(const StatsTables& t) {
    Trace r;
    r.all.assign(t.charted.begin(), t.charted.end());
    r.all.insert(r.all.end(), t.uncharted.begin(), t.uncharted.end());
    r.charted = t.charted.size();
    r.dt = t.samplingRate > 0 ? 10.0 / t.samplingRate : 0.0;
    StatsTables plain = t;
    plain.cleaned = {}; // the readings use no filter's curve
    r.stats = ComputeStats(plain);
    return r;
}

// The checks every reading opens with: the argument it was given, a record with samples and,
// for the readings that count from it, a launch. On a refusal `r` says why and there is no
// trace; the trace's figures the reading carries are set either way once the trace is read.
template <class Reading>
std::optional<Trace> OpenReading(Reading& r, const StatsTables& tables, bool argumentTaken) {
    if (!argumentTaken) {
        r.refusal = Refusal::InvalidArgument;
        return std::nullopt;
    }
    if (tables.charted.empty() || tables.samplingRate == 0) {
        r.refusal = Refusal::NoSamples;
        return std::nullopt;
    }
    Trace t = TraceOf(tables);
    if constexpr (requires { r.samplingIntervalS; }) r.samplingIntervalS = t.dt;
    if constexpr (requires { r.durationUncertaintyS; }) r.durationUncertaintyS = t.dt;
    if constexpr (requires { r.uncertaintyS; }) r.uncertaintyS = t.dt;
    if constexpr (requires { r.noLanding; }) r.noLanding = t.stats.noLanding;
    if constexpr (requires { r.noLaunch; }) {
        r.noLaunch = t.stats.noLaunch;
        if (!t.stats.launchS) {
            r.refusal = Refusal::NoLaunch;
            return std::nullopt;
        }
    }
    return t;
}

std::int32_t NearestMetre(double metres) {
    return static_cast<std::int32_t>(std::lround(metres));
}

std::size_t FirstMaximum(std::span<const std::int32_t> a) {
    return static_cast<std::size_t>(std::max_element(a.begin(), a.end()) - a.begin());
}

// `a` without its upward peaks narrower than m samples (an opening: the lowest of each window
// of m, then the highest of those over the windows that hold a sample).
std::vector<std::int32_t> WithoutPeaks(std::span<const std::int32_t> a, std::size_t m) {
    const std::size_t n = a.size();
    if (m < 2 || n < m) return {a.begin(), a.end()};
    std::vector<std::int32_t> low(n - m + 1), out(n);
    for (std::size_t s = 0; s < low.size(); ++s)
        low[s] = *std::min_element(a.begin() + static_cast<std::ptrdiff_t>(s),
                                   a.begin() + static_cast<std::ptrdiff_t>(s + m));
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t from = i + 1 >= m ? i + 1 - m : 0, to = std::min(i, low.size() - 1);
        out[i] = *std::max_element(low.begin() + static_cast<std::ptrdiff_t>(from),
                                   low.begin() + static_cast<std::ptrdiff_t>(to + 1));
    }
    return out;
}

} // namespace

const char* RuleReference(Rule rule) {
    switch (rule) {
    case Rule::F1Flyoff:
    case Rule::Timekeeper:
        return "FAI F1 F1.1.4 b";
    case Rule::F5jStart:
        return "FAI F5 5.5.11";
    case Rule::Apogee:
        return "NAR 20.2";
    case Rule::Precision:
        return "NAR 27.6";
    }
    return "";
}

double F5jPenalty(std::int32_t h) {
    if (h <= 0) return 0.0;
    if (h <= kF5jPenaltyBendM) return kF5jPenaltyBelow * h;
    return kF5jPenaltyBelow * kF5jPenaltyBendM + kF5jPenaltyAbove * (h - kF5jPenaltyBendM);
}

double PrecisionScorePercent(double achievedM, double targetM) {
    return std::round(std::abs(achievedM / targetM * 100.0 - 100.0) * 10.0) / 10.0;
}

std::uint32_t CountSignature(std::span<const std::int32_t> raw, double samplesPerSecond) {
    if (raw.empty()) return 0;
    // A pressure spike is no raise: peaks narrower than a transient go first (a single sample
    // at the slow rates, where a raise held for seconds still spans two).
    const auto width =
        static_cast<std::size_t>(std::lround(kTransientSeconds * samplesPerSecond)) + 1;
    const std::vector<std::int32_t> kept =
        WithoutPeaks(raw, samplesPerSecond > 0.0 ? std::max<std::size_t>(2, width) : 0);
    const std::span<const std::int32_t> a = kept;
    const std::size_t n = a.size();
    // A centred mean over about a second.
    const std::size_t half =
        samplesPerSecond >= 2.0 ? static_cast<std::size_t>(std::lround(samplesPerSecond)) / 2 : 0;
    std::vector<double> s(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t from = i >= half ? i - half : 0, to = std::min(n - 1, i + half);
        double sum = 0.0;
        for (std::size_t k = from; k <= to; ++k)
            sum += a[k];
        s[i] = sum / static_cast<double>(to - from + 1);
    }
    // The step a cycle must make at each sample: a metre, or more where the sensor is noisy
    // there (the noise after the mean, from the median jump between samples within about two
    // seconds, robust against the few samples where the model really moves).
    std::vector<double> step(n, kSignatureStepCm);
    if (samplesPerSecond > 0.0 && n >= 3) {
        std::vector<double> jumps(n);
        for (std::size_t i = 1; i < n; ++i)
            jumps[i] = std::abs(static_cast<double>(a[i]) - a[i - 1]);
        jumps[0] = jumps[1];
        const auto around =
            std::max<std::size_t>(2, static_cast<std::size_t>(2.0 * samplesPerSecond));
        const double spread = std::sqrt(static_cast<double>(2 * half + 1));
        std::vector<double> window;
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t from = i >= around ? i - around : 0, to = std::min(n - 1, i + around);
            window.assign(jumps.begin() + static_cast<std::ptrdiff_t>(from),
                          jumps.begin() + static_cast<std::ptrdiff_t>(to + 1));
            const auto mid = window.begin() + static_cast<std::ptrdiff_t>(window.size() / 2);
            std::nth_element(window.begin(), mid, window.end());
            const double sigma = 1.4826 * *mid / std::sqrt(2.0);
            step[i] = std::max<double>(kSignatureStepCm, 5.0 * sigma / spread);
        }
    }
    std::uint32_t cycles = 0;
    bool raised = false;
    double low = s[0], high = s[0];
    for (std::size_t i = 0; i < n; ++i) {
        const double x = s[i];
        if (!raised) {
            low = std::min(low, x);
            if (x - low >= step[i]) raised = true, high = x;
        } else {
            high = std::max(high, x);
            if (high - x >= step[i]) ++cycles, raised = false, low = x;
        }
    }
    return cycles;
}

F1FlyoffReading ReadF1Flyoff(const StatsTables& tables, double maxTimeS,
                             std::optional<std::uint32_t> signature) {
    F1FlyoffReading r;
    r.maxTimeS = maxTimeS;
    r.signatureAsked = signature;
    const auto opened = OpenReading(r, tables, std::isfinite(maxTimeS) && maxTimeS > 0.0);
    if (!opened) return r;
    const Trace& t = *opened;
    const double launch = *t.stats.launchS;
    r.launchS = launch;
    r.durationS = t.stats.durationS;
    const double lastAirborne = t.lastAirborneS();
    r.lastAirborneS = lastAirborne - launch;
    r.reachedMax = lastAirborne - launch + kTimeEpsilon >= maxTimeS + t.dt;
    const double at = launch + maxTimeS;
    if (!t.stats.landingS || at < *t.stats.landingS) {
        if (auto cm = t.altitudeCmAt(at)) {
            // A short pressure spike at that moment is no altitude: read past it, on the trace
            // without its transients, when it stands well above that trace there.
            const std::vector<std::int32_t> clean = WithoutTransients(t.all, tables.samplingRate);
            const double cleanCm = *t.altitudeCmAt(clean, at);
            if (SuspectMaximum(*cm / 100.0, cleanCm / 100.0, TopAllowanceM(tables.samplingRate)))
                cm = cleanCm;
            r.altitudeM = *cm / 100.0;
            r.altitudeRoundedM = NearestMetre(*r.altitudeM);
        }
    }
    if (signature) {
        // The samples before the launch: the throw itself is no cycle.
        const auto before = static_cast<std::size_t>(std::ceil(launch / t.dt - kTimeEpsilon));
        r.signatureFound = CountSignature(
            std::span<const std::int32_t>(t.all).first(std::min(before, t.all.size())), 1.0 / t.dt);
        r.signatureMatches = r.signatureFound == *signature;
    }
    return r;
}

F5jReading ReadF5j(const StatsTables& tables, double motorStopS, TimeBase base) {
    F5jReading r;
    r.base = base;
    r.motorStopGivenS = motorStopS;
    const auto opened = OpenReading(r, tables, std::isfinite(motorStopS));
    if (!opened) return r;
    const Trace& t = *opened;
    const double launch = *t.stats.launchS;
    r.launchS = launch;
    const double run = base == TimeBase::Launch ? motorStopS : motorStopS - launch;
    r.motorRunS = run;
    const double stop = launch + run, end = stop + kF5jAfterStopS;
    if (run < -kTimeEpsilon) {
        r.refusal = Refusal::MotorStopBeforeLaunch;
    } else if (run <= kTimeEpsilon) {
        r.refusal = Refusal::InvalidArgument; // a glider does not climb on a motor that never ran
    } else if (run > kF5jMaxMotorRunS + kTimeEpsilon) {
        r.refusal = Refusal::MotorRunTooLong;
    } else if (stop > t.lastS() + kTimeEpsilon) {
        r.refusal = Refusal::MotorStopAfterEnd;
    } else if (end > t.lastS() + kTimeEpsilon) {
        r.refusal = Refusal::WindowPastEnd;
    }
    if (r.refusal != Refusal::None) return r;
    r.windowEndS = run + kF5jAfterStopS;

    // The window's ends interpolated (a climb still going at its end is higher there than at
    // the sample before), and every sample between them.
    double best = *t.altitudeCmAt(launch), bestAt = launch;
    if (const double e = *t.altitudeCmAt(end); e > best) best = e, bestAt = end;
    const auto first = static_cast<std::size_t>(std::ceil(launch / t.dt - kTimeEpsilon));
    const auto last =
        std::min(static_cast<std::size_t>(std::floor(end / t.dt + kTimeEpsilon)), t.all.size() - 1);
    for (std::size_t i = first; i <= last; ++i)
        if (t.all[i] > best) best = t.all[i], bestAt = static_cast<double>(i) * t.dt;
    r.startHeightM = best / 100.0;
    r.startHeightAtS = bestAt - launch;
    r.startHeightRoundedM = NearestMetre(*r.startHeightM);
    r.penaltyPoints = F5jPenalty(*r.startHeightRoundedM);

    const std::vector<std::int32_t> clean = WithoutTransients(t.all, tables.samplingRate);
    std::int32_t cleanMax = clean[std::min(first, clean.size() - 1)];
    for (std::size_t i = first; i <= last; ++i)
        cleanMax = std::max(cleanMax, clean[i]);
    r.suspect =
        SuspectMaximum(*r.startHeightM, cleanMax / 100.0, TopAllowanceM(tables.samplingRate));
    return r;
}

ApogeeReading ReadApogee(const StatsTables& tables, std::optional<double> targetM) {
    ApogeeReading r;
    r.targetM = targetM;
    // The apogee is read whether a launch is seen or not: it counts from the record's start.
    const auto opened =
        OpenReading(r, tables, !targetM || (std::isfinite(*targetM) && *targetM > 0.0));
    if (!opened) return r;
    const Trace& t = *opened;
    const std::span<const std::int32_t> charted = tables.charted;
    const std::size_t peak = FirstMaximum(charted);
    r.highestSampleM = charted[peak] / 100.0;
    r.highestSampleAtS = static_cast<double>(peak) * t.dt;
    std::size_t top = peak;
    if (t.stats.maxSuspect) {
        // The highest sample off the transients; when the transient lies within its own
        // length and the decoded curve's three-sample smoothing of it, it covers the top.
        top = static_cast<std::size_t>(std::lround(*t.stats.timeOfMaxS / t.dt));
        const double apart = std::abs(static_cast<double>(top) - static_cast<double>(peak)) * t.dt;
        if (apart <= kTransientSeconds + 3 * t.dt) {
            r.status = ApogeeStatus::NoData;
            return r;
        }
        r.status = ApogeeStatus::TransientRejected;
    }
    r.apogeeM = charted[top] / 100.0;
    r.apogeeAtS = static_cast<double>(top) * t.dt;
    if (targetM) r.precisionScorePercent = PrecisionScorePercent(*r.apogeeM, *targetM);
    return r;
}

TimekeeperReading ReadTimekeeper(const StatsTables& tables, double timekeeperS) {
    TimekeeperReading r;
    r.timekeeperS = timekeeperS;
    const auto opened = OpenReading(r, tables, std::isfinite(timekeeperS) && timekeeperS > 0.0);
    if (!opened) return r;
    const Trace& t = *opened;
    if (!t.stats.durationS) {
        r.refusal = Refusal::NoLanding;
        return r;
    }
    r.traceDurationS = t.stats.durationS;
    r.differenceS = *t.stats.durationS - timekeeperS;
    r.exceedsUncertainty = std::abs(*r.differenceS) > t.dt + kTimeEpsilon;
    return r;
}

F1FlyoffReading ReadF1Flyoff(const Flight& flight, double maxTimeS,
                             std::optional<std::uint32_t> signature) {
    return ReadF1Flyoff(FlightTables(flight), maxTimeS, signature);
}

F5jReading ReadF5j(const Flight& flight, double motorStopS, TimeBase base) {
    return ReadF5j(FlightTables(flight), motorStopS, base);
}

ApogeeReading ReadApogee(const Flight& flight, std::optional<double> targetM) {
    return ReadApogee(FlightTables(flight), targetM);
}

TimekeeperReading ReadTimekeeper(const Flight& flight, double timekeeperS) {
    return ReadTimekeeper(FlightTables(flight), timekeeperS);
}

RuleReading ReadRule(const Flight& flight, const RuleChoice& choice) {
    switch (choice.rule) {
    case Rule::F1Flyoff:
        return ReadF1Flyoff(flight, choice.value, choice.signature);
    case Rule::F5jStart:
        return ReadF5j(flight, choice.value, choice.base);
    case Rule::Apogee:
        return ReadApogee(flight);
    case Rule::Precision:
        return ReadApogee(flight, choice.value);
    case Rule::Timekeeper:
        return ReadTimekeeper(flight, choice.value);
    }
    return {};
}

Refusal RefusalOf(const RuleReading& reading) {
    return std::visit(
        [](const auto& r) {
            if constexpr (std::is_same_v<std::decay_t<decltype(r)>, std::monostate>)
                return Refusal::None;
            else
                return r.refusal;
        },
        reading);
}

} // namespace orlomat
