#include "files/user_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace orlomat {

namespace fs = std::filesystem;

namespace {

std::string Reason(int error) {
    return std::strerror(error != 0 ? error : EIO);
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
    const fs::path folder = t.has_parent_path() ? t.parent_path() : fs::path(".");
    std::string hidden(1, '.');
    hidden.append(t.filename().string()).append(".XXXXXX");
    std::string pattern = (folder / hidden).string();
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

#endif

} // namespace

std::optional<std::vector<std::uint8_t>> ReadFileStart(const std::string& path, std::size_t limit,
                                                       std::string& error) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
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
    const std::string error =
        WriteTemporary(target, bytes, exists ? (st.st_mode & 07777) : NewFileMode(), temp);
    if (!error.empty()) return error;
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int e = errno;
        ::unlink(temp.c_str());
        return Reason(e);
    }
    return {};
#else
    std::error_code ec;
    if (fs::exists(path, ec) && !fs::is_regular_file(path, ec)) return "not a regular file";
    std::mt19937 random(std::random_device{}());
    const std::string temp = path + ".tmp" + std::to_string(random() % 1000000);
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temp, ec);
            return Reason(errno);
        }
    }
    fs::rename(temp, path, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return ec.message();
    }
    return {};
#endif
}

std::string NameWithTag(const std::string& path, const std::string& tag) {
    const fs::path p(path);
    std::string name = p.stem().string();
    name.append(tag).append(p.extension().string());
    return (p.parent_path() / name).string();
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
    const std::string error = WriteTemporary(path, bytes, NewFileMode(), temp);
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
    std::error_code ec;
    for (int n = 1; n < 10000; ++n) {
        const std::string name = Candidate(path, n);
        if (fs::exists(name, ec)) continue;
        const std::string error = WriteFileAtomically(name, bytes);
        if (error.empty()) written = name;
        return error;
    }
    return Reason(EEXIST);
#endif
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

} // namespace orlomat
