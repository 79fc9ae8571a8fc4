// The archive at contest scale, one measurement a run so that the peak memory is that task's:
//   archive_bench verify N   N flights kept as the station keeps them (the log's chain
//                            included), then `orlomat verify` over the folder
//   archive_bench report N   N flight files (hard links to one full record), then
//                            `orlomat report DIR -o page.html`
// Prints the time and the process's peak resident memory. Measured here (2 cores shared with
// other builds, full 33 000-byte records): verify over 1 000 flights 0.28 s, peak 18 MB; report
// over 10 000 flights 29 s (11 s of processor time), 27 MB; over 100 000 flights 413 s, 107 MB,
// a page of 369 MB.
#include "app/cli.h"
#include "bench/full_flight.h"
#include "contest/flight_keeping.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;

long PeakMegabytes() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::string(argv[1]) != "verify" && std::string(argv[1]) != "report")) {
        std::fputs("usage: archive_bench verify|report N\n", stderr);
        return 2;
    }
    const std::string task = argv[1];
    const int n = std::atoi(argv[2]);
    const fs::path dir = fs::temp_directory_path() / ("orlomat_archive_bench_" + task);
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::vector<std::uint8_t> record = orlomat::bench::FullRecord();
    if (task == "verify") {
        for (int i = 0; i < n; ++i) {
            // Each flight its own bytes and name, as the station keeps them.
            record[1] = static_cast<std::uint8_t>(i), record[2] = static_cast<std::uint8_t>(i >> 8);
            const auto kept = orlomat::KeepFlight(dir.string(), record, {"bench", {}, true}, false);
            if (!kept.error.empty() || !kept.logError.empty()) {
                std::fprintf(stderr, "keeping flight %d: %s%s\n", i, kept.error.c_str(),
                             kept.logError.c_str());
                return 1;
            }
        }
    } else {
        // A file system allows some 65 000 links to one file: a fresh copy every 50 000.
        fs::path first;
        for (int i = 0; i < n; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "C%06d.dat", i);
            if (i % 50000 == 0) {
                first = dir / name;
                std::ofstream(first, std::ios::binary)
                    .write(reinterpret_cast<const char*>(record.data()),
                           static_cast<std::streamsize>(record.size()));
            } else {
                fs::create_hard_link(first, dir / name);
            }
        }
    }
    const long before = PeakMegabytes();
    const auto start = std::chrono::steady_clock::now();
    std::ostringstream out, err;
    const std::string page = (fs::temp_directory_path() / "orlomat_archive_bench.html").string();
    const int rc = task == "verify"
                       ? orlomat::RunCli({"verify", dir.string()}, out, err)
                       : orlomat::RunCli({"report", dir.string(), "-o", page}, out, err);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::error_code ec;
    std::printf("%s over %d flights: exit %d, %.2f s, peak memory %ld MB (%ld MB before it)",
                task.c_str(), n, rc, seconds, PeakMegabytes(), before);
    if (task == "report")
        std::printf(", page %.1f MB", static_cast<double>(fs::file_size(page, ec)) / 1e6);
    std::printf("\n");
    if (rc != 0) std::fputs(err.str().c_str(), stderr);
    fs::remove_all(dir);
    fs::remove(page, ec);
    return rc;
}
