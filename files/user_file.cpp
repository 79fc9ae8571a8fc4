#include "files/user_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>
#include <vector>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orlomat {

namespace fs = std::filesystem;

fs::path PathFromUtf8(std::string_view name) {
    return fs::path(std::u8string(name.begin(), name.end()));
}

std::string Utf8FromPath(const fs::path& path) {
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
}

namespace {

std::string Reason(int error) {
    return std::strerror(error != 0 ? error : EIO);
}

// The hidden temporary name beside `target`: a dot, the start of the target's name and a
// random or mkstemp tail. The name is cut short (on a character boundary) so that a long
// target name does not make the temporary one too long for the file system.
std::string TemporaryStem(const fs::path& target) {
    std::string name = Utf8FromPath(target.filename());
    constexpr std::size_t kKeep = 200;
    if (name.size() > kKeep) {
        std::size_t cut = kKeep;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    return "." + name;
}

fs::path FolderOf(const fs::path& p) {
    return p.has_parent_path() ? p.parent_path() : fs::path(".");
}

#ifndef _WIN32

bool WriteAll(int fd, std::string_view bytes, int& error) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// A device or a fifo: opened without waiting for a reader, then written in blocking mode.
std::string WriteThrough(const std::string& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return Reason(errno);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    int error = 0;
    const bool written = WriteAll(fd, bytes, error);
    if (::close(fd) != 0 && written) return Reason(errno);
    return written ? std::string() : Reason(error);
}

// A fully written and synced temporary file beside `target`; its name in `temp`.
std::string WriteTemporary(const std::string& target, std::string_view bytes, mode_t mode,
                           std::string& temp) {
    const fs::path t(target);
    std::string pattern = (FolderOf(t) / (TemporaryStem(t) + ".XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) return Reason(errno);
    temp = pattern;
    int error = 0;
    bool ok = ::fchmod(fd, mode) == 0 || (error = errno, false);
    ok = ok && WriteAll(fd, bytes, error);
    ok = ok && (::fsync(fd) == 0 || (error = errno, false));
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok) return {};
    ::unlink(temp.c_str());
    return Reason(error);
}

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

#else

// The same words as on other systems for the failures a user meets; the system's own text
// for the rest.
std::string WinReason(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
        return Reason(ENOENT);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return Reason(EACCES);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return Reason(ENOSPC);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return Reason(EEXIST);
    case ERROR_FILENAME_EXCED_RANGE:
        return Reason(ENAMETOOLONG);
    default:
        return std::system_category().message(static_cast<int>(code));
    }
}

std::string LastReason() {
    return WinReason(::GetLastError());
}

// Names longer than the classic 260-character limit work only as absolute `\\?\` names,
// which the system takes literally (no `.`, `..` or forward slashes).
std::wstring SystemName(const std::string& name) {
    fs::path p = PathFromUtf8(name);
    constexpr std::size_t kClassicLimit = 240;
    if (p.native().size() < kClassicLimit || p.native().starts_with(L"\\\\?\\")) return p.native();
    std::error_code ec;
    p = fs::absolute(p, ec).lexically_normal();
    if (ec) return PathFromUtf8(name).native();
    p.make_preferred();
    const std::wstring& n = p.native();
    if (n.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + n.substr(2);
    return L"\\\\?\\" + n;
}

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (ok()) ::CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }
    bool Close() {
        const bool closed = ::CloseHandle(h_) != 0;
        h_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE h_;
};

bool WriteAll(HANDLE h, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD done = 0;
        if (!::WriteFile(h, bytes.data(), chunk, &done, nullptr)) return false;
        bytes.remove_prefix(done);
    }
    return true;
}

// What an existing name is: a folder, a file on a disk, or something else (a console, NUL, a
// COM port, a pipe). Devices answer only once opened, so the name is opened without asking
// for any access.
enum class Kind { Missing, Folder, DiskFile, Device };

Kind KindOf(const std::wstring& name, std::string& error) {
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Kind::Folder;
    Handle h(::CreateFileW(name.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr));
    if (!h.ok()) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_FILE_NOT_FOUND) return Kind::Missing;
        error = WinReason(code);
        return Kind::Missing;
    }
    return ::GetFileType(h.get()) == FILE_TYPE_DISK ? Kind::DiskFile : Kind::Device;
}

