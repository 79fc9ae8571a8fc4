#include "tools/synth/flight_synth.h"

#include "core/sensor.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace orlomat {

Calibration DatasheetCalibration() {
    Calibration c;
    c.AC1 = 408;
    c.AC2 = -72;
    c.AC3 = -14383;
    c.AC4 = 32741;
    c.AC5 = 32757;
    c.AC6 = 23153;
    c.B1 = 6190;
    c.B2 = 4;
    c.MB = -32768;
    c.MC = -8711;
    c.MD = 2868;
    return c;
}

std::uint16_t RawPressureFor(const Calibration& cal, std::uint16_t ut, std::int32_t pascal) {
    // The compensated pressure grows with the raw word; bisect for the nearest.
    std::int32_t lo = 0, hi = 0xFFFE;
    while (lo < hi) {
        const std::int32_t mid = (lo + hi) / 2;
        if (CompensatePressure(cal, ut, static_cast<std::uint16_t>(mid)) < pascal)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo > 0) {
        const auto below = CompensatePressure(cal, ut, static_cast<std::uint16_t>(lo - 1));
        const auto at = CompensatePressure(cal, ut, static_cast<std::uint16_t>(lo));
        if (pascal - below < at - pascal) --lo;
    }
    return static_cast<std::uint16_t>(lo);
}

std::uint16_t RawTemperatureFor(const Calibration& cal, std::int32_t tenths) {
    std::uint16_t best = 0;
    std::int64_t bestErr = INT64_MAX;
    for (std::uint32_t ut = 0; ut <= 0xFFFF; ut += 1) {
        const auto steps = CompensatePressureSteps(cal, static_cast<std::uint16_t>(ut), 0);
        const std::int64_t err = std::llabs(std::int64_t{(steps.B5 + 8) / 16} - tenths);
        if (err < bestErr) {
            bestErr = err;
            best = static_cast<std::uint16_t>(ut);
        }
    }
    return best;
}

std::vector<std::uint8_t> BuildRecord(const Calibration& cal, unsigned samplingCode,
                                      std::uint16_t headerUt, const std::vector<Sample>& samples) {
    FlightHeader h;
    h.competitor = 12;
    h.serial = 345;
    h.temperatureWord = headerUt;
    h.samplingByte = static_cast<std::uint8_t>(samplingCode);
    h.calibrationWord = 10000;
    h.calibration = cal;
    const auto header = HeaderBytes(h);
    std::vector<std::uint8_t> r(header.begin(), header.end());
    r.resize(kHeaderSize + kSampleSize * samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        WriteU16(r, kHeaderSize + kSampleSize * i, samples[i].ut);
        WriteU16(r, kHeaderSize + kSampleSize * i + 2, samples[i].up);
    }
    return r;
}

