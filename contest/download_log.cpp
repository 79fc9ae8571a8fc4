#include "contest/download_log.h"

#include "contest/sha256.h"
#include "core/flight_record.h"
#include "core/format.h"
#include "core/json.h"
#include "files/user_file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orlomat {

namespace fs = std::filesystem;

namespace {

fs::path LogPath(const std::string& folder) {
    return fs::u8path(folder) / kDownloadLogName;
}

std::optional<std::vector<std::uint8_t>> WholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A file's name as UTF-8, whatever the system's narrow encoding.
std::string Utf8Name(const fs::path& p) {
    const std::u8string name = p.filename().u8string();
    return std::string(reinterpret_cast<const char*>(name.data()), name.size());
}

bool IsReportOrLog(const fs::path& p) {
    const std::string ext = p.extension().string();
    return ext == ".csv" || ext == ".html" || ext == ".htm" || p.filename() == kDownloadLogName;
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
    j.endObject();
    return j.str();
}

std::string AppendDownloadLog(const std::string& folder, const DownloadLogEntry& entry) {
    const fs::path path = LogPath(folder);
    std::string line = DownloadLogLine(entry) + "\n";
    // A line cut by a power loss has no line end: the next line must not be glued to it.
    std::error_code ec;
    if (fs::file_size(path, ec) > 0 && !ec) {
        std::ifstream in(path, std::ios::binary);
        in.seekg(-1, std::ios::end);
        char last = '\n';
        if (in.get(last) && last != '\n') line.insert(line.begin(), '\n');
    }
    // One write a line (repeated only when the system takes part of it), flushed to the disk.
    // A line that cannot be written whole is taken back out, so that no fragment is left for
    // the next line to follow; the reason is the write's own.
#ifdef _WIN32
    const int fd = _wopen(path.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY, 0644);
    if (fd < 0) return std::strerror(errno);
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
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return std::strerror(errno);
    struct stat before {};
    const off_t start = ::fstat(fd, &before) == 0 ? before.st_size : -1;
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
    if (error != 0 && done > 0 && start >= 0 && ::ftruncate(fd, start) == 0) ::fsync(fd);
    ::close(fd);
#endif
    return error == 0 ? std::string() : std::string(std::strerror(error));
}

DownloadLog ReadDownloadLog(const std::string& folder) {
    DownloadLog log;
    std::ifstream in(LogPath(folder), std::ios::binary);
    if (!in) return log;
    log.present = true;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty()) continue;
        const auto o = ParseFlatObject(line);
        const auto text = [&](const char* k) -> const JsonValue* {
            const auto it = o->find(k);
            return it != o->end() && it->second.kind == JsonValue::Kind::String ? &it->second
                                                                                : nullptr;
        };
        const auto number_ = [&](const char* k) -> std::optional<std::int64_t> {
            const auto it = o->find(k);
            if (it == o->end() || it->second.kind != JsonValue::Kind::Number) return std::nullopt;
            return static_cast<std::int64_t>(it->second.number);
        };
        // A name that leads out of the folder (or nowhere) is no download of ours.
        const auto plainName = [&] {
            const std::string& name = text("file")->text;
            return !name.empty() && name != "." && name != ".." &&
                   name.find_first_of("/\\\0", 0, 3) == std::string::npos;
        };
        if (!o || !text("file") || !text("sha256") || !plainName()) {
            log.damagedLines.push_back(number);
            continue;
        }
        DownloadLogEntry e;
        e.file = text("file")->text;
        e.sha256 = text("sha256")->text;
        if (const auto* t = text("local_time")) e.localTime = t->text;
        if (const auto* t = text("utc_time")) e.utcTime = t->text;
        if (const auto* t = text("port")) e.port = t->text;
        e.competitor = number_("competitor").value_or(0);
        e.serial = number_("serial").value_or(0);
        e.bytesReceived = number_("bytes_received").value_or(0);
        e.bytesExpected = number_("bytes_expected");
        const auto c = o->find("complete");
        e.complete = c != o->end() && c->second.kind == JsonValue::Kind::Bool && c->second.flag;
        log.entries.push_back(std::move(e));
    }
    return log;
}

const char* FileCheckKey(FileCheck check) {
    switch (check) {
    case FileCheck::Unchanged:
        return "unchanged";
    case FileCheck::Changed:
        return "changed";
    case FileCheck::Missing:
        return "missing";
    case FileCheck::NotLogged:
        break;
    }
    return "not logged";
}

CheckedFile CheckFile(const std::string& path, const DownloadLog& log) {
    CheckedFile c;
    const fs::path p = fs::u8path(path);
    c.file = Utf8Name(p);
    // The last entry of a name counts: a file downloaded again under its old name.
    const auto it = std::find_if(log.entries.rbegin(), log.entries.rend(),
                                 [&](const DownloadLogEntry& e) { return e.file == c.file; });
    if (it == log.entries.rend()) return c;
    c.loggedAt = it->localTime;
    const auto bytes = WholeFile(p);
    if (!bytes)
        c.check = FileCheck::Missing;
    else
        c.check = Sha256Hex(*bytes) == it->sha256 ? FileCheck::Unchanged : FileCheck::Changed;
    return c;
}

std::vector<const DownloadLogEntry*> LastEntries(const DownloadLog& log) {
    std::vector<const DownloadLogEntry*> last;
    std::map<std::string, std::size_t> at; // a name's place in `last`
    for (const DownloadLogEntry& e : log.entries) {
        const auto [it, first] = at.try_emplace(e.file, last.size());
        if (first)
            last.push_back(&e);
        else
            last[it->second] = &e;
    }
    return last;
}

std::vector<CheckedFile> CheckFolder(const std::string& folder, const DownloadLog& log) {
    std::vector<std::string> names;
    for (const DownloadLogEntry* e : LastEntries(log))
        names.push_back(e->file);
    std::error_code ec;
    std::vector<std::string> others;
    for (const auto& e : fs::directory_iterator(fs::u8path(folder), ec))
        if (e.is_regular_file(ec) && !IsReportOrLog(e.path()) &&
            std::find(names.begin(), names.end(), Utf8Name(e.path())) == names.end())
            others.push_back(Utf8Name(e.path()));
    std::sort(others.begin(), others.end());
    names.insert(names.end(), others.begin(), others.end());
    std::vector<CheckedFile> out;
    out.reserve(names.size());
    for (const std::string& name : names)
        out.push_back(CheckFile(Utf8FromPath(fs::u8path(folder) / fs::u8path(name)), log));
    return out;
}

std::pair<std::string, std::string> LogTimesNow() {
    const std::time_t now = std::time(nullptr);
    return {TimeText("%Y-%m-%dT%H:%M:%S", now), TimeText("%Y-%m-%dT%H:%M:%SZ", now, true)};
}

} // namespace orlomat
