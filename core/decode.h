// Interpretation of a flight's header and decoding of its samples into the altitude curve.
// Pure functions: the window shows what they return; nothing here draws.
#pragma once

#include "core/flight_record.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orlomat {

// Per-flight decoding state.
struct DecodingState {
    Calibration calibration;
    float flightTemperature = 20.0f; // degrees Celsius, used by the altitude formula
    std::int8_t temperatureByte = 0; // whole-degree header temperature
    std::uint32_t samplingRate = 10; // samples per 10 seconds
    float referencePressure = 0.0f;  // hPa, set by the decoding
};

// What the header gives the window: the values and texts of the flight's group.
struct HeaderInfo {
    FlightHeader header;
    std::int8_t temperature = 0; // after the 0.81 and range rules
    unsigned samplingCode = 0;
    std::string samplingText;
    std::uint32_t samplingRate = 0; // from the column of the given source
};

HeaderInfo InterpretFlightHeader(std::span<const std::uint8_t> record, FlightSource source);

// Fills a flight's decoding state from its header, as a download or a file load does.
void ApplyHeaderToState(const HeaderInfo& info, DecodingState& state);

struct ChartPoint {
    float y = 0.0f; // metres
    std::string label;
};

// The decoded flight: tables, chart points and the values shown beside the chart.
struct FlightCurve {
    std::uint32_t samples = 0; // sample records decoded (up to and including the end marker)
    std::vector<std::int32_t> pressures; // Pa, one per decoded sample
    float referencePressure = 0.0f;      // hPa
    // Entries 0..M-1: charted altitudes in cm; entry M: the end mark.
    std::vector<std::int32_t> altitudes;
    // The decoded altitudes behind the charted ones (the last samples, which never reach the
    // chart), in cm: a landing in the last seconds of a record is found there. The end
    // marker's own altitude, and the one smoothed with it, are not among them.
    std::vector<std::int32_t> unchartedAltitudes;
    bool endMarker = false; // the decoding stopped at the end marker
    // Smoothed speeds in cm per sample interval (as many entries as the decoding wrote).
    std::vector<std::int32_t> speeds;
    std::uint32_t smoothedCount = 0;
    std::vector<ChartPoint> altitudePoints; // the chart's Altitude series, with time labels
    std::vector<float> speedPoints;         // its Speed series, metres per sample interval
    float maximum = 0.0f;                   // metres
    float minimum = 10000.0f;               // metres
    std::int32_t leftAxisMaximum = 0;
    int minorTickCount = 0;

    // Number of charted points M (the position of the end mark).
    std::size_t chartedCount() const { return altitudes.empty() ? 0 : altitudes.size() - 1; }
};

// The first steps of a decoding, shared by both flights: the samples that count (wordCount / 2,
// bounded by the record and ended by the first end marker), their pressures, the reference
// pressure (also stored in the state) and the unsmoothed altitudes in centimetres.
struct ConvertedSamples {
    std::vector<std::int32_t> pressures;
    std::vector<std::int32_t> altitudes;
    float referencePressure = 0.0f;
};
ConvertedSamples ConvertSamples(std::span<const std::uint8_t> record, DecodingState& state,
                                std::uint32_t wordCount);

// Decodes up to wordCount / 2 samples of the record (never past its end, and never past the
// first end marker). Sets state.referencePressure.
// Without `chartPoints` the altitude table and the figures are filled but no chart point is
// made and the speed table is left unaveraged (a results table over many flights needs
// neither).
FlightCurve DecodeFlight(std::span<const std::uint8_t> record, DecodingState& state, bool showSpeed,
                         std::uint32_t wordCount, bool chartPoints = true);

// Running three-point mean over the altitudes, in place and in increasing order (entry i-1
// is already smoothed when entry i is computed); returns the speeds, speed k being smoothed
// altitude k+1 minus smoothed altitude k. Nothing changes for fewer than three entries.
std::vector<std::int32_t> SmoothAltitudes(std::span<std::int32_t> altitudes);

// The vertical-speed points of the M charted altitude points: the speed table is averaged
// four entries at a time ahead of the drawing (in place), and point i (for i < M - 2) is the
// previous entry in metres, 0 for the first.
std::vector<float> VerticalSpeedPoints(std::vector<std::int32_t>& speeds, std::size_t m);

// Time label of chart point i: the whole seconds when point i falls on one, else empty.
std::string PointLabel(std::size_t index, std::uint32_t samplingRate);

// Minor ticks of the bottom axis between two second labels (0 at 1 sample/s or slower).
int MinorTickCount(std::uint32_t samplingRate);

} // namespace orlomat
