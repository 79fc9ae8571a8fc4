// DecodeFlight on a full 33 000-byte record (8 242 samples).
#include "decode.h"
#include "flight_synth.h"

#include <benchmark/benchmark.h>

namespace {

void BM_DecodeFullRecord(benchmark::State& st) {
    orlomat::SynthParams p;
    p.samplingCode = 0;
    p.glideSeconds = 1000.0f;
    const auto rec = orlomat::SynthesizeFlight(p);
    orlomat::DecodingState state;
    orlomat::ApplyHeaderToState(orlomat::InterpretFlightHeader(rec, orlomat::FlightSource::File),
                                state);
    for (auto _ : st) {
        auto curve = orlomat::DecodeFlight(rec, state, true, orlomat::RecordWordCount(rec.size()));
        benchmark::DoNotOptimize(curve);
    }
    st.counters["samples"] = static_cast<double>(orlomat::SampleCount(rec.size()));
}
BENCHMARK(BM_DecodeFullRecord)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
