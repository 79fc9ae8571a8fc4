#include "core/decode.h"

#include "core/arith.h"
#include "core/sensor.h"

#include <algorithm>
#include <cstdlib>

namespace orlomat {

HeaderInfo InterpretFlightHeader(std::span<const std::uint8_t> record, FlightSource source) {
    HeaderInfo info;
    info.header = ParseHeader(record);
    info.temperature = HeaderTemperature(info.header.calibration, info.header.temperatureWord);
    info.samplingCode = info.header.samplingCode();
    info.samplingText = std::string(SamplingText(info.samplingCode));
    info.samplingRate = SamplingRateValue(info.samplingCode, source);
    return info;
}

void ApplyHeaderToState(const HeaderInfo& info, DecodingState& state) {
    state.calibration = info.header.calibration;
    state.temperatureByte = info.temperature;
    state.flightTemperature = static_cast<float>(info.temperature);
    state.samplingRate = info.samplingRate;
}

std::string PointLabel(std::size_t index, std::uint32_t samplingRate) {
    const std::uint64_t t = std::uint64_t{10} * index;
    if (samplingRate == 0 || t % samplingRate != 0) return {};
    return std::to_string(t / samplingRate);
}

int MinorTickCount(std::uint32_t samplingRate) {
    return samplingRate > 10 ? static_cast<int>(samplingRate / 10) - 1 : 0;
}

namespace {

// Samples that count: wordCount / 2, bounded by the record and ended by the first end marker.
std::size_t CountedSamples(std::span<const std::uint8_t> record, std::uint32_t wordCount) {
    const std::size_t n =
        std::min<std::size_t>({wordCount / 2u, SampleCount(record.size()), kTableSize - 1});
    for (std::size_t k = 0; k < n; ++k)
        if (SampleAt(record, k).up == kEndMarker) return k + 1;
    return n;
}

float ReferencePressure(std::span<const std::uint8_t> record, const Calibration& cal,
                        std::size_t n) {
    if (n == 0) return 0.0f;
    const int u0 = SampleAt(record, 0).up;
    float sum = 0.0f;
    int count = 0;
    for (std::size_t k = 0; k < std::min<std::size_t>(n, 10); ++k) {
        const Sample s = SampleAt(record, k);
        if (std::abs(s.up - u0) < 5) {
            sum += static_cast<float>(CompensatePressure(cal, s.ut, s.up)) * 0.01f;
            ++count;
        }
    }
    return sum / static_cast<float>(count);
}

} // namespace

std::vector<std::int32_t> SmoothAltitudes(std::span<std::int32_t> alt) {
    const std::size_t n = alt.size();
    if (n <= 2) return {};
    std::vector<std::int32_t> speed(n - 2);
    for (std::size_t i = 1; i <= n - 2; ++i) {
        alt[i] = WrapAdd(WrapAdd(alt[i - 1], alt[i]), alt[i + 1]) / 3;
        speed[i - 1] = WrapSub(alt[i], alt[i - 1]);
    }
    return speed;
}

ConvertedSamples ConvertSamples(std::span<const std::uint8_t> record, DecodingState& state,
                                std::uint32_t wordCount) {
    ConvertedSamples out;
    const std::size_t n = CountedSamples(record, wordCount);
    state.referencePressure = ReferencePressure(record, state.calibration, n);
    out.referencePressure = state.referencePressure;
    // Whole centimetres; h * 100 is exact in double, then truncated.
    out.altitudes.resize(n);
    out.pressures.resize(n);
    for (std::size_t k = 0; k < n; ++k) {
        const Sample s = SampleAt(record, k);
        const std::int32_t p = CompensatePressure(state.calibration, s.ut, s.up);
        out.pressures[k] = p;
        const float h = PressureToAltitude(static_cast<float>(p) * 0.01f, state.referencePressure,
                                           state.flightTemperature);
        out.altitudes[k] = TruncToInt32(static_cast<double>(h) * 100.0);
    }
    return out;
}

std::vector<float> VerticalSpeedPoints(std::vector<std::int32_t>& speed, std::size_t m) {
    std::vector<float> points;
    if (m > 2) points.reserve(m - 2);
    float v = 0.0f;
    for (std::size_t i = 0; i < m; ++i) {
        if (i + 2 < m) points.push_back(v);
        v = static_cast<float>(speed[i]) * 0.01f;
        // Four-point mean of the speeds around i (entry -1 counts as 0); m = n - 5 keeps
        // i + 2 inside the table.
        const std::int32_t before = i > 0 ? speed[i - 1] : 0;
        const std::int32_t sum =
            WrapAdd(WrapAdd(before, speed[i]), WrapAdd(speed[i + 1], speed[i + 2]));
        speed[i + 1] = TruncToInt32(static_cast<double>(sum) * 0.25);
    }
    return points;
}

FlightCurve DecodeFlight(std::span<const std::uint8_t> record, DecodingState& state, bool showSpeed,
                         std::uint32_t wordCount, bool chartPoints) {
    FlightCurve c;
    ConvertedSamples converted = ConvertSamples(record, state, wordCount);
    const std::size_t n = converted.altitudes.size();
    const std::size_t m = n > 5 ? n - 5 : 0;
    c.samples = static_cast<std::uint32_t>(n);
    c.minorTickCount = MinorTickCount(state.samplingRate);
    c.referencePressure = converted.referencePressure;
    c.pressures = std::move(converted.pressures);
    c.altitudes = std::move(converted.altitudes);
    std::vector<std::int32_t>& alt = c.altitudes;

    if (n > 2) c.smoothedCount = static_cast<std::uint32_t>(n - 3);
    c.speeds = SmoothAltitudes(alt);
    std::vector<std::int32_t>& speed = c.speeds;

    if (chartPoints) c.altitudePoints.reserve(m);
    for (std::size_t i = 0; i < m; ++i) {
        const float y = static_cast<float>(alt[i]) * 0.01f;
        if (chartPoints) c.altitudePoints.push_back({y, PointLabel(i, state.samplingRate)});
        if (y > c.maximum && alt[i] != -1) c.maximum = y;
        if (y < c.minimum && alt[i] != -1 && c.maximum > 10.0f) c.minimum = y;
    }
    // The speed table is averaged whether or not its curve is shown.
    if (chartPoints) {
        std::vector<float> speedPoints = VerticalSpeedPoints(speed, m);
        if (showSpeed) c.speedPoints = std::move(speedPoints);
    }

    c.endMarker = n > 0 && SampleAt(record, n - 1).up == kEndMarker;
    const std::size_t trusted = c.endMarker ? (n >= 2 ? n - 2 : 0) : n;
    if (trusted > m)
        c.unchartedAltitudes.assign(alt.begin() + static_cast<std::ptrdiff_t>(m),
                                    alt.begin() + static_cast<std::ptrdiff_t>(trusted));
    alt.resize(m + 1);
    alt[m] = kTableEndMark;
    c.leftAxisMaximum = TruncToInt32(c.maximum + c.maximum / 30.0f);
    return c;
}

} // namespace orlomat
