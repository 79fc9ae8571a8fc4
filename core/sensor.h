// Sensor compensation (the BMP085/BMP180 algorithm for oversampling setting 0, with the
// altimeter's own rounding) and the barometric altitude formula.
#pragma once

#include "core/flight_record.h"

#include <cstdint>

namespace orlomat {

// Intermediate values of one compensation, kept for tests and diagnostics.
struct CompensationSteps {
    std::int32_t B5 = 0;
    std::int32_t B3 = 0;
    std::uint32_t B4 = 0;
    std::uint32_t B7 = 0;
    std::int32_t pBeforeCorrection = 0; // p after step 8
    std::int32_t pressure = 0;          // result in Pa
};

CompensationSteps CompensatePressureSteps(const Calibration& cal, std::uint16_t ut,
                                          std::uint16_t up);

// Pressure in Pa. A zero divisor (as with an all-zero header) gives 0.
inline std::int32_t CompensatePressure(const Calibration& cal, std::uint16_t ut, std::uint16_t up) {
    return CompensatePressureSteps(cal, ut, up).pressure;
}

// The sensor's true temperature in tenths of a degree C, (B5 + 8) / 16.
std::int32_t TemperatureTenths(const Calibration& cal, std::uint16_t ut);

// Whole-degree header temperature: the signed 8-bit reduction, positive values times 0.81,
// anything outside -30..80 replaced by 20.
std::int8_t HeaderTemperature(const Calibration& cal, std::uint16_t ut);

// Altitude in metres for a pressure p (hPa) over the reference p0 (hPa) at T degrees Celsius,
// every step rounded to single precision.
float PressureToAltitude(float p, float p0, float temperature);

} // namespace orlomat
