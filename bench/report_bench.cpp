// orlomat report over a contest's worth of flights: 100 full records (33 000 bytes each) in a
// folder, to CSV and to HTML (the target for CSV is under 2 s); and one record's stats.
#include "app/cli.h"
#include "bench/full_flight.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

fs::path ContestFolder() {
    static const fs::path dir = [] {
        const fs::path d = fs::temp_directory_path() / "orlomat_report_bench";
        fs::remove_all(d);
        fs::create_directories(d);
        const auto rec = orlomat::bench::FullRecord();
        for (int i = 0; i < 100; ++i) {
            std::string name(1, 'C');
            name.append(std::to_string(100 + i)).append(".dat");
            std::ofstream f(d / name, std::ios::binary);
            f.write(reinterpret_cast<const char*>(rec.data()),
                    static_cast<std::streamsize>(rec.size()));
        }
        return d;
    }();
    return dir;
}

void Report(benchmark::State& st, const char* out) {
    const fs::path dir = ContestFolder();
    const std::string target = (fs::temp_directory_path() / out).string();
    for (auto _ : st) {
        std::ostringstream o, e;
        if (orlomat::RunCli({"report", dir.string(), "-o", target}, o, e) != 0)
            st.SkipWithError(e.str().c_str());
    }
    st.counters["flights"] = 100;
}

void BM_ReportCsv(benchmark::State& st) {
    Report(st, "orlomat_report_bench.csv");
}
BENCHMARK(BM_ReportCsv)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReportHtml(benchmark::State& st) {
    Report(st, "orlomat_report_bench.html");
}
BENCHMARK(BM_ReportHtml)->Unit(benchmark::kMillisecond)->Iterations(3);

// One full record's figures, the filter chain included.
void BM_StatsFullRecord(benchmark::State& st) {
    const std::string path = (ContestFolder() / "C100.dat").string();
    for (auto _ : st) {
        std::ostringstream o, e;
        if (orlomat::RunCli({"stats", path}, o, e) != 0) st.SkipWithError(e.str().c_str());
    }
}
BENCHMARK(BM_StatsFullRecord)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
