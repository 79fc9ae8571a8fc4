#include "contest/download_log.h"

#include "analysis/flight_checks.h"
#include "contest/sha256.h"
#include "core/flight_record.h"
#include "core/format.h"
#include "core/json.h"
#include "files/user_file.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orlomat {

namespace fs = std::filesystem;

namespace {

std::string LogPath(const std::string& folder) {
    return Utf8FromPath(PathFromUtf8(folder) / kDownloadLogName);
}

bool IsHex(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    });
}

bool IsDigest(const std::string& s) {
    return s.size() == 64 && IsHex(s) &&
           std::none_of(s.begin(), s.end(), [](char c) { return c >= 'A' && c <= 'F'; });
}

// The digest of the log's last line, as the next line links to it; `cut` when that line has
// no line end (a power loss cut it). The start of the chain for an empty log.
std::string LastLink(const std::string& log, bool& cut) {
    cut = !log.empty() && log.back() != '\n';
    if (log.empty()) return std::string(kChainStart);
    const std::size_t end = cut ? log.size() : log.size() - 1;
    const std::size_t from = log.rfind('\n', end == 0 ? 0 : end - 1);
    const std::size_t begin = from == std::string::npos || from >= end ? 0 : from + 1;
    return Sha256Hex(std::string_view(log).substr(begin, end - begin));
}

// A whole number of a log line within [min, max]: a figure written as 1e300 or 12.5 is no
// count of ours, and a cast of a value out of range would be undefined.
std::optional<std::int64_t> Whole(const nlohmann::json& v, std::int64_t min, std::int64_t max) {
    std::int64_t n = 0;
    if (v.is_number_unsigned()) {
        const auto u = v.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return std::nullopt;
        n = static_cast<std::int64_t>(u);
    } else if (v.is_number_integer()) {
        n = v.get<std::int64_t>();
    } else if (v.is_number_float()) {
        const double d = v.get<double>();
        if (!std::isfinite(d) || d != std::floor(d) || d < static_cast<double>(min) ||
            d > static_cast<double>(max))
            return std::nullopt;
        n = static_cast<std::int64_t>(d);
    } else {
        return std::nullopt;
    }
    if (n < min || n > max) return std::nullopt;
    return n;
}

// One line of the log as an entry; nothing when it is no line of ours.
std::optional<DownloadLogEntry> ParseLine(std::string_view line) {
    const nlohmann::json o = nlohmann::json::parse(line, nullptr, false);
    if (o.is_discarded() || !o.is_object()) return std::nullopt;
    const auto text = [&](const char* k) -> const std::string* {
        const auto it = o.find(k);
        return it != o.end() && it->is_string() ? it->get_ptr<const std::string*>() : nullptr;
    };
    const std::string* file = text("file");
    const std::string* digest = text("sha256");
    // A name that leads out of the folder (or nowhere) is no download of ours.
    if (file == nullptr || digest == nullptr || file->empty() || *file == "." || *file == ".." ||
        file->find_first_of(std::string_view("/\\\0:", 4)) != std::string::npos ||
        !IsDigest(*digest))
        return std::nullopt;
    DownloadLogEntry e;
    e.file = *file;
    e.sha256 = *digest;
    for (const auto& [key, field] :
         {std::pair{"local_time", &e.localTime}, std::pair{"utc_time", &e.utcTime},
          std::pair{"port", &e.port}}) {
        if (!o.contains(key)) continue;
        const std::string* t = text(key);
        if (t == nullptr) return std::nullopt;
        *field = *t;
    }
    constexpr std::int64_t kBytes = std::int64_t{1} << 40;
    const std::tuple<const char*, std::int64_t*, std::int64_t> numbers[] = {
        {"competitor", &e.competitor, 65535},
        {"serial", &e.serial, 65535},
        {"bytes_received", &e.bytesReceived, kBytes}};
    for (const auto& [key, field, max] : numbers) {
        if (!o.contains(key)) continue;
        const auto n = Whole(o.at(key), 0, max);
        if (!n) return std::nullopt;
        *field = *n;
    }
    if (o.contains("bytes_expected") && !o.at("bytes_expected").is_null()) {
        e.bytesExpected = Whole(o.at("bytes_expected"), 0, kBytes);
        if (!e.bytesExpected) return std::nullopt;
    }
    for (const auto& [key, flag] :
         {std::pair{"complete", &e.complete}, std::pair{"after_cut", &e.afterCut}}) {
        if (!o.contains(key)) continue;
        if (!o.at(key).is_boolean()) return std::nullopt;
        *flag = o.at(key).get<bool>();
    }
    if (o.contains("prev")) {
        const std::string* prev = text("prev");
        if (prev == nullptr || !IsDigest(*prev)) return std::nullopt;
        e.prev = *prev;
    }
    return e;
}

