// Arbitrary bytes of any length as a flight record: header, decoding and the shown texts.
#include "decode.h"
#include "format.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orlomat;
    const std::span<const std::uint8_t> record(data, size);
    for (const FlightSource source : {FlightSource::File, FlightSource::Download}) {
        DecodingState state;
        ApplyHeaderToState(InterpretFlightHeader(record, source), state);
        const std::uint32_t words = RecordWordCount(size < kMaxRecordSize ? size : kMaxRecordSize);
        const FlightCurve c = DecodeFlight(record, state, size % 2 == 0, words);
        if (c.altitudes.empty() || c.altitudes.back() != kTableEndMark) std::abort();
        if (c.series1.size() != c.chartedCount()) std::abort();
        (void)FormatOneDecimal(c.maximum);
        (void)FormatOneDecimal(c.minimum, ',');
    }
    return 0;
}
