// The flights list over a busy contest day: 1 000 flight files in a folder, listed as the
// window lists them (the folder's files, each read, checked, decoded without chart points and
// its figures computed). The target is under a second.
#include "contest/flight_rows.h"
#include "tools/synth/flight_synth.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 1000;

fs::path ContestFolder() {
    static const fs::path dir = [] {
        const fs::path d = fs::temp_directory_path() / "orlomat_flights_list_bench";
        fs::remove_all(d);
        fs::create_directories(d);
        for (int i = 0; i < kFiles; ++i) {
            orlomat::SynthParams p;
            p.competitor = static_cast<std::uint16_t>(i % 120);
            p.seed = static_cast<std::uint32_t>(i);
            p.glideSeconds = 40.0f + static_cast<float>(i % 80); // flights of 1 to 2 minutes
            const auto record = orlomat::SynthesizeFlight(p);
            std::string name(1, 'F');
            name.append(std::to_string(10000 + i)).append(".dat");
            std::ofstream(d / name, std::ios::binary)
                .write(reinterpret_cast<const char*>(record.data()),
                       static_cast<std::streamsize>(record.size()));
        }
        return d;
    }();
    return dir;
}

void BM_ListThousandFlights(benchmark::State& st) {
    const std::string dir = ContestFolder().string();
    for (auto _ : st) {
        const auto read = orlomat::ReadFlightRows(orlomat::ListFlightFiles(dir), {});
        if (read.rows.size() != kFiles || !read.rows.back().holdsFlight)
            st.SkipWithError("not every file was listed as a flight");
        benchmark::DoNotOptimize(read.rows.data());
    }
    st.counters["files"] = kFiles;
}
BENCHMARK(BM_ListThousandFlights)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