std::string WriteThrough(const std::wstring& name, std::string_view bytes) {
    Handle h(::CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr));
    if (!h.ok()) return LastReason();
    if (!WriteAll(h.get(), bytes)) return LastReason();
    return {};
}

// A fully written and flushed temporary file beside `target`; its name in `temp`.
std::string WriteTemporary(const fs::path& target, std::string_view bytes, std::wstring& temp) {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char tail[24];
        std::snprintf(tail, sizeof tail, ".%012llx",
                      static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
        const std::string name =
            Utf8FromPath(FolderOf(target) / PathFromUtf8(TemporaryStem(target) + tail));
        temp = SystemName(name);
        Handle h(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!h.ok()) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;
            return WinReason(code);
        }
        const bool ok = WriteAll(h.get(), bytes) && ::FlushFileBuffers(h.get());
        const DWORD code = ::GetLastError();
        if (!h.Close() && ok) {
            const DWORD closeCode = ::GetLastError();
            ::DeleteFileW(temp.c_str());
            return WinReason(closeCode);
        }
        if (ok) return {};
        ::DeleteFileW(temp.c_str());
        return WinReason(code);
    }
    return Reason(EEXIST);
}

#endif

} // namespace

std::optional<std::vector<std::uint8_t>> ReadFileStart(const std::string& path, std::size_t limit,
                                                       std::string& error) {
#ifndef _WIN32
    std::error_code ec;
    const fs::file_status status = fs::status(PathFromUtf8(path), ec);
    if (ec) {
        error = ec.message();
        return std::nullopt;
    }
    if (fs::is_directory(status)) {
        error = Reason(EISDIR);
        return std::nullopt;
    }
    if (!fs::is_regular_file(status)) {
        error = "not a regular file";
        return std::nullopt;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        error = Reason(errno);
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(limit);
    errno = 0;
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    const bool failed = std::ferror(f) != 0;
    const int readError = errno;
    std::fclose(f);
    if (failed) {
        error = Reason(readError);
        return std::nullopt;
    }
    bytes.resize(got);
    return bytes;
#else
    const std::wstring name = SystemName(path);
    const DWORD attributes = ::GetFileAttributesW(name.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = Reason(EISDIR);
        return std::nullopt;
    }
    Handle h(::CreateFileW(name.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.ok()) {
        error = LastReason();
        return std::nullopt;
    }
    // A console, NUL, a COM port or a pipe could block for ever or never end.
    if (::GetFileType(h.get()) != FILE_TYPE_DISK) {
        error = "not a regular file";
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes(limit);
    std::size_t got = 0;
    while (got < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - got, 1u << 30));
        DWORD n = 0;
        if (!::ReadFile(h.get(), bytes.data() + got, chunk, &n, nullptr)) {
            error = LastReason();
            return std::nullopt;
        }
        if (n == 0) break;
        got += n;
    }
    bytes.resize(got);
    return bytes;
#endif
}

std::string ReadRegularFile(const std::string& path,
                            const std::function<bool(std::span<const std::uint8_t>)>& chunk) {
    constexpr std::size_t kChunk = 64 * 1024;
    std::vector<std::uint8_t> buffer(kChunk);
#ifndef _WIN32
    // Without waiting for a writer (a fifo) or a line (a device); a link is refused as it is.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return errno == ELOOP ? std::string("a symbolic link") : Reason(errno);
    struct stat st {};
    std::string error;
    if (::fstat(fd, &st) != 0)
        error = Reason(errno);
    else if (S_ISDIR(st.st_mode))
        error = Reason(EISDIR);
    else if (!S_ISREG(st.st_mode))
        error = "not a regular file";
    while (error.empty()) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = Reason(errno);
        if (n <= 0 || !chunk(std::span(buffer.data(), static_cast<std::size_t>(n)))) break;
    }
    ::close(fd);
    return error;
#else
    Handle h(::CreateFileW(SystemName(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                           nullptr));
    if (!h.ok()) return LastReason();
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(h.get(), &info)) return LastReason();
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return Reason(EISDIR);
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return "a symbolic link";
    if (::GetFileType(h.get()) != FILE_TYPE_DISK) return "not a regular file";
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(h.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr))
            return LastReason();
        if (n == 0 || !chunk(std::span(buffer.data(), static_cast<std::size_t>(n)))) break;
    }
    return {};
