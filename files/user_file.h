// Reading and writing the user's files, for the window and the command-line tool alike: only
// regular files are read (a fifo or a device could block for ever), and a write never
// destroys what the target held before it has fully succeeded. File names are UTF-8 strings
// everywhere in the program; only this layer turns them into the system's names (wide on
// Windows, where a narrow name would go through the ANSI code page and lose letters).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
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

// Writes the whole file. A regular file (or a new one) is written to a unique temporary file
// in the same folder, then renamed over the target, so a failed write leaves the old file as
// it was; a symbolic link is followed and its target replaced. A character device or a fifo
// is written through (it cannot be replaced); anything else is refused. Returns the reason
// on failure, empty on success.
std::string WriteFileAtomically(const std::string& path, std::string_view bytes);

// Writes a file that does not exist yet: `path` itself, or when that is taken the first free
// name of `stem-2.ext`, `stem-3.ext`, ... Never replaces a file. Returns the name written in
// `written`; the reason on failure, empty on success.
std::string WriteNewFile(const std::string& path, std::string_view bytes, std::string& written);

// `stem<tag>.ext` for `stem.ext`: "lot.dat" with "-partial" gives "lot-partial.dat".
std::string NameWithTag(const std::string& path, const std::string& tag);

// True when both names lead to one existing file.
bool SameFile(const std::string& a, const std::string& b);

} // namespace orlomat
