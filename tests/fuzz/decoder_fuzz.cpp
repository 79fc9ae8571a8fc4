// Arbitrary bytes of any length as a flight record, through everything that reads one:
// header, decoding, comparison decoding, the filter chain, the texts and the export.
#include "analysis/comparison.h"
#include "analysis/filter_chain.h"
#include "core/decode.h"
#include "core/format.h"
#include "files/csv_export.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orlomat;
    const std::span<const std::uint8_t> record(data, std::min(size, kMaxRecordSize));
    const std::uint32_t words = RecordWordCount(record.size());
    static FilterWork work; // kept between runs, as in the program
    for (const FlightSource source : {FlightSource::File, FlightSource::Download}) {
        DecodingState state;
        ApplyHeaderToState(InterpretFlightHeader(record, source), state);
        const FlightCurve c = DecodeFlight(record, state, size % 2 == 0, words);
        if (c.altitudes.empty() || c.altitudes.back() != kTableEndMark) std::abort();
        if (c.altitudePoints.size() != c.chartedCount()) std::abort();
        (void)FormatOneDecimal(c.maximum);
        (void)FormatOneDecimal(c.minimum, ',');
        (void)ExportBytes(c.altitudes, size % 3 == 0 ? ',' : '.');

        // The filter with settings taken from the record's last bytes (always valid ones).
        FilterSettings s;
        if (size >= 4) {
            s.preCut = data[size - 1] * 4;
            s.finalCut = data[size - 2] * 4;
            s.prefilterWidth = 1 + data[size - 3] % 100;
            s.finalFilterWidth = 1 + data[size - 4] % 100;
        }
        const FilteredFlight f =
            FilterFlight(c.altitudes, WhichFlight::Current, words, state.samplingRate, s, work);
        if (f.filtered && f.cleaned.size() != c.chartedCount()) std::abort();

        DecodingState other;
        ApplyHeaderToState(InterpretFlightHeader(record, source), other);
        const auto bytes = static_cast<std::uint32_t>(
            record.size() > kHeaderSize ? record.size() - kHeaderSize : 0);
        const ComparisonCurve cmp = DecodeComparison(record, other, bytes);
        if (cmp.altitudes.back() != kTableEndMark) std::abort();
        (void)FilterFlight(cmp.altitudes, WhichFlight::Comparison, bytes, 1, s, work);
    }
    return 0;
}