#endif
}

EntryKind KindOfEntry(const std::string& path) {
    std::error_code ec;
    const fs::file_status s = fs::symlink_status(PathFromUtf8(path), ec);
    if (ec || !fs::exists(s)) return EntryKind::Missing;
    if (fs::is_symlink(s)) return EntryKind::Link;
    if (fs::is_directory(s)) return EntryKind::Folder;
    if (fs::is_regular_file(s)) return EntryKind::File;
    return EntryKind::Other;
}

std::vector<std::string> FolderNames(const std::string& folder, std::string* error) {
    std::vector<std::string> names;
    std::error_code ec;
    // Stepped with an error code: a range-for's step throws on a folder that changes under it.
    fs::directory_iterator it(PathFromUtf8(folder), ec);
    if (ec && error != nullptr) *error = ec.message();
    for (; !ec && it != fs::directory_iterator(); it.increment(ec))
        names.push_back(Utf8FromPath(it->path().filename()));
    return names;
}

bool IsHiddenName(std::string_view name) {
    return !name.empty() && name[0] == '.';
}

std::string WriteFileAtomically(const std::string& path, std::string_view bytes) {
#ifndef _WIN32
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) return Reason(errno);
    if (exists && S_ISDIR(st.st_mode)) return Reason(EISDIR);
    if (exists && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) return WriteThrough(path, bytes);
    if (exists && !S_ISREG(st.st_mode)) return "not a regular file";
    // Through a symbolic link: replace what it points at, and keep the link.
    std::string target = path;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        const fs::path resolved = fs::weakly_canonical(path, ec);
        if (ec) return ec.message();
        target = resolved.string();
    }
    std::string temp;
    std::string error =
        WriteTemporary(target, bytes, exists ? (st.st_mode & 07777) : NewFileMode(), temp);
    if (!error.empty()) return error;
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int e = errno;
        ::unlink(temp.c_str());
        return Reason(e);
    }
    return {};
#else
    std::string error;
    std::wstring name = SystemName(path);
    const Kind kind = KindOf(name, error);
    if (!error.empty()) return error;
    if (kind == Kind::Folder) return Reason(EISDIR);
    if (kind == Kind::Device) return WriteThrough(name, bytes);
    // Through a symbolic link: replace what it points at, and keep the link.
    fs::path target = PathFromUtf8(path);
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(name, ec))) {
        target = fs::weakly_canonical(name, ec);
        if (ec) return ec.message();
        name = target.native();
    }
    std::wstring temp;
    error = WriteTemporary(target, bytes, temp);
    if (!error.empty()) return error;
    if (!::MoveFileExW(temp.c_str(), name.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = LastReason();
        ::DeleteFileW(temp.c_str());
        return error;
    }
    return {};
#endif
}

std::string WriteFileAtomicallyBy(const std::string& path,
                                  const std::function<bool(std::ostream&)>& write) {
    const auto inMemory = [&] {
        std::ostringstream bytes;
        if (!write(bytes)) return Reason(EIO);
        return WriteFileAtomically(path, bytes.str());
    };
#ifndef _WIN32
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) return inMemory();
    std::string target = path;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        const fs::path resolved = fs::weakly_canonical(path, ec);
        if (ec) return ec.message();
        target = resolved.string();
    }
    std::string temp;
    std::string error =
        WriteTemporary(target, {}, exists ? (st.st_mode & 07777) : NewFileMode(), temp);
    if (!error.empty()) return error;
    bool ok = false;
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        ok = out && write(out);
        out.flush();
        ok = ok && static_cast<bool>(out);
    }
    int e = EIO;
    if (ok) {
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CLOEXEC);
        ok = fd >= 0 && ::fsync(fd) == 0;
        if (!ok) e = errno;
        if (fd >= 0) ::close(fd);
    }
    if (ok && ::rename(temp.c_str(), target.c_str()) == 0) return {};
    if (ok) e = errno;
    ::unlink(temp.c_str());
    return Reason(e);
