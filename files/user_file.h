// Reading and writing the user's files, for the window and the command-line tool alike: only
// regular files are read (a fifo or a device could block for ever), and a write never
// destroys what the target held before it has fully succeeded. File names are UTF-8 strings
// everywhere in the program; only this layer turns them into the system's names (wide on
// Windows, where a narrow name would go through the ANSI code page and lose letters).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orlomat {

// The system's path for a UTF-8 file name, and back.
std::filesystem::path PathFromUtf8(std::string_view name);
std::string Utf8FromPath(const std::filesystem::path& path);

// At most `limit` bytes from the start of a regular file; on failure nothing, and `error`
// says why.
std::optional<std::vector<std::uint8_t>> ReadFileStart(const std::string& path, std::size_t limit,
                                                       std::string& error);

// Hands the regular file `path` to `chunk` piece by piece (at most 64 KiB at a time, so any
// size reads in fixed memory) until the end or until `chunk` returns false. A symbolic link is
// not followed, and a fifo, a device or a folder is refused without waiting on it. Returns the
// reason on failure, empty on success.
std::string ReadRegularFile(const std::string& path,
                            const std::function<bool(std::span<const std::uint8_t>)>& chunk);

// What a name is, a symbolic link not followed.
enum class EntryKind { Missing, File, Folder, Link, Other };
EntryKind KindOfEntry(const std::string& path);

// The names in `folder` (UTF-8, without the folder), in no order; an entry that cannot be
// read is passed over, and a folder that cannot be listed gives nothing with `error` set.
std::vector<std::string> FolderNames(const std::string& folder, std::string* error = nullptr);

// A name starting with a dot: hidden, or a temporary file of a write in progress.
bool IsHiddenName(std::string_view name);

// Writes the whole file. A regular file (or a new one) is written to a unique temporary file
// in the same folder, then renamed over the target, so a failed write leaves the old file as
// it was; a symbolic link is followed and its target replaced. A character device or a fifo
// is written through (it cannot be replaced); anything else is refused. Returns the reason
// on failure, empty on success.
std::string WriteFileAtomically(const std::string& path, std::string_view bytes);

// As WriteFileAtomically, with the bytes written piece by piece by `write` into the temporary
// file, so that a file of any size is written in fixed memory; `write` returns false when it
// could not give them all. A device or a fifo gets the bytes built in memory, as before.
std::string WriteFileAtomicallyBy(const std::string& path,
                                  const std::function<bool(std::ostream&)>& write);

// Writes a file that does not exist yet: `path` itself, or when that is taken the first free
// name of `stem-2.ext`, `stem-3.ext`, ... Never replaces a file. Returns the name written in
// `written`; the reason on failure, empty on success.
std::string WriteNewFile(const std::string& path, std::string_view bytes, std::string& written);

// `stem<tag>.ext` for `stem.ext`: "lot.dat" with "-partial" gives "lot-partial.dat".
std::string NameWithTag(const std::string& path, const std::string& tag);

// True when both names lead to one existing file.
bool SameFile(const std::string& a, const std::string& b);

} // namespace orlomat