namespace {

float LegsSeconds(const std::vector<Leg>& legs) {
    float s = 0.0f;
    for (const Leg& l : legs)
        s += l.seconds;
    return s;
}

// Along the legs from altitude `from`, t seconds after their start; the end altitude after.
float LegsAltitude(const std::vector<Leg>& legs, float from, float t) {
    float h = from;
    for (const Leg& l : legs) {
        if (t < l.seconds) {
            const float x = t / l.seconds;
            const float turns = std::max(1.0f, std::round(l.seconds / l.period));
            return h + (l.to - h) * x + l.wobble * std::sin(x * turns * 6.2831855f);
        }
        t -= l.seconds;
        h = l.to;
    }
    return h;
}

// Gusts: a few incommensurate waves, fading in and out over 5 s at launch and landing.
float Gusts(const SynthParams& p, float t) {
    if (p.turbulence <= 0.0f) return 0.0f;
    const float launch = TrueLaunch(p), landing = TrueLanding(p);
    if (t <= launch || t >= landing) return 0.0f;
    const float fade = std::min({1.0f, (t - launch) / 5.0f, (landing - t) / 5.0f});
    const float phase = static_cast<float>(p.seed % 97);
    const float w = 0.5f * std::sin(t * 0.861f + phase) + 0.3f * std::sin(t * 2.03f + 2 * phase) +
                    0.4f * std::sin(t * 0.37f + 3 * phase);
    return p.turbulence * fade * w;
}

// Altitude profile in metres at time t (seconds since the first sample).
float ProfileAltitude(const SynthParams& p, float t) {
    if (!p.flight.empty()) {
        const float launch = p.groundSeconds, landing = TrueLanding(p);
        if (t < launch) return 0.0f;
        if (t < landing) return LegsAltitude(p.flight, 0.0f, t - launch) + Gusts(p, t);
        return LegsAltitude(p.afterLanding, TrueLandingLevel(p), t - landing);
    }
    const float launch = p.groundSeconds;
    const float top = launch + p.climbSeconds;
    const float landing = top + p.glideSeconds;
    if (t < launch || t >= landing) return 0.0f;
    if (t < top) {
        const float x = (t - launch) / p.climbSeconds; // fast climb, easing into the top
        return p.peakAltitude * std::sin(x * 1.5707964f);
    }
    const float x = (t - top) / p.glideSeconds; // steady glide with a gentle thermal bump
    return p.peakAltitude * (1.0f - x) + 4.0f * std::sin(x * 6.2831855f);
}

// Linear between the corners (t, h) of a piecewise path.
float Path(std::initializer_list<std::pair<float, float>> corners, float t) {
    auto prev = *corners.begin();
    for (const auto& c : corners) {
        if (t < c.first) {
            if (c.first <= prev.first) return prev.second;
            return prev.second +
                   (c.second - prev.second) * (t - prev.first) / (c.first - prev.first);
        }
        prev = c;
    }
    return prev.second;
}

// Before the launch a model is lifted to shoulder height and put down again, set on a box,
// carried over a 5 m rise and back, and launched from the hand (1.5 m).
float HandlingAltitude(const SynthParams& p, float t) {
    const float g = p.groundSeconds;
    if (!p.handling || t >= g) return p.handling && t < TrueLanding(p) ? 1.5f : 0.0f;
    const float x = t / g;
    return Path({{0.10f, 0.0f},
                 {0.12f, 1.5f},
                 {0.20f, 1.5f},
                 {0.22f, 0.0f},
                 {0.30f, 0.0f},
                 {0.31f, 1.0f},
                 {0.38f, 1.0f},
                 {0.39f, 0.0f},
                 {0.45f, 0.0f},
                 {0.60f, 5.0f},
                 {0.66f, 5.0f},
                 {0.80f, 0.0f},
                 {0.90f, 0.0f},
                 {0.92f, 1.5f}},
                x);
}

} // namespace

float TrueLaunch(const SynthParams& p) {
    return p.groundSeconds;
}

float TrueLanding(const SynthParams& p) {
    if (!p.flight.empty()) return p.groundSeconds + LegsSeconds(p.flight);
    return p.groundSeconds + p.climbSeconds + p.glideSeconds;
}

float TrueLandingLevel(const SynthParams& p) {
    return p.flight.empty() ? 0.0f : p.flight.back().to;
}

float SynthSeconds(const SynthParams& p) {
    if (!p.flight.empty()) return TrueLanding(p) + LegsSeconds(p.afterLanding) + p.groundSeconds;
    return 2.0f * p.groundSeconds + p.climbSeconds + p.glideSeconds;
}

std::size_t SynthSampleCount(const SynthParams& p) {
    const std::uint32_t rate = SamplingRateValue(p.samplingCode, FlightSource::Download);
    return static_cast<std::size_t>(SynthSeconds(p) * static_cast<float>(rate) / 10.0f) + 1;
}

SynthParams SynthParams::Glider(GliderKind kind, unsigned code, std::uint32_t seed, float drop,
                                float hours, float driftTotalPa) {
    SynthParams p = Dirty(code, seed);
    p.turbulence = 1.0f;
    const float glide = 1.2f; // m/s down in a glide
    switch (kind) {
    case GliderKind::HillSink:
        p.flight = {{36, -40, 0.5f, 12}, {125, 210, 3, 25}, {(210 + drop) / glide, -drop, 2, 40}};
        break;
    case GliderKind::Below:
    case GliderKind::CarryBack:
        p.flight = {{60, 150, 2, 20}, {(150 + drop) / glide, -drop, 2, 40}};
        if (kind == GliderKind::CarryBack)
            p.afterLanding = {{60, -drop}, {400, 100 - drop, 0.5f, 1.7f}};
        break;
    case GliderKind::Descent:
        p.turbulence = 0.3f; // never a climb
        p.flight = {{drop / 1.1f, -drop}};
        break;
    case GliderKind::Ridge:
        // A top landing dips in front of the ridge, comes back over it and down onto it.
        p.flight = {{10, 12},
                    {300, 0, 10, 40},
                    {std::max(drop / glide, 30.0f), -drop, drop < 30 ? -6.0f : 1.0f, 30}};
        break;
    case GliderKind::Thermal: {
        p.flight = {{130, 400, 1, 15}};
        const float cycles = std::floor((hours * 3600.0f - 130.0f - 400.0f) / 350.0f);
        for (float c = 0; c < cycles; ++c) {
            p.flight.push_back({100, 650, 2, 20});
            p.flight.push_back({250, 400, 1, 60});
        }
        p.flight.push_back({400, 0, 1, 50});
        break;
    }
    case GliderKind::Relaunch:
        p.flight = {{40, 80, 1, 15}, {70, 0, 1, 20}};
        p.afterLanding = {{90, 0}, {2, 1.5f}, {3, 1.5f}, {60, 200, 2, 20}, {170, 0, 2, 30}};
        break;
    }
    p.driftPa = driftTotalPa * 180.0f / SynthSeconds(p);
    return p;
}