bool HasFlightExtension(const std::string& name) {
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return ext == ".dat";
}

bool IsReportName(const std::string& name) {
    const std::string ext = Utf8FromPath(PathFromUtf8(name).extension());
    return ext == ".csv" || ext == ".html" || ext == ".htm";
}

// A flight record at the start of a regular file (a link is not followed).
bool StartsWithFlight(const std::string& path) {
    std::vector<std::uint8_t> start;
    const std::string error = ReadRegularFile(path, [&](std::span<const std::uint8_t> chunk) {
        start.insert(start.end(), chunk.begin(), chunk.end());
        return start.size() <= kMaxRecordSize;
    });
    return error.empty() && CheckRecordBytes(start) == RecordFault::None;
}

} // namespace

std::string DownloadLogLine(const DownloadLogEntry& e) {
    JsonWriter j;
    j.beginObject();
    j.key("local_time").value(e.localTime);
    j.key("utc_time").value(e.utcTime);
    j.key("port").value(e.port);
    j.key("competitor").value(e.competitor);
    j.key("serial").value(e.serial);
    j.key("bytes_received").value(e.bytesReceived);
    j.key("bytes_expected");
    if (e.bytesExpected)
        j.value(*e.bytesExpected);
    else
        j.null();
    j.key("complete").value(e.complete);
    j.key("file").value(e.file);
    j.key("sha256").value(e.sha256);
    if (e.afterCut) j.key("after_cut").value(true);
    if (!e.prev.empty()) j.key("prev").value(e.prev);
    j.endObject();
    return j.str();
}

