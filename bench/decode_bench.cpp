// DecodeFlight on a full 33 000-byte record (8 242 samples).
#include "bench/full_flight.h"
#include "core/decode.h"

#include <benchmark/benchmark.h>

namespace {

void BM_DecodeFullRecord(benchmark::State& st) {
    const auto rec = orlomat::bench::FullRecord();
    orlomat::DecodingState state = orlomat::bench::StateOf(rec);
    for (auto _ : st) {
        auto curve = orlomat::DecodeFlight(rec, state, true, orlomat::RecordWordCount(rec.size()));
        benchmark::DoNotOptimize(curve);
    }
    st.counters["samples"] = static_cast<double>(orlomat::SampleCount(rec.size()));
}
BENCHMARK(BM_DecodeFullRecord)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
