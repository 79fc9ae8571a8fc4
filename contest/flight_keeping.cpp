#include "contest/flight_keeping.h"

#include "contest/download_log.h"
#include "contest/sha256.h"
#include "core/flight_record.h"
#include "core/format.h"
#include "files/user_file.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>
#include <tuple>
#include <vector>

namespace orlomat {

namespace fs = std::filesystem;

namespace {

// True when the regular file (a link is not followed) holds exactly `record`.
bool Holds(const fs::path& file, std::span<const std::uint8_t> record) {
    std::error_code ec;
    if (fs::file_size(file, ec) != record.size() || ec) return false;
    std::size_t at = 0;
    bool same = true;
    const std::string error =
        ReadRegularFile(Utf8FromPath(file), [&](std::span<const std::uint8_t> chunk) {
            same = at + chunk.size() <= record.size() &&
                   std::equal(chunk.begin(), chunk.end(), record.begin() + static_cast<long>(at));
            at += chunk.size();
            return same;
        });
    return error.empty() && same && at == record.size();
}

} // namespace

std::string FlightFileName(std::span<const std::uint8_t> record, bool complete) {
    const FlightHeader h = ParseHeader(record);
    char name[96];
    std::snprintf(name, sizeof name, "C%03u_S%05u_%s%s.dat", unsigned{h.competitor},
                  unsigned{h.serial}, LocalTimeNow("%Y%m%d-%H%M%S").c_str(),
                  complete ? "" : "_partial");
    return name;
}

std::optional<std::string> FindSameFlight(const std::string& folder,
                                          std::span<const std::uint8_t> record) {
    const fs::path dir = PathFromUtf8(folder);
    // The log names its files with their digests: the latest download of these bytes first.
    const DownloadLog log = ReadDownloadLog(folder);
    const std::string digest = Sha256Hex(record);
    for (auto e = log.entries.rbegin(); e != log.entries.rend(); ++e)
        if (e->sha256 == digest && !IsHiddenName(e->file) &&
            Holds(dir / PathFromUtf8(e->file), record))
            return e->file;
    // Flights copied in by hand, or kept before the log was.
    // Hidden names are temporary files of writes in progress (or left by a killed one), no flights.
    std::vector<std::string> same;
    for (const std::string& name : FolderNames(folder))
        if (name != kDownloadLogName && !IsHiddenName(name) &&
            Holds(dir / PathFromUtf8(name), record))
            same.push_back(name);
    if (same.empty()) return std::nullopt;
    return *std::min_element(same.begin(), same.end());
}

std::string LogKeptFlight(const std::string& path, std::span<const std::uint8_t> record,
                          const KeepDetails& details) {
    const fs::path file = PathFromUtf8(path);
    const FlightHeader h = ParseHeader(record);
    DownloadLogEntry entry;
    std::tie(entry.localTime, entry.utcTime) = LogTimesNow();
    entry.port = details.port;
    entry.competitor = h.competitor;
    entry.serial = h.serial;
    entry.bytesReceived = static_cast<std::int64_t>(record.size());
    entry.bytesExpected = details.bytesExpected;
    entry.complete = details.complete;
    entry.file = Utf8FromPath(file.filename());
    entry.sha256 = Sha256Hex(record);
    return AppendDownloadLog(file.has_parent_path() ? Utf8FromPath(file.parent_path()) : ".",
                             entry);
}

KeptFlight KeepFlight(const std::string& folder, std::span<const std::uint8_t> record,
                      const KeepDetails& details, bool skipDuplicates) {
    KeptFlight kept;
    if (skipDuplicates) {
        if (auto same = FindSameFlight(folder, record)) {
            kept.duplicateOf = std::move(*same);
            kept.path = Utf8FromPath(PathFromUtf8(folder) / PathFromUtf8(kept.duplicateOf));
            return kept;
        }
    }
    const std::string named =
        Utf8FromPath(PathFromUtf8(folder) / PathFromUtf8(FlightFileName(record, details.complete)));
    kept.path = named;
    // A logged file that was removed keeps its name: a new flight never takes it, so that one
    // name never has two lines in the log.
    for (int n = 2; GuardOutput(kept.path) != OutputGuard::Free && n < 10000; ++n) {
        std::string tag(1, '-');
        kept.path = NameWithTag(named, tag.append(std::to_string(n)));
    }
    const std::string_view bytes(reinterpret_cast<const char*>(record.data()), record.size());
    std::string written;
    kept.error = WriteNewFile(kept.path, bytes, written);
    if (!kept.error.empty()) return kept;
    kept.path = written;
    kept.logError = LogKeptFlight(kept.path, record, details);
    return kept;
}

} // namespace orlomat