std::string AppendDownloadLog(const std::string& folder, const DownloadLogEntry& given) {
    const std::string path = LogPath(folder);
    DownloadLogEntry entry = given;
    // The line and the one it links to are read and written under one lock, so that two
    // programs keeping flights in one folder do not fork the chain. One write a line
    // (repeated only when the system takes part of it), flushed to the disk. A line that cannot
    // be written whole is taken back out, so that no fragment is left for the next line to
    // follow; the reason is the write's own.
#ifdef _WIN32
    const EntryKind kind = KindOfEntry(path);
    if (kind == EntryKind::Link) return "a symbolic link";
    if (kind == EntryKind::Folder) return std::strerror(EISDIR);
    if (kind == EntryKind::Other) return "not a regular file";
    const int fd =
        _wopen(PathFromUtf8(path).c_str(), _O_RDWR | _O_APPEND | _O_CREAT | _O_BINARY, 0644);
    if (fd < 0) return std::strerror(errno);
    // The whole file locked for this handle until it is closed.
    OVERLAPPED whole{};
    ::LockFileEx(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD,
                 MAXDWORD, &whole);
    std::string log;
    {
        char buffer[65536];
        _lseeki64(fd, 0, SEEK_SET);
        int n = 0;
        while ((n = _read(fd, buffer, sizeof buffer)) > 0)
            log.append(buffer, static_cast<std::size_t>(n));
    }
    bool cut = false;
    entry.prev = LastLink(log, cut);
    entry.afterCut = cut;
    // A cut line gets its line end, so that the new line is not glued to it.
    const std::string line = (cut ? "\n" : "") + DownloadLogLine(entry) + "\n";
    const long long start = _filelengthi64(fd);
    std::size_t done = 0;
    int error = 0;
    while (done < line.size() && error == 0) {
        const int n = _write(fd, line.data() + done, static_cast<unsigned>(line.size() - done));
        if (n <= 0)
            error = n < 0 ? errno : ENOSPC;
        else
            done += static_cast<std::size_t>(n);
    }
    if (error == 0 && _commit(fd) != 0) error = errno;
    if (error != 0 && done > 0 && start >= 0) {
        (void)_chsize_s(fd, start);
        (void)_commit(fd);
    }
    _close(fd);
#else
    const int fd = ::open(path.c_str(),
                          O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
    if (fd < 0) return errno == ELOOP ? std::string("a symbolic link") : std::strerror(errno);
    struct stat before {};
    if (::fstat(fd, &before) != 0 || !S_ISREG(before.st_mode)) {
        const int e = errno;
        ::close(fd);
        return S_ISREG(before.st_mode) ? std::strerror(e) : "not a regular file";
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    ::flock(fd, LOCK_EX);
    std::string log;
    {
        char buffer[65536];
        off_t at = 0;
        for (ssize_t n; (n = ::pread(fd, buffer, sizeof buffer, at)) != 0; at += n) {
            if (n < 0 && errno == EINTR) {
                n = 0;
                continue;
            }
            if (n < 0) {
                const int e = errno;
                ::close(fd);
                return std::strerror(e);
            }
            log.append(buffer, static_cast<std::size_t>(n));
        }
    }
    bool cut = false;
    entry.prev = LastLink(log, cut);
    entry.afterCut = cut;
    // A cut line gets its line end, so that the new line is not glued to it.
    const std::string line = (cut ? "\n" : "") + DownloadLogLine(entry) + "\n";
    const off_t start = static_cast<off_t>(log.size());
    std::size_t done = 0;
    int error = 0;
    while (done < line.size() && error == 0) {
        const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            error = n < 0 ? errno : ENOSPC;
        else
            done += static_cast<std::size_t>(n);
    }
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (error != 0 && done > 0 && ::ftruncate(fd, start) == 0) ::fsync(fd);
    ::close(fd);
#endif
    return error == 0 ? std::string() : std::string(std::strerror(error));
}

DownloadLog ReadDownloadLog(const std::string& folder) {
    DownloadLog log;
    const std::string path = LogPath(folder);
    if (KindOfEntry(path) == EntryKind::Missing) return log;
    log.present = true;
    std::string bytes;
    log.unreadable = ReadRegularFile(path, [&](std::span<const std::uint8_t> chunk) {
        bytes.append(reinterpret_cast<const char*>(chunk.data()), chunk.size());
        return true;
    });
    if (!log.unreadable.empty()) return log;
    std::string before(kChainStart); // what the next line must link to
    bool chained = false;
    std::size_t at = 0;
    for (int number = 1; at < bytes.size(); ++number) {
        const std::size_t end = bytes.find('\n', at);
        const bool whole = end != std::string::npos;
        const std::string_view line =
            std::string_view(bytes).substr(at, (whole ? end : bytes.size()) - at);
        at = whole ? end + 1 : bytes.size();
        log.lineCount = number;
        const std::string digest = Sha256Hex(line);
        if (whole) log.lineDigests.push_back(digest);
        auto entry = ParseLine(line);
        if (!entry) {
            // The last line without its line end: a power loss cut it while it was written.
            if (!whole)
                log.cutLines.push_back(number);
            else
                log.damagedLines.push_back(number);
        } else {
            entry->line = number;
            if (!entry->prev.empty()) {
                if (log.chainFrom == 0) log.chainFrom = number;
                chained = true;
                if (entry->prev != before) log.brokenLinks.push_back(number);
            } else if (chained) {
                log.brokenLinks.push_back(number); // a line without its link inside the chain
            }
            // A line that follows a cut one says so: that line is a power loss's, not damage.
            if (entry->afterCut && entry->prev == before && !log.damagedLines.empty() &&
                log.damagedLines.back() == number - 1) {
                log.damagedLines.pop_back();
                log.cutLines.push_back(number - 1);
            }
            if (whole) {
                log.head = digest;
                log.headTime = entry->localTime;
            }
            log.byFile[entry->file].push_back(log.entries.size());
            log.entries.push_back(std::move(*entry));
            before = digest;
            continue;
        }
        if (whole) {
            log.head = digest;
            log.headTime.clear();
        }
        before = digest;
    }
    log.chain = !chained                  ? ChainState::None
                : log.brokenLinks.empty() ? ChainState::Intact
                                          : ChainState::Broken;
    return log;
}

std::vector<const DownloadLogEntry*> LoggedFiles(const DownloadLog& log) {
    std::vector<const DownloadLogEntry*> first;
    for (const DownloadLogEntry& e : log.entries)
        if (&log.entries[log.byFile.at(e.file).front()] == &e) first.push_back(&e);
    return first;
}

bool IsHeadText(std::string_view text) {
    return text.size() >= kShortHeadLength && text.size() <= 64 && IsHex(text);
}

int LineOfHead(const DownloadLog& log, std::string_view head) {
    if (!IsHeadText(head)) return 0;
    std::string lower(head);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'F' ? c + 32 : c); });
    // The last line with that digest: a line repeated word for word links differently anyway.
    for (std::size_t i = log.lineDigests.size(); i-- > 0;)
        if (log.lineDigests[i].compare(0, lower.size(), lower) == 0) return static_cast<int>(i) + 1;
    return 0;
}

LogHead HeadOfLog(const DownloadLog& log) {
    LogHead h;
    h.present = log.present;
    h.unreadable = log.unreadable;
    h.shortHead = log.head.substr(0, std::min(log.head.size(), kShortHeadLength));
    h.lines = log.lineDigests.size();
    h.time = log.headTime;
    std::replace(h.time.begin(), h.time.end(), 'T', ' ');
    h.chain = log.chain;
    h.brokenAt = log.brokenLinks.empty() ? 0 : log.brokenLinks.front();
    h.damaged = !log.damagedLines.empty();
    return h;
}

