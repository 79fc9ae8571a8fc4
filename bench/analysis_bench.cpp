// The whole filter chain and the spreadsheet export on a full flight (8 242 samples).
#include "analysis/filter_chain.h"
#include "analysis/flight_stats.h"
#include "bench/full_flight.h"
#include "core/decode.h"
#include "files/csv_export.h"

#include <benchmark/benchmark.h>

namespace {

orlomat::FlightCurve FullFlight() {
    const auto rec = orlomat::bench::FullRecord();
    orlomat::DecodingState state = orlomat::bench::StateOf(rec);
    return orlomat::DecodeFlight(rec, state, true, orlomat::RecordWordCount(rec.size()));
}

void BM_FilterChain(benchmark::State& st) {
    const orlomat::FlightCurve c = FullFlight();
    orlomat::FilterWork work;
    for (auto _ : st) {
        orlomat::LoadSource(work, c.altitudes);
        orlomat::FilterChain(work, orlomat::FilterSettings{});
        benchmark::DoNotOptimize(work.cleaned.data());
    }
    st.counters["samples"] = static_cast<double>(work.end);
}
BENCHMARK(BM_FilterChain)->Unit(benchmark::kMicrosecond);

// The contest figures alone, on the decoded and the cleaned curve (the filter chain apart).
void BM_Figures(benchmark::State& st) {
    const orlomat::FlightCurve c = FullFlight();
    orlomat::FilterWork work;
    orlomat::LoadSource(work, c.altitudes);
    orlomat::FilterChain(work, orlomat::FilterSettings{});
    orlomat::StatsTables t;
    t.charted = std::span<const std::int32_t>(c.altitudes.data(), c.chartedCount());
    t.uncharted = c.unchartedAltitudes;
    t.cleaned = std::span<const std::int32_t>(work.cleaned.data(), c.chartedCount());
    t.samplingRate = 200;
    for (auto _ : st) {
        orlomat::FlightStats s = orlomat::ComputeStats(t);
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_Figures)->Unit(benchmark::kMicrosecond);

void BM_Export(benchmark::State& st) {
    const orlomat::FlightCurve c = FullFlight();
    for (auto _ : st) {
        std::string bytes = orlomat::ExportBytes(c.altitudes, ',');
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_Export)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