#else
    std::string error;
    std::wstring name = SystemName(path);
    const Kind kind = KindOf(name, error);
    if (!error.empty()) return error;
    if (kind == Kind::Folder) return Reason(EISDIR);
    if (kind == Kind::Device) return inMemory();
    fs::path target = PathFromUtf8(path);
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(name, ec))) {
        target = fs::weakly_canonical(name, ec);
        if (ec) return ec.message();
        name = target.native();
    }
    std::wstring temp;
    error = WriteTemporary(target, {}, temp);
    if (!error.empty()) return error;
    bool ok = false;
    {
        std::ofstream out(fs::path(temp), std::ios::binary | std::ios::trunc);
        ok = out && write(out);
        out.flush();
        ok = ok && static_cast<bool>(out);
    }
    if (ok && ::MoveFileExW(temp.c_str(), name.c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {};
    error = ok ? LastReason() : Reason(EIO);
    ::DeleteFileW(temp.c_str());
    return error;
#endif
}

std::string NameWithTag(const std::string& path, const std::string& tag) {
    // Only the last name changes: the folder part stays as the caller spelled it.
    const fs::path p = PathFromUtf8(path);
    const std::size_t nameLength = Utf8FromPath(p.filename()).size();
    std::string tagged = path.substr(0, path.size() - nameLength);
    tagged.append(Utf8FromPath(p.stem())).append(tag).append(Utf8FromPath(p.extension()));
    return tagged;
}

namespace {

// The n-th candidate name: the path itself, then stem-2.ext, stem-3.ext, ...
std::string Candidate(const std::string& path, int n) {
    if (n == 1) return path;
    std::string tag(1, '-');
    tag.append(std::to_string(n));
    return NameWithTag(path, tag);
}

} // namespace

std::string WriteNewFile(const std::string& path, std::string_view bytes, std::string& written) {
    written.clear();
#ifndef _WIN32
    std::string temp;
    std::string error = WriteTemporary(path, bytes, NewFileMode(), temp);
    if (!error.empty()) return error;
    for (int n = 1; n < 10000; ++n) {
        const std::string name = Candidate(path, n);
        // A hard link fails when the name is taken, so nothing is ever replaced.
        if (::link(temp.c_str(), name.c_str()) == 0) {
            ::unlink(temp.c_str());
            written = name;
            return {};
        }
        if (errno == EPERM || errno == ENOTSUP || errno == EOPNOTSUPP || errno == EMLINK ||
            errno == ENOSYS) {
            // No hard links here (a memory stick's file system): claim the name, then move
            // the written file onto the claim.
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd < 0 && errno == EEXIST) continue;
            if (fd >= 0) {
                ::close(fd);
                if (::rename(temp.c_str(), name.c_str()) == 0) {
                    written = name;
                    return {};
                }
                const int e = errno;
                ::unlink(name.c_str());
                ::unlink(temp.c_str());
                return Reason(e);
            }
        }
        if (errno != EEXIST) {
            const int e = errno;
            ::unlink(temp.c_str());
            return Reason(e);
        }
    }
    ::unlink(temp.c_str());
    return Reason(EEXIST);
#else
    std::wstring temp;
    std::string error = WriteTemporary(PathFromUtf8(path), bytes, temp);
    if (!error.empty()) return error;
    for (int n = 1; n < 10000; ++n) {
        const std::string name = Candidate(path, n);
        // Without MOVEFILE_REPLACE_EXISTING a taken name fails the move: nothing is replaced.
        if (::MoveFileExW(temp.c_str(), SystemName(name).c_str(), MOVEFILE_WRITE_THROUGH)) {
            written = name;
            return {};
        }
        const DWORD code = ::GetLastError();
        if (code != ERROR_ALREADY_EXISTS && code != ERROR_FILE_EXISTS) {
            ::DeleteFileW(temp.c_str());
            return WinReason(code);
        }
    }
    ::DeleteFileW(temp.c_str());
    return Reason(EEXIST);
#endif
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(PathFromUtf8(a), PathFromUtf8(b), ec) && !ec;
}

} // namespace orlomat
