#include "analysis/comparison.h"

#include "core/arith.h"
#include "core/format.h"

namespace orlomat {

ComparisonCurve DecodeComparison(std::span<const std::uint8_t> record, DecodingState& state,
                                 std::uint32_t byteCount, char separator) {
    ComparisonCurve c;
    c.minorTickCount = MinorTickCount(state.samplingRate);
    c.samplingRate = state.samplingRate;
    // byteCount / 4 samples: the word count is byteCount / 2.
    ConvertedSamples converted = ConvertSamples(record, state, byteCount / 2);
    c.referencePressure = converted.referencePressure;
    std::vector<std::int32_t>& alt = converted.altitudes;
    const std::size_t r = alt.size();
    c.samples = static_cast<std::uint32_t>(r);
    SmoothAltitudes(alt);

    const std::size_t drawn = r >= 6 ? r - 5 : 0;
    c.altitudePoints.reserve(drawn);
    for (std::size_t p = 0; p < drawn; ++p) {
        const float y = static_cast<float>(alt[p]) * 0.01f;
        c.altitudePoints.push_back(y);
        if (y > c.maximum) {
            c.maximum = y;
            c.maxText = FormatOneDecimal(y, separator);
            c.leftAxisCandidate = TruncToInt32(y + y / 30.0f);
        }
        if (y < c.minimum && c.maximum > 10.0f) {
            c.minimum = y;
            c.minText = FormatOneDecimal(y, separator);
        }
    }
    alt.resize(drawn + 1);
    alt[drawn] = kTableEndMark;
    c.altitudes = std::move(alt);
    return c;
}

double ComparisonPosition(std::size_t index, std::uint32_t comparisonRate, std::uint32_t axisRate) {
    const auto i = static_cast<double>(index);
    if (comparisonRate == 0 || axisRate == 0 || comparisonRate == axisRate) return i;
    // The product is a whole number well inside a double's exact range (17000 x 200), so a
    // point that falls on an axis position lands on it exactly.
    return i * axisRate / comparisonRate;
}

ComparisonFlight DecodeComparisonRecord(std::vector<std::uint8_t> record,
                                        std::optional<float> temperature, char decimalSeparator) {
    ComparisonFlight f;
    f.record = std::move(record);
    f.header = InterpretFlightHeader(f.record, FlightSource::File);
    ApplyHeaderToState(f.header, f.state);
    if (temperature) f.state.flightTemperature = *temperature;
    DecodeComparisonAgain(f, decimalSeparator);
    return f;
}

void DecodeComparisonAgain(ComparisonFlight& flight, char decimalSeparator) {
    flight.curve =
        DecodeComparison(flight.record, flight.state, flight.byteCount(), decimalSeparator);
}

} // namespace orlomat
