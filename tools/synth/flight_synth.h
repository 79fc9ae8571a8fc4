// Builds realistic flight records for demos and tests: ground, launch, climb, glide,
// landing, sensor noise and one spike, encoded through the inverse of the sensor compensation.
#pragma once

#include "core/flight_record.h"

#include <cstdint>
#include <vector>

namespace orlomat {

// The coefficients of the sensor datasheet's worked example.
Calibration DatasheetCalibration();

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
};

// Raw pressure word whose compensated pressure comes nearest to `pascal`.
std::uint16_t RawPressureFor(const Calibration& cal, std::uint16_t ut, std::int32_t pascal);

// Raw temperature word whose true temperature comes nearest to `tenths` (0.1 degrees C).
std::uint16_t RawTemperatureFor(const Calibration& cal, std::int32_t tenths);

std::vector<std::uint8_t> SynthesizeFlight(const SynthParams& params);

// A header with the given calibration and code, followed by these raw samples as given.
std::vector<std::uint8_t> BuildRecord(const Calibration& cal, unsigned samplingCode,
                                      std::uint16_t headerUt, const std::vector<Sample>& samples);

} // namespace orlomat