const char* FileCheckKey(FileCheck check) {
    switch (check) {
    case FileCheck::Unchanged:
        return "unchanged";
    case FileCheck::Changed:
        return "changed";
    case FileCheck::Missing:
        return "missing";
    case FileCheck::NotAFile:
        return "not_a_file";
    case FileCheck::Conflict:
        return "logged_twice";
    case FileCheck::Unreadable:
        return "unreadable";
    case FileCheck::NotLogged:
        break;
    }
    return "not_logged";
}

std::optional<std::string> FileDigest(const std::string& path, std::string& error) {
    Sha256 digest;
    error = ReadRegularFile(path, [&](std::span<const std::uint8_t> chunk) {
        digest.add(chunk);
        return true;
    });
    if (!error.empty()) return std::nullopt;
    return digest.hex();
}

CheckedFile CheckFile(const std::string& path, const DownloadLog& log) {
    CheckedFile c;
    const fs::path p = PathFromUtf8(path);
    c.file = Utf8FromPath(p.filename());
    const auto it = log.byFile.find(c.file);
    if (it == log.byFile.end()) {
        if (const EntryKind k = KindOfEntry(path); k == EntryKind::Link || k == EntryKind::Other)
            c.check = FileCheck::NotAFile;
        return c;
    }
    const DownloadLogEntry& first = log.entries[it->second.front()];
    c.loggedAt = first.localTime;
    for (const std::size_t i : it->second)
        c.lines.push_back(log.entries[i].line);
    // Two lines for one name: which one counts is not ours to guess.
    if (it->second.size() > 1) {
        c.check = FileCheck::Conflict;
        return c;
    }
    switch (KindOfEntry(path)) {
    case EntryKind::Missing:
        c.check = FileCheck::Missing;
        return c;
    case EntryKind::File:
        break;
    case EntryKind::Folder:
        c.check = FileCheck::NotAFile;
        c.reason = std::strerror(EISDIR);
        return c;
    case EntryKind::Link:
    case EntryKind::Other:
        c.check = FileCheck::NotAFile;
        return c;
    }
    const auto digest = FileDigest(path, c.reason);
    if (!digest)
        c.check = c.reason == "not a regular file" || c.reason == "a symbolic link"
                      ? FileCheck::NotAFile
                      : FileCheck::Unreadable;
    else
        c.check = *digest == first.sha256 ? FileCheck::Unchanged : FileCheck::Changed;
    return c;
}

std::vector<CheckedFile> CheckFolder(const std::string& folder, const DownloadLog& log) {
    std::vector<CheckedFile> out;
    const fs::path dir = PathFromUtf8(folder);
    for (const DownloadLogEntry* e : LoggedFiles(log))
        out.push_back(CheckFile(Utf8FromPath(dir / PathFromUtf8(e->file)), log));
    std::vector<std::string> others;
    for (const std::string& name : FolderNames(folder)) {
        if (name == kDownloadLogName || IsHiddenName(name) || log.byFile.count(name)) continue;
        const std::string path = Utf8FromPath(dir / PathFromUtf8(name));
        switch (KindOfEntry(path)) {
        case EntryKind::Missing:
        case EntryKind::Folder:
            continue;
        case EntryKind::Link:
        case EntryKind::Other:
            others.push_back(name); // what could pass for a flight and is none of ours
            continue;
        case EntryKind::File:
            // A note or a list beside the flights is no flight; a report written there neither,
            // unless it holds one.
            if ((HasFlightExtension(name) && !IsReportName(name)) || StartsWithFlight(path))
                others.push_back(name);
        }
    }
    std::sort(others.begin(), others.end());
    for (const std::string& name : others)
        out.push_back(CheckFile(Utf8FromPath(dir / PathFromUtf8(name)), log));
    return out;
}

OutputGuard GuardOutput(const std::string& path) {
    const fs::path p = PathFromUtf8(path);
    if (KindOfEntry(path) == EntryKind::Link) return OutputGuard::Link;
    const std::string name = Utf8FromPath(p.filename());
    if (name == kDownloadLogName) return OutputGuard::IsLog;
    const std::string folder = p.has_parent_path() ? Utf8FromPath(p.parent_path()) : ".";
    if (ReadDownloadLog(folder).byFile.count(name)) return OutputGuard::Logged;
    // A damaged line may name it too: a name the log spells out anywhere is kept.
    std::string raw;
    ReadRegularFile(LogPath(folder), [&](std::span<const std::uint8_t> chunk) {
        raw.append(reinterpret_cast<const char*>(chunk.data()), chunk.size());
        return true;
    });
    JsonWriter quoted;
    quoted.value(name);
    return raw.find(quoted.str()) != std::string::npos ? OutputGuard::Logged : OutputGuard::Free;
}

std::pair<std::string, std::string> LogTimesNow() {
    const std::time_t now = std::time(nullptr);
    return {TimeText("%Y-%m-%dT%H:%M:%S", now), TimeText("%Y-%m-%dT%H:%M:%SZ", now, true)};
}

} // namespace orlomat
