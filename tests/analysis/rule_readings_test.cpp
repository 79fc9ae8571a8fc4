// The rules' readings on flights of known shape at 20 samples a second, 1 a second and 1 every
// 2 seconds: the answers come from the shape, never from a run of the program.
#include "analysis/rule_readings.h"
#include "core/flight.h"
#include "tools/synth/flight_synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace orlomat {
namespace {

using Profile = std::function<double(double)>; // metres at t seconds from the first sample

constexpr std::uint32_t kRates[] = {200, 10, 5}; // samples per 10 s

struct Table {
    std::vector<std::int32_t> cm;
    StatsTables tables;
};

Table Sampled(const Profile& at, double seconds, std::uint32_t rate, bool complete = true) {
    Table t;
    const double dt = 10.0 / rate;
    for (std::size_t i = 0; static_cast<double>(i) * dt <= seconds; ++i)
        t.cm.push_back(
            static_cast<std::int32_t>(std::lround(at(static_cast<double>(i) * dt) * 100)));
    t.tables.charted = t.cm;
    t.tables.samplingRate = rate;
    t.tables.recordComplete = complete;
    return t;
}

// The best any reading can do on samples of `at`: the highest sample in [from, to] or the
// interpolated value at either end.
double SampledMax(const Profile& at, double from, double to, std::uint32_t rate) {
    const double dt = 10.0 / rate;
    const auto lin = [&](double t) {
        const double i = std::floor(t / dt);
        const double a = std::lround(at(i * dt) * 100) / 100.0;
        const double b = std::lround(at((i + 1) * dt) * 100) / 100.0;
        return a + (b - a) * (t / dt - i);
    };
    double best = std::max(lin(from), lin(to));
    for (double t = std::ceil(from / dt) * dt; t <= to; t += dt)
        best = std::max(best, std::lround(at(t) * 100) / 100.0);
    return best;
}

// A fly-off: 3 signature cycles of 2.5 m before a launch at 40.3 s, a tow of 1.5 m/s to 60 m,
// a glide sinking 0.1485 m/s to 320 s after the launch, a descent of 1.2 m/s to the landing
// 335.35 s after it, a minute at rest.
constexpr double kLaunch = 40.3, kFlyoffLanding = 335.35;
double Flyoff(double t, int cycles) {
    if (t < kLaunch) {
        const double c = t - 10;
        if (c < 0 || c >= 8 * cycles) return 0;
        const double x = std::fmod(c, 8.0); // up in 1 s, 3 s held, down in 1 s, 3 s at rest
        return 2.5 * (x < 1 ? x : x < 4 ? 1 : x < 5 ? 5 - x : 0);
    }
    const double x = t - kLaunch;
    if (x < 40) return 1.5 * x;
    if (x < 320) return 60 - 0.1485 * (x - 40);
    return std::max(0.0, 60 - 0.1485 * 280 - 1.2 * (x - 320));
}

TEST(F1Flyoff, AltitudeAtTheMaximumTimeReachedAndSignature) {
    struct Case {
        const char* what;
        double maxTime;
        int cycles;
        std::optional<std::uint32_t> asked;
        std::optional<double> altitude; // the shape's, metres
        bool spike = false;             // a pressure spike of 300 m at the maximum time
    };
    const Case cases[] = {
        {"300 s, on the glide", 300, 3, 3u, 60 - 0.1485 * 260},        // 21.39 -> 21
        {"270 s, a spike on it", 270, 3, 3u, 60 - 0.1485 * 230, true}, // 25.85 -> 26
        {"290 s, rounds up", 290, 3, 4u, 60 - 0.1485 * 250},           // 22.875 -> 23
        {"332.5 s, on the last descent", 332.5, 0, 0u, 60 - 0.1485 * 280 - 1.2 * 12.5},
        {"400 s, landed before", 400, 0, {}, {}},
    };
    for (const std::uint32_t rate : kRates)
        for (const Case& c : cases) {
            const double dt = 10.0 / rate;
            const std::string where = std::string(c.what) + ", rate " + std::to_string(rate);
            // The spike covers the samples at the maximum time, 0.4 s at most.
            const auto spike = [&](double s) {
                return c.spike && s > kLaunch + c.maxTime - 0.35 && s < kLaunch + c.maxTime + 0.05
                           ? 300.0
                           : 0.0;
            };
            const Table t =
                Sampled([&](double s) { return Flyoff(s, c.cycles) + spike(s); }, 420, rate);
            const F1FlyoffReading r = ReadF1Flyoff(t.tables, c.maxTime, c.asked);
            ASSERT_EQ(r.refusal, Refusal::None) << where;
            EXPECT_NEAR(*r.launchS, kLaunch, 0.01) << where;
            EXPECT_EQ(r.samplingIntervalS, dt);
            ASSERT_EQ(r.altitudeM.has_value(), c.altitude.has_value()) << where;
            if (c.altitude) {
                // Past a spike: the glide beside it, within its width or one sample interval.
                const double within = c.spike ? std::max(dt, 0.4) * 0.1485 + 0.011 : 0.011;
                EXPECT_NEAR(*r.altitudeM, *c.altitude, within) << where;
                EXPECT_EQ(*r.altitudeRoundedM, std::lround(*c.altitude)) << where;
            }
            // The last sample before the landing, one interval past the maximum time.
            const double lastAirborne =
                std::ceil((kLaunch + kFlyoffLanding) / dt) * dt - dt - kLaunch;
            EXPECT_NEAR(*r.lastAirborneS, lastAirborne, 0.011) << where;
            EXPECT_EQ(r.reachedMax, lastAirborne >= c.maxTime + dt) << where;
            EXPECT_NEAR(*r.durationS, kFlyoffLanding, dt) << where;
            EXPECT_EQ(r.durationUncertaintyS, dt);
            EXPECT_EQ(r.signatureAsked, c.asked);
            if (c.asked) {
                EXPECT_EQ(r.signatureFound, static_cast<std::uint32_t>(c.cycles)) << where;
                EXPECT_EQ(r.signatureMatches, *c.asked == static_cast<std::uint32_t>(c.cycles));
            }
        }
}

TEST(F1Flyoff, MaximumGuaranteedOnlyOneIntervalPastIt) {
    // 332.5 s: 20/s and 1/s hold a sample past 333.5 s after the launch; 1 per 2 s the
    // last is 333.7 s, short of 334.5.
    const bool expected[] = {true, true, false};
    for (std::size_t k = 0; k < 3; ++k) {
        const Table t = Sampled([](double s) { return Flyoff(s, 0); }, 420, kRates[k]);
        EXPECT_EQ(ReadF1Flyoff(t.tables, 332.5).reachedMax, expected[k]) << kRates[k];
    }
}

// An electric glider: launched at 20.3 s, a motor run of 25 s climbing `climb` m/s, then a
// zoom of 5 m in 4 s, a glide down 0.5 m/s and, 60 s after the launch, a thermal to 300 m that
// the start height must not take.
double Electric(double t, double climb) {
    const double x = t - 20.3;
    if (x < 0) return 0;
    if (x < 25) return climb * x;
    const double stop = 25 * climb;
    if (x < 29) return stop + 5 * std::sin((x - 25) / 4 * 1.5707963);
    if (x < 60) return stop + 5 - 0.5 * (x - 29);
    if (x < 160) return stop + 5 - 15.5 + (300 - stop + 10.5) * (x - 60) / 100;
    return std::max(0.0, 300 - 2 * (x - 160));
}

TEST(F5j, StartHeightAndPenalty) {
    struct Case {
        double climb;
        double stop;
        TimeBase base;
        std::int32_t height; // the shape's highest point in the window, rounded
        double penalty;
    };
    const Case cases[] = {
        {6.0, 25.0, TimeBase::Launch, 155, 77.5},  // the zoom after the stop counts
        {8.4, 25.0, TimeBase::Launch, 215, 145.0}, // 100 + 3 x 15
        {8.4, 45.3, TimeBase::Record, 215, 145.0}, // the same stop, from the record's start
    };
    for (const std::uint32_t rate : kRates)
        for (const Case& c : cases) {
            const std::string where = std::to_string(c.climb) + " m/s, stop " +
                                      std::to_string(c.stop) + ", rate " + std::to_string(rate);
            const Profile at = [&](double s) { return Electric(s, c.climb); };
            const Table t = Sampled(at, 400, rate);
            const F5jReading r = ReadF5j(t.tables, c.stop, c.base);
            ASSERT_EQ(r.refusal, Refusal::None) << where;
            const double run = c.base == TimeBase::Launch ? c.stop : c.stop - *r.launchS;
            EXPECT_NEAR(*r.motorRunS, run, 1e-9) << where;
            EXPECT_NEAR(*r.windowEndS, run + 10, 1e-9) << where;
            const double best = SampledMax(at, *r.launchS, *r.launchS + run + 10, rate);
            EXPECT_NEAR(*r.startHeightM, best, 0.02) << where;
            EXPECT_NEAR(best, c.height, 0.5) << where; // the samples catch the top
            EXPECT_EQ(*r.startHeightRoundedM, c.height) << where;
            EXPECT_EQ(*r.penaltyPoints, c.penalty) << where;
            EXPECT_FALSE(r.suspect) << where;
        }
}

TEST(F5j, RefusesMotorStopsTheRuleCannotTake) {
    const Profile at = [](double s) { return Electric(s, 6.0); };
    // A record that stops 20 s after the launch, in the air.
    const Profile cut = [](double s) { return s < 40.3 ? Electric(s, 6.0) : 120.0; };
    struct Case {
        const char* what;
        const Profile* profile;
        double seconds;
        double stop;
        TimeBase base;
        Refusal refusal;
    };
    const Case cases[] = {
        {"31 s of motor", &at, 400, 31, TimeBase::Launch, Refusal::MotorRunTooLong},
        {"negative", &at, 400, -1, TimeBase::Launch, Refusal::MotorStopBeforeLaunch},
        {"no motor run", &at, 400, 0, TimeBase::Launch, Refusal::InvalidArgument},
        {"before the launch, from the record", &at, 400, 10, TimeBase::Record,
         Refusal::MotorStopBeforeLaunch},
        {"not a number", &at, 400, NAN, TimeBase::Launch, Refusal::InvalidArgument},
        {"after the record's end", &cut, 40.3, 25, TimeBase::Launch, Refusal::MotorStopAfterEnd},
        {"window past the end", &cut, 40.3, 15, TimeBase::Launch, Refusal::WindowPastEnd},
        {"no launch", nullptr, 100, 15, TimeBase::Launch, Refusal::NoLaunch},
    };
    const Profile ground = [](double) { return 0.0; };
    for (const std::uint32_t rate : kRates)
        for (const Case& c : cases) {
            const Table t = Sampled(c.profile ? *c.profile : ground, c.seconds, rate, false);
            const F5jReading r = ReadF5j(t.tables, c.stop, c.base);
            EXPECT_EQ(r.refusal, c.refusal) << c.what << ", rate " << rate;
            EXPECT_FALSE(r.startHeightM) << c.what;
            EXPECT_FALSE(r.penaltyPoints) << c.what;
        }
}

TEST(F5j, PenaltyAroundTheBend) {
    const std::pair<std::int32_t, double> rows[] = {{0, 0},     {150, 75},  {200, 100},
                                                    {201, 103}, {215, 145}, {-3, 0}};
    for (const auto& [h, p] : rows)
        EXPECT_EQ(F5jPenalty(h), p) << h;
}

// A rocket launched at 10.3 s: 600 m at 6 s, a parachute down at 5 m/s.
double Rocket(double t) {
    const double x = t - 10.3;
    return x < 0   ? 0
           : x < 6 ? 300 * (1 - std::cos(x / 6 * 3.14159265))
                   : std::max(0.0, 630 - 5 * x);
}

// `spikeAt` lifts the samples of 0.05 s from there by 300 m (a charge's pressure wave).
Table RocketTable(std::uint32_t rate, std::optional<double> spikeAt) {
    Table t = Sampled(Rocket, 150, rate);
    if (spikeAt) {
        const double dt = 10.0 / rate;
        const auto i = static_cast<std::size_t>(std::lround(*spikeAt / dt));
        for (std::size_t k = i; static_cast<double>(k - i) * dt < 0.05; ++k)
            t.cm[k] += 30000;
    }
    t.tables.charted = t.cm;
    return t;
}

TEST(Apogee, CleanRejectedOrNoData) {
    struct Case {
        const char* what;
        std::optional<double> spikeAt;
        ApogeeStatus status;
    };
    const Case cases[] = {
        {"clean", {}, ApogeeStatus::Clean},
        {"ejection at the top", 16.3, ApogeeStatus::NoData},
        {"glitch 10 s down", 26.3, ApogeeStatus::TransientRejected},
    };
    for (const std::uint32_t rate : kRates)
        for (const Case& c : cases) {
            const std::string where = std::string(c.what) + ", rate " + std::to_string(rate);
            const Table t = RocketTable(rate, c.spikeAt);
            const ApogeeReading r = ReadApogee(t.tables, 550.0);
            ASSERT_EQ(r.refusal, Refusal::None) << where;
            EXPECT_EQ(r.status, c.status) << where;
            ASSERT_EQ(r.apogeeM.has_value(), c.status != ApogeeStatus::NoData) << where;
            EXPECT_EQ(r.precisionScorePercent.has_value(), r.apogeeM.has_value()) << where;
            if (!r.apogeeM) continue;
            const double top = SampledMax(Rocket, 0, 150, rate);
            EXPECT_NEAR(*r.apogeeM, top, 0.005) << where;
            EXPECT_NEAR(*r.apogeeAtS, 16.3, 10.0 / rate) << where;
            EXPECT_NEAR(*r.precisionScorePercent, std::abs(top / 550 * 100 - 100), 0.05) << where;
        }
}

TEST(Apogee, PrecisionScore) {
    const double rows[][3] = {{600, 550, 9.1}, {500, 550, 9.1}, {561.1, 550, 2.0},
                              {550, 550, 0.0}, {327, 300, 9.0}, {299.5, 300, 0.2}};
    for (const auto& [a, target, score] : rows)
        EXPECT_DOUBLE_EQ(PrecisionScorePercent(a, target), score) << a << " of " << target;
    const Table t = RocketTable(200, {});
    EXPECT_EQ(ReadApogee(t.tables, 0.0).refusal, Refusal::InvalidArgument);
    EXPECT_EQ(ReadApogee(t.tables, -5.0).refusal, Refusal::InvalidArgument);
}

TEST(Timekeeper, DifferenceAgainstOneInterval) {
    struct Case {
        double time;
        bool exceedsAt[3]; // 20/s, 1/s, 1 per 2 s
    };
    const Case cases[] = {
        {334.5, {true, false, false}}, // 0.85 s
        {332.5, {true, true, true}},   // 2.85 s
        {335.33, {false, false, false}},
    };
    for (std::size_t k = 0; k < 3; ++k)
        for (const Case& c : cases) {
            const std::uint32_t rate = kRates[k];
            const Table t = Sampled([](double s) { return Flyoff(s, 0); }, 420, rate);
            const TimekeeperReading r = ReadTimekeeper(t.tables, c.time);
            ASSERT_EQ(r.refusal, Refusal::None);
            EXPECT_EQ(r.uncertaintyS, 10.0 / rate);
            EXPECT_NEAR(*r.differenceS, kFlyoffLanding - c.time, 10.0 / rate) << rate;
            EXPECT_EQ(*r.differenceS, *r.traceDurationS - c.time);
            EXPECT_EQ(r.exceedsUncertainty, c.exceedsAt[k]) << c.time << " at " << rate;
        }
    // The record cut in the air: no duration to compare.
    const Table aloft = Sampled([](double s) { return Flyoff(s, 0); }, 200, 10, false);
    const TimekeeperReading r = ReadTimekeeper(aloft.tables, 150);
    EXPECT_EQ(r.refusal, Refusal::NoLanding);
    EXPECT_EQ(r.noLanding, NoLanding::RecordCut);
    EXPECT_EQ(ReadTimekeeper(aloft.tables, -1).refusal, Refusal::InvalidArgument);
}

// Through the whole road: record bytes from the synthesiser, decoded, read. The sensor's
// steps and the decoded curve's smoothing keep the altitude within a few decimetres.
TEST(RuleReadings, DecodedFlightsAtThreeRates) {
    for (const unsigned code : {0u, 4u, 5u}) {
        SynthParams p;
        p.samplingCode = code;
        p.spike = false;
        p.noiseWords = 0;
        p.groundSeconds = 20.0f;
        p.flight = {{40, 60}, {280, 60 - 0.1485f * 280}, {15.35f, 0}};
        const Flight f = DecodeRecord(SynthesizeFlight(p), FlightSource::File);
        const F1FlyoffReading r = ReadF1Flyoff(f, 300);
        const std::string where = "code " + std::to_string(code);
        ASSERT_EQ(r.refusal, Refusal::None) << where;
        EXPECT_NEAR(*r.altitudeM, TrueAltitude(p, 20 + 300), 0.5) << where;
        EXPECT_TRUE(r.reachedMax) << where;

        SynthParams rocket = p;
        rocket.flight = {{6, 600}, {120, 0}};
        rocket.transients = {{26, 8000, 30}}; // the charge at the top
        const ApogeeReading a =
            ReadApogee(DecodeRecord(SynthesizeFlight(rocket), FlightSource::File));
        EXPECT_EQ(a.status, ApogeeStatus::NoData) << where << ", " << a.highestSampleM;
        rocket.transients.clear();
        const ApogeeReading clean =
            ReadApogee(DecodeRecord(SynthesizeFlight(rocket), FlightSource::File));
        EXPECT_EQ(clean.status, ApogeeStatus::Clean) << where;
        ASSERT_TRUE(clean.apogeeM) << where;
        EXPECT_EQ(*clean.apogeeM, clean.highestSampleM) << where;
        // The decoding's temperature scales the metres a little; the smoothing cuts a sharp
        // top at 1 sample in 2 s by about a third of a step.
        EXPECT_NEAR(*clean.apogeeM, 600, code == 0 ? 18.0 : 70.0) << where;
    }
}

// The one road from a choice to its reading, for the window, the command line and the report:
// each rule gets the choice's own arguments; the apogee ignores the value a precision takes.
TEST(RuleReadings, EachChoiceReadsItsRuleWithItsArguments) {
    const Flight f = DecodeRecord(SynthesizeFlight(SynthParams{}), FlightSource::File);

    const RuleReading f1 = ReadRule(f, {Rule::F1Flyoff, 30.0, 2u, TimeBase::Launch});
    ASSERT_TRUE(std::holds_alternative<F1FlyoffReading>(f1));
    EXPECT_EQ(std::get<F1FlyoffReading>(f1).maxTimeS, 30.0);
    EXPECT_EQ(std::get<F1FlyoffReading>(f1).signatureAsked, 2u);

    const RuleReading f5 = ReadRule(f, {Rule::F5jStart, 4.0, std::nullopt, TimeBase::Record});
    ASSERT_TRUE(std::holds_alternative<F5jReading>(f5));
    EXPECT_EQ(std::get<F5jReading>(f5).motorStopGivenS, 4.0);
    EXPECT_EQ(std::get<F5jReading>(f5).base, TimeBase::Record);

    for (const Rule rule : {Rule::Apogee, Rule::Precision}) {
        const RuleReading a = ReadRule(f, {rule, 100.0, std::nullopt, TimeBase::Launch});
        ASSERT_TRUE(std::holds_alternative<ApogeeReading>(a));
        EXPECT_EQ(std::get<ApogeeReading>(a).targetM,
                  rule == Rule::Precision ? std::optional(100.0) : std::nullopt);
    }

    const RuleReading tk = ReadRule(f, {Rule::Timekeeper, 60.0, std::nullopt, TimeBase::Launch});
    ASSERT_TRUE(std::holds_alternative<TimekeeperReading>(tk));
    EXPECT_EQ(std::get<TimekeeperReading>(tk).timekeeperS, 60.0);
    EXPECT_EQ(RefusalOf(tk), Refusal::None);
    EXPECT_EQ(RefusalOf(ReadRule(f, {Rule::Timekeeper, 0.0, std::nullopt, TimeBase::Launch})),
              Refusal::InvalidArgument);
    EXPECT_EQ(RefusalOf(RuleReading{}), Refusal::None);
}

TEST(RuleReadings, EveryRuleNamesItsReference) {
    for (const Rule r :
         {Rule::F1Flyoff, Rule::F5jStart, Rule::Apogee, Rule::Precision, Rule::Timekeeper})
        EXPECT_NE(std::string(RuleReference(r)), "");
    EXPECT_EQ(std::string(RuleReference(Rule::F1Flyoff)), "FAI F1 F1.1.4 b");
    EXPECT_EQ(std::string(RuleReference(Rule::F5jStart)), "FAI F5 5.5.11");
}

TEST(RuleReadings, Signature) {
    const std::vector<std::int32_t> none = {0, 90, 0, 90, 0, 120, 30}; // never 1 m both ways
    EXPECT_EQ(CountSignature(none), 0u);
    const std::vector<std::int32_t> two = {0, 100, 0, 250, 250, 100, 150, 50};
    EXPECT_EQ(CountSignature(two), 2u);
    const std::vector<std::int32_t> raisedOnly = {0, 200, 200, 200};
    EXPECT_EQ(CountSignature(raisedOnly), 0u);
}

// On a dirty ground trace (quantised, +-30 Pa of noise, drift) the three handling cycles of
// a metre and more are found, and the noise and a pressure spike between them are no cycle; a
// quiet ground counts none.
TEST(RuleReadings, SignatureOnDirtyTraces) {
    for (const unsigned code : {2u, 0u})
        for (const std::uint32_t seed : {1u, 2u, 3u})
            for (const bool spike : {false, true}) {
                SynthParams p = SynthParams::Dirty(code, seed);
                if (spike) p.transients = {{8.0f, 3000.0f, 30.0f}};
                const Flight dirty = DecodeRecord(SynthesizeFlight(p), FlightSource::File);
                EXPECT_EQ(ReadF1Flyoff(dirty, 30.0, 3u).signatureFound, 3u)
                    << "code " << code << " seed " << seed << (spike ? ", a spike" : "");
            }
    for (const unsigned code : {2u, 0u})
        for (const std::uint32_t seed : {1u, 2u, 3u}) {
            SynthParams quiet;
            quiet.samplingCode = code;
            quiet.seed = seed;
            quiet.groundSeconds = 30.0f;
            quiet.groundNoisePa = 3.0f;
            quiet.noiseSeconds = 30.0f;
            const Flight still = DecodeRecord(SynthesizeFlight(quiet), FlightSource::File);
            EXPECT_EQ(ReadF1Flyoff(still, 30.0, 1u).signatureFound, 0u)
                << "code " << code << " seed " << seed;
        }
}

} // namespace
} // namespace orlomat
