#include "core/sensor.h"

#include "core/arith.h"

#include <cmath>

namespace orlomat {

namespace {

// X1 + MD of the datasheet's first step, and B5 when that divisor is not zero.
struct TrueTemperature {
    std::int32_t divisor = 0;
    std::int32_t B5 = 0;
};

TrueTemperature ComputeB5(const Calibration& cal, std::uint16_t ut) {
    const std::int32_t x1 = WrapMul(std::int32_t{ut} - cal.AC6, cal.AC5) / 32768;
    TrueTemperature t;
    t.divisor = WrapAdd(x1, cal.MD);
    if (t.divisor != 0) t.B5 = WrapAdd(x1, TruncDiv(WrapMul(cal.MC, 2048), t.divisor));
    return t;
}

} // namespace

std::int32_t TemperatureTenths(const Calibration& cal, std::uint16_t ut) {
    return WrapAdd(ComputeB5(cal, ut).B5, 8) / 16;
}

CompensationSteps CompensatePressureSteps(const Calibration& cal, std::uint16_t ut,
                                          std::uint16_t up) {
    CompensationSteps s;
    const TrueTemperature t = ComputeB5(cal, ut);
    if (t.divisor == 0) return s;
    s.B5 = t.B5;

    const std::int32_t b6 = WrapSub(s.B5, 4000);
    const std::int32_t b6sq = WrapMul(b6, b6) / 4096;
    std::int32_t x1 = WrapMul(cal.B2, b6sq) / 2048;
    std::int32_t x2 = WrapMul(cal.AC2, b6) / 2048;
    std::int32_t x3 = WrapAdd(x1, x2);
    // The datasheet adds 2 before dividing by 4; the altimeter does not.
    s.B3 = WrapAdd(WrapMul(cal.AC1, 4), x3) / 4;

    x1 = WrapMul(cal.AC3, b6) / 8192;
    x2 = WrapMul(cal.B1, b6sq) / 65536;
    x3 = WrapAdd(WrapAdd(x1, x2), 2) / 4;
    s.B4 = (std::uint32_t{cal.AC4} * static_cast<std::uint32_t>(WrapAdd(x3, 32768))) >> 15;
    s.B7 = static_cast<std::uint32_t>(WrapMul(WrapSub(up, s.B3), 50000));
    if (s.B4 == 0) return s;

    const std::uint32_t pu = s.B7 < 0x80000000u ? s.B7 * 2u / s.B4 : s.B7 / s.B4 * 2u;
    std::int32_t p = static_cast<std::int32_t>(pu);
    s.pBeforeCorrection = p;

    // The altimeter squares p / 256 in floating point, not the integer quotient.
    const double q = p / 256.0;
    x1 = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(q * q))));
    x1 = WrapMul(x1, 3038) / 65536;
    x2 = WrapMul(-7357, p) / 65536;
    p = WrapAdd(p, WrapAdd(WrapAdd(x1, x2), 3791) / 16);
    s.pressure = p;
    return s;
}

std::int8_t HeaderTemperature(const Calibration& cal, std::uint16_t ut) {
    const TrueTemperature tt = ComputeB5(cal, ut);
    if (tt.divisor == 0) return 0; // an empty header: 0 degrees rather than a trap
    const std::int32_t tenths = WrapAdd(tt.B5, 8) / 16;
    // Held in a signed byte: the whole degrees reduced modulo 256.
    auto t = static_cast<std::int8_t>(static_cast<std::uint8_t>(tenths / 10));
    if (t > 0) t = static_cast<std::int8_t>(t * 0.81);
    if (t > 80 || t < -30) t = 20;
    return t;
}

float PressureToAltitude(float p, float p0, float temperature) {
    const float scale = (temperature + 273.16f) * 29.271767f;
    return scale * -std::log(p / p0);
}

} // namespace orlomat