SynthParams SynthParams::Dirty(unsigned code, std::uint32_t seed) {
    SynthParams p;
    p.samplingCode = code;
    p.seed = seed;
    p.spike = false;
    p.noiseWords = 0;
    p.quantumPa = 13.6f;
    p.groundNoisePa = 30.0f;
    p.handling = true;
    p.driftPa = 50.0f;
    p.groundSeconds = 30.0f;
    // At one sample every 2 s, ground noise over 5 s is two samples: keep it for 10.
    p.noiseSeconds = code >= 5 ? 10.0f : 5.0f;
    return p;
}

float TrueAltitude(const SynthParams& p, float t) {
    return ProfileAltitude(p, t) + HandlingAltitude(p, t);
}

std::vector<std::uint8_t> SynthesizeFlight(const SynthParams& p) {
    const Calibration cal = DatasheetCalibration();
    const std::uint32_t rate = SamplingRateValue(p.samplingCode, FlightSource::Download);
    const float dt = 10.0f / static_cast<float>(rate);
    const std::size_t maxSamples = SampleCount(std::min(p.maxLength, kMaxRecordSize));
    std::size_t count = SynthSampleCount(p);
    const bool marker = p.endMarker && maxSamples > 0;
    count = std::min(count, maxSamples - (marker ? 1 : 0));

    const std::uint16_t ut =
        RawTemperatureFor(cal, static_cast<std::int32_t>(std::lround(p.groundTemperature * 10.0f)));
    std::mt19937 rng(p.seed);
    std::uniform_int_distribution<int> noise(-static_cast<int>(p.noiseWords),
                                             static_cast<int>(p.noiseWords));
    std::uniform_real_distribution<double> groundNoise(-p.groundNoisePa, p.groundNoisePa);
    const double tK = p.groundTemperature + 273.16;
    std::vector<Sample> samples;
    samples.reserve(count + 1);
    for (std::size_t i = 0; i < count; ++i) {
        const float t = static_cast<float>(i) * dt;
        const float h = TrueAltitude(p, t);
        double pa = p.groundPressureHpa * 100.0 * std::exp(-h / (tK * 29.271767));
        pa += p.driftPa * t / 180.0f;
        if (i > 0 && t < p.noiseSeconds && p.groundNoisePa > 0) pa += groundNoise(rng);
        for (const auto& tr : p.transients) {
            const float nearest = std::round(tr.atSeconds / dt) * dt;
            if (std::abs(t - nearest) < dt / 2 ||
                (t >= tr.atSeconds && t < tr.atSeconds + tr.milliseconds / 1000.0f))
                pa -= tr.depthPa;
        }
        if (p.quantumPa > 0) pa = std::round(pa / p.quantumPa) * p.quantumPa;
        int up = RawPressureFor(cal, ut, static_cast<std::int32_t>(std::lround(pa)));
        if (i > 0) up += noise(rng);             // sample 0 is the ground reference
        if (p.spike && i == count / 2) up -= 60; // one sensor glitch, ~20 m up
        samples.push_back({ut, static_cast<std::uint16_t>(std::clamp(up, 0, 0xFFFE))});
    }
    if (marker) samples.push_back({ut, kEndMarker});

    std::vector<std::uint8_t> r = BuildRecord(cal, p.samplingCode, ut, samples);
    WriteU16(r, 1, p.competitor);
    WriteU16(r, 3, p.serial);
    WriteU16(r, 8, p.calibrationWord);
    return r;
}

} // namespace orlomat
