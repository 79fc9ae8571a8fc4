// Contest figures: on hand-built tables, on dirty synthetic flights (quantised pressure,
// ground noise, handling before launch, transients, drift) at every sampling code, and the
// checks that keep files which are no flight out of the results.
#include "analysis/flight_checks.h"
#include "analysis/flight_stats.h"
#include "core/flight.h"
#include "tools/synth/flight_synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace orlomat {
namespace {

FlightStats Stats(const std::vector<std::int32_t>& charted, std::uint32_t rate,
                  const std::vector<std::int32_t>& uncharted = {}, bool complete = true) {
    StatsTables t;
    t.charted = charted;
    t.uncharted = uncharted;
    t.samplingRate = rate;
    t.recordComplete = complete;
    return ComputeStats(t);
}

TEST(FlightStats, LaunchLandingDurationAndRatesAtEveryRate) {
    for (const std::uint32_t r : {200u, 150u, 100u, 50u, 10u, 5u}) {
        const double dt = 10.0 / r;
        // 20 s on the ground with the model lifted 0.9 m for a second at 8 s, a climb of 2 m/s to
        // 60 m, a descent of 1 m/s to 1 m below the start, ground.
        const auto at = [](double t) {
            if (t < 20) return t >= 8 && t < 9 ? 90.0 : 0.0;
            if (t < 50) return 200 * (t - 20);
            return std::max(6000 - 100 * (t - 50), -100.0);
        };
        std::vector<std::int32_t> a;
        for (std::size_t i = 0; i * dt < 150; ++i)
            a.push_back(static_cast<std::int32_t>(std::lround(at(i * dt))));
        const FlightStats s = Stats(a, r);
        EXPECT_EQ(*s.maxText, "60.0");
        EXPECT_NEAR(*s.timeOfMaxS, 50, 1e-9) << r;
        EXPECT_NEAR(*s.launchS, 20, 0.01) << r; // not the lift
        EXPECT_NEAR(*s.landingS, 111, 0.01) << r;
        EXPECT_EQ(*s.landingAltitudeText, "-1.0") << r;
        EXPECT_NEAR(*s.durationS, 91, 0.02) << r;
        EXPECT_NEAR(*s.climbMS, 2, 0.01) << r;
        EXPECT_EQ(s.noLanding, NoLanding::None);
        EXPECT_EQ(s.noLaunch, NoLaunch::None);
        EXPECT_NEAR(*s.maxClimbRawMS, 2, 1e-9) << r;
        EXPECT_NEAR(*s.maxSinkRawMS, 1, 1e-9) << r;
        EXPECT_EQ(s.maxClimbMS, s.maxClimbRawMS); // nothing cleaned: the decoded curve's
        EXPECT_FALSE(s.maxFilteredText);
        // A top turned this sharply (at once) loses a little to the cleaning, about as much as
        // a real one may.
        EXPECT_NEAR(std::stod(*s.maxCleanText), 60.0, TopAllowanceM(r) + 0.5) << r;
        EXPECT_FALSE(s.maxSuspect);
    }
}

TEST(FlightStats, WhyThereIsNoLaunchOrLanding) {
    const auto rest = [](std::size_t n, std::int32_t level) {
        return std::vector<std::int32_t>(n, level);
    };
    const auto join = [](std::initializer_list<std::vector<std::int32_t>> parts) {
        std::vector<std::int32_t> v;
        for (const auto& p : parts)
            v.insert(v.end(), p.begin(), p.end());
        return v;
    };
    const auto ramp = [](std::int32_t from, std::int32_t to, std::int32_t step) {
        std::vector<std::int32_t> v;
        for (std::int32_t h = from; step > 0 ? h <= to : h >= to; h += step)
            v.push_back(h);
        return v;
    };
    struct Case {
        const char* what;
        std::vector<std::int32_t> charted, uncharted;
        bool complete;
        std::optional<double> launch, landing;
        NoLaunch whyNoLaunch;
        NoLanding why;
    };
    // 1 sample a second.
    const Case cases[] = {
        {"never 7 m from the start: lifts, a box, a walk up 5 m and back",
         join({rest(10, 0), rest(5, 150), rest(5, 0), ramp(0, 500, 50), rest(10, 500),
               ramp(500, 0, -50), rest(10, 0)}),
         {},
         true,
         {},
         {},
         NoLaunch::NeverLaunched,
         NoLanding::NeverLaunched},
        {"started in the air, landed",
         join({ramp(0, 3000, 300), ramp(3000, 0, -200), rest(20, 0)}),
         {},
         true,
         {},
         26.0,
         NoLaunch::StartedAloft,
         NoLanding::None},
        {"aloft at the end mark",
         join({rest(5, 0), ramp(0, 3000, 300), ramp(3000, 2000, -100)}),
         {},
         true,
         5.0,
         {},
         NoLaunch::None,
         NoLanding::StillAloft},
        {"record cut",
         join({rest(5, 0), ramp(0, 3000, 300)}),
         {},
         false,
         5.0,
         {},
         NoLaunch::None,
         NoLanding::RecordCut},
        {"level for 10 s in the air is no landing",
         join({rest(5, 0), ramp(0, 3000, 300), rest(10, 3000), ramp(3000, 2000, -100)}),
         {},
         true,
         5.0,
         {},
         NoLaunch::None,
         NoLanding::StillAloft},
        {"stopped in a slow glide (memory full) is no landing",
         join({rest(5, 0), ramp(0, 3000, 300), ramp(3000, 2000, -40)}),
         {},
         true,
         5.0,
         {},
         NoLaunch::None,
         NoLanding::StillAloft},
        {"landing in the last, uncharted samples",
         join({rest(5, 0), ramp(0, 3000, 500), ramp(3000, 0, -500)}), rest(3, 0), true, 5.0, 18.0,
         NoLaunch::None, NoLanding::None},
    };
    for (const Case& c : cases) {
        const FlightStats s = Stats(c.charted, 10, c.uncharted, c.complete);
        EXPECT_EQ(s.launchS, c.launch) << c.what;
        EXPECT_EQ(s.noLaunch, c.whyNoLaunch) << c.what;
        EXPECT_EQ(s.landingS, c.landing) << c.what;
        EXPECT_EQ(s.noLanding, c.why) << c.what;
        EXPECT_EQ(s.landingAltitudeText.has_value(), c.landing.has_value()) << c.what;
        EXPECT_EQ(s.durationS.has_value(), c.launch && c.landing) << c.what;
    }
    // A damaged record's altitudes span all of 32 bits: figures without overflow (which the
    // sanitizer build would catch); peaks of one sample in three are no flight.
    std::vector<std::int32_t> wild;
    wild.reserve(400);
    for (int i = 0; i < 400; ++i)
        wild.push_back(i % 3 ? INT32_MAX - 1 : INT32_MIN + 1);
    const FlightStats w = Stats(wild, 10);
    EXPECT_EQ(w.noLaunch, NoLaunch::NeverLaunched);
    EXPECT_FALSE(w.landingS);

    // No charted point (a header, a few samples): no figure at all, not zeros.
    const FlightStats empty = Stats({}, 10);
    EXPECT_FALSE(empty.maxText);
    EXPECT_FALSE(empty.timeOfMaxS);
    EXPECT_FALSE(empty.maxClimbMS);
    EXPECT_EQ(empty.noLanding, NoLanding::NoSamples);
    EXPECT_EQ(empty.noLaunch, NoLaunch::NoSamples);
}

TEST(FlightStats, SuspectThreshold) {
    EXPECT_FALSE(SuspectMaximum(105.0, 100.0)); // 5 m is not more than 5 m
    EXPECT_TRUE(SuspectMaximum(105.1, 100.0));
    EXPECT_FALSE(SuspectMaximum(2100.0, 2000.0)); // 5 % of 2000 m
    EXPECT_TRUE(SuspectMaximum(2272.4, 2050.9));
    EXPECT_TRUE(SuspectMaximum(653.7, 59.4));
    EXPECT_FALSE(SuspectMaximum(145.0, 100.0, 40.0)); // what a real top may lose at 1/2 s
    EXPECT_TRUE(SuspectMaximum(145.1, 100.0, 40.0));
}

// The profiles real contests log at each rate: fast climbs are logged fast.
struct Profile {
    const char* name;
    float peak, climb, glide;
    unsigned firstCode, lastCode;
};
const Profile kProfiles[] = {
    {"hand-launched glider", 120, 8, 60, 0, 3},
    {"towline glider", 120, 15, 50, 0, 3},
    {"slow towline glider", 120, 20, 60, 4, 5},
    {"rocket", 600, 5, 40, 0, 2},
};

struct Injected {
    const char* name;
    float at; // -1 the record's start (on the ground), 0 launch, 1 the top, 2 halfway down,
              // 3 the landing
    float offset, depthPa, ms;
};
const Injected kTransients[] = {
    {"none", 0, 0, 0, 0},
    {"boost", 0, 0.3f, 8000, 20},
    {"ejection at the top", 1, 0, 3000, 30},
    {"small dip at the top", 1, 0, 400, 10},
    {"glitch on the way down", 2, 0, 1500, 10},
    {"charge fired on the ground 22 s before the launch", -1, 8, 8000, 200},
    {"gust on the ground 5 s before the launch", -1, 25, 3000, 200},
    {"gust on the ground 7 s after the landing", 3, 7, 3000, 200},
};

float TransientTime(const SynthParams& p, const Injected& t) {
    const float top = TrueLaunch(p) + p.climbSeconds;
    const float base = t.at < 0    ? 0
                       : t.at == 0 ? TrueLaunch(p)
                       : t.at == 1 ? top
                       : t.at == 2 ? top + p.glideSeconds / 2
                                   : TrueLanding(p);
    return base + t.offset;
}

// Fastest true climb and sink between samples w apart.
std::pair<double, double> TrueRates(const SynthParams& p, double dt, std::size_t w, std::size_t n) {
    double up = -1e9, down = 1e9;
    for (std::size_t i = 0; i + w < n; ++i) {
        const double r = (TrueAltitude(p, static_cast<float>((i + w) * dt)) -
                          TrueAltitude(p, static_cast<float>(i * dt))) /
                         (w * dt);
        up = std::max(up, r);
        down = std::min(down, r);
    }
    return {up, -down};
}

double RawMaximum(const Flight& f) {
    return f.curve.maximum;
}

TEST(FlightStats, DirtyFlightsAtEveryRate) {
    int suspects = 0, checked = 0;
    for (const Profile& prof : kProfiles)
        for (unsigned code = prof.firstCode; code <= prof.lastCode; ++code)
            for (const Injected& tr : kTransients) {
                SynthParams p = SynthParams::Dirty(code, 7 + code);
                p.peakAltitude = prof.peak;
                p.climbSeconds = prof.climb;
                p.glideSeconds = prof.glide;
                const Flight clean = DecodeRecord(SynthesizeFlight(p), FlightSource::File);
                if (tr.depthPa > 0)
                    p.transients.push_back({TransientTime(p, tr), tr.depthPa, tr.ms});
                const Flight f = DecodeRecord(SynthesizeFlight(p), FlightSource::File);
                const FlightStats s = ComputeStats(f, FilterSettings{});
                const double dt = 10.0 / f.state.samplingRate;
                const std::string where = std::string(prof.name) + ", code " +
                                          std::to_string(code) + ", transient " + tr.name;
                ASSERT_EQ(CheckFlight(f), RecordFault::None) << where;
                ASSERT_TRUE(s.launchS && s.landingS && s.timeOfMaxS) << where;
                // Below 5 samples a second the decoded curve's smoothing carries a boost's
                // spike into the samples around it: within 30 s there.
                const double slow = code <= 3 ? 0.0 : 30.0;
                EXPECT_LE(std::abs(*s.launchS - TrueLaunch(p)), dt + slow + 0.25) << where;
                // A spike on the ground before it leaves the launch at its sample (at one
                // sample per 2 s one 5 s before it lies within the smoothing's reach of the
                // climb).
                if (tr.at < 0 && code <= 4) {
                    EXPECT_LT(std::abs(*s.launchS - *ComputeStats(clean, {}).launchS), dt) << where;
                }
                // Slower than 5 samples a second a spike that cannot be told from a top is
                // the maximum, unflagged.
                const double excess = RawMaximum(f) - RawMaximum(clean);
                const double threshold =
                    std::max(5.0, 0.05 * RawMaximum(clean)) + TopAllowanceM(f.state.samplingRate);
                if (code <= 3 || excess < 0.5 * threshold) {
                    EXPECT_LE(std::abs(*s.timeOfMaxS - (TrueLaunch(p) + p.climbSeconds)), 1.5)
                        << where;
                }
                EXPECT_LE(std::abs(*s.landingS - TrueLanding(p)), slow + 1.5) << where;

                // Suspect exactly when the transient lifted the maximum by more than the
                // threshold and what a real top may lose at this rate; cases near it are not
                // judged.
                if (excess > 2 * threshold || excess < 0.5 * threshold) {
                    EXPECT_EQ(s.maxSuspect, excess > threshold)
                        << where << ": " << *s.maxText << " vs " << *s.maxCleanText;
                    ++checked;
                }
                suspects += s.maxSuspect;

                // Fast flights: the cleaned climb and sink stay within 20 % of the truth,
                // whatever transient the trace carries.
                if (prof.peak >= 600) {
                    const std::size_t w = std::max<std::size_t>(
                        1, static_cast<std::size_t>(std::lround(f.state.samplingRate / 10.0)));
                    const auto [climb, sink] = TrueRates(p, dt, w, f.curve.chartedCount());
                    EXPECT_NEAR(*s.maxClimbMS, climb, 0.2 * climb) << where;
                    EXPECT_NEAR(*s.maxSinkMS, sink, 0.2 * sink) << where;
                }
            }
    EXPECT_GE(checked, 55);  // nearly every case is judged
    EXPECT_GE(suspects, 15); // and the spikes at the top are caught
}

// Glider flights of every kind at every rate whose record holds them, the weather drifting
// both ways: launch and landing within 2 s at 5 samples/s and faster, 30 s slower; the level
// landed at within 2 m and the drift; no smooth flight suspect; a transient at the top
// flagged at 5 samples/s and faster.
TEST(FlightStats, GliderFlights) {
    struct Kind {
        const char* name;
        GliderKind kind;
        float drop, hours;
        unsigned firstCode;
        float driftPa = 50; // over the record, both ways
    };
    const Kind kinds[] = {
        {"hill launch sinking first", GliderKind::HillSink, 650, 1, 2},
        {"landing 50 m below", GliderKind::Below, 50, 1, 1},
        {"landing 1000 m below", GliderKind::Below, 1000, 1, 2},
        {"only descending", GliderKind::Descent, 300, 1, 2},
        {"ridge soaring at the launch level", GliderKind::Ridge, 120, 1, 2},
        {"top landing after ridge soaring", GliderKind::Ridge, 0, 1, 2},
        {"thermal, 1 hour", GliderKind::Thermal, 0, 1, 4},
        {"thermal, 2 hours", GliderKind::Thermal, 0, 2, 4},
        {"thermal, 3 hours", GliderKind::Thermal, 0, 3, 5},
        {"thermal, 4 hours, 26 m of drift", GliderKind::Thermal, 0, 4, 5, 300},
        {"carried back 100 m uphill", GliderKind::CarryBack, 200, 1, 2},
        {"a second take-off (the first counts)", GliderKind::Relaunch, 0, 1, 1},
    };
    constexpr double kMetresPerPascal = 29.271767 * 293.16 / 100000.0;
    int judged = 0;
    for (const Kind& k : kinds) {
        int rates = 0;
        for (unsigned code = k.firstCode; code <= 5; ++code)
            for (const float drift : {k.driftPa, -k.driftPa}) {
                SynthParams p = SynthParams::Glider(k.kind, code, 3 + code, k.drop, k.hours, drift);
                const std::string where = std::string(k.name) + ", code " + std::to_string(code) +
                                          ", drift " + std::to_string(drift);
                if (SynthSampleCount(p) > SampleCount(kMaxRecordSize) - 1) continue;
                ++rates;
                const Flight f = DecodeRecord(SynthesizeFlight(p), FlightSource::File);
                ASSERT_EQ(CheckFlight(f), RecordFault::None) << where;
                const FlightStats s = ComputeStats(f, FilterSettings{});
                const double dt = 10.0 / f.state.samplingRate;
                const double tolerance = code <= 3 ? 2.0 : 30.0;
                if (!s.launchS || !s.landingS) {
                    ADD_FAILURE() << where << ": no launch or landing, "
                                  << static_cast<int>(s.noLaunch) << " "
                                  << static_cast<int>(s.noLanding);
                    continue;
                }
                EXPECT_NEAR(*s.launchS, TrueLaunch(p), tolerance) << where;
                EXPECT_NEAR(*s.landingS, TrueLanding(p), tolerance) << where;
                // The level on the altimeter's own scale: the same flight without drift, noise and
                // steps, 10 s after the landing.
                SynthParams calm = p;
                calm.driftPa = calm.groundNoisePa = calm.quantumPa = 0;
                const Flight c = DecodeRecord(SynthesizeFlight(calm), FlightSource::File);
                const auto after = static_cast<std::size_t>((TrueLanding(p) + 10) / dt);
                const double drifted = p.driftPa * TrueLanding(p) / 180.0 * kMetresPerPascal;
                EXPECT_NEAR(std::stod(*s.landingAltitudeText),
                            c.curve.altitudes[after] / 100.0 - drifted, 2.0)
                    << where << ", truly " << TrueLandingLevel(p);
                EXPECT_FALSE(s.maxSuspect)
                    << where << " " << *s.maxText << " vs " << *s.maxCleanText;
                if (code > 3 || drift < 0) continue;
                // The same flight with an ejection-like dip at its top.
                const float top = static_cast<float>(*s.timeOfMaxS);
                p.transients.push_back({top, 3000, 30});
                const FlightStats spiked =
                    ComputeStats(DecodeRecord(SynthesizeFlight(p), FlightSource::File), {});
                EXPECT_TRUE(spiked.maxSuspect) << where << " " << *spiked.maxText;
                EXPECT_NEAR(*spiked.launchS, *s.launchS, 0.5) << where;
                EXPECT_NEAR(*spiked.landingS, *s.landingS, 0.5) << where;
                ++judged;
            }
        EXPECT_GE(rates, 2) << k.name; // both drifts (3 hours fit at 1 per 2 s only)
    }
    EXPECT_GE(judged, 10);
}

// The sensor's own noise (a few decimetres a sample) on top of the steps: no motion at rest.
TEST(FlightStats, GliderFlightsWithSensorNoise) {
    for (const GliderKind kind : {GliderKind::Below, GliderKind::Descent, GliderKind::Relaunch})
        for (unsigned code = 1; code <= 5; ++code)
            for (std::uint32_t seed = 1; seed <= 3; ++seed) {
                SynthParams p = SynthParams::Glider(kind, code, seed, 100);
                p.noiseWords = 4;
                if (SynthSampleCount(p) > SampleCount(kMaxRecordSize) - 1) continue;
                const FlightStats s =
                    ComputeStats(DecodeRecord(SynthesizeFlight(p), FlightSource::File), {});
                const std::string where = std::to_string(static_cast<int>(kind)) + ", code " +
                                          std::to_string(code) + ", seed " + std::to_string(seed);
                ASSERT_TRUE(s.launchS && s.landingS) << where;
                const double tolerance = code <= 3 ? 5.0 : 30.0;
                EXPECT_NEAR(*s.launchS, TrueLaunch(p), tolerance) << where;
                EXPECT_NEAR(*s.landingS, TrueLanding(p), tolerance) << where;
                EXPECT_FALSE(s.maxSuspect) << where;
            }
}

// A climb and a descent of up to 10 m/s, turned at once at the top (harder than any model
// turns), are never a spike, at any rate.
TEST(FlightStats, SmoothClimbsAreNeverSuspect) {
    for (unsigned code = 0; code <= 5; ++code)
        for (const float speed : {2.0f, 5.0f, 10.0f}) {
            SynthParams p = SynthParams::Dirty(code, 11 + code);
            const float height = 8 * speed + 20; // a top of 36 m to 100 m
            p.flight = {{height / speed, height}, {height / speed, 0}};
            const FlightStats s =
                ComputeStats(DecodeRecord(SynthesizeFlight(p), FlightSource::File), {});
            EXPECT_FALSE(s.maxSuspect) << "code " << code << ", " << speed << " m/s: " << *s.maxText
                                       << " vs " << *s.maxCleanText;
            EXPECT_TRUE(s.launchS && s.landingS) << "code " << code << ", " << speed << " m/s";
        }
}

TEST(FlightChecks, WhatIsNoFlight) {
    const std::vector<std::uint8_t> good = SynthesizeFlight({});
    EXPECT_EQ(CheckFlight(DecodeRecord(good, FlightSource::File)), RecordFault::None);

    const auto changed = [&](auto change) {
        std::vector<std::uint8_t> r = good;
        change(r);
        return CheckRecordBytes(r);
    };
    EXPECT_EQ(changed([](auto& r) { r.resize(31); }), RecordFault::NoHeader);
    EXPECT_EQ(changed([](auto& r) { r.resize(kMaxRecordSize + 1); }), RecordFault::TooLong);
    EXPECT_EQ(changed([](auto& r) { std::fill(r.begin(), r.begin() + 32, 'a'); }),
              RecordFault::Text);
    EXPECT_EQ(changed([](auto& r) { r[10] = r[11] = 0; }), RecordFault::Calibration);
    EXPECT_EQ(changed([](auto& r) { r[30] = r[31] = 0xFF; }), RecordFault::Calibration);
    EXPECT_EQ(changed([](auto& r) { r[7] = 6; }), RecordFault::SamplingCode);

    // Samples no sensor gives on a flight: pressure words all over the range.
    std::vector<Sample> wild;
    for (std::uint16_t k = 0; k < 400; ++k)
        wild.push_back({27898, static_cast<std::uint16_t>(k % 2 ? 1000 : 60000)});
    const auto r = BuildRecord(DatasheetCalibration(), 2, 27898, wild);
    EXPECT_EQ(CheckFlight(DecodeRecord(r, FlightSource::File)), RecordFault::ImpossibleAltitude);

    // Random bytes, as a damaged card or a wrong file gives: never a flight.
    std::mt19937 rng(3);
    for (int i = 0; i < 200; ++i) {
        std::vector<std::uint8_t> junk(100 + rng() % 33000);
        for (auto& b : junk)
            b = static_cast<std::uint8_t>(rng());
        const Flight f = DecodeRecord(junk, FlightSource::File);
        EXPECT_NE(CheckFlight(f), RecordFault::None)
            << i << " size " << junk.size() << " code " << f.header.samplingCode << " max "
            << f.curve.maximum << " min " << f.curve.minimum << " samples " << f.curve.samples;
    }
}

} // namespace
} // namespace orlomat
