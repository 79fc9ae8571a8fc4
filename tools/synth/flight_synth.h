// Builds realistic flight records for demos and tests: ground, launch, climb, glide,
// landing, sensor noise and one spike, encoded through the inverse of the sensor compensation.
// Glider flights too: launched from a hill, landing below it, soaring at the launch level,
// thermalling for hours, carried back after the landing, launched again.
// On request also what real pressure traces carry: the sensor's quantisation steps, ground
// noise, the model lifted and carried about before the launch, short pressure transients
// (ejection charges, boost) and weather drift.
#pragma once

#include "core/flight_record.h"

#include <cstdint>
#include <vector>

namespace orlomat {

// The coefficients of the sensor datasheet's worked example.
Calibration DatasheetCalibration();

// One stretch of a glider's path: straight from the altitude before to `to` (metres from the
// start) in `seconds`, with `wobble` metres of up and down in whole periods of about
// `period` seconds (circling in a thermal, beats along a ridge, steps while carried).
struct Leg {
    float seconds = 0.0f;
    float to = 0.0f;
    float wobble = 0.0f;
    float period = 30.0f;
};

enum class GliderKind {
    HillSink,  // launched from a hill, sinks 40 m first, climbs, lands `drop` below the start
    Below,     // climbs 150 m, lands `drop` below the start
    Descent,   // only descends from the hilltop to the valley `drop` below
    Ridge,     // soars along the ridge at the launch level for 5 minutes, lands `drop` below
    Thermal,   // aerotow to 400 m, thermals and glides for `hours`, lands at the start level
    CarryBack, // lands `drop` below, rests a minute, is carried 100 m back uphill
    Relaunch,  // a short flight, a landing at the start, a second, higher flight
};

struct SynthParams {
    unsigned samplingCode = 2; // 10 samples per second
    std::uint16_t competitor = 12;
    std::uint16_t serial = 345;
    std::uint16_t calibrationWord = 10000;
    float groundTemperature = 20.0f; // degrees C the header's UT should show (before 0.81)
    float groundPressureHpa = 1000.0f;
    float peakAltitude = 120.0f; // metres
    float climbSeconds = 8.0f;
    float glideSeconds = 60.0f;
    float groundSeconds = 3.0f; // before launch and after landing
    unsigned noiseWords = 1;    // raw pressure noise, +- words
    bool spike = true;
    std::uint32_t seed = 1;
    std::size_t maxLength = kMaxRecordSize; // the record never grows beyond this
    bool endMarker = true;

    // A short pressure dip: the altitude shoots up for one or two samples.
    struct Transient {
        float atSeconds = 0.0f; // from the first sample; the sample nearest it is always hit
        float depthPa = 0.0f;
        float milliseconds = 20.0f;
    };
    float quantumPa = 0.0f;     // pressures rounded to steps of this size (0: none)
    float groundNoisePa = 0.0f; // +- uniform noise over the first noiseSeconds
    float noiseSeconds = 5.0f;
    bool handling = false; // lifted, put down, carried over a 5 m rise before launch
    float driftPa = 0.0f;  // weather: the ground pressure changes this much in 3 min
    std::vector<Transient> transients{};

    // A glider's path after the launch (replacing peak, climb and glide when not empty), and
    // what follows its landing (at rest until a leg changes the altitude).
    std::vector<Leg> flight{};
    std::vector<Leg> afterLanding{};
    float turbulence = 0.0f; // metres of gusts' up and down in flight

    // A glider flight of `kind` with all the imperfections of Dirty (no transient), the
    // weather drifting +-driftTotalPa over the whole record.
    static SynthParams Glider(GliderKind kind, unsigned code, std::uint32_t seed,
                              float drop = 300.0f, float hours = 1.0f, float driftTotalPa = 50.0f);

    // All the imperfections of a real trace but transients: 13.6 Pa steps, +-30 Pa ground
    // noise, handling, +50 Pa drift; a ground phase long enough for the handling.
    static SynthParams Dirty(unsigned code, std::uint32_t seed);
};

// The altitude (metres) the profile of `p` gives at time t, handling included: the truth a
// test compares figures with.
float TrueAltitude(const SynthParams& p, float t);

// Time of the launch (the climb's start) and of the (first) landing, in seconds, and the
// altitude the model comes to rest at, metres from the start (no drift).
float TrueLaunch(const SynthParams& p);
float TrueLanding(const SynthParams& p);
float TrueLandingLevel(const SynthParams& p);
// Seconds the whole record spans, and the samples it takes (end mark not counted).
float SynthSeconds(const SynthParams& p);
std::size_t SynthSampleCount(const SynthParams& p);

// Raw pressure word whose compensated pressure comes nearest to `pascal`.
std::uint16_t RawPressureFor(const Calibration& cal, std::uint16_t ut, std::int32_t pascal);

// Raw temperature word whose true temperature comes nearest to `tenths` (0.1 degrees C).
std::uint16_t RawTemperatureFor(const Calibration& cal, std::int32_t tenths);

std::vector<std::uint8_t> SynthesizeFlight(const SynthParams& params);

// A header with the given calibration and code, followed by these raw samples as given.
std::vector<std::uint8_t> BuildRecord(const Calibration& cal, unsigned samplingCode,
                                      std::uint16_t headerUt, const std::vector<Sample>& samples);

} // namespace orlomat
