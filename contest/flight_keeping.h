// Keeping a downloaded flight in a folder of flights: a new file named after the competitor,
// the serial and the time, never written over another, and its line in the folder's download
// log with the digest of the bytes written. The window's archive and `orlomat download --dir`
// keep flights this one way.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace orlomat {

// "C012_S00345_20261207-143015.dat": competitor, serial and the local time of now, so a folder
// of flights sorts by competitor and then by time; "_partial" before ".dat" when incomplete.
std::string FlightFileName(std::span<const std::uint8_t> record, bool complete);

struct KeepDetails {
    std::string port;                          // as the user named it
    std::optional<std::int64_t> bytesExpected; // when the altimeter announced the size
    bool complete = false;
};

struct KeptFlight {
    std::string path;        // the file written (or meant, when `error` says why not)
    std::string error;       // nothing was written: the system's reason
    std::string logError;    // the file was written but its log line was not
    std::string duplicateOf; // the name in the folder that already holds these bytes
    bool written() const { return error.empty() && duplicateOf.empty(); }
};

// Writes `record` into `folder` as a new file and enters it in the folder's log. With
// `skipDuplicates`, bytes the folder already holds (a logged file that still has them, or any
// other file with the same bytes) are not written again: `duplicateOf` names that file.
KeptFlight KeepFlight(const std::string& folder, std::span<const std::uint8_t> record,
                      const KeepDetails& details, bool skipDuplicates);

// The log line of a flight already written to `path` (its folder's log); the reason on
// failure, empty on success.
std::string LogKeptFlight(const std::string& path, std::span<const std::uint8_t> record,
                          const KeepDetails& details);

// The name in `folder` of a file holding exactly `record`, if any.
std::optional<std::string> FindSameFlight(const std::string& folder,
                                          std::span<const std::uint8_t> record);

} // namespace orlomat
