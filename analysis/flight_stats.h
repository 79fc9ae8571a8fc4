// The figures a contest official reads off a flight: launch, maximum, landing, duration and
// climb and sink rates. A flight starts and ends at rest, at whatever level (a field, a hilltop,
// a valley below it); the figures are judged in seconds and metres, so that they mean the same
// at every sampling rate. The maximum is compared with the curve cleared of short pressure
// transients (an ejection charge, a gust on the sensor port), which no model can fly, so that
// one cannot pass for the flight's result unnoticed.
#pragma once

#include "analysis/filter_chain.h"
#include "core/flight.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orlomat {

// Why a flight has no launch.
enum class NoLaunch {
    None,          // it has one
    NeverLaunched, // it never left its level by more than kFlightDepartureCm
    StartedAloft,  // the record starts in the air: no rest before the flight
    NoSamples,     // the record holds no charted sample at all
};

// Why a flight has no landing.
enum class NoLanding {
    None,          // it has one
    NeverLaunched, // it never left its level by more than kFlightDepartureCm
    StillAloft,    // the record ends, with its end mark, before the model comes to rest
    RecordCut,     // the record ends without its end mark: the download was cut
    NoSamples,     // the record holds no charted sample at all
};

// The rules of rest and flight, in seconds and centimetres, the same at every rate.
// At rest the altitude (its mean over a second, against the sensor's noise) stays within a
// band of kRestBandCm: the sensor's steps (about 1.1 m) and the weather's drift over the time
// judged.
constexpr std::int32_t kRestBandCm = 250;
// Before the launch: a rest this long (and 3 samples), or the record's first
// kStartStillSeconds (2 samples), gives the level the model starts from; lifts, a box, a walk
// up a slope and the hand before the throw stay within kFlightDepartureCm of it.
constexpr double kStillSeconds = 5.0;
constexpr double kStartStillSeconds = 1.0;
constexpr std::int32_t kFlightDepartureCm = 700;
// After the launch: the model has landed once it stays at rest this long (no model flies
// that level), or at rest for a third of it up to the end mark of a complete record, or
// within one sensor step for kLandedAtEndSeconds up to that mark (the altimeter is stopped on
// the ground; its memory lasts hours).
constexpr double kLandedSeconds = 30.0;
constexpr double kLandedAtEndSeconds = 2.0;
constexpr std::int32_t kSensorStepCm = 120;
// A sink this fast or faster over ten seconds is flight, not a model settling on the ground.
constexpr double kGlideSinkMps = 0.15;
// A transient lifts the curve for tens of milliseconds to a few tenths of a second: the
// clean curve drops every peak narrower than this.
constexpr double kTransientSeconds = 0.5;
// No model turns from climb to descent harder than this (m/s^2, a ballistic top): what a real
// top can lose to the cleaning is allowed on top of the threshold.
constexpr double kTurnAcceleration = 10.0;

struct FlightStats {
    std::optional<std::string> maxText;         // the maximum as the window shows it
    std::optional<std::string> maxFilteredText; // the filter button's maximum, the same way
    std::optional<std::string> maxCleanText;    // the maximum without transients, compared with
    bool maxSuspect = false; // the maximum stands well above the one without transients
    // Times in seconds from the first sample. With a suspect maximum the time of the maximum is
    // that of the highest sample off the transients.
    std::optional<double> timeOfMaxS;
    // The first flight: launch is its departure from the level it rested at before, landing
    // the start of its rest after (a second take-off after that is not counted).
    std::optional<double> launchS;
    NoLaunch noLaunch = NoLaunch::None;
    std::optional<double> landingS;
    NoLanding noLanding = NoLanding::None;
    std::optional<std::int32_t> landingAltitudeCm;  // the level it came to rest at
    std::optional<std::string> landingAltitudeText; // the same, metres, one decimal, signed
    std::optional<double> durationS;                // landing minus launch
    std::optional<double> climbMS; // mean climb from launch to the maximum, m/s, when the
                                   // maximum lies in the first flight
    // Fastest climb and sink over about a second, on the cleaned curve (on the decoded one
    // when the flight is too short to clean); the raw ones on the decoded curve.
    std::optional<double> maxClimbMS, maxSinkMS;
    std::optional<double> maxClimbRawMS, maxSinkRawMS;
};

struct StatsTables {
    std::span<const std::int32_t> charted;   // the charted altitudes, cm
    std::span<const std::int32_t> uncharted; // the decoded altitudes behind them
    std::span<const std::int32_t> cleaned;   // the charted ones after the filter chain, or empty
    std::uint32_t samplingRate = 10;         // samples per 10 s
    bool recordComplete = true;              // the record ends with its end mark
};

FlightStats ComputeStats(const StatsTables& tables);

// The tables of a decoded flight (no cleaned curve); they point into `flight`.
StatsTables FlightTables(const Flight& flight);

// The figures of a decoded flight, cleaned with `filter` as its filter button would; the
// cleaned curve goes to `cleaned` when given (empty when the flight is too short to clean).
FlightStats ComputeStats(const Flight& flight, const FilterSettings& filter,
                         std::vector<std::int32_t>* cleaned = nullptr);

// The maximum stands more than max(5.0 m, 5 % of the clean maximum) + allowanceM above the
// clean one.
bool SuspectMaximum(double maximumM, double cleanMaximumM, double allowanceM = 0.0);

// The curve without its upward peaks narrower than kTransientSeconds (at least one sample
// step), and the height a real top may lose to it at `samplingRate`, metres.
std::vector<std::int32_t> WithoutTransients(std::span<const std::int32_t> altitudes,
                                            std::uint32_t samplingRate);
double TopAllowanceM(std::uint32_t samplingRate);

} // namespace orlomat
