// The download log of a flight folder: one JSON line a download in `downloads.jsonl`, with the
// SHA-256 of the file as written, so that any later change to a flight file shows. Lines are
// appended with one write and flushed to the disk, so a cut power loses at most the line being
// written; a damaged line is skipped with a warning when the log is read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orlomat {

inline constexpr const char* kDownloadLogName = "downloads.jsonl";

struct DownloadLogEntry {
    std::string localTime, utcTime; // "2026-12-08T14:30:15", the UTC one with a "Z"
    std::string port;
    std::int64_t competitor = 0, serial = 0;
    std::int64_t bytesReceived = 0;
    std::optional<std::int64_t> bytesExpected;
    bool complete = false;
    std::string file; // the name within the folder
    std::string sha256;
};

// The entry's line, without its line end.
std::string DownloadLogLine(const DownloadLogEntry& entry);

// Appends the entry to the folder's log; the reason on failure, empty on success.
std::string AppendDownloadLog(const std::string& folder, const DownloadLogEntry& entry);

struct DownloadLog {
    std::vector<DownloadLogEntry> entries;
    std::vector<int> damagedLines; // 1-based numbers of lines that were skipped
    bool present = false;          // the folder has a log
};

DownloadLog ReadDownloadLog(const std::string& folder);

// Each file the log names, once, in the order the log first names it, with its last entry
// (the one that counts: a file downloaded again under its old name).
std::vector<const DownloadLogEntry*> LastEntries(const DownloadLog& log);

enum class FileCheck { Unchanged, Changed, Missing, NotLogged };
const char* FileCheckKey(FileCheck check); // "unchanged", "changed", "missing", "not logged"

struct CheckedFile {
    std::string file;
    FileCheck check = FileCheck::NotLogged;
    std::string loggedAt; // local time of its download, when logged
};

// Every logged file (its last entry counts) and every other flight file of the folder.
std::vector<CheckedFile> CheckFolder(const std::string& folder, const DownloadLog& log);

// The check of one file against a log already read.
CheckedFile CheckFile(const std::string& path, const DownloadLog& log);

// Local and UTC time of now, as the log writes them.
std::pair<std::string, std::string> LogTimesNow();

} // namespace orlomat
