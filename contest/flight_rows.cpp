#include "contest/flight_rows.h"

#include "analysis/flight_checks.h"
#include "contest/flight_columns.h"
#include "contest/parallel_for.h"
#include "core/flight.h"
#include "core/format.h"
#include "core/json.h"
#include "files/flight_file.h"
#include "files/user_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>

namespace orlomat {

namespace {

namespace fs = std::filesystem;

// The file's time of last change, local, as the flight's date.
std::string FileDate(const std::string& path) {
    std::error_code ec;
    const auto t = fs::last_write_time(PathFromUtf8(path), ec);
    if (ec) return {};
    const std::time_t tt = std::chrono::system_clock::to_time_t(
        std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            std::chrono::file_clock::to_sys(t)));
    return TimeText("%Y-%m-%d %H:%M", tt);
}

using Logs = std::map<std::string, DownloadLog>; // by folder

std::string Folder(const std::string& path) {
    const fs::path p = PathFromUtf8(path);
    return p.has_parent_path() ? Utf8FromPath(p.parent_path()) : std::string(".");
}

// A logged file's date is its download's time, not the file's: "2026-12-08 14:30".
std::string LoggedDate(const std::string& localTime) {
    std::string date = localTime.substr(0, 16);
    std::replace(date.begin(), date.end(), 'T', ' ');
    return date;
}

// A flight file read, checked and decoded; the decoded flight itself is dropped here.
FlightRow ReadRow(const std::string& path, const FilterSettings& filter, const Logs& logs) {
    FlightRow row;
    row.path = path;
    row.file = ValidUtf8(Utf8FromPath(PathFromUtf8(path).filename()));
    row.date = FileDate(path);
    const CheckedFile checked = CheckFile(path, logs.at(Folder(path)));
    row.check = checked.check;
    if (!checked.loggedAt.empty()) row.date = LoggedDate(checked.loggedAt);
    // Only a regular file is read: a link is not followed (out of the folder, onto another
    // flight, onto a device) and a fifo is never waited on.
    const EntryKind kind = KindOfEntry(path);
    if (kind != EntryKind::File) {
        row.check = kind == EntryKind::Missing ? FileCheck::Missing : FileCheck::NotAFile;
        row.fault = RowFault::Unreadable;
        row.systemReason = kind == EntryKind::Link     ? std::string("a symbolic link")
                           : kind == EntryKind::Folder ? std::string(std::strerror(EISDIR))
                                                       : std::string("not a regular file");
        return row;
    }
    FlightFile read = ReadFlightFile(path, {.chartPoints = false});
    switch (read.refusal) {
    case FlightFileRefusal::None:
        break;
    case FlightFileRefusal::Unreadable:
        row.fault = RowFault::Unreadable;
        row.systemReason = std::move(read.systemReason);
        return row;
    case FlightFileRefusal::NotAFlight:
        row.fault = RowFault::NotAFlight;
        row.recordFault = read.fault;
        return row;
    }
    const Flight& flight = *read.flight;
    row.holdsFlight = true;
    row.stats = ComputeStats(flight, filter);
    row.competitor = flight.header.header.competitor;
    row.serial = flight.header.header.serial;
    row.samplingText = TrimmedText(flight.header.samplingText);
    row.samplingRate = flight.header.samplingRate;
    return row;
}

// Names that two folders share are shown with their folder.
void ShowFoldersOfSharedNames(std::vector<FlightRow>& rows) {
    std::map<std::string, int> seen;
    for (const FlightRow& r : rows)
        ++seen[r.file];
    for (FlightRow& r : rows)
        if (seen[r.file] > 1) {
            const fs::path p = PathFromUtf8(r.path);
            const std::u8string shown =
                (p.parent_path().filename() / p.filename()).generic_u8string();
            r.file = ValidUtf8(std::string(shown.begin(), shown.end()));
        }
}

bool IsReport(const std::string& name) {
    const std::string ext = Utf8FromPath(PathFromUtf8(name).extension());
    return ext == ".csv" || ext == ".html" || ext == ".htm";
}

} // namespace

bool HoldsFlight(const std::string& path) {
    std::string reason;
    const auto start = ReadFileStart(path, kMaxRecordSize + 1, reason);
    return start && CheckRecordBytes(*start) == RecordFault::None;
}

std::vector<std::string> ListFlightFiles(const std::string& folder, const std::string& output) {
    std::vector<std::string> inside;
    const DownloadLog log = ReadDownloadLog(folder);
    for (const std::string& name : FolderNames(folder)) {
        const std::string p = Utf8FromPath(PathFromUtf8(folder) / PathFromUtf8(name));
        // Hidden names are temporary files of a write in progress or left by a killed one.
        if (name == kDownloadLogName || IsHiddenName(name) ||
            (!output.empty() && SameFile(p, output)))
            continue;
        const EntryKind kind = KindOfEntry(p);
        // A folder is listed only where the log names a flight file (its row says why it is
        // none); a link, a fifo or a device always, with the reason it is no flight.
        if (kind == EntryKind::Folder && !log.byFile.count(name)) continue;
        // Reports written there before are skipped, unless they hold a flight.
        if (kind == EntryKind::File && IsReport(name) && !HoldsFlight(p)) continue;
        inside.push_back(p);
    }
    std::sort(inside.begin(), inside.end());
    return inside;
}

FlightRows ReadFlightRows(const std::vector<std::string>& paths, const FilterSettings& filter) {
    FlightRows result;
    Logs logs;
    for (const std::string& p : paths)
        if (!logs.count(Folder(p))) logs[Folder(p)] = ReadDownloadLog(Folder(p));
    for (const auto& [folder, log] : logs)
        for (const int line : log.damagedLines)
            result.damagedLogLines.push_back(
                {Utf8FromPath(PathFromUtf8(folder) / kDownloadLogName), line});
    // Each file is read, decoded and cleaned on its own: spread over the processor's cores.
    std::vector<FlightRow>& rows = result.rows;
    rows.resize(paths.size());
    ParallelFor(paths.size(), [&](std::size_t i) { rows[i] = ReadRow(paths[i], filter, logs); });
    ShowFoldersOfSharedNames(rows);
    return result;
}

void AddMissingLoggedFiles(FlightRows& read, const std::string& folder) {
    const DownloadLog log = ReadDownloadLog(folder);
    const std::string logPath = Utf8FromPath(PathFromUtf8(folder) / kDownloadLogName);
    if (std::none_of(read.damagedLogLines.begin(), read.damagedLogLines.end(),
                     [&](const DamagedLogLine& d) { return SameFile(d.log, logPath); }))
        for (const int line : log.damagedLines)
            read.damagedLogLines.push_back({logPath, line});
    for (const DownloadLogEntry* last : LoggedFiles(log)) {
        const fs::path path = PathFromUtf8(folder) / PathFromUtf8(last->file);
        std::error_code ec;
        if (fs::exists(fs::symlink_status(path, ec))) continue;
        FlightRow row;
        row.path = Utf8FromPath(path);
        row.file = ValidUtf8(last->file);
        row.date = LoggedDate(last->localTime);
        row.check = FileCheck::Missing;
        row.fault = RowFault::LoggedFileGone;
        read.rows.push_back(std::move(row));
    }
    ShowFoldersOfSharedNames(read.rows);
}

} // namespace orlomat
