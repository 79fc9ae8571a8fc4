// The download log of a flight folder: one JSON line a download in `downloads.jsonl`, with the
// SHA-256 of the file as written, so that any later change to a flight file shows. The lines form
// a hash chain: each carries the SHA-256 of the line before it ("prev"; the first line links to
// a fixed start), so a line changed, removed, moved or put in between breaks the chain from there
// on. The digest of the last line (the log's head), once announced, pins the whole log down to
// that line. Lines are appended with one write and flushed to the disk, so a cut power loses at
// most the line being written; the next line says it follows such a cut line.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orlomat {

inline constexpr const char* kDownloadLogName = "downloads.jsonl";
// The link of the first line.
inline constexpr std::string_view kChainStart =
    "0000000000000000000000000000000000000000000000000000000000000000";
// The head as people read it out: its first 12 hex digits.
inline constexpr std::size_t kShortHeadLength = 12;

struct DownloadLogEntry {
    std::string localTime, utcTime; // "2026-12-08T14:30:15", the UTC one with a "Z"
    std::string port;
    std::int64_t competitor = 0, serial = 0;
    std::int64_t bytesReceived = 0;
    std::optional<std::int64_t> bytesExpected;
    bool complete = false;
    std::string file; // the name within the folder
    std::string sha256;
    std::string prev;      // the SHA-256 of the line before; empty in logs kept before the chain
    bool afterCut = false; // the line before was cut by a power loss
    int line = 0;          // 1-based, when read from a log
};

// The entry's line, without its line end.
std::string DownloadLogLine(const DownloadLogEntry& entry);

// Appends the entry to the folder's log, linked to the log's last line (the entry's `prev` and
// `afterCut` are set here); the reason on failure, empty on success. A log that is no regular
// file (a link, a folder, a fifo) is refused, never waited on.
std::string AppendDownloadLog(const std::string& folder, const DownloadLogEntry& entry);

enum class ChainState { None, Intact, Broken };

struct DownloadLog {
    std::vector<DownloadLogEntry> entries;
    std::vector<int> damagedLines; // 1-based numbers of lines that are no entry of ours
    std::vector<int> cutLines;     // lines cut by a power loss: the last one, or one a later line
                                   // says it follows
    bool present = false;          // the folder has a log
    std::string unreadable;        // why the log could not be read; empty when it could
    int lineCount = 0;
    ChainState chain = ChainState::None;
    int chainFrom = 0;            // the first linked line (lines before it: a log kept before)
    std::vector<int> brokenLinks; // lines whose link is not the digest of the line before
    std::vector<std::string> lineDigests; // of each line with a line end, by line - 1
    std::string head;                     // the digest of the last line with a line end
    std::string headTime;                 // the local time that line logs, when it is an entry
    std::map<std::string, std::vector<std::size_t>> byFile; // a name's places in `entries`

    // No damaged line, no broken link, and the log could be read (a cut last line is allowed).
    bool intact() const {
        return present && unreadable.empty() && damagedLines.empty() && brokenLinks.empty();
    }
};

DownloadLog ReadDownloadLog(const std::string& folder);

// Each file the log names, once, in the order the log first names it, with its first entry.
std::vector<const DownloadLogEntry*> LoggedFiles(const DownloadLog& log);

// The line whose digest starts with `head` (at least kShortHeadLength hex digits, either case),
// 0 when none.
int LineOfHead(const DownloadLog& log, std::string_view head);

// True when `text` can be a head to look for: 12 to 64 hex digits.
bool IsHeadText(std::string_view text);

// What the results page and the flights list show of a log's head: the short head with the
// time of its line, or why there is none.
struct LogHead {
    bool present = false;   // the folder has a log
    std::string unreadable; // the system's reason the log could not be read
    std::string shortHead;  // the first kShortHeadLength hex digits; empty: no whole line
    std::size_t lines = 0;  // whole lines
    std::string time;       // of the head's line, "2026-12-08 14:30:15", when it is an entry
    ChainState chain = ChainState::None;
    int brokenAt = 0;     // the first broken link
    bool damaged = false; // the log has damaged lines
};
LogHead HeadOfLog(const DownloadLog& log);

enum class FileCheck { Unchanged, Changed, Missing, NotLogged, NotAFile, Conflict, Unreadable };
// "unchanged", "changed", "missing", "not_logged", "not_a_file", "logged_twice", "unreadable"
const char* FileCheckKey(FileCheck check);

struct CheckedFile {
    std::string file;
    FileCheck check = FileCheck::NotLogged;
    std::string loggedAt;   // local time of its download, when logged
    std::vector<int> lines; // the log's lines naming it
    std::string reason;     // why it could not be read
};

// Every logged file and every other flight file of the folder: regular files that end in
// ".dat" or hold a flight record, and entries that are no regular file (a link, a fifo, a
// device). Hidden names (temporary files of a write in progress) and folders are passed over.
std::vector<CheckedFile> CheckFolder(const std::string& folder, const DownloadLog& log);

// The check of one file against a log already read. Only a regular file is read, a link is
// never followed, and a file of any size is hashed in fixed memory.
CheckedFile CheckFile(const std::string& path, const DownloadLog& log);

// The SHA-256 of a regular file read in fixed memory; nothing and `error` when it cannot be read.
std::optional<std::string> FileDigest(const std::string& path, std::string& error);

// Why a file must not be written at `path` (the folder's log lists it, it is the log itself, or
// a symbolic link); empty when it may.
enum class OutputGuard { Free, Logged, IsLog, Link };
OutputGuard GuardOutput(const std::string& path);

// Local and UTC time of now, as the log writes them.
std::pair<std::string, std::string> LogTimesNow();

} // namespace orlomat
